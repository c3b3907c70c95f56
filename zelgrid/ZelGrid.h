#pragma once
// TZelGrid: the grid placed on forms. It adds nothing to TCustomZelGrid but its published
// properties and events, declared in the property registry (RegisterZelGridProperties).
#include "host/streaming/PropertyRegistry.h"
#include "zelgrid/CustomZelGrid.h"

class TZelGrid : public TCustomZelGrid {
public:
    explicit TZelGrid(TComponent* AOwner) : TCustomZelGrid(AOwner) {}
};

// Registers the grid's types and the published properties of the control classes, of
// TCustomZelGrid and of TZelGrid (after the column model's). Calling it again does nothing.
void RegisterZelGridProperties(TPropertyRegistry& Registry = PropertyRegistry());

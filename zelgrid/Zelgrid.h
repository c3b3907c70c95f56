#pragma once
// The unit Zelgrid: the grid control and its column model. TZelGrid is the grid placed on
// forms; it adds nothing to TCustomZelGrid but its published properties and events, declared in
// the property registry (RegisterZelGridProperties).
#include "host/streaming/PropertyRegistry.h"
#include "zelgrid/Column.h"
#include "zelgrid/ColumnCollections.h"
#include "zelgrid/ColumnProperties.h"
#include "zelgrid/ColumnRec.h"
#include "zelgrid/ColumnTitle.h"
#include "zelgrid/ColumnTypes.h"
#include "zelgrid/CustomZelGrid.h"
#include "zelgrid/GridTypes.h"

class TZelGrid : public TCustomZelGrid {
public:
    explicit TZelGrid(TComponent* AOwner) : TCustomZelGrid(AOwner) {}
};

// Registers the grid's types and the published properties of the control classes, of
// TCustomZelGrid and of TZelGrid (after the column model's). Calling it again does nothing.
void RegisterZelGridProperties(TPropertyRegistry& Registry = PropertyRegistry());

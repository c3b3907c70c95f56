#pragma once
// The published properties and events of the outline tree view, so that a form holding one (the
// layout editor's) is read from its form file through the one registry.
#include "host/streaming/PropertyRegistry.h"

// Registers TOutlineTreeView after the host's controls; calling it again does nothing.
void RegisterOutlineProperties(TPropertyRegistry& Registry = PropertyRegistry());

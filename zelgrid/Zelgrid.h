#pragma once
// The unit Zelgrid: the grid control and its column model.
#include "zelgrid/Column.h"
#include "zelgrid/ColumnCollections.h"
#include "zelgrid/ColumnProperties.h"
#include "zelgrid/ColumnRec.h"
#include "zelgrid/ColumnTitle.h"
#include "zelgrid/ColumnTypes.h"
#include "zelgrid/CustomZelGrid.h"
#include "zelgrid/GridTypes.h"
#include "zelgrid/ZelGrid.h"

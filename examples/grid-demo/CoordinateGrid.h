#pragma once
// A grid that paints each cell's coordinates: column letters and row numbers in the fixed
// cells, "column:row" in the others. It stores nothing per cell, so any row count costs the same.
#include "host/controls/Grids.h"

class TCoordinateGrid : public TCustomGrid {
public:
    explicit TCoordinateGrid(TComponent* AOwner);

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
};

#pragma once
// A grid that records what the column model asks of it, and a fixture holding one grid with
// its layout collection.
#include <utility>
#include <vector>

#include "zelgrid/Zelgrid.h"

class TRecordingGrid : public TCustomZelGrid {
public:
    TRecordingGrid() : TCustomZelGrid(nullptr) { SetColCount(8); }

    void InvalidateCol(int ACol) override { Invalidated.push_back(ACol); }
    void SetColWidths(int ACol, int Width) override
    {
        WidthsSet.emplace_back(ACol, Width);
        TCustomZelGrid::SetColWidths(ACol, Width);
    }
    void ClearCalls()
    {
        Invalidated.clear();
        WidthsSet.clear();
        Passes = 0;
    }

    std::vector<int> Invalidated;
    std::vector<std::pair<int, int>> WidthsSet;
    int Passes = 0;
    // The pass reads every column of these, as the real layout pass does.
    TZelGridColumns* Shown = nullptr;

protected:
    void InternalLayout() override
    {
        ++Passes;
        if (!Shown) return;
        for (int i = 0; i < Shown->Count(); ++i) {
            TZelColumn* column = Shown->GeTZelColumn(i);
            PassWidths.push_back(column->GetWidth());
            PassCaptions.push_back(column->Title()->GetCaption());
        }
    }

public:
    std::vector<int> PassWidths;
    std::vector<std::string> PassCaptions;
};

struct TGridFixture {
    TRecordingGrid Grid;
    // The grid's own layouts: only the shown layout's changes reach the grid.
    TZelColLayout& Layouts = *Grid.Layout();
    TZelGridColumns* Columns = Layouts.GetItem(0)->GeTZelColumns();

    TZelColumn* AddColumns(int N)
    {
        TZelColumn* last = nullptr;
        for (int i = 0; i < N; ++i) last = Columns->Add();
        Grid.ClearCalls();
        return last;
    }
};

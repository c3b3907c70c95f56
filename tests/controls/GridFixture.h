#pragma once
// A base grid on a shown form, headless, with a descendant that records what the base calls.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/controls/Forms.h"
#include "host/controls/Grids.h"
#include "host/controls/InplaceEdit.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

class TRecordingGrid : public TCustomGrid {
public:
    using TCustomGrid::TCustomGrid;

    struct TDraw {
        int Col, Row;
        TRect Rect;
        TGridDrawState State;
    };
    std::vector<TDraw> Draws;
    int WidthsChanged = 0;
    std::vector<std::pair<int, int>> Moves;
    TGridState StateInMouseUp = gsNormal;
    std::vector<TGridScrollDirection> Scrolls;
    std::map<std::pair<int, int>, std::string> Cells;
    std::string RejectedKeys;

    using TCustomGrid::Horz;
    using TCustomGrid::InplaceEditor;
    using TCustomGrid::IsActiveControl;

    bool Drew(int ACol, int ARow) const
    {
        for (const TDraw& d : Draws)
            if (d.Col == ACol && d.Row == ARow) return true;
        return false;
    }
    const TDraw* DrawOf(int ACol, int ARow) const
    {
        for (const TDraw& d : Draws)
            if (d.Col == ACol && d.Row == ARow) return &d;
        return nullptr;
    }

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override
    {
        Draws.push_back({ACol, ARow, ARect, AState});
    }
    void ColWidthsChanged() override
    {
        ++WidthsChanged;
        TCustomGrid::ColWidthsChanged();
    }
    void ColumnMoved(int FromIndex, int ToIndex) override
    {
        Moves.emplace_back(FromIndex, ToIndex);
        TCustomGrid::ColumnMoved(FromIndex, ToIndex);
    }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        StateInMouseUp = GridState();
        TCustomGrid::MouseUp(Button, Shift, X, Y);
    }
    void TimedScroll(TGridScrollDirection Direction) override
    {
        Scrolls.push_back(Direction);
        TCustomGrid::TimedScroll(Direction);
    }
    std::string GetEditText(int ACol, int ARow) override { return Cells[{ACol, ARow}]; }
    void SetEditText(int ACol, int ARow, const std::string& Value) override { Cells[{ACol, ARow}] = Value; }
    bool CanEditAcceptKey(char Key) override { return RejectedKeys.find(Key) == std::string::npos; }
};

// Columns of 64 + 1 pixels, rows of 24 + 1, one fixed column and row, no border and no bars:
// column c > 0 starts at 65 * c, row r at 25 * r. The client is 300 x 190, so six rows fit
// entirely below the fixed row and a seventh shows partly.
class GridTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TRecordingGrid* Grid = MakeGrid();

    ~GridTest() override { delete Form; }

    TRecordingGrid* MakeGrid()
    {
        Form->SetBounds(0, 0, 400, 300);
        auto* grid = new TRecordingGrid(Form);
        grid->SetBorderStyle(bsNone);
        grid->SetScrollBars(ssNone);
        grid->SetBounds(0, 0, 300, 190);
        grid->SetRowCount(100);
        grid->SetParent(Form);
        Form->Show();
        ProcessMessages();
        return grid;
    }
    HWND H() { return Grid->Handle(); }
    // Repaints the whole grid now and keeps only what that paint drew.
    void Repaint()
    {
        Grid->Draws.clear();
        Grid->Invalidate();
        Grid->Update();
    }
};

#pragma once
// A grid on a shown form in a headless window system, counting its layout passes, with an
// application that answers OnGetRowCount from a record count.
#include <memory>
#include <string>
#include <vector>

#include "host/controls/Forms.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "zelgrid/Zelgrid.h"

class TCountingGrid : public TZelGrid {
public:
    explicit TCountingGrid(TComponent* AOwner) : TZelGrid(AOwner) {}
    int Passes = 0;

    using TCustomZelGrid::ColumnMoved;
    using TCustomZelGrid::ColWidthsChanged;
    using TCustomZelGrid::FLastIndicatorRow;
    using TCustomZelGrid::FEditor;
    using TCustomZelGrid::FEditorActive;

    // True while the grid paints a cell: its OnGetDataCell questions are then the paint's.
    bool Painting = false;

protected:
    void InternalLayout() override
    {
        ++Passes;
        TZelGrid::InternalLayout();
    }
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override
    {
        TObjectWatch alive(this);
        Painting = true;
        try {
            TZelGrid::DrawCell(ACol, ARow, ARect, AState);
        } catch (...) {
            if (alive) Painting = false;
            throw;
        }
        if (alive) Painting = false;
    }
};

class ZelGridTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TCountingGrid* Grid = nullptr;
    int Records = 10;
    int RowCountCalls = 0;
    std::vector<int> MovedTo;

    ZelGridTest()
    {
        Form->SetBounds(0, 0, 400, 300);
        Grid = new TCountingGrid(Form);
        Grid->SetBounds(0, 0, 380, 280);
        Grid->OnGetRowCount = [this](int& ARowCount) {
            ++RowCountCalls;
            ARowCount = Records;
        };
        Grid->OnMoveToRow = [this](int ARow) { MovedTo.push_back(ARow); };
    }
    ~ZelGridTest() override { delete Form; }

    // Gives the grid its window on the shown form.
    void ShowGrid()
    {
        Grid->SetParent(Form);
        Form->Show();
        ProcessMessages();
    }

    TZelGridColumns* Columns() { return Grid->GeTZelColumns(); }
    void AddColumns(int N)
    {
        for (int i = 0; i < N; ++i) Columns()->Add();
    }
    // Paints what is pending, so that a later invalidation can be seen.
    void Settle()
    {
        ProcessMessages();
        UpdateWindow(Grid->Handle());
    }
    bool HasPendingPaint()
    {
        TRect r;
        return GetUpdateRect(Grid->Handle(), &r, false);
    }
    void SendVScroll(int Code, int Pos = 0)
    {
        SendMessage(Grid->Handle(), WM_VSCROLL, MAKEWPARAM(Code, Pos), 0);
    }
};

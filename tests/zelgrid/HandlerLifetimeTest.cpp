// Handlers that free the grid that called them, and the row moves and deferred passes that must
// not lose track of the application's state.
#include <gtest/gtest.h>

#include "host/core/Exceptions.h"
#include "tests/zelgrid/ZelGridTestSupport.h"

namespace {

// A handler frees the grid through its slot; the slot is emptied first, so the test can see it.
void FreeGrid(TZelGrid** Slot)
{
    TZelGrid* grid = *Slot;
    *Slot = nullptr;
    delete grid;
}

struct TFreeCase {
    const char* Name;
    // Installs the handler that frees the grid held in Slot.
    void (*Arm)(TZelGrid* Grid, TZelGrid** Slot);
    void (*Act)(THeadlessSession& Session, TZelGrid* Grid);
};

const TFreeCase FreeCases[] = {
    {"OnGetRowCount in a layout pass",
     [](TZelGrid* G, TZelGrid** S) { G->OnGetRowCount = [S](int&) { FreeGrid(S); }; },
     [](THeadlessSession&, TZelGrid* G) { G->LayoutChanged(); }},
    {"OnGetRowCount in a resize",
     [](TZelGrid* G, TZelGrid** S) { G->OnGetRowCount = [S](int&) { FreeGrid(S); }; },
     [](THeadlessSession&, TZelGrid* G) { G->SetBounds(0, 0, 300, 200); }},
    {"OnMoveToRow in WM_VSCROLL",
     [](TZelGrid* G, TZelGrid** S) { G->OnMoveToRow = [S](int) { FreeGrid(S); }; },
     [](THeadlessSession&, TZelGrid* G) { SendMessage(G->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0); }},
    {"OnColumnMoved in a title drag",
     [](TZelGrid* G, TZelGrid** S) { G->OnColumnMoved = [S](TObject*, int, int) { FreeGrid(S); }; },
     [](THeadlessSession& Session, TZelGrid* G) {
         const TRect from = G->CellRect(3, 0), to = G->CellRect(1, 0);
         Session.Input.Drag(G->Handle(), {(from.Left + from.Right) / 2, 5}, {to.Left + 5, 5}, 8);
     }},
    {"OnGetDataCell in UpdateActive",
     [](TZelGrid* G, TZelGrid** S) {
         G->OnGetDataCell = [S](int, int, std::string&) { FreeGrid(S); };
     },
     [](THeadlessSession&, TZelGrid* G) { G->UpdateActive(); }},
    {"OnKeyDown before the grid's navigation",
     [](TZelGrid* G, TZelGrid** S) { G->OnKeyDown = [S](TObject*, WORD&, TShiftState) { FreeGrid(S); }; },
     [](THeadlessSession& Session, TZelGrid* G) {
         G->SetFocus();
         Session.Input.PressKey(VK_DOWN);
     }},
};

} // namespace

// Each handler frees the grid in the middle of the grid's own work: the work stops there, nothing
// touches the freed grid (the sanitizer build reports any use), and the form lives on.
TEST(HandlerLifetime, AHandlerThatFreesTheGridEndsTheWorkThatCalledIt)
{
    THeadlessSession session;
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    for (const TFreeCase& c : FreeCases) {
        SCOPED_TRACE(c.Name);
        TZelGrid* grid = new TZelGrid(&form);
        grid->SetBounds(0, 0, 380, 280);
        for (int i = 0; i < 3; ++i) grid->Columns()->Add();
        grid->OnGetRowCount = [](int& ARowCount) { ARowCount = 20; };
        grid->SetParent(&form);
        form.Show();
        ProcessMessages();
        ASSERT_EQ(grid->RowCount(), 21);

        TZelGrid* slot = grid;
        TObjectWatch alive(grid);
        c.Arm(grid, &slot);
        c.Act(session, grid);
        ProcessMessages();
        EXPECT_FALSE(alive);
        EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(form.ControlCount(), 0);
        if (slot) delete slot;
    }
}

// A row the base grid would refuse is refused before the application hears of it; a layout
// without data columns still reports its rows.
TEST_F(ZelGridTest, ARowMoveTheGridWouldRefuseIsRefusedBeforeOnMoveToRow)
{
    AddColumns(2);
    ShowGrid();
    Grid->SetRow(3);
    struct TMove {
        int Col, Row;
        bool Refused;
    };
    const TMove moves[] = {{1, 50, true}, {1, 0, true}, {0, 4, true}, {9, 4, true}, {1, -1, true}, {2, 5, false}};
    for (const TMove& m : moves) {
        SCOPED_TRACE(::testing::Message() << m.Col << "," << m.Row);
        MovedTo.clear();
        const int before = Grid->Row();
        if (m.Refused) {
            EXPECT_THROW(Grid->AMoveColRow(m.Col, m.Row, true, true), EInvalidGridOperation);
            EXPECT_TRUE(MovedTo.empty());
            EXPECT_EQ(Grid->Row(), before);
        } else {
            Grid->AMoveColRow(m.Col, m.Row, true, true);
            EXPECT_EQ(MovedTo, std::vector<int>{m.Row});
            EXPECT_EQ(Grid->Row(), m.Row);
        }
    }

    Columns()->Clear(); // the indicator alone
    ASSERT_EQ(Grid->ColCount(), 1);
    MovedTo.clear();
    Grid->AMoveColRow(0, 4, true, true);
    EXPECT_EQ(MovedTo, std::vector<int>{4});
    SendVScroll(SB_LINEDOWN);
    EXPECT_FALSE(MovedTo.empty());
}

// A deferred pass that found a bracket open is still owed when the bracket is cancelled.
TEST_F(ZelGridTest, ADeferredPassOutlivesACancelledBracket)
{
    ShowGrid();
    Grid->Passes = 0;
    Grid->BeginLayout();
    SendMessage(Grid->Handle(), CM_DEFERLAYOUT, 0, 0);
    EXPECT_EQ(Grid->Passes, 0);
    Grid->CancelLayout();
    EXPECT_EQ(Grid->Passes, 1);
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->UpdateLock(), 0);

    // Nested: only the outermost close runs it, once.
    Grid->BeginLayout();
    Grid->BeginLayout();
    SendMessage(Grid->Handle(), CM_DEFERLAYOUT, 0, 0);
    Grid->CancelLayout();
    EXPECT_EQ(Grid->Passes, 1);
    Grid->CancelLayout();
    EXPECT_EQ(Grid->Passes, 2);
    ProcessMessages();
    EXPECT_EQ(Grid->Passes, 2);
}

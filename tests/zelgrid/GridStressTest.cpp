// A scripted stress run: a grid with several layouts over a changing row count is driven through
// layout switches, column edits, scrolling, keys, title drags and row moves, while its handlers at
// random throw, change the row count, edit or clear layouts, switch layouts, run a nested message
// loop or a modal dialog, or free the grid. Text typed into the editor is committed only to the
// column object and record it was typed into, whatever changes under the editor.
// After every step the grid is at rest and its current cell and layout are in range, or it is
// gone (and a new one takes its place). The sanitizer build reports any use of a freed object.
#include <gtest/gtest.h>
#include <execinfo.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "tests/fuzz/EditWitness.h"
#include "zelgrid/Zelgrid.h"

namespace {

// A small generator of our own, so that a seed gives the same run with every standard library.
class TRandom {
public:
    explicit TRandom(std::uint64_t Seed) : FState(Seed * 0x9E3779B97F4A7C15ull + 1) {}
    unsigned Next()
    {
        FState ^= FState << 13;
        FState ^= FState >> 7;
        FState ^= FState << 17;
        return static_cast<unsigned>(FState >> 11);
    }
    int Below(int N) { return N <= 0 ? 0 : static_cast<int>(Next() % static_cast<unsigned>(N)); }
    bool Chance(int Percent) { return Below(100) < Percent; }

private:
    std::uint64_t FState;
};

class TStressRun {
public:
    // Distinct handler call sites reached by all runs: the event and the return addresses of the
    // frames that led to it.
    static inline std::set<std::pair<std::string, std::vector<void*>>> Sites;
    // Commits of typed text, all checked against the cell the editor was loaded for.
    static inline int Commits = 0;

    TStressRun(THeadlessSession& Session, TForm& Form, TWinControl* Other, std::uint64_t Seed)
        : FSession(Session), FForm(Form), FOther(Other), FRandom(Seed)
    {
        MakeGrid();
    }
    ~TStressRun() { FreeGrid(); }

    int Freed = 0;
    int Thrown = 0;

    // One scripted step; false once a consistency check failed.
    bool Step(int Index)
    {
        try {
            Drive();
        } catch (const Exception&) {
            ++Thrown;
        }
        try {
            ProcessMessages();
        } catch (const Exception&) {
            ++Thrown;
        }
        if (!FGrid) {
            ++Freed;
            MakeGrid();
            return true;
        }
        FWitness->Attach();
        return Consistent(Index);
    }

private:
    THeadlessSession& FSession;
    TForm& FForm;
    // Another control of the form, so that the focus can leave the grid.
    TWinControl* FOther;
    TRandom FRandom;
    TZelGrid* FGrid = nullptr;
    std::unique_ptr<TEditWitness> FWitness;
    int FRecords = 20;
    int FDepth = 0;
    // The script itself asks the grid to validate a value: that is no commit of typed text.
    bool FScriptValidates = false;

    void MakeGrid()
    {
        FGrid = new TZelGrid(&FForm);
        FWitness = std::make_unique<TEditWitness>(FGrid);
        FGrid->SetBounds(0, 0, 360, 260);
        TZelColLayout* layouts = FGrid->Layout();
        while (layouts->Count() < 3) layouts->Add();
        for (int i = 0; i < layouts->Count(); ++i) {
            FGrid->SetLayoutIndex(i);
            for (int c = 0; c < 2 + i; ++c) layouts->GetItem(i)->GeTZelColumns()->Add()->SetWidth(40 + 10 * c);
        }
        FGrid->SetLayoutIndex(0);
        FGrid->SetParent(&FForm);
        ProcessMessages();
        InstallHandlers();
    }

    void FreeGrid()
    {
        TZelGrid* grid = FGrid;
        FGrid = nullptr;
        delete grid;
    }

    void InstallHandlers()
    {
        TZelGrid* g = FGrid;
        g->OnGetRowCount = [this](int& ARowCount) {
            ARowCount = FRecords;
            FWitness->Told(FRecords);
            Chaos("OnGetRowCount");
        };
        g->OnGetDataCell = [this](int ACol, int ARow, std::string& AValue) {
            AValue = std::to_string(ACol) + ":" + std::to_string(ARow);
            Chaos("OnGetDataCell");
        };
        g->OnMoveToRow = [this](int) { Chaos("OnMoveToRow"); };
        g->OnColumnMoved = [this](TObject*, int, int) { Chaos("OnColumnMoved"); };
        g->OnColEnter = [this](TObject*) { Chaos("OnColEnter"); };
        g->OnColExit = [this](TObject*) { Chaos("OnColExit"); };
        g->OnGetSummary = [this](TObject*, int, Currency&) { Chaos("OnGetSummary"); };
        g->OnLayoutChange = [this](int, int) { Chaos("OnLayoutChange"); };
        g->OnValidateData = [this](int ACol, int ARow, const std::string&, bool&) {
            if (!FScriptValidates) {
                ++Commits;
                const std::string fault = FWitness->Commit(ACol, ARow);
                EXPECT_EQ(fault, "");
            }
            Chaos("OnValidateData");
        };
        g->OnDeleteRecord = [this](int) {
            if (FRecords > 1) --FRecords;
            Chaos("OnDeleteRecord");
        };
        g->OnColSized = [this](int) { Chaos("OnColSized"); };
        g->OnKeyDown = [this](TObject*, WORD&, TShiftState) { Chaos("OnKeyDown"); };
        g->OnClick = [this](TObject*) { Chaos("OnClick"); };
        g->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Chaos("OnMouseDown"); };
        g->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { Chaos("OnMouseUp"); };
        g->OnEnter = [this](TObject*) { Chaos("OnEnter"); };
        g->OnExit = [this](TObject*) { Chaos("OnExit"); };
        g->OnMouseEnter = [this](TObject*, int, int) { Chaos("OnMouseEnter"); };
        g->OnMouseLeave = [this](TObject*, int, int) { Chaos("OnMouseLeave"); };
        g->OnMouseMove = [this](TObject*, TShiftState, int, int) { Chaos("OnMouseMove"); };
        g->OnDblClick = [this](TObject*) { Chaos("OnDblClick"); };
        g->OnKeyPress = [this](TObject*, char&) { Chaos("OnKeyPress"); };
        g->OnKeyUp = [this](TObject*, WORD&, TShiftState) { Chaos("OnKeyUp"); };
        g->OnEditButtonClick = [this](TObject*) { Chaos("OnEditButtonClick"); };
    }

    static void Reach(const char* Event)
    {
        void* frames[16];
        const int count = backtrace(frames, 16);
        Sites.emplace(Event, std::vector<void*>(frames + 1, frames + count));
    }

    // What a handler does besides answering (a nested loop or dialog included). Handlers nested
    // more than two deep only answer, and a grid that is being freed is left alone.
    void Chaos(const char* Event)
    {
        Reach(Event);
        if (!FGrid || FGrid->ComponentState.Contains(csDestroying) || FDepth > 1) return;
        ++FDepth;
        struct TLeave {
            int& Depth;
            ~TLeave() { --Depth; }
        } leave{FDepth};
        const int r = FRandom.Below(100);
        if (r < 5) {
            throw Exception(std::string("chaos in ") + Event);
        } else if (r < 12) {
            FRecords = FRandom.Below(60);
        } else if (r < 17) {
            EditLayout();
        } else if (r < 18) {
            FreeGrid();
        } else if (r < 20) {
            FGrid->SetLayoutIndex(FRandom.Below(FGrid->Layout()->Count()));
        } else if (r < 22) {
            // A nested message loop: a deferred pass and whatever else waits run inside the handler.
            PostMessage(FGrid->Handle(), CM_DEFERLAYOUT, 0, 0);
            ProcessMessages();
        } else if (r < 23) {
            RunModalDialog();
        }
    }

    // A modal dialog opened from a handler; while it runs, the grid may be freed.
    void RunModalDialog()
    {
        auto dialog = std::make_unique<TForm>(nullptr);
        TModalHookGuard hook([this](TCustomForm* Form) {
            if (FRandom.Chance(30)) FreeGrid();
            Form->SetModalResult(mrOk);
        });
        dialog->ShowModal();
    }

    TZelGridColumns* SomeColumns()
    {
        TZelColLayout* layouts = FGrid->Layout();
        return layouts->GetItem(FRandom.Below(layouts->Count()))->GeTZelColumns();
    }

    // A column edit on any layout, shown or not.
    void EditLayout()
    {
        TZelGridColumns* columns = SomeColumns();
        const int count = columns->Count();
        switch (FRandom.Below(6)) {
        case 0:
            if (TZelColumn* column = columns->Add()) column->SetWidth(30 + FRandom.Below(60));
            break;
        case 1:
            if (count > 0) columns->Delete(FRandom.Below(count));
            break;
        case 2:
            if (count > 0) columns->GeTZelColumn(FRandom.Below(count))->SetWidth(FRandom.Below(90) - 1);
            break;
        case 3:
            if (count > 0) {
                TZelColumn* column = columns->GeTZelColumn(FRandom.Below(count));
                column->SetVisible(!column->Visible());
            }
            break;
        case 4:
            if (count > 1) columns->GeTZelColumn(FRandom.Below(count))->SetIndex(FRandom.Below(count));
            break;
        default: columns->Clear(); break;
        }
    }

    // One action of the script.
    void Drive()
    {
        TZelGrid* g = FGrid;
        switch (FRandom.Below(16)) {
        case 0: g->SetLayoutIndex(FRandom.Below(g->Layout()->Count() + 1)); break;
        case 1: EditLayout(); break;
        case 2: {
            if (FRandom.Chance(30)) {
                // A press on the window's own scroll bars, which scroll while it is held.
                const bool vertical = FRandom.Chance(50);
                const TPoint p = vertical ? TPoint{g->Width() - 4, FRandom.Below(g->Height())}
                                          : TPoint{FRandom.Below(g->Width()), g->Height() - 4};
                const HWND wnd = g->Handle();
                FSession.Input.MouseDownInWindow(wnd, p);
                FSession.Input.Wait(600);
                FSession.Input.MouseUpInWindow(wnd, p);
                break;
            }
            static const int Codes[] = {SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN, SB_TOP, SB_BOTTOM,
                                        SB_THUMBPOSITION, SB_THUMBTRACK};
            const int code = Codes[FRandom.Below(8)];
            SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(code, FRandom.Below(5)), 0);
            break;
        }
        case 3: {
            // Navigation, and the editor opened, typed into, committed or cancelled.
            static const WORD Keys[] = {VK_UP,  VK_DOWN, VK_LEFT, VK_RIGHT,  VK_PRIOR,  VK_NEXT,
                                        VK_HOME, VK_END, VK_TAB,  VK_F2,    VK_RETURN, VK_ESCAPE};
            TObjectWatch alive(g);
            g->SetFocus();
            if (!alive) break;
            if (FRandom.Chance(40)) FSession.Input.TypeText("ab");
            else FSession.Input.PressKey(Keys[FRandom.Below(12)], FRandom.Chance(20) ? TShiftState{ssCtrl} : TShiftState{});
            break;
        }
        case 4: g->AMoveColRow(FRandom.Below(g->ColCount() + 1), FRandom.Below(g->RowCount() + 1), true, true); break;
        case 5: g->SetCurrentRow(g->FixedRows() + FRandom.Below(g->RowCount() - g->FixedRows())); break;
        case 6: {
            FRecords = FRandom.Below(60);
            if (FRandom.Chance(50)) g->LayoutChanged();
            else g->UpdateScrollBar();
            break;
        }
        case 7: {
            // A title drag from one data column to another.
            const int first = g->FixedCols(), count = g->ColCount() - first;
            if (count < 2) break;
            const TRect from = g->CellRect(first + FRandom.Below(count), 0);
            const TRect to = g->CellRect(first + FRandom.Below(count), 0);
            if (from.IsEmpty() || to.IsEmpty()) break;
            const HWND wnd = g->Handle();
            const TPoint start{(from.Left + from.Right) / 2, from.Top + 3};
            if (FRandom.Chance(70)) {
                FSession.Input.Drag(wnd, start, {to.Left + 4, to.Top + 3}, 4);
                break;
            }
            // Held past the right edge: the timer scrolls the columns under the drag.
            const TPoint beyond{g->Width() + 20, start.Y};
            FSession.Input.MouseDown(wnd, start);
            FSession.Input.MouseMove(wnd, beyond);
            FSession.Input.Wait(300);
            FSession.Input.MouseUp(wnd, beyond);
            break;
        }
        case 8: {
            TZelGridOptions options = g->Options();
            const TZelGridOption flip = FRandom.Chance(50) ? dgIndicator : dgTitles;
            if (options.Contains(flip)) options.Exclude(flip);
            else options.Include(flip);
            g->SetOptions(options);
            break;
        }
        case 9: g->SetBounds(0, 0, 120 + FRandom.Below(300), 60 + FRandom.Below(220)); break;
        case 10: {
            // A bracket around edits, closed in any of the three ways.
            TObjectWatch alive(g);
            g->BeginLayout();
            struct TClose {
                TZelGrid* Grid;
                TObjectWatch& Alive;
                int How;
                ~TClose()
                {
                    if (!Alive) return;
                    if (How == 0) Grid->EndLayout();
                    else if (How == 1) Grid->CancelLayout();
                    else Grid->DeferLayout();
                }
            } close{g, alive, FRandom.Below(3)};
            EditLayout();
            if (alive) EditLayout();
            break;
        }
        case 11: {
            // What the application asks of the grid itself, and a paint.
            const int row = g->Row(), col = g->Col();
            switch (FRandom.Below(5)) {
            case 0: g->DeleteRecord(row); break;
            case 1: {
                bool cancel = false;
                FScriptValidates = true;
                try {
                    g->ValidateDataCell(col, row, "x", cancel);
                } catch (...) {
                    FScriptValidates = false;
                    throw;
                }
                FScriptValidates = false;
                break;
            }
            case 2:
                if (TZelGridColumns* columns = g->Columns(); columns && columns->Count() > 0)
                {
                    TZelColumn* column = columns->GeTZelColumn(FRandom.Below(columns->Count()));
                    column->ColumnSumEnable = true;
                    (void)column->GetSummary();
                }
                break;
            case 3: FOther->SetFocus(); break;
            default: UpdateWindow(g->Handle()); break;
            }
            break;
        }
        case 12: {
            // A click anywhere in the grid: a cell, a title, the indicator or the space beyond.
            const TPoint p{FRandom.Below(g->Width()), FRandom.Below(g->Height())};
            FSession.Input.Click(g->Handle(), p);
            break;
        }
        case 13: {
            // The pointer wanders over the cells and leaves.
            TObjectWatch alive(g);
            for (int i = 0; i < 3 && alive; ++i)
                FSession.Input.MouseMove(g->Handle(), {FRandom.Below(g->Width()), FRandom.Below(g->Height())});
            if (alive) FSession.Input.MouseLeave(g->Handle());
            break;
        }
        case 14: {
            // The view scrolls under the editor, or the edit ends as the application ends it.
            TObjectWatch alive(g);
            switch (FRandom.Below(6)) {
            case 0: FSession.Input.Wheel(g->Handle(), {40, 40}, (FRandom.Below(5) - 2) * 120); break;
            case 1: g->SetTopRow(FRandom.Below(g->RowCount() + 2)); break;
            case 2: g->SetLeftCol(FRandom.Below(g->ColCount() + 1)); break;
            case 3: g->HideEditor(); break;
            case 4: g->SetEditorMode(FRandom.Chance(50)); break;
            default: g->InvalidateEditor(); break;
            }
            break;
        }
        default: {
            // A sizing drag on the right border of a title.
            const int first = g->FixedCols(), count = g->ColCount() - first;
            if (count < 1) break;
            const TRect title = g->CellRect(first + FRandom.Below(count), 0);
            if (title.IsEmpty()) break;
            FSession.Input.Drag(g->Handle(), {title.Right, title.Top + 3}, {title.Right + FRandom.Below(60) - 30, title.Top + 3}, 3);
            break;
        }
        }
    }

    bool Consistent(int Index)
    {
        TZelGrid* g = FGrid;
        SCOPED_TRACE(::testing::Message() << "step " << Index);
        EXPECT_EQ(g->LayoutLock(), 0);
        EXPECT_EQ(g->UpdateLock(), 0);
        EXPECT_GE(g->Row(), g->FixedRows());
        EXPECT_LT(g->Row(), g->RowCount());
        EXPECT_GE(g->Col(), 0);
        EXPECT_LT(g->Col(), g->ColCount());
        EXPECT_GE(g->LayoutIndex(), 0);
        EXPECT_LT(g->LayoutIndex(), g->Layout()->Count());
        return !::testing::Test::HasFailure();
    }
};

} // namespace

TEST(GridStress, HandlersThatThrowEditOrFreeLeaveTheGridConsistentOrGone)
{
    THeadlessSession session;
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* other = new TCustomControl(&form);
    other->SetBounds(365, 0, 30, 30);
    other->SetTabStop(true);
    other->SetParent(&form);
    form.Show();
    int freed = 0, thrown = 0;
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        TStressRun run(session, form, other, seed);
        for (int step = 0; step < 250; ++step)
            if (!run.Step(step)) break;
        freed += run.Freed;
        thrown += run.Thrown;
    }
    std::printf("[ stress   ] %zu distinct handler call sites reached; %d grids freed by handlers, %d exceptions, "
                "%d commits checked\n",
                TStressRun::Sites.size(), freed, thrown, TStressRun::Commits);
    EXPECT_GT(freed, 0);
    EXPECT_GT(thrown, 0);
    EXPECT_GT(TStressRun::Commits, 10);
}

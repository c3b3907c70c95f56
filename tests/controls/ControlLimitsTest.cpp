// Controls and the base grid at the limits of what their properties take: bounds, cell sizes and
// row counts at the ends of int paint and navigate without overflow and show the sensible
// result, and a control whose window cannot be made raises the out-of-resources error.
#include <climits>
#include <functional>
#include <new>

#include "host/windows/WindowSystem.h"
#include "tests/controls/GridFixture.h"
#include "tests/windows/TestWindow.h"

namespace {

struct TExtremeCase {
    const char* Name;
    std::function<void(TRecordingGrid&)> Apply;
    // What the grid then reads back; Any skips the check.
    int Left, Width, FirstColWidth;
};
constexpr int Any = INT_MIN;

} // namespace

TEST(ControlLimitsTest, ExtremeBoundsAndCellSizesPaintAndHitTestWithoutOverflow)
{
    const TExtremeCase cases[] = {
        {"Left and Top INT_MAX", [](TRecordingGrid& G) { G.SetBounds(INT_MAX, INT_MAX, 300, 190); }, MaxCoord, 300, Any},
        {"Left and Top INT_MIN", [](TRecordingGrid& G) { G.SetBounds(INT_MIN, INT_MIN, 300, 190); }, -MaxCoord, 300, Any},
        {"Width and Height INT_MAX", [](TRecordingGrid& G) { G.SetBounds(0, 0, INT_MAX, INT_MAX); }, 0, MaxWindowSize, Any},
        {"a column of INT_MAX", [](TRecordingGrid& G) { G.SetColWidths(1, INT_MAX); }, 0, 300, INT_MAX},
        {"a row of INT_MAX", [](TRecordingGrid& G) { G.SetRowHeights(1, INT_MAX); }, 0, 300, Any},
        {"default sizes of INT_MAX",
         [](TRecordingGrid& G) {
             G.SetDefaultColWidth(INT_MAX);
             G.SetDefaultRowHeight(INT_MAX);
         },
         0, 300, INT_MAX},
        {"grid lines of INT_MAX", [](TRecordingGrid& G) { G.SetGridLineWidth(INT_MAX); }, 0, 300, Any},
        {"the last of INT_MAX columns of INT_MAX",
         [](TRecordingGrid& G) {
             G.SetColCount(INT_MAX);
             G.SetDefaultColWidth(INT_MAX);
             G.SetLeftCol(INT_MAX - 1);
             G.SetCol(INT_MAX - 1);
         },
         0, 300, INT_MAX},
    };
    for (const TExtremeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        THeadlessSession session;
        TForm form(nullptr);
        form.SetBounds(0, 0, 400, 300);
        auto* grid = new TRecordingGrid(&form);
        grid->SetBounds(0, 0, 300, 190);
        grid->SetParent(&form);
        form.Show();
        ProcessMessages();

        c.Apply(*grid);
        grid->Invalidate();
        ProcessMessages();
        grid->Update();
        EXPECT_EQ(grid->Left(), c.Left);
        EXPECT_EQ(grid->Width(), c.Width);
        if (c.FirstColWidth != Any) {
            EXPECT_EQ(grid->ColWidths(grid->LeftCol()), c.FirstColWidth);
        }

        // Every cell painted starts on the client area and has a size; none wrapped around.
        const TRect client = grid->ClientRect();
        ASSERT_FALSE(grid->Draws.empty());
        for (const auto& d : grid->Draws) {
            EXPECT_TRUE(d.Rect.Left < client.Right && d.Rect.Top < client.Bottom) << d.Col << "," << d.Row;
            EXPECT_TRUE(d.Rect.Left < d.Rect.Right && d.Rect.Top < d.Rect.Bottom) << d.Col << "," << d.Row;
        }
        const TRect current = grid->CellRect(grid->Col(), grid->Row());
        EXPECT_EQ(IntersectRect(current, client), current) << "a cell rectangle is clipped to the client";
        EXPECT_EQ(grid->MouseCoord(INT_MAX, INT_MAX), (TGridCoord{-1, -1}));
        EXPECT_EQ(grid->MouseCoord(INT_MIN, INT_MIN), (TGridCoord{-1, -1}));
        EXPECT_FALSE(grid->Sizing(INT_MAX, 1));
        (void)grid->BoxRect(0, 0, INT_MAX, INT_MAX);
        for (const WORD key : {VK_NEXT, VK_END, VK_RIGHT, VK_PRIOR, VK_HOME}) {
            grid->SetFocus();
            session.Input.PressKey(key, TShiftState{ssCtrl});
            session.Input.PressKey(key);
        }
        grid->Invalidate();
        grid->Update();
    }
}

TEST_F(GridTest, PagingAtTheEndsOfTwoBillionRowsStopsThere)
{
    struct TCase {
        int RowCount, From;
        WORD Key;
        TShiftState Shift;
        int Expected;
    };
    const int last = 2147483644;
    const TCase cases[] = {
        {2147483645, last, VK_NEXT, {}, last},
        {2147483645, last - 3, VK_NEXT, {}, last},
        {2147483645, last - 3, VK_NEXT, TShiftState{ssShift}, last},
        {2147483645, last, VK_DOWN, {}, last},
        {2147483645, last - 100, VK_NEXT, TShiftState{ssCtrl}, last - 100 + 5},
        {2147483645, 1, VK_PRIOR, {}, 1},
        {2147483645, 3, VK_PRIOR, {}, 1},
        {2147483645, 3, VK_END, TShiftState{ssCtrl}, last},
        {INT_MAX, INT_MAX - 1, VK_NEXT, {}, INT_MAX - 1},
        {INT_MAX, INT_MAX - 2, VK_DOWN, {}, INT_MAX - 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.From << " key " << c.Key);
        Grid->SetRowCount(c.RowCount);
        Grid->SetRow(c.From);
        Grid->SetFocus();
        Session.Input.PressKey(c.Key, c.Shift);
        EXPECT_EQ(Grid->Row(), c.Expected);
        EXPECT_LE(Grid->TopRow(), Grid->Row());
        EXPECT_GE(Grid->TopRow() + Grid->VisibleRowCount(), Grid->Row());
    }
}
namespace {

// A display that refuses a surface, or a machine without the memory for one.
class TFailingBackend : public THeadlessBackend {
public:
    enum TFailure { fNone, fNoSurface, fNoMemory } Failure = fNone;
    TSurfaceId CreateSurface(const TSurfaceParams& Params) override
    {
        if (Failure == fNoSurface) return 0;
        if (Failure == fNoMemory) throw std::bad_alloc();
        return THeadlessBackend::CreateSurface(Params);
    }
};

} // namespace

TEST(ControlLimitsTest, AWindowWithoutMemoryOrSurfaceIsNotMadeAtAll)
{
    for (const auto failure : {TFailingBackend::fNoSurface, TFailingBackend::fNoMemory}) {
        SCOPED_TRACE(failure);
        auto backend = std::make_unique<TFailingBackend>();
        TFailingBackend& b = *backend;
        TWindowSystem system(std::move(backend));
        b.Failure = failure;

        TMessageLog log;
        TTestWindow window(log);
        EXPECT_EQ(window.Create(nullptr, {0, 0, 50, 50}, WS_POPUP | WS_VISIBLE), nullptr);
        EXPECT_TRUE(GetTopLevelWindows().empty());
        EXPECT_TRUE(log.empty()) << "no message reaches a window that was never made";
        EXPECT_EQ(window.WindowHandle(), nullptr);

        TForm form(nullptr);
        EXPECT_THROW(form.HandleNeeded(), EOutOfResources);
        EXPECT_FALSE(form.HandleAllocated());
        EXPECT_TRUE(GetTopLevelWindows().empty());

        // Once the display has room again the same form gets its window.
        b.Failure = TFailingBackend::fNone;
        form.HandleNeeded();
        EXPECT_TRUE(IsWindow(form.Handle()));
    }
}


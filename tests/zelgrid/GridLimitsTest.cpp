// The grid at the limits of what its published properties and row operations take: values at
// the ends of int lay out, paint, scroll and move rows without overflow.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "tests/zelgrid/ZelGridTestSupport.h"

TEST_F(ZelGridTest, PublishedSizesAtTheEndsOfIntPaintScrollAndMoveRows)
{
    struct TCase {
        const char* Name;
        std::function<void(TCountingGrid&)> Apply;
    };
    const TCase cases[] = {
        {"column Width INT_MAX", [](TCountingGrid& G) { G.GeTZelColumns()->GeTZelColumn(0)->SetWidth(INT_MAX); }},
        {"column Width INT_MIN", [](TCountingGrid& G) { G.GeTZelColumns()->GeTZelColumn(1)->SetWidth(INT_MIN); }},
        {"TitleHeight INT_MAX", [](TCountingGrid& G) { G.SetTitleHeight(INT_MAX); }},
        {"DataRowHeight INT_MAX", [](TCountingGrid& G) { G.SetDefRowHeight(INT_MAX); }},
        {"Font Height INT_MIN", [](TCountingGrid& G) { G.Font()->SetHeight(INT_MIN); }},
        {"Font Height INT_MAX", [](TCountingGrid& G) { G.Font()->SetHeight(INT_MAX); }},
        {"TitleFont Height -INT_MAX", [](TCountingGrid& G) { G.TitleFont()->SetHeight(-INT_MAX); }},
        {"column font Size INT_MIN", [](TCountingGrid& G) { G.GeTZelColumns()->GeTZelColumn(2)->GetFont()->SetSize(INT_MIN); }},
        {"Left and Top INT_MAX", [](TCountingGrid& G) { G.SetBounds(INT_MAX, INT_MAX, 380, 280); }},
        {"Width and Height INT_MAX", [](TCountingGrid& G) { G.SetBounds(0, 0, INT_MAX, INT_MAX); }},
        {"word wrap in cells of millions of pixels",
         [](TCountingGrid& G) {
             G.SetBounds(0, 0, 380, 280);
             G.GeTZelColumns()->GeTZelColumn(0)->SetWordWrap(true);
             G.GeTZelColumns()->GeTZelColumn(0)->SetWidth(INT_MAX);
             G.SetTitleHeight(INT_MAX);
             G.SetDefRowHeight(INT_MAX);
         }},
    };
    AddColumns(3);
    ShowGrid();
    Records = INT_MAX - 1;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Apply(*Grid);
        Grid->LayoutChanged();
        Settle();
        Grid->SetFocus();
        for (const WORD key : {VK_NEXT, VK_END, VK_RIGHT, VK_PRIOR, VK_HOME})
            for (const TShiftState shift : {TShiftState{}, TShiftState{ssCtrl}}) Session.Input.PressKey(key, shift);
        Grid->Scroll(1);
        Grid->Scroll(INT_MIN);
        for (const int code : {SB_BOTTOM, SB_PAGEDOWN, SB_LINEDOWN}) {
            SendVScroll(code);
            EXPECT_EQ(Grid->Row(), INT_MAX - 1) << "at the last record after scroll code " << code;
        }
        Session.Input.PressKey(VK_NEXT);
        EXPECT_EQ(Grid->Row(), INT_MAX - 1);
        // The wheel turned towards the end while the last rows are shown.
        const int lastTop = Grid->TopRow();
        Session.Input.Wheel(Grid->Handle(), {60, 60}, -20 * WHEEL_DELTA);
        EXPECT_EQ(Grid->TopRow(), lastTop);
        Grid->SetTopRow(INT_MAX - 1);
        Settle();
        SendVScroll(SB_TOP);
        EXPECT_EQ(Grid->Row(), 1);
        EXPECT_EQ(Grid->RowCount(), INT_MAX);
    }
}

TEST_F(ZelGridTest, DeletingAnyRowLeavesTheCursorOnARecord)
{
    struct TCase {
        int Records, From, Deleted, Expected;
    };
    const TCase cases[] = {
        {10, 5, INT_MIN, 1}, {10, 5, INT_MAX, 10}, {10, 5, -1, 1}, {10, 5, 0, 1},
        {INT_MAX - 1, INT_MAX - 1, INT_MIN, 1}, {INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX - 1},
    };
    AddColumns(2);
    ShowGrid();
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "delete " << c.Deleted << " of " << c.Records);
        Records = c.Records;
        Grid->UpdateRowCount();
        Grid->SetCurrentRow(c.From);
        Grid->DeleteRecord(c.Deleted);
        EXPECT_EQ(Grid->Row(), c.Expected);
    }
}

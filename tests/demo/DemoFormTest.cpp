#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>

#include "apps/zelgrid-demo/DemoForm.h"
#include "apps/zelgrid-demo/DemoFormat.h"
#include "binding/GeneratedOrdersSource.h"
#include "tests/demo/DemoSources.h"
#include "host/controls/Application.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

class DemoFormTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TGeneratedOrdersSource Table{20};
    TDemoForm* Form = new TDemoForm(nullptr, Table);
    TZelGrid* Grid = Form->Grid();
    std::vector<std::string> Dialogs;
    TModalHookGuard Hook{[this](TCustomForm* Dialog) {
        Dialogs.push_back(Dialog->Caption());
        Dialog->SetModalResult(mrOk);
    }};

    DemoFormTest()
    {
        Form->Show();
        ProcessMessages();
    }
    ~DemoFormTest() override { delete Form; }

    std::string Cell(int Col, int Row) { return SourceCell(Table, Col, Row); }
    // The amount total the grid's footer shows.
    Currency Total() const
    {
        TZelGridColumns* columns = Grid->Columns();
        for (int c = 0; c < columns->Count(); ++c)
            if (columns->GeTZelColumn(c)->ColumnSumEnable) return columns->GeTZelColumn(c)->GetSummary();
        return {};
    }
    void GoTo(int DataCol, int DataRow)
    {
        Grid->HideEditor();
        Grid->AMoveColRow(Grid->DataToRawColumn(DataCol), DataRow + Grid->TitleRows(), true, true);
    }
    // Types Text into the current cell and commits it.
    void Enter(const std::string& Text)
    {
        Session.Input.TypeText(Text);
        Grid->HideEditor();
    }
};

} // namespace

TEST_F(DemoFormTest, EditingSessionStoresValidValuesRefusesOthersAndMovesCellsThroughTheClipboard)
{
    const Currency total = Total();
    const std::string oldAmount = Cell(3, 2);
    Currency oldValue;
    ASSERT_TRUE(ParseSourceCurrency(oldAmount, oldValue));
    EXPECT_NE(Form->StatusText().find("Record 1 of 20"), std::string::npos) << Form->StatusText();
    EXPECT_NE(Form->StatusText().find("Overview"), std::string::npos);

    // Overview: Number, Date, Customer, Amount, ...
    GoTo(3, 2);
    Enter("12,5");
    EXPECT_EQ(Dialogs.size(), 1u) << "an invalid amount is refused with a message box";
    EXPECT_EQ(Cell(3, 2), oldAmount);
    EXPECT_EQ(Total(), total);
    GoTo(3, 2);
    Enter("12.5");
    EXPECT_EQ(Cell(3, 2), "12.5");
    EXPECT_EQ(Total(), total - oldValue + Currency::FromRaw(125000));
    EXPECT_NE(Form->StatusText().find("Record 3 of 20"), std::string::npos) << Form->StatusText();

    GoTo(1, 4);
    Enter("2026-02-30");
    EXPECT_EQ(Dialogs.size(), 2u) << "an impossible date is refused";
    EXPECT_NE(Cell(1, 4), "2026-02-30");

    // Ctrl+C on the edited amount, Ctrl+V two rows further down.
    GoTo(3, 2);
    Session.Input.PressKey('C', TShiftState{ssCtrl});
    EXPECT_EQ(GetClipboardText(), "12.5");
    GoTo(3, 4);
    Session.Input.PressKey('V', TShiftState{ssCtrl});
    EXPECT_EQ(Cell(3, 4), "12.5");
    SetClipboardText("not money");
    Session.Input.PressKey('V', TShiftState{ssCtrl});
    EXPECT_EQ(Dialogs.size(), 3u) << "a pasted text is checked like a typed one";
    EXPECT_EQ(Cell(3, 4), "12.5");

    // F6 shows the other layout, whose columns map to other fields.
    Session.Input.PressKey(VK_F6);
    EXPECT_EQ(Grid->LayoutIndex(), 1);
    EXPECT_NE(Form->StatusText().find("Details"), std::string::npos);
    std::string text;
    Grid->OnGetDataCell(3, 0, text);
    EXPECT_EQ(text, Cell(7, 0));
    EXPECT_TRUE(Grid->Columns()->GeTZelColumn(3)->WordWrap());
    Session.Input.PressKey(VK_F6);
    EXPECT_EQ(Grid->LayoutIndex(), 0);

    const std::string saved = Table.ChangesCsv();
    EXPECT_NE(saved.find("changed,3,"), std::string::npos) << saved;
    EXPECT_NE(saved.find("changed,5,"), std::string::npos) << saved;
}

TEST_F(DemoFormTest, AppendAndDeleteHandlersKeepTableGridAndTotalTogether)
{
    const Currency total = Total();
    Grid->AppendRecord(Grid);
    EXPECT_EQ(Table.RowCount(), 21);
    EXPECT_EQ(Grid->RowCount(), 21 + Grid->TitleRows());
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 20) << "the new record is current";
    EXPECT_EQ(Cell(0, 20), "21");
    // Edited, the appended record stays when the delete moves the cursor away from it.
    GoTo(2, 20);
    Enter("Zed Corp");
    Grid->DeleteRecord(0);
    EXPECT_EQ(Table.RowCount(), 20);
    EXPECT_EQ(Grid->RowCount(), 20 + Grid->TitleRows());
    Currency first;
    TGeneratedOrdersSource one(1);
    ASSERT_TRUE(ParseSourceCurrency(SourceCell(one, 3, 0), first));
    EXPECT_EQ(Total(), total - first);
}

TEST_F(DemoFormTest, DeleteKeyAsksAndRemovesTheCurrentRecord)
{
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN}) Session.Input.PressKey(key);
    ASSERT_EQ(Grid->Row() - Grid->TitleRows(), 4);
    Session.Input.PressKey(VK_DELETE);
    EXPECT_EQ(Dialogs, std::vector<std::string>{"Confirm"});
    EXPECT_EQ(Table.RowCount(), 19);
    EXPECT_EQ(Cell(0, 4), "6");
}

TEST(DemoFormAmounts, TotalsPastTheCurrencyRangeShowAsOutOfRangeAndEndNothing)
{
    // 99999999999999.9999 is the largest amount a cell takes; ten of them pass the range.
    const std::string top = "99999999999999.9999";
    const std::int64_t topRaw = 999999999999999999;
    auto file = [&](int Tops, bool NegativeFirst) {
        std::string text = "Number,Amount\n";
        if (NegativeFirst) text += "0,-" + top + "\n";
        for (int i = 1; i <= Tops; ++i) text += std::to_string(i) + "," + top + "\n";
        if (!NegativeFirst) text += "99,-" + top + "\n";
        return text;
    };
    struct TCase {
        const char* Name;
        std::string Csv;
        int NegativeRow;
        bool InRangeAfterDelete;
    } cases[] = {
        {"nine and a negative", file(9, false), 9, true},
        {"ten after a negative", file(10, true), 0, false},
        {"ten and a negative (the sum passes the range while loading)", file(10, false), 10, false},
    };
    THeadlessSession session;
    TModalHookGuard hook{[](TCustomForm* Dialog) { Dialog->SetModalResult(mrOk); }};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::unique_ptr<TMemorySource> source = MemoryTable(c.Csv);
        TMemorySource& table = *source;
        const int tops = static_cast<int>(table.RowCount()) - 1;
        auto form = std::make_unique<TDemoForm>(nullptr, table);
        const auto total = [&] { return form->Grid()->Columns()->GeTZelColumn(1)->GetSummary(); };
        form->Show();
        ProcessMessages();
        TZelGrid* grid = form->Grid();
        grid->AMoveColRow(grid->DataToRawColumn(1), c.NegativeRow + grid->TitleRows(), true, true);
        grid->HideEditor();
        session.Input.PressKey(VK_DELETE);
        ASSERT_EQ(table.RowCount(), tops) << "the negative record is deleted";
        if (c.InRangeAfterDelete) {
            EXPECT_EQ(total(), Currency::FromRaw(tops * topRaw));
            EXPECT_NE(form->StatusText().find("Total amount: 900,000,000,000,000.00"), std::string::npos) << form->StatusText();
            continue;
        }
        EXPECT_EQ(total(), Currency::FromRaw(INT64_MAX)) << "the grid's summary saturates";
        EXPECT_NE(form->StatusText().find("Total amount: out of range"), std::string::npos) << form->StatusText();
        // Appending and editing go on; an amount typed back into range brings the exact total back.
        grid->AppendRecord(grid);
        EXPECT_EQ(table.RowCount(), tops + 1);
        grid->AMoveColRow(grid->DataToRawColumn(1), 0 + grid->TitleRows(), true, true);
        session.Input.TypeText("0");
        grid->HideEditor();
        EXPECT_EQ(total(), Currency::FromRaw((tops - 1) * topRaw));
    }
}

namespace {

const std::string Up = " \xE2\x96\xB2", Down = " \xE2\x96\xBC";

// The captions of a layout's columns.
std::vector<std::string> Captions(TZelGrid* Grid, int Layout)
{
    std::vector<std::string> out;
    TZelGridColumns* columns = Grid->Layout()->GetItem(Layout)->GeTZelColumns();
    for (int c = 0; c < columns->Count(); ++c) out.push_back(columns->GeTZelColumn(c)->Title()->GetCaption());
    return out;
}

} // namespace

TEST_F(DemoFormTest, TitleClicksSortTheRecordsAndMarkTheTitleOutsideTheLayoutFile)
{
    const std::string before = Form->LayoutForm();
    // Record 6 current, with a customer being typed: it is stored before the rows change.
    GoTo(2, 5);
    Session.Input.TypeText("Zed Corp");
    auto amounts = [&] {
        std::vector<std::int64_t> out;
        Currency c;
        for (int r = 0; r < Table.RowCount(); ++r) out.push_back(ParseSourceCurrency(Cell(3, r), c) ? c.Value : -1);
        return out;
    };

    Grid->TitleClick(3); // Amount
    EXPECT_EQ(Form->SortField(), 3);
    EXPECT_FALSE(Grid->EditorActive());
    EXPECT_NE(Table.ChangesCsv().find("changed,6,"), std::string::npos) << Table.ChangesCsv();
    const std::vector<std::int64_t> ascending = amounts();
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    std::string shown;
    Grid->OnGetDataCell(3, 0, shown);
    EXPECT_EQ(shown, FormatDemoAmount(Currency::FromRaw(ascending[0]), "0.00")) << "the grid shows the new order";
    EXPECT_EQ(Captions(Grid, 0)[3], "Amount" + Up);
    EXPECT_EQ(Captions(Grid, 1)[4], "Amount" + Up) << "the other layout's column of the field too";

    Grid->TitleClick(3);
    const std::vector<std::int64_t> descending = amounts();
    EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));
    EXPECT_EQ(Captions(Grid, 0)[3], "Amount" + Down);
    // The arrows are not saved; the file is the one written before the sort but for the customer.
    const std::string saved = Form->LayoutForm();
    EXPECT_EQ(saved.find("\xE2\x96"), std::string::npos) << saved;
    EXPECT_EQ(saved, before);
    EXPECT_EQ(Captions(Grid, 0)[3], "Amount" + Down) << "and still shown after saving";

    Grid->TitleClick(0); // Number: back to the order of the records
    for (int r = 0; r < Table.RowCount(); ++r) EXPECT_EQ(Cell(0, r), std::to_string(r + 1));
    EXPECT_EQ(Captions(Grid, 0), (std::vector<std::string>{"Number" + Up, "Date", "Customer", "Amount", "Status", "Paid", "Tags"}));
    // A file restored while sorted keeps the arrow on the sorted field.
    Form->RestoreLayouts(saved);
    EXPECT_EQ(Captions(Grid, 1)[0], "Number" + Up);
}

TEST_F(DemoFormTest, EscapeDiscardsTheEditAndAnAppendedRecordLeftEmptyIsDropped)
{
    // Escape after typing: nothing is stored, no message; the editor is closed.
    const std::string customer = Cell(2, 3);
    GoTo(2, 3);
    Session.Input.TypeText("Zed Corp");
    ASSERT_TRUE(Grid->EditorActive());
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Grid->EditorActive());
    EXPECT_EQ(Cell(2, 3), customer);
    EXPECT_FALSE(Table.HasChanges());
    EXPECT_TRUE(Dialogs.empty());
    // Escape in a cell that is not being edited does nothing; the next edit is stored.
    Session.Input.PressKey(VK_ESCAPE);
    Session.Input.TypeText("Zed Corp");
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(Cell(2, 3), "Zed Corp");

    // Down on the last record appends one; Down on it while empty appends no other.
    Session.Input.PressKey(VK_END, TShiftState{ssCtrl});
    Session.Input.PressKey(VK_DOWN);
    ASSERT_EQ(Table.RowCount(), 21);
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 20);
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Table.RowCount(), 21);
    // Typed into and left with Escape, it is still empty: Up drops it.
    Session.Input.TypeText("Nobody");
    Session.Input.PressKey(VK_ESCAPE);
    Session.Input.PressKey(VK_UP);
    EXPECT_EQ(Table.RowCount(), 20);
    EXPECT_EQ(Grid->RowCount(), 20 + Grid->TitleRows());
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 19);
    EXPECT_EQ(Table.ChangesCsv().find("appended"), std::string::npos);
    // Appended again it takes the next number, as a database's sequence does; a customer typed
    // into it and Down keeps it and appends the next.
    Session.Input.PressKey(VK_DOWN);
    ASSERT_EQ(Table.RowCount(), 21);
    EXPECT_EQ(Cell(0, 20), "22");
    Session.Input.TypeText("Zed Corp");
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Table.RowCount(), 22);
    EXPECT_EQ(Cell(2, 20), "Zed Corp");
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 21);
    // A click on another row drops the empty record, and so does a sort.
    const TRect cell = Grid->CellRect(Grid->DataToRawColumn(2), Grid->TopRow());
    Session.Input.Click(Grid->Handle(), {cell.Left + 5, cell.Top + 5});
    EXPECT_EQ(Table.RowCount(), 21);
    Session.Input.PressKey(VK_END, TShiftState{ssCtrl});
    Session.Input.PressKey(VK_DOWN);
    ASSERT_EQ(Table.RowCount(), 22);
    Grid->TitleClick(2);
    EXPECT_EQ(Table.RowCount(), 21);
    Grid->TitleClick(0);
    EXPECT_NE(Table.ChangesCsv().find("appended,22,2026-01-01,Zed Corp,"), std::string::npos) << Table.ChangesCsv();
    // Closing the window leaves an empty appended record too.
    Session.Input.PressKey(VK_END, TShiftState{ssCtrl});
    Session.Input.PressKey(VK_DOWN);
    ASSERT_EQ(Table.RowCount(), 22);
    bool canClose = false;
    Form->OnCloseQuery(Form, canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(Table.RowCount(), 21);
}

TEST_F(DemoFormTest, AmountsShowInTheirColumnsFormatAndDetailsRowsFitTheirWrappedLines)
{
    GoTo(3, 2);
    Enter("1234.5");
    EXPECT_EQ(Cell(3, 2), "1234.5");
    std::string shown;
    Grid->OnGetDataCell(3, 2, shown);
    EXPECT_EQ(shown, "1234.50");
    // The editor opens on the shown text; leaving it unchanged stores nothing.
    const std::unique_ptr<TMemorySource> csv = MemoryTable("Number,Amount\n1,3\n2,-0.5\n");
    auto form = std::make_unique<TDemoForm>(nullptr, *csv);
    form->Show();
    ProcessMessages();
    TZelGrid* grid = form->Grid();
    grid->OnGetDataCell(1, 1, shown);
    EXPECT_EQ(shown, "-0.50");
    grid->AMoveColRow(grid->DataToRawColumn(1), grid->TitleRows(), true, true);
    Session.Input.PressKey(VK_RETURN);
    ASSERT_TRUE(grid->EditorActive());
    EXPECT_EQ(grid->Editor()->Text(), "3.00");
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(SourceCell(*csv, 1, 0), "3") << "the shown text taken back unchanged stores nothing";
    form.reset();

    // Details: rows hold the lines of the longest wrapped note; Overview: one line again.
    const int plain = Grid->DefaultRowHeight();
    Form->SwitchLayout();
    const int details = Grid->DefaultRowHeight();
    TBitmap measure;
    TCanvas& canvas = *measure.Canvas();
    canvas.Font()->Assign(Grid->Columns()->GeTZelColumn(3)->GetFont());
    int lines = 0;
    for (int r = 0; r < Table.RowCount(); ++r) {
        TRect rect{0, 0, Grid->Columns()->GeTZelColumn(3)->GetWidth() - 3, 0};
        lines = std::max(lines, canvas.DrawText(Cell(7, r), rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX) / canvas.LineHeight());
    }
    EXPECT_GE(lines, 2) << "a note wraps";
    EXPECT_GE(details, lines * canvas.LineHeight() + 3);
    EXPECT_LT(details, (lines + 1) * canvas.LineHeight());
    Form->SwitchLayout();
    EXPECT_EQ(Grid->DefaultRowHeight(), plain);
}

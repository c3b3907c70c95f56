#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>

#include "apps/zelgrid-demo/CsvReader.h"
#include "apps/zelgrid-demo/DemoForm.h"
#include "host/controls/Application.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

class DemoFormTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TDemoTable Table = TDemoTable::Generated(20);
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
    const Currency total = Table.AmountTotal();
    const std::string oldAmount = Table.Cell(3, 2);
    Currency oldValue;
    ASSERT_TRUE(ParseDemoAmount(oldAmount, oldValue));
    EXPECT_NE(Form->StatusText().find("Record 1 of 20"), std::string::npos) << Form->StatusText();
    EXPECT_NE(Form->StatusText().find("Overview"), std::string::npos);

    // Overview: Number, Date, Customer, Amount, ...
    GoTo(3, 2);
    Enter("12,5");
    EXPECT_EQ(Dialogs.size(), 1u) << "an invalid amount is refused with a message box";
    EXPECT_EQ(Table.Cell(3, 2), oldAmount);
    EXPECT_EQ(Table.AmountTotal(), total);
    GoTo(3, 2);
    Enter("12.5");
    EXPECT_EQ(Table.Cell(3, 2), "12.5");
    EXPECT_EQ(Table.AmountTotal(), total - oldValue + Currency::FromRaw(125000));
    EXPECT_NE(Form->StatusText().find("Record 3 of 20"), std::string::npos) << Form->StatusText();

    GoTo(1, 4);
    Enter("2026-02-30");
    EXPECT_EQ(Dialogs.size(), 2u) << "an impossible date is refused";
    EXPECT_NE(Table.Cell(1, 4), "2026-02-30");

    // Ctrl+C on the edited amount, Ctrl+V two rows further down.
    GoTo(3, 2);
    Session.Input.PressKey('C', TShiftState{ssCtrl});
    EXPECT_EQ(GetClipboardText(), "12.5");
    GoTo(3, 4);
    Session.Input.PressKey('V', TShiftState{ssCtrl});
    EXPECT_EQ(Table.Cell(3, 4), "12.5");
    SetClipboardText("not money");
    Session.Input.PressKey('V', TShiftState{ssCtrl});
    EXPECT_EQ(Dialogs.size(), 3u) << "a pasted text is checked like a typed one";
    EXPECT_EQ(Table.Cell(3, 4), "12.5");

    // F6 shows the other layout, whose columns map to other fields.
    Session.Input.PressKey(VK_F6);
    EXPECT_EQ(Grid->LayoutIndex(), 1);
    EXPECT_NE(Form->StatusText().find("Details"), std::string::npos);
    std::string text;
    Grid->OnGetDataCell(3, 0, text);
    EXPECT_EQ(text, Table.Cell(Table.FindColumn("Note"), 0));
    EXPECT_TRUE(Grid->Columns()->GeTZelColumn(3)->WordWrap());
    Session.Input.PressKey(VK_F6);
    EXPECT_EQ(Grid->LayoutIndex(), 0);

    const std::string name = ::testing::TempDir() + "demo_form_changes.csv";
    Table.SaveChanges(name);
    std::ifstream file(name);
    std::stringstream saved;
    saved << file.rdbuf();
    EXPECT_NE(saved.str().find("changed,3,"), std::string::npos) << saved.str();
    EXPECT_NE(saved.str().find("changed,5,"), std::string::npos) << saved.str();
    std::remove(name.c_str());
}

TEST_F(DemoFormTest, AppendAndDeleteHandlersKeepTableGridAndTotalTogether)
{
    const Currency total = Table.AmountTotal();
    Grid->AppendRecord(Grid);
    EXPECT_EQ(Table.RowCount(), 21);
    EXPECT_EQ(Grid->RowCount(), 21 + Grid->TitleRows());
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 20) << "the new record is current";
    EXPECT_EQ(Table.Cell(0, 20), "21");
    Grid->DeleteRecord(0);
    EXPECT_EQ(Table.RowCount(), 20);
    EXPECT_EQ(Grid->RowCount(), 20 + Grid->TitleRows());
    Currency first;
    ASSERT_TRUE(ParseDemoAmount(TDemoTable::Generated(1).Cell(3, 0), first));
    EXPECT_EQ(Table.AmountTotal(), total - first);
}

TEST_F(DemoFormTest, DeleteKeyAsksAndRemovesTheCurrentRecord)
{
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN}) Session.Input.PressKey(key);
    ASSERT_EQ(Grid->Row() - Grid->TitleRows(), 4);
    Session.Input.PressKey(VK_DELETE);
    EXPECT_EQ(Dialogs, std::vector<std::string>{"Confirm"});
    EXPECT_EQ(Table.RowCount(), 19);
    EXPECT_EQ(Table.Cell(0, 4), "6");
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
        TDemoTable table = ReadCsv(c.Csv);
        const int tops = table.RowCount() - 1;
        auto form = std::make_unique<TDemoForm>(nullptr, table);
        form->Show();
        ProcessMessages();
        TZelGrid* grid = form->Grid();
        grid->AMoveColRow(grid->DataToRawColumn(1), c.NegativeRow + grid->TitleRows(), true, true);
        grid->HideEditor();
        session.Input.PressKey(VK_DELETE);
        ASSERT_EQ(table.RowCount(), tops) << "the negative record is deleted";
        EXPECT_EQ(table.AmountTotalInRange(), c.InRangeAfterDelete);
        if (c.InRangeAfterDelete) {
            EXPECT_EQ(table.AmountTotal(), Currency::FromRaw(tops * topRaw));
            EXPECT_NE(form->StatusText().find("Total amount: 900,000,000,000,000.00"), std::string::npos) << form->StatusText();
            continue;
        }
        EXPECT_EQ(table.AmountTotal(), Currency::FromRaw(INT64_MAX)) << "the grid's summary saturates";
        EXPECT_NE(form->StatusText().find("Total amount: out of range"), std::string::npos) << form->StatusText();
        // Appending and editing go on; an amount typed back into range brings the exact total back.
        grid->AppendRecord(grid);
        EXPECT_EQ(table.RowCount(), tops + 1);
        grid->AMoveColRow(grid->DataToRawColumn(1), 0 + grid->TitleRows(), true, true);
        session.Input.TypeText("0");
        grid->HideEditor();
        EXPECT_TRUE(table.AmountTotalInRange());
        EXPECT_EQ(table.AmountTotal(), Currency::FromRaw((tops - 1) * topRaw));
    }
}

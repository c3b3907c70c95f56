// A grid over a source through the binding, driven as a user drives it through the headless
// back end: paint, scroll, edit, a refused edit, append, delete, sort by a title click.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "binding/CsvSource.h"
#include "binding/GridBinding.h"
#include "tests/binding/PatientBindings.h"
#include "binding/MemorySource.h"
#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

enum { Id, Name, Amount };

std::shared_ptr<TMemoryStore> MakeStore(int Rows)
{
    auto store = std::make_shared<TMemoryStore>();
    store->Columns = {{"Id", TSourceColumnKind::Integer},
                      {"Customer name", TSourceColumnKind::Text},
                      {"Amount", TSourceColumnKind::Number}};
    for (int i = 0; i < Rows; ++i)
        store->Add({std::to_string(i + 1), i % 7 ? "Customer with a long name " + std::to_string(i % 50) : "",
                    std::to_string(i % 90 - 30) + (i % 3 ? ".5" : "")});
    return store;
}

class GridBindingTest : public ::testing::Test {
protected:
    TPatientBindings Patience;
    THeadlessSession Session;
    std::shared_ptr<TMemoryStore> Store = MakeStore(1000);
    TMemorySource Source{Store};
    TForm* Form = new TForm(nullptr);
    TZelGrid* Grid = new TZelGrid(Form);
    std::unique_ptr<TGridBinding> Binding;
    int Dialogs = 0;
    TModalHookGuard Hook{[this](TCustomForm* Dialog) {
        ++Dialogs;
        Dialog->SetModalResult(mrOk);
    }};

    GridBindingTest()
    {
        Form->SetBounds(0, 0, 520, 420);
        Grid->SetAlign(alClient);
        Grid->SetParent(Form);
        Binding = std::make_unique<TGridBinding>(Grid, Source);
        Form->SetActiveControl(Grid);
        Form->Show();
        ProcessMessages();
    }
    ~GridBindingTest() override
    {
        Binding.reset();
        delete Form;
    }

    void GoTo(int DataCol, int DataRow)
    {
        Grid->HideEditor();
        Grid->AMoveColRow(Grid->DataToRawColumn(DataCol), DataRow + Grid->TitleRows(), true, true);
    }
    void Enter(const std::string& Text)
    {
        Session.Input.TypeText(Text);
        Session.Input.PressKey(VK_RETURN);
        Grid->HideEditor();
    }
    // Pages the source was asked for by a key and the frame it paints.
    int PagesFor(WORD Key, TShiftState Shift = {})
    {
        const int before = Binding->PagesRead();
        Session.Input.PressKey(Key, Shift);
        ProcessMessages();
        return Binding->PagesRead() - before;
    }
    // The sum of the store's amounts, in ten-thousandths.
    std::int64_t AmountSum() const
    {
        double sum = 0;
        for (const TMemoryRecord& record : Store->Records)
            if (!record.Cells[Amount].empty()) sum += std::stod(record.Cells[Amount]);
        return std::llround(sum * 10000);
    }
    std::string Shown(int DataCol, int DataRow)
    {
        std::string text;
        Grid->OnGetDataCell(DataCol, DataRow, text);
        return text;
    }
};

} // namespace

TEST_F(GridBindingTest, LayoutComesFromTheSourceAndFramesReadFewPages)
{
    TZelGridColumns* columns = Grid->Columns();
    ASSERT_EQ(columns->Count(), 3);
    EXPECT_EQ(columns->GeTZelColumn(Name)->Title()->GetCaption(), "Customer name");
    EXPECT_EQ(columns->GeTZelColumn(Amount)->GetAlignment(), taRightJustify);
    EXPECT_EQ(columns->GeTZelColumn(Name)->GetAlignment(), taLeftJustify);
    EXPECT_GT(columns->GeTZelColumn(Name)->GetWidth(), columns->GeTZelColumn(Id)->GetWidth() + 60)
        << "widths follow the data";
    EXPECT_EQ(Grid->RowCount(), 1000 + Grid->TitleRows());
    EXPECT_EQ(Binding->PagesRead(), 1) << "the layout's sample and the first frame share a page";

    // Ctrl+End reads the last page, Ctrl+Home none; paging down reads at most a page per
    // frame and paging back up reads nothing.
    EXPECT_EQ(PagesFor(VK_END, TShiftState{ssCtrl}), 1);
    EXPECT_EQ(Shown(Id, 999), "1000");
    EXPECT_EQ(PagesFor(VK_HOME, TShiftState{ssCtrl}), 0);
    int down = 0;
    for (int i = 0; i < 12; ++i) {
        const int pages = PagesFor(VK_NEXT);
        EXPECT_LE(pages, 1);
        down += pages;

    }
    EXPECT_GE(down, 2);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(PagesFor(VK_PRIOR), 0) << "scrolling back is free";
    EXPECT_LE(Binding->CachedPages(), TGridBinding::MaxPages);
}

TEST_F(GridBindingTest, EditingSessionStoresRefusesAppendsDeletesAndSorts)
{
    TZelColumn* amount = Grid->Columns()->GeTZelColumn(Amount);
    amount->ColumnSumEnable = true;
    EXPECT_EQ(amount->GetSummary().Value, AmountSum());

    const std::string oldAmount = Store->Records[2].Cells[Amount];
    GoTo(Amount, 2);
    Enter("12.5");
    EXPECT_EQ(Store->Records[2].Cells[Amount], "12.5");
    EXPECT_EQ(Shown(Amount, 2), "12.5");
    EXPECT_EQ(amount->GetSummary().Value, AmountSum()) << "the sum follows the edit";
    EXPECT_EQ(Dialogs, 0);

    // A value the source refuses: its message in a box, the old value kept and shown.
    const std::string kept = Store->Records[3].Cells[Amount];
    GoTo(Amount, 3);
    Enter("lots");
    EXPECT_EQ(Dialogs, 1);
    EXPECT_NE(Binding->LastError().find("\"lots\""), std::string::npos) << Binding->LastError();
    EXPECT_EQ(Store->Records[3].Cells[Amount], kept);
    EXPECT_EQ(Shown(Amount, 3), kept);
    GoTo(Amount, 3);
    Grid->ShowEditor();
    ASSERT_NE(Grid->Editor(), nullptr);
    EXPECT_EQ(Grid->Editor()->Text(), kept) << "the editor offers the kept value, not the refused one";
    Grid->HideEditor();
    EXPECT_EQ(Dialogs, 1) << "leaving the cell does not offer the refused text again";

    // Down on the last record appends one and makes it current.
    GoTo(Name, 999);
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Store->Records.size(), 1001u);
    EXPECT_EQ(Grid->RowCount(), 1001 + Grid->TitleRows());
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 1000);
    Enter("Newest");
    EXPECT_EQ(Store->Records.back().Cells[Name], "Newest");

    // Deleting the edited record takes its amount out of the sum.
    Grid->DeleteRecord(2);
    EXPECT_EQ(Store->Records.size(), 1000u);
    EXPECT_EQ(Shown(Id, 2), "4");
    EXPECT_EQ(amount->GetSummary().Value, AmountSum());

    // A click on a title sorts by it, a second click the other way; ties stay in key order.
    const TRect title = Grid->CellRect(Grid->DataToRawColumn(Amount), 0);
    const TPoint at{(title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2};
    Session.Input.Click(Grid->Handle(), at);
    EXPECT_EQ(Source.OrderColumn(), Amount);
    EXPECT_EQ(Source.OrderDirection(), TSortDirection::Ascending);
    ProcessMessages();
    EXPECT_EQ(Shown(Amount, 0), "") << "the appended record's empty amount comes first";
    EXPECT_EQ(Shown(Amount, 1), "-30");
    EXPECT_EQ(Shown(Id, 1), "1");
    EXPECT_EQ(Shown(Id, 2), "91");
    Session.Input.Click(Grid->Handle(), at);
    EXPECT_EQ(Source.OrderDirection(), TSortDirection::Descending);
    EXPECT_EQ(Shown(Amount, 0), "59.5");
    EXPECT_EQ(Dialogs, 1);
}

TEST(GridBindingReadOnly, ACsvFileShowsReadOnlyAppendsNothingAndRefusesDeletesWithAMessage)
{
    THeadlessSession session;
    const std::string path = ::testing::TempDir() + "binding_readonly.csv";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "City,Population\nOslo,709000\nBergen,289000\n";
    TCsvSource source(path);
    std::vector<std::string> captions;
    TModalHookGuard hook{[&](TCustomForm* Dialog) {
        captions.push_back(Dialog->Caption());
        Dialog->SetModalResult(mrOk);
    }};
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* grid = new TZelGrid(&form);
    grid->SetAlign(alClient);
    grid->SetParent(&form);
    {
        TPatientBindings patience;
        TGridBinding binding(grid, source);
        form.SetActiveControl(grid);
        form.Show();
        ProcessMessages();
        EXPECT_TRUE(grid->Columns()->GeTZelColumn(0)->GetReadOnly());
        EXPECT_EQ(grid->Columns()->GeTZelColumn(1)->GetAlignment(), taRightJustify);
        session.Input.PressKey(VK_DOWN);
        session.Input.PressKey(VK_DOWN);
        EXPECT_EQ(grid->RowCount(), 2 + grid->TitleRows()) << "Down on the last record appends nothing";
        EXPECT_TRUE(captions.empty());
        session.Input.PressKey(VK_DELETE);
        EXPECT_TRUE(captions.empty()) << "Delete in a read-only column asks nothing";
        grid->DeleteRecord(0);
        EXPECT_EQ(captions.size(), 1u) << "a delete the source refuses says why";
        EXPECT_NE(binding.LastError().find("read-only"), std::string::npos);
        EXPECT_EQ(grid->RowCount(), 2 + grid->TitleRows());
    }
    EXPECT_FALSE(grid->OnGetDataCell) << "a binding freed first takes its handlers back";
}

#include <gtest/gtest.h>

#include "TestGrid.h"
#include "host/core/Exceptions.h"

namespace {

class Column : public ::testing::Test, public TGridFixture {};

} // namespace

TEST_F(Column, NewColumnFollowsTheGridUntilGivenItsOwnValues)
{
    Grid.SetDefaultColWidth(80);
    Grid.SetColor(clInfoBk);
    Grid.Font()->SetName("Courier New");
    TZelColumn* column = AddColumns(1);
    EXPECT_EQ(column->GetWidth(), 80);
    EXPECT_EQ(column->GetColor(), clInfoBk);
    EXPECT_EQ(column->GetFont()->Name(), "Courier New");

    column->SetWidth(80);
    EXPECT_FALSE(column->AssignedValues().Contains(cvWidth));
    EXPECT_FALSE(column->IsWidthStored());
    Grid.SetDefaultColWidth(90);
    EXPECT_EQ(column->GetWidth(), 90);

    column->SetWidth(100);
    EXPECT_TRUE(column->AssignedValues().Contains(cvWidth));
    EXPECT_TRUE(column->IsWidthStored());
    // Once assigned, the default width is a stored value that is not written.
    column->SetWidth(90);
    EXPECT_EQ(column->GetWidth(), 90);
    EXPECT_FALSE(column->IsWidthStored());
}

TEST_F(Column, SetWidthReportsTheColumnEvenWhenTheWidthStaysDefaulted)
{
    TZelColumn* column = AddColumns(1);
    column->SetWidth(Grid.DefaultColWidth());
    ASSERT_EQ(Grid.WidthsSet.size(), 1u);
    EXPECT_EQ(Grid.WidthsSet[0], std::make_pair(1, Grid.DefaultColWidth()));
}

TEST_F(Column, ReadOnlyGridMakesEveryColumnReadOnly)
{
    TZelColumn* column = AddColumns(1);
    column->SetReadOnly(false);
    EXPECT_TRUE(Grid.WidthsSet.empty()) << "SetReadOnly(False) on a False field must do nothing";
    Grid.ReadOnly = true;
    EXPECT_TRUE(column->GetReadOnly());
    EXPECT_FALSE(column->IsReadOnlyStored());
    Grid.ReadOnly = false;
    column->SetReadOnly(true);
    EXPECT_TRUE(column->IsReadOnlyStored());
    column->SetReadOnly(false);
    EXPECT_FALSE(column->AssignedValues().Contains(cvReadOnly));
}

TEST_F(Column, ShowingAHiddenColumnBringsBackItsWidth)
{
    TZelColumn* column = AddColumns(1);
    column->SetWidth(100);
    column->SetVisible(false);
    EXPECT_EQ(column->GetWidth(), -1);
    EXPECT_FALSE(column->Visible());
    EXPECT_TRUE(column->IsVisibleStored());
    EXPECT_TRUE(column->IsWidthStored());
    column->SetVisible(true);
    EXPECT_EQ(column->GetWidth(), 100);
}

TEST_F(Column, HidingTwiceForgetsTheWidth)
{
    TZelColumn* column = AddColumns(1);
    column->SetWidth(100);
    column->SetVisible(false);
    column->SetVisible(false);
    column->SetVisible(true);
    EXPECT_EQ(column->GetWidth(), Grid.DefaultColWidth());
}

TEST_F(Column, HiddenColumnReadBackFromAFormShowsWithTheDefaultWidth)
{
    // Reading sets Width before Visible.
    TZelColumn* column = AddColumns(1);
    column->SetWidth(-1);
    column->SetVisible(false);
    column->SetVisible(true);
    EXPECT_EQ(column->GetWidth(), Grid.DefaultColWidth());
}

TEST_F(Column, SetVisibleRepaintsTheGridColumn)
{
    AddColumns(2);
    Columns->GeTZelColumn(1)->SetVisible(false);
    ASSERT_FALSE(Grid.Invalidated.empty());
    EXPECT_EQ(Grid.Invalidated.front(), 2);
    EXPECT_EQ(Grid.WidthsSet.back(), std::make_pair(2, -1));
}

TEST_F(Column, RestoreDefaultsUnassignsEverythingButKeepsPlainSettings)
{
    TZelColumn* column = AddColumns(1);
    column->aType = tctCheckList;
    column->SetFormat("#,##0");
    column->DropDownRows = 12;
    column->SetVisible(false);
    column->SetColor(clRed);
    column->SetAlignment(taCenter);
    column->SetButtonStyle(cbsEllipsis);
    column->GetPickList()->Add("one");
    column->Title()->SetCaption("Name");

    column->RestoreDefaults();
    EXPECT_TRUE(column->AssignedValues().Empty());
    EXPECT_FALSE(column->HasPickList());
    EXPECT_EQ(column->GetPickList()->Count(), 0);
    EXPECT_EQ(column->ButtonStyle(), cbsAuto);
    EXPECT_EQ(column->aType, tctCheckList);
    EXPECT_EQ(column->Format(), "#,##0");
    EXPECT_EQ(column->DropDownRows, 12);
    EXPECT_FALSE(column->Visible());
    EXPECT_EQ(column->GetColor(), Grid.Color());
    EXPECT_EQ(column->Title()->GetCaption(), "Col0");
}

TEST_F(Column, RestoreDefaultsRelaysTheWholeCollectionOnlyWhenTheFontWasAssigned)
{
    TZelColumn* column = AddColumns(1);
    column->SetColor(clRed);
    Grid.ClearCalls();
    column->RestoreDefaults();
    EXPECT_EQ(Grid.Passes, 0);

    column->GetFont()->SetSize(20);
    Grid.ClearCalls();
    column->RestoreDefaults();
    EXPECT_EQ(Grid.Passes, 1);
    EXPECT_EQ(column->GetFont()->Size(), Grid.Font()->Size());
}

TEST_F(Column, ColumnFontIgnoresAColourOnlyGridFontChangeUntilRefreshed)
{
    // A layout that is not shown: the grid refreshes only the shown layout's fonts.
    TZelColumn* column = Layouts.Add()->GeTZelColumns()->Add();
    Grid.Font()->SetColor(clRed);
    EXPECT_NE(column->GetFont()->Color(), clRed);
    column->RefreshDefaultFont();
    EXPECT_EQ(column->GetFont()->Color(), clRed);
    Grid.Font()->SetStyle({fsItalic});
    EXPECT_TRUE(column->GetFont()->Style().Contains(fsItalic));
    EXPECT_FALSE(column->IsFontStored());
}

TEST_F(Column, AssignedFontStaysWhenTheGridFontChanges)
{
    TZelColumn* column = AddColumns(1);
    column->GetFont()->SetName("Arial");
    EXPECT_TRUE(column->IsFontStored());
    Grid.Font()->SetName("Courier New");
    column->RefreshDefaultFont();
    EXPECT_EQ(column->GetFont()->Name(), "Arial");
}

TEST_F(Column, AssignMakesTheSourcesEffectiveValuesAssigned)
{
    AddColumns(2);
    TZelColumn* source = Columns->GeTZelColumn(0);
    TZelColumn* dest = Columns->GeTZelColumn(1);
    Grid.ReadOnly = true;
    dest->Assign(source);
    Grid.ReadOnly = false;

    EXPECT_TRUE(dest->IsFontStored());
    EXPECT_EQ(dest->GetFont()->Handle(), Grid.Font()->Handle());
    EXPECT_TRUE(dest->AssignedValues().Contains(cvColor));
    EXPECT_TRUE(dest->AssignedValues().Contains(cvAlignment));
    EXPECT_TRUE(dest->GetReadOnly());
    EXPECT_TRUE(dest->IsReadOnlyStored());
    // The width equals the destination's default and stays unassigned.
    EXPECT_FALSE(dest->AssignedValues().Contains(cvWidth));
    // Reading the source's pick list creates one there; the destination holds a copy.
    EXPECT_TRUE(source->HasPickList());
    EXPECT_TRUE(dest->HasPickList());
    EXPECT_NE(dest->GetPickList(), source->GetPickList());
}

TEST_F(Column, AssignLeavesTypeTagFlagsAndVisibilityAlone)
{
    AddColumns(2);
    TZelColumn* source = Columns->GeTZelColumn(0);
    TZelColumn* dest = Columns->GeTZelColumn(1);
    source->aType = tctCheckList;
    source->Tag = 5;
    source->SetFlags(9);
    source->SetVisible(false);
    source->SetFormat("0.00");
    source->DropDownRows = 3;
    source->ColumnSumEnable = true;
    source->Title()->SetCaption("Sum");

    dest->Assign(source);
    EXPECT_EQ(dest->aType, tctLogic);
    EXPECT_EQ(dest->Tag, 0);
    EXPECT_EQ(dest->Flags(), -1);
    EXPECT_TRUE(dest->Visible());
    EXPECT_EQ(dest->OrdPosition(), 1);
    EXPECT_EQ(dest->Format(), "0.00");
    EXPECT_EQ(dest->DropDownRows, 3);
    EXPECT_TRUE(dest->ColumnSumEnable);
    EXPECT_EQ(dest->Title()->GetCaption(), "Sum");
    EXPECT_EQ(dest->GetWidth(), -1);
}

TEST_F(Column, AssignReachesTheGridAsOneWholeCollectionUpdate)
{
    AddColumns(2);
    Columns->GeTZelColumn(0)->SetColor(clRed);
    Grid.ClearCalls();
    Columns->GeTZelColumn(1)->Assign(Columns->GeTZelColumn(0));
    EXPECT_EQ(Grid.Passes, 1);
    EXPECT_TRUE(Grid.WidthsSet.empty());
    EXPECT_EQ(Columns->UpdateCount(), 0);
}

TEST_F(Column, AssignToItselfKeepsEverything)
{
    TZelColumn* column = AddColumns(1);
    column->Title()->SetCaption("Name");
    column->GetPickList()->Add("a");
    column->Assign(column);
    EXPECT_EQ(column->Title()->GetCaption(), "Name");
    EXPECT_EQ(column->GetPickList()->Count(), 1);
}

TEST_F(Column, AssignFromAnotherClassRaisesAndChangesNothing)
{
    TZelColumn* column = AddColumns(1);
    column->SetColor(clRed);
    TStringList list;
    EXPECT_THROW(column->Assign(&list), EConvertError);
    EXPECT_EQ(column->AssignedValues(), TZelColumnValues{cvColor});
}

TEST_F(Column, CreationIndexGivesTheDefaultCaption)
{
    AddColumns(3);
    TZelColumn* fourth = Columns->Add();
    EXPECT_EQ(fourth->OrdPosition(), 3);
    EXPECT_EQ(fourth->Title()->GetCaption(), "Col3");
}

TEST_F(Column, AddingAColumnGivesExactlyOneLayoutPassOverFullyBuiltColumns)
{
    Grid.Shown = Columns;
    Columns->Add();
    Columns->Add();
    EXPECT_EQ(Grid.Passes, 2);
    EXPECT_EQ(Grid.PassCaptions, (std::vector<std::string>{"Col0", "Col0", "Col1"}));
}

TEST_F(Column, SummaryAsksTheGridOnlyWhenEnabled)
{
    AddColumns(2);
    TZelColumn* column = Columns->GeTZelColumn(1);
    int calls = 0;
    Grid.OnGetSummary = [&](TObject* Sender, int Acol, Currency& aSummary) {
        ++calls;
        EXPECT_EQ(Sender, column);
        EXPECT_EQ(Acol, 1);
        aSummary = Currency::FromUnits(42);
    };
    EXPECT_EQ(column->GetSummary(), Currency{});
    EXPECT_EQ(calls, 0);
    column->ColumnSumEnable = true;
    EXPECT_EQ(column->GetSummary(), Currency::FromUnits(42));
    Grid.OnGetSummary = nullptr;
    EXPECT_EQ(column->GetSummary(), Currency{});
}

TEST_F(Column, PickListIsCopiedAndFreedOnRequest)
{
    TZelColumn* column = AddColumns(1);
    TStringList lines;
    lines.Add("red");
    lines.Add("green");
    column->SetPickList(&lines);
    lines.Clear();
    EXPECT_EQ(column->GetPickList()->GetText(), "red\r\ngreen\r\n");
    column->SetPickList(nullptr);
    EXPECT_FALSE(column->HasPickList());
}

namespace {
class TOwnTitle : public TZelColumnTitle {
public:
    using TZelColumnTitle::TZelColumnTitle;
};
class TOwnTitleColumn : public TZelColumn {
public:
    using TZelColumn::TZelColumn;
    TZelColumnTitle* CreateTitle() override { return new TOwnTitle(this); }
};
} // namespace

TEST(ColumnSubclass, AnOverriddenCreateTitleMakesTheTitle)
{
    TZelGrid grid(nullptr);
    TZelGridColumns columns{&grid, nullptr, ItemClassOf<TOwnTitleColumn>};
    TZelColumn* added = columns.Add();
    TOwnTitleColumn direct(&columns);
    for (TZelColumn* column : {added, static_cast<TZelColumn*>(&direct)}) {
        EXPECT_NE(dynamic_cast<TOwnTitle*>(column->Title()), nullptr);
        EXPECT_EQ(column->Title()->Column(), column);
    }
    EXPECT_EQ(added->Title()->GetFont()->Handle(), grid.TitleFont()->Handle());
}

TEST(ColumnWithoutGrid, UsesTheFixedDefaults)
{
    TZelGridColumns columns{nullptr, nullptr, ItemClassOf<TZelColumn>};
    TZelColumn* column = columns.Add();
    EXPECT_EQ(column->GetWidth(), 64);
    EXPECT_EQ(column->GetColor(), clWindow);
    EXPECT_EQ(column->DefaultFont(), column->GetFont());
    column->ColumnSumEnable = true;
    EXPECT_EQ(column->GetSummary(), Currency{});
    column->SetVisible(false);
    column->SetVisible(true);
    EXPECT_EQ(column->GetWidth(), 64);
}

TEST(ColumnWithoutGrid, ColumnOutsideAnyCollectionHasNoCreationIndex)
{
    TZelColumn column(nullptr);
    EXPECT_EQ(column.OrdPosition(), -1);
    EXPECT_EQ(column.Title()->GetCaption(), "Col-1");
    EXPECT_EQ(column.GetGrid(), nullptr);
}

TEST(ColumnWithoutGrid, PassthroughColumnBehavesAsAColumn)
{
    TZelGridColumns columns{nullptr, nullptr, ItemClassOf<TPassthroughColumn>};
    TZelColumn* column = columns.Add();
    column->SetWidth(64);
    EXPECT_FALSE(column->AssignedValues().Contains(cvWidth));
    column->SetAlignment(taRightJustify);
    column->SetReadOnly(true);
    EXPECT_EQ(column->AssignedValues(), (TZelColumnValues{cvAlignment, cvReadOnly}));
    std::unique_ptr<TZelColumnTitle> title(column->CreateTitle());
    EXPECT_NE(dynamic_cast<TPassthroughColumnTitle*>(title.get()), nullptr);
}

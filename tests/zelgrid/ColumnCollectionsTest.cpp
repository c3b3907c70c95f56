#include <gtest/gtest.h>

#include "TestGrid.h"
#include "host/core/Exceptions.h"

namespace {

class ColumnCollections : public ::testing::Test, public TGridFixture {};

// A column whose RestoreDefaults fails, to check that brackets close.
class TFailingColumn : public TZelColumn {
public:
    using TZelColumn::TZelColumn;
    void RestoreDefaults() override { throw EInvalidOperation("restore failed"); }
};

} // namespace

TEST_F(ColumnCollections, NewLayoutCollectionHoldsOneEmptyLayoutOfTheGrid)
{
    EXPECT_EQ(Layouts.Count(), 1);
    EXPECT_EQ(Columns->Count(), 0);
    EXPECT_EQ(Columns->OwnerGrid(), &Grid);
    EXPECT_EQ(Columns->Layout(), &Layouts);
    EXPECT_EQ(Columns->GetState(), csDefault);
}

TEST_F(ColumnCollections, LayoutIndexBeyondTheLastGivesNoneOrTheGridError)
{
    EXPECT_EQ(Layouts.GetItem(1), nullptr);
    EXPECT_THROW(Layouts.GetItem(-1), EListError);
    TZelColLayout other(nullptr, ItemClassOf<TZelLayoutItem>);
    other.GetItem(0)->GeTZelColumns()->Add();
    try {
        Layouts.SetItem(1, other.GetItem(0));
        FAIL() << "no error";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), "Cannot Assign Columns to this index");
    }
    EXPECT_EQ(Layouts.Count(), 1);
    EXPECT_EQ(Columns->Count(), 0);
}

TEST_F(ColumnCollections, ColumnIndexOutsideTheCollectionRaisesTheListError)
{
    AddColumns(2);
    EXPECT_THROW(Columns->GeTZelColumn(2), EListError);
    EXPECT_THROW(Columns->GeTZelColumn(-1), EListError);
}

TEST_F(ColumnCollections, OneChangedColumnIsRepaintedAndResizedAtOnce)
{
    TZelColumn* column = AddColumns(3);
    column->SetWidth(100);
    EXPECT_EQ(Grid.Invalidated, std::vector<int>{3});
    EXPECT_EQ(Grid.WidthsSet, (std::vector<std::pair<int, int>>{{3, 100}}));
    EXPECT_EQ(Grid.ColWidths(3), 100);
    // The base grid reports the new width; writing the widths back runs one pass.
    EXPECT_EQ(Grid.Passes, 1);
}

TEST_F(ColumnCollections, ChangesInsideAnUpdateBracketArriveAsOneRelayoutAtTheEnd)
{
    TZelColumn* column = AddColumns(3);
    {
        TCollectionUpdateGuard update(Columns);
        column->SetWidth(100);
        Columns->GeTZelColumn(0)->SetColor(clRed);
        Columns->Add();
        EXPECT_TRUE(Grid.WidthsSet.empty());
        EXPECT_TRUE(Grid.Invalidated.empty());
        // The new column's own layout bracket still runs its pass.
        Grid.ClearCalls();
    }
    EXPECT_EQ(Grid.Passes, 1);
    EXPECT_TRUE(Grid.WidthsSet.empty());
}

TEST_F(ColumnCollections, ChangesWhileTheGridIsLoadingDoNotReachIt)
{
    TZelColumn* column = AddColumns(1);
    Grid.BeginLoading();
    column->SetWidth(120);
    column->Title()->GetFont()->SetSize(20);
    Columns->Add();
    EXPECT_TRUE(Grid.WidthsSet.empty());
    Grid.Loaded();
    column->SetWidth(130);
    EXPECT_EQ(Grid.WidthsSet.size(), 1u);
}

TEST_F(ColumnCollections, ChangeOfAnotherLayoutsColumnsLeavesTheGridAlone)
{
    AddColumns(2);
    TZelGridColumns* second = Layouts.Add()->GeTZelColumns();
    second->Add();
    Grid.ClearCalls();
    second->GeTZelColumn(0)->SetWidth(33);
    second->GeTZelColumn(0)->SetVisible(false);
    second->GeTZelColumn(0)->Title()->GetFont()->SetSize(20);
    second->Add();
    EXPECT_TRUE(Grid.WidthsSet.empty());
    EXPECT_TRUE(Grid.Invalidated.empty());
    EXPECT_EQ(Grid.Passes, 0);
}

TEST_F(ColumnCollections, ChangeBeyondTheGridsColumnsRaisesItsIndexError)
{
    Grid.SetColCount(2);
    TZelColumn* column = AddColumns(2);
    EXPECT_THROW(column->SetWidth(50), EInvalidGridOperation);
}

TEST_F(ColumnCollections, CreationIndexSurvivesDeletes)
{
    AddColumns(3);
    Columns->Delete(0);
    TZelColumn* added = Columns->Add();
    ASSERT_EQ(Columns->Count(), 3);
    EXPECT_EQ(Columns->GeTZelColumn(1)->OrdPosition(), 2);
    EXPECT_EQ(added->OrdPosition(), 2);
    EXPECT_EQ(Columns->GeTZelColumnOnOrdPosition(2), added);
    EXPECT_EQ(Columns->GeTZelColumnOnOrdPosition(1), Columns->GeTZelColumn(0));
    EXPECT_EQ(Columns->GeTZelColumnOnOrdPosition(0), nullptr);
}

TEST_F(ColumnCollections, SetStateEmptiesTheCollectionOnlyOnAChange)
{
    AddColumns(3);
    EXPECT_EQ(Columns->GetState(), csCustomized);
    Columns->SetState(csCustomized);
    EXPECT_EQ(Columns->Count(), 3);
    Columns->SetState(csDefault);
    EXPECT_EQ(Columns->Count(), 0);
    Columns->SetState(csCustomized);
    EXPECT_EQ(Columns->Count(), 0);
    EXPECT_EQ(Columns->GetState(), csDefault);
}

TEST(ColumnCollectionsState, PassthroughFirstColumnMeansDefault)
{
    TZelGridColumns columns{nullptr, nullptr, ItemClassOf<TPassthroughColumn>};
    columns.Add();
    EXPECT_EQ(columns.GetState(), csDefault);
    columns.SetState(csCustomized);
    EXPECT_EQ(columns.Count(), 0);
}

TEST_F(ColumnCollections, RestoreDefaultsKeepsPlainSettingsAndGivesOneRelayout)
{
    AddColumns(2);
    TZelColumn* column = Columns->GeTZelColumn(1);
    column->aType = tctCurrency;
    column->SetFormat("0.00");
    column->DropDownRows = 3;
    column->SetVisible(false);
    column->SetColor(clRed);
    column->GetFont()->SetSize(15);
    Grid.ClearCalls();

    Columns->RestoreDefaults();
    EXPECT_EQ(Grid.Passes, 1);
    EXPECT_TRUE(Grid.WidthsSet.empty());
    EXPECT_TRUE(column->AssignedValues().Empty());
    EXPECT_EQ(column->aType, tctCurrency);
    EXPECT_EQ(column->Format(), "0.00");
    EXPECT_EQ(column->DropDownRows, 3);
    EXPECT_FALSE(column->Visible());
}

TEST(ColumnCollectionsFailure, RestoreDefaultsClosesItsBracketWhenAColumnFails)
{
    TZelGridColumns columns{nullptr, nullptr, ItemClassOf<TFailingColumn>};
    columns.Add();
    EXPECT_THROW(columns.RestoreDefaults(), EInvalidOperation);
    EXPECT_EQ(columns.UpdateCount(), 0);
}

TEST(ColumnCollectionsFailure, CollectionOfTheWrongItemClassIsRefused)
{
    TZelGridColumns columns{nullptr, nullptr, ItemClassOf<TZelLayoutItem>};
    EXPECT_THROW(columns.Add(), EInvalidCast);
    EXPECT_EQ(columns.Count(), 0);
}

TEST(ColumnCollectionsFailure, LayoutCollectionOfTheWrongItemClassIsRefused)
{
    // The collection adds its first layout while it is made, so the refusal comes from there.
    try {
        TZelColLayout layouts{nullptr, ItemClassOf<TZelColumn>};
        FAIL() << "no error";
    } catch (const EInvalidCast& e) {
        EXPECT_EQ(std::string(e.what()).rfind("A layout collection cannot hold a ", 0), 0u) << e.what();
    }
}

TEST_F(ColumnCollections, SeTZelColumnAssignsTheColumnAtTheIndex)
{
    AddColumns(2);
    TZelGridColumns other{nullptr, nullptr, ItemClassOf<TZelColumn>};
    TZelColumn* source = other.Add();
    source->Title()->SetCaption("From elsewhere");
    Columns->SeTZelColumn(1, source);
    EXPECT_EQ(Columns->GeTZelColumn(1)->Title()->GetCaption(), "From elsewhere");
    EXPECT_THROW(Columns->SeTZelColumn(2, source), EListError);
}

// Ownership: every layout item owns its own column collection; taking over another's columns
// copies them, so freeing either side never leaves the other with freed columns.
TEST_F(ColumnCollections, LayoutAssignCopiesColumnsExactlyAndKeepsOwnershipApart)
{
    auto source = std::make_unique<TZelColLayout>(nullptr, ItemClassOf<TZelLayoutItem>);
    TZelGridColumns* sourceColumns = source->GetItem(0)->GeTZelColumns();
    sourceColumns->Add();
    sourceColumns->Add();
    sourceColumns->Delete(0);
    TZelColumn* sourceColumn = sourceColumns->GeTZelColumn(0);
    sourceColumn->aType = tctCheckList;
    sourceColumn->SetVisible(false);
    sourceColumn->Title()->SetCaption("Name");
    sourceColumn->GetPickList()->Add("x");

    Layouts.SetItem(0, source->GetItem(0));
    TZelGridColumns* columns = Layouts.GetItem(0)->GeTZelColumns();
    EXPECT_EQ(columns, Columns) << "the item keeps its own collection";
    ASSERT_EQ(columns->Count(), 1);
    TZelColumn* copy = columns->GeTZelColumn(0);
    EXPECT_EQ(copy->aType, tctCheckList);
    EXPECT_FALSE(copy->Visible());
    EXPECT_EQ(copy->OrdPosition(), 1);
    EXPECT_EQ(copy->AssignedValues(), sourceColumn->AssignedValues());
    EXPECT_EQ(copy->Title()->GetCaption(), "Name");
    EXPECT_EQ(copy->GetGrid(), &Grid);
    EXPECT_EQ(Grid.Passes, 1);

    source.reset();
    copy->SetVisible(true);
    EXPECT_EQ(copy->GetPickList()->Strings(0), "x");
    EXPECT_EQ(copy->GetFont()->Handle(), Grid.Font()->Handle());
}

TEST_F(ColumnCollections, SeTZelColumnsCopiesAndLeavesTheArgumentToItsOwner)
{
    auto given = std::make_unique<TZelGridColumns>(nullptr, nullptr, ItemClassOf<TZelColumn>);
    given->Add()->SetWidth(77);
    TZelLayoutItem* layout = Layouts.GetItem(0);
    layout->SeTZelColumns(given.get());
    layout->SeTZelColumns(nullptr);
    layout->SeTZelColumns(layout->GeTZelColumns());
    given.reset();
    ASSERT_EQ(layout->GeTZelColumns()->Count(), 1);
    EXPECT_EQ(layout->GeTZelColumns()->GeTZelColumn(0)->GetWidth(), 77);
}

TEST_F(ColumnCollections, AssigningAWholeLayoutCollectionCopiesEveryLayout)
{
    TZelColLayout other(nullptr, ItemClassOf<TZelLayoutItem>);
    other.GetItem(0)->GeTZelColumns()->Add();
    other.Add()->GeTZelColumns()->Add()->SetColor(clRed);
    Layouts.Assign(&other);
    ASSERT_EQ(Layouts.Count(), 2);
    EXPECT_EQ(Layouts.GetItem(1)->GeTZelColumns()->GeTZelColumn(0)->GetColor(), clRed);
    EXPECT_EQ(Layouts.GetItem(1)->GeTZelColumns()->OwnerGrid(), &Grid);
}

TEST_F(ColumnCollections, LayoutItemAssignFromAnotherClassRaises)
{
    TZelColumn* column = AddColumns(1);
    EXPECT_THROW(Layouts.GetItem(0)->Assign(column), EConvertError);
    EXPECT_EQ(Columns->Count(), 1);
}

TEST(LayoutItemWithoutCollection, HasNoColumnsUntilGivenSome)
{
    TZelLayoutItem item(nullptr);
    EXPECT_EQ(item.GeTZelColumns(), nullptr);
    TZelGridColumns given{nullptr, nullptr, ItemClassOf<TZelColumn>};
    given.Add();
    item.SeTZelColumns(&given);
    ASSERT_NE(item.GeTZelColumns(), nullptr);
    EXPECT_EQ(item.GeTZelColumns()->Count(), 1);
}

#include <gtest/gtest.h>

#include "TestGrid.h"
#include "host/core/Exceptions.h"

namespace {

class ColumnTitle : public ::testing::Test, public TGridFixture {};

// A column collection without a grid.
struct TLooseColumns {
    TZelGridColumns Columns{nullptr, nullptr, ItemClassOf<TZelColumn>};
};

} // namespace

TEST_F(ColumnTitle, DefaultCaptionIsTheCreationIndexAndDoesNotFollowMoves)
{
    AddColumns(3);
    EXPECT_EQ(Columns->GeTZelColumn(0)->Title()->GetCaption(), "Col0");
    TZelColumn* third = Columns->GeTZelColumn(2);
    third->SetIndex(0);
    EXPECT_EQ(third->Title()->GetCaption(), "Col2");
    EXPECT_EQ(Columns->GeTZelColumn(1)->Title()->GetCaption(), "Col0");
}

TEST_F(ColumnTitle, CaptionEqualToTheDefaultIsAssignedButNotStored)
{
    TZelColumn* third = AddColumns(3);
    third->Title()->SetCaption("Col2");
    EXPECT_TRUE(third->AssignedValues().Contains(cvTitleCaption));
    EXPECT_FALSE(third->Title()->IsCaptionStored());
}

TEST_F(ColumnTitle, AssignedEmptyCaptionIsARealCaption)
{
    TZelColumn* column = AddColumns(1);
    column->Title()->SetCaption("");
    EXPECT_EQ(column->Title()->GetCaption(), "");
    EXPECT_TRUE(column->Title()->IsCaptionStored());
}

TEST_F(ColumnTitle, SettersReportOneColumnOnlyWhenSomethingChanges)
{
    TZelColumn* column = AddColumns(2);
    column->Title()->SetColor(clRed);
    column->Title()->SetColor(clRed);
    column->Title()->SetAlignment(taCenter);
    column->Title()->SetAlignment(taCenter);
    ASSERT_EQ(Grid.WidthsSet.size(), 2u);
    EXPECT_EQ(Grid.WidthsSet[0].first, 2); // data column 1 behind the indicator column
    EXPECT_EQ(Grid.Passes, 0);
    EXPECT_EQ(column->Title()->GetColor(), clRed);
    EXPECT_EQ(column->Title()->GetAlignment(), taCenter);
}

TEST_F(ColumnTitle, ValueEqualToTheDefaultOnAnUnassignedTitleBecomesAssigned)
{
    TZelColumn* column = AddColumns(1);
    column->Title()->SetColor(Grid.FixedColor());
    EXPECT_TRUE(column->AssignedValues().Contains(cvTitleColor));
    EXPECT_FALSE(column->Title()->IsColorStored());
    EXPECT_EQ(Grid.WidthsSet.size(), 1u);
}

TEST_F(ColumnTitle, UnassignedValuesFollowTheGrid)
{
    TZelColumn* column = AddColumns(1);
    Grid.SetFixedColor(clYellow);
    EXPECT_EQ(column->Title()->GetColor(), clYellow);
    column->Title()->SetColor(clNavy);
    Grid.SetFixedColor(clAqua);
    EXPECT_EQ(column->Title()->GetColor(), clNavy);
    EXPECT_TRUE(column->Title()->IsColorStored());
}

TEST_F(ColumnTitle, UnassignedTitleFontFollowsAColourOnlyChangeOfTheTitleFont)
{
    TZelColumn* column = AddColumns(1);
    Grid.TitleFont()->SetColor(clRed);
    Grid.ClearCalls(); // the grid's own title font change asked for its pass
    EXPECT_EQ(column->Title()->GetFont()->Color(), clRed);
    Grid.TitleFont()->SetName("Courier New");
    Grid.ClearCalls();
    EXPECT_EQ(column->Title()->GetFont()->Name(), "Courier New");
    EXPECT_FALSE(column->AssignedValues().Contains(cvTitleFont));
    EXPECT_EQ(Grid.Passes, 0);
}

TEST_F(ColumnTitle, ChangingTheTitleFontMarksItAndRelaysTheWholeCollection)
{
    TZelColumn* column = AddColumns(1);
    column->Title()->GetFont()->SetSize(14);
    EXPECT_TRUE(column->Title()->IsFontStored());
    EXPECT_EQ(Grid.Passes, 1);
    EXPECT_TRUE(Grid.WidthsSet.empty());

    Grid.TitleFont()->SetSize(9);
    Grid.Passes = 1;
    column->Title()->RestoreDefaults();
    EXPECT_FALSE(column->Title()->IsFontStored());
    EXPECT_EQ(column->Title()->GetFont()->Size(), 9);
    EXPECT_EQ(Grid.Passes, 2);
}

TEST_F(ColumnTitle, RestoreDefaultsKeepsTheColumnsOwnValuesAndUpdatesOneColumnWithoutFont)
{
    TZelColumn* column = AddColumns(1);
    column->SetColor(clRed);
    column->Title()->SetCaption("Name");
    column->Title()->SetAlignment(taRightJustify);
    Grid.ClearCalls();

    column->Title()->RestoreDefaults();
    EXPECT_EQ(column->AssignedValues(), TZelColumnValues{cvColor});
    EXPECT_EQ(column->Title()->GetCaption(), "Col0");
    EXPECT_EQ(column->Title()->GetAlignment(), taLeftJustify);
    EXPECT_EQ(Grid.Passes, 0);
    EXPECT_EQ(Grid.WidthsSet.size(), 1u);
}

TEST_F(ColumnTitle, AssignCopiesOnlyTheSourcesAssignedValues)
{
    AddColumns(2);
    TZelColumnTitle* source = Columns->GeTZelColumn(0)->Title();
    TZelColumn* dest = Columns->GeTZelColumn(1);
    dest->Title()->SetCaption("Kept");
    dest->Title()->SetAlignment(taCenter);

    dest->Title()->Assign(source);
    EXPECT_EQ(dest->Title()->GetCaption(), "Kept");
    EXPECT_EQ(dest->AssignedValues(), (TZelColumnValues{cvTitleCaption, cvTitleAlignment}));

    source->SetColor(clLime);
    source->GetFont()->SetStyle({fsBold});
    dest->Title()->Assign(source);
    EXPECT_EQ(dest->Title()->GetColor(), clLime);
    EXPECT_TRUE(dest->Title()->GetFont()->Style().Contains(fsBold));
    EXPECT_EQ(dest->Title()->GetCaption(), "Kept");
    EXPECT_EQ(dest->Title()->GetAlignment(), taCenter);
}

TEST_F(ColumnTitle, AssignFromAnotherClassRaisesAndChangesNothing)
{
    TZelColumn* column = AddColumns(1);
    TFont font;
    try {
        column->Title()->Assign(&font);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TFont to a TZelColumnTitle");
    }
    EXPECT_TRUE(column->AssignedValues().Empty());
}

TEST(ColumnTitleWithoutGrid, DefaultsComeFromTheColumn)
{
    TLooseColumns loose;
    TZelColumn* column = loose.Columns.Add();
    EXPECT_EQ(column->Title()->GetColor(), clBtnFace);
    EXPECT_EQ(column->Title()->DefaultFont(), column->GetFont());
    // Changing the column's font reaches the unassigned title font at once.
    column->GetFont()->SetName("Arial");
    EXPECT_EQ(column->Title()->GetFont()->Name(), "Arial");
    EXPECT_FALSE(column->AssignedValues().Contains(cvTitleFont));
}

TEST(ColumnTitleWithoutGrid, PassthroughTitleSetsCaptionsAsTheBaseDoes)
{
    TZelGridColumns plain{nullptr, nullptr, ItemClassOf<TZelColumn>};
    TZelGridColumns passthrough{nullptr, nullptr, ItemClassOf<TPassthroughColumn>};
    for (TZelGridColumns* columns : {&plain, &passthrough}) {
        columns->Add();
        TZelColumnTitle* title = columns->Add()->Title();
        title->SetCaption("Col1");
        EXPECT_TRUE(title->Column()->AssignedValues().Contains(cvTitleCaption));
        EXPECT_FALSE(title->IsCaptionStored());
        title->SetCaption("Amount");
        EXPECT_EQ(title->GetCaption(), "Amount");
        EXPECT_TRUE(title->IsCaptionStored());
    }
    EXPECT_NE(dynamic_cast<TPassthroughColumnTitle*>(passthrough.GeTZelColumn(0)->Title()), nullptr);
    EXPECT_EQ(dynamic_cast<TPassthroughColumnTitle*>(plain.GeTZelColumn(0)->Title()), nullptr);
}

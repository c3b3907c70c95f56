#include <gtest/gtest.h>

#include "TestGrid.h"
#include "host/core/Exceptions.h"

namespace {

class ColumnRec : public ::testing::Test, public TGridFixture {};

} // namespace

TEST_F(ColumnRec, AssignFromAColumnWithoutPickListGivesTheCode0Text)
{
    TZelColumn* column = AddColumns(1);
    TZelColumnRec rec;
    rec.PickListText = "stale\r\n";
    rec.Assign(column);
    EXPECT_EQ(rec.PickListText, std::string(1, '\0'));
    EXPECT_TRUE(column->HasPickList());

    column->GetPickList()->Add("a");
    column->GetPickList()->Add("b");
    rec.Assign(column);
    EXPECT_EQ(rec.PickListText, "a\r\nb\r\n");
}

TEST_F(ColumnRec, AssignCopiesEffectiveValues)
{
    AddColumns(2);
    TZelColumn* column = Columns->GeTZelColumn(1);
    Grid.SetColor(clInfoBk);
    Grid.SetFixedColor(clSilver);
    Grid.TitleFont()->SetColor(clMaroon);
    column->aType = tctCurrency;
    column->SetFormat("0.00");
    TZelColumnRec rec;
    rec.Assign(column);
    EXPECT_EQ(rec.Color, clInfoBk);
    EXPECT_EQ(rec.Width, Grid.DefaultColWidth());
    EXPECT_EQ(rec.TitleColor, clSilver);
    EXPECT_EQ(rec.TitleCaption, "Col1");
    EXPECT_EQ(rec.Titlefont->Color(), clMaroon);
    EXPECT_EQ(rec.aType, tctCurrency);
    EXPECT_EQ(rec.Format, "0.00");
    EXPECT_TRUE(column->AssignedValues().Empty()) << "reading a column must not assign its values";
}

TEST_F(ColumnRec, Code0TextEmptiesThePickListAndEmptyTextLeavesIt)
{
    TZelColumn* column = AddColumns(1);
    column->GetPickList()->Add("keep");
    TZelColumnRec rec;
    rec.PickListText = "";
    rec.AssignToColumn(column);
    EXPECT_EQ(column->GetPickList()->Count(), 1);
    rec.PickListText = TZelColumnRec::EmptyPickListText();
    rec.AssignToColumn(column);
    EXPECT_EQ(column->GetPickList()->Count(), 0);
    rec.PickListText = "x\ry\nz";
    rec.AssignToColumn(column);
    EXPECT_EQ(column->GetPickList()->Count(), 3);
}

TEST_F(ColumnRec, FreshRecordAppliedToAFreshColumn)
{
    TZelColumn* column = AddColumns(1);
    ASSERT_EQ(Grid.DefaultColWidth(), 64);
    TZelColumnRec rec;
    rec.AssignToColumn(column);
    EXPECT_EQ(column->GetWidth(), 60);
    EXPECT_EQ(column->aType, tctText);
    EXPECT_EQ(column->GetColor(), 0);
    EXPECT_EQ(column->GetAlignment(), taLeftJustify);
    EXPECT_EQ(column->Title()->GetCaption(), "");
    EXPECT_EQ(column->Title()->GetColor(), clTeal);
    EXPECT_EQ(column->Title()->GetFont()->Color(), clWhite);
    EXPECT_EQ(column->GetFont()->Name(), TFont().Name());
    EXPECT_EQ(column->GetPickList()->Count(), 0);
    EXPECT_EQ(column->AssignedValues(),
        (TZelColumnValues{cvColor, cvWidth, cvFont, cvAlignment, cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont}));
    EXPECT_TRUE(column->Visible());
}

TEST_F(ColumnRec, WidthEqualToTheDefaultStaysUnassigned)
{
    TZelColumn* column = AddColumns(1);
    TZelColumnRec rec;
    rec.Width = Grid.DefaultColWidth();
    rec.AssignToColumn(column);
    EXPECT_FALSE(column->AssignedValues().Contains(cvWidth));
}

TEST_F(ColumnRec, ReadOnlyOfAReadOnlyGridTravelsAsAnAssignedValue)
{
    TZelColumn* column = AddColumns(1);
    Grid.ReadOnly = true;
    TZelColumnRec rec;
    rec.Assign(column);
    EXPECT_TRUE(rec.ReadOnly);

    TGridFixture other;
    TZelColumn* target = other.AddColumns(1);
    rec.AssignToColumn(target);
    EXPECT_TRUE(target->AssignedValues().Contains(cvReadOnly));
    EXPECT_TRUE(target->GetReadOnly());
}

TEST_F(ColumnRec, AssignFromRecKeepsAnEmptyPickListText)
{
    TZelColumnRec source;
    source.PickListText = "a\r\n";
    source.Width = 99;
    source.Font->SetName("Arial");
    TZelColumnRec rec;
    rec.PickListText = "";
    rec.AssignFromRec(&source);
    EXPECT_EQ(rec.PickListText, "");
    EXPECT_EQ(rec.Width, 99);
    EXPECT_EQ(rec.Font->Name(), "Arial");

    TZelColumnRec fresh;
    fresh.AssignFromRec(&source);
    EXPECT_EQ(fresh.PickListText, "a\r\n");
}

TEST_F(ColumnRec, WrongArgumentClassesDoNothing)
{
    TZelColumn* column = AddColumns(1);
    TZelColumnRec rec;
    TZelColumnRec other;
    other.Width = 5;
    TFont font;
    rec.AssignToColumn(&other);
    rec.AssignToColumn(nullptr);
    rec.Assign(&font);
    rec.Assign(nullptr);
    rec.AssignFromRec(column);
    EXPECT_EQ(other.Width, 5);
    EXPECT_EQ(rec.Width, 60);
    EXPECT_EQ(rec.aType, tctText);
    EXPECT_TRUE(column->AssignedValues().Empty());
}

// The record's Assign hides the host's virtual one without overriding it: through a plain
// TPersistent the host's runs and refuses a column, through the record the column is copied.
TEST_F(ColumnRec, AssignThroughAPlainPersistentIsTheHosts)
{
    TZelColumn* column = AddColumns(1);
    column->SetWidth(90);
    TZelColumnRec rec;
    TPersistent* plain = &rec;
    EXPECT_THROW(plain->Assign(column), EConvertError);
    EXPECT_EQ(rec.Width, 60);
    rec.Assign(static_cast<TPersistent*>(column));
    EXPECT_EQ(rec.Width, 90);
}

TEST_F(ColumnRec, FailingPickListCopyDoesNotStopTheFonts)
{
    TZelColumn* column = AddColumns(1);
    auto* pickList = dynamic_cast<TStringList*>(column->GetPickList());
    ASSERT_NE(pickList, nullptr);
    pickList->OnChange = [](TObject*) { throw EStringListError("refused"); };
    TZelColumnRec rec;
    rec.PickListText = "a\r\n";
    rec.Font->SetName("Arial");
    rec.Titlefont->SetName("Courier New");
    EXPECT_NO_THROW(rec.AssignToColumn(column));
    EXPECT_EQ(column->GetFont()->Name(), "Arial");
    EXPECT_EQ(column->Title()->GetFont()->Name(), "Courier New");
}

TEST_F(ColumnRec, VisibilityTravelsBothWays)
{
    AddColumns(2);
    TZelColumn* hidden = Columns->GeTZelColumn(0);
    hidden->SetWidth(100);
    hidden->SetVisible(false);
    TZelColumnRec rec;
    rec.Assign(hidden);
    EXPECT_FALSE(rec.Visible);

    TZelColumn* target = Columns->GeTZelColumn(1);
    rec.AssignToColumn(target);
    EXPECT_FALSE(target->Visible());
    EXPECT_EQ(target->GetWidth(), -1);

    // Shown again in the editor: the column gets a usable width.
    rec.Visible = true;
    rec.AssignToColumn(target);
    EXPECT_TRUE(target->Visible());
    EXPECT_EQ(target->GetWidth(), Grid.DefaultColWidth());

    TZelColumnRec copy;
    copy.Visible = true;
    rec.Visible = false;
    copy.AssignFromRec(&rec);
    EXPECT_FALSE(copy.Visible);
}

// Width -1 with Visible true, as a form file or a typed width gives it: the write-back keeps the
// column hidden and does not give it a width of its own.
TEST_F(ColumnRec, AColumnHiddenByItsWidthAloneStaysHidden)
{
    TZelColumn* column = AddColumns(1);
    column->SetWidth(-1);
    TZelColumnRec rec;
    rec.Assign(column);
    EXPECT_TRUE(rec.Visible);
    rec.AssignToColumn(column);
    EXPECT_TRUE(column->Visible());
    EXPECT_EQ(column->GetWidth(), -1);
}

TEST_F(ColumnRec, RecordRoundTripReproducesTheColumn)
{
    TZelColumn* source = AddColumns(1);
    source->SetWidth(123);
    source->SetAlignment(taCenter);
    source->SetButtonStyle(cbsEllipsis);
    source->SetWordWrap(true);
    source->DropDownRows = 4;
    source->ColumnSumEnable = true;
    source->Title()->SetCaption("Amount");
    source->Title()->SetAlignment(taRightJustify);
    source->GetFont()->SetStyle({fsBold});
    TZelColumnRec rec;
    rec.Assign(source);

    TZelColumn* target = Columns->Add();
    rec.AssignToColumn(target);
    EXPECT_EQ(target->GetWidth(), 123);
    EXPECT_EQ(target->GetAlignment(), taCenter);
    EXPECT_EQ(target->ButtonStyle(), cbsEllipsis);
    EXPECT_TRUE(target->WordWrap());
    EXPECT_EQ(target->DropDownRows, 4);
    EXPECT_TRUE(target->ColumnSumEnable);
    EXPECT_EQ(target->Title()->GetCaption(), "Amount");
    EXPECT_EQ(target->Title()->GetAlignment(), taRightJustify);
    EXPECT_TRUE(target->GetFont()->Style().Contains(fsBold));
}

// Layouts in form files: the storing rules of columns and titles byte by byte, the defined
// "Layout" property, exact round trips of a whole form in binary and text, and a failed read
// that leaves a grid's layouts as they were.
#include <gtest/gtest.h>

#include <memory>

#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "host/streaming/PropertyRegistry.h"
#include "zelgrid/Zelgrid.h"

namespace {

std::string Prop(const std::string& Name, const std::string& Value)
{
    return static_cast<char>(Name.size()) + Name + Value;
}

std::string Ident(const std::string& Name)
{
    return "\x07" + std::string(1, static_cast<char>(Name.size())) + Name;
}

const std::string False = "\x08", True = "\x09", ListBegin = "\x01", ListEnd = std::string(1, '\0'), Collection = "\x0E";

std::string Int8(int Value)
{
    return std::string("\x02") + static_cast<char>(Value);
}

// What every column writes: aType, Tag and Flags.
std::string FreshColumn(const std::string& Extra = "", const std::string& Tail = "")
{
    return ListBegin + Prop("aType", Ident("tctLogic")) + Prop("Tag", Int8(0)) + Prop("Flags", Int8(-1)) + Extra + Tail + ListEnd;
}

std::string ColumnBytes(TZelGridColumns* Columns)
{
    TWriter writer;
    writer.WriteCollection(Columns);
    return writer.Data();
}

struct LayoutStreaming : ::testing::Test {
    LayoutStreaming() { RegisterZelGridProperties(); }
    std::unique_ptr<TZelGrid> Grid = [] {
        auto grid = std::make_unique<TZelGrid>(nullptr);
        grid->SetName("Grid1");
        // A new grid's row height reads 0 until set; reading a form sets it.
        grid->SetDefRowHeight(24);
        return grid;
    }();
    TZelGridColumns* Columns() const { return Grid->Layout()->GetItem(0)->GeTZelColumns(); }
    std::unique_ptr<TZelGrid> ReadBack() const
    {
        return std::unique_ptr<TZelGrid>(dynamic_cast<TZelGrid*>(ReadForm(WriteForm(Grid.get()), nullptr)));
    }
};

TEST_F(LayoutStreaming, ColumnsWriteOnlyWhatDepartsFromAFreshColumn)
{
    Columns()->Add();
    TZelColumn* defaultWidth = Columns()->Add();
    defaultWidth->SetWidth(Grid->DefaultColWidth());
    TZelColumn* defaultCaption = Columns()->Add();
    defaultCaption->Title()->SetCaption("Col2");
    TZelColumn* notReadOnly = Columns()->Add();
    notReadOnly->SetReadOnly(false);
    TZelColumn* readOnly = Columns()->Add();
    readOnly->SetReadOnly(true);
    TZelColumn* hidden = Columns()->Add();
    hidden->SetWidth(100);
    hidden->SetVisible(false);
    EXPECT_TRUE(defaultCaption->AssignedValues().Contains(cvTitleCaption));

    const std::string expected = Collection + FreshColumn() + FreshColumn() + FreshColumn() + FreshColumn() +
                                 FreshColumn(Prop("ReadOnly", True)) + FreshColumn(Prop("Width", Int8(-1)), Prop("Visible", False)) +
                                 ListEnd;
    EXPECT_EQ(ColumnBytes(Columns()), expected);

    auto copy = ReadBack();
    TZelGridColumns* read = copy->Layout()->GetItem(0)->GeTZelColumns();
    ASSERT_EQ(read->Count(), 6);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(read->GeTZelColumn(i)->AssignedValues().Empty()) << i;
    EXPECT_EQ(read->GeTZelColumn(2)->Title()->GetCaption(), "Col2");
    EXPECT_EQ(read->GeTZelColumn(4)->AssignedValues(), TZelColumnValues{cvReadOnly});
    EXPECT_TRUE(read->GeTZelColumn(4)->GetReadOnly());
    EXPECT_EQ(ColumnBytes(read), expected);
    // The hidden column's earlier width is lost: shown again, it has the default width.
    TZelColumn* shown = read->GeTZelColumn(5);
    EXPECT_FALSE(shown->Visible());
    shown->SetVisible(true);
    EXPECT_EQ(shown->GetWidth(), copy->DefaultColWidth());
}

TEST_F(LayoutStreaming, DefinedLayoutPropertyHoldsEveryLayoutsColumns)
{
    for (int i = 0; i < 3; ++i) Columns()->Add();
    Grid->Layout()->Add();
    TWriter writer;
    Grid->Layout()->WriteLayout(writer);
    const std::string threeColumns = ColumnBytes(Columns());
    EXPECT_EQ(writer.Data(), Collection + ListBegin + threeColumns + ListEnd + ListBegin + Collection + ListEnd + ListEnd + ListEnd);
    EXPECT_EQ(threeColumns, Collection + FreshColumn() + FreshColumn() + FreshColumn() + ListEnd);

    // A form holding only the defined property, or both ways, reads to the same layouts; the
    // text form carries the bare column collections too.
    Columns()->GeTZelColumn(1)->Title()->SetCaption("Sum");
    TWriter defined;
    Grid->Layout()->WriteLayout(defined);
    const std::string published = WriteForm(Grid.get());
    const std::string head = published.substr(0, published.size() - 2);
    const std::string definedOnly = std::string("TPF0") + Prop("TZelGrid", "") + Prop("Grid1", "") +
                                    Prop("Layout.Layout", defined.Data()) + ListEnd + ListEnd;
    const std::string both = head + Prop("Layout.Layout", defined.Data()) + ListEnd + ListEnd;
    for (const std::string& form : {definedOnly, both}) {
        EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(form)), form);
        std::unique_ptr<TComponent> copy(ReadForm(ObjectBinaryToText(form), nullptr));
        TWriter again;
        static_cast<TZelGrid*>(copy.get())->Layout()->WriteLayout(again);
        EXPECT_TRUE(again.Data() == defined.Data());
    }
}

TEST_F(LayoutStreaming, FailedReadKeepsTheGridsLayouts)
{
    Columns()->Add()->SetWidth(120);
    const std::string form = WriteForm(Grid.get());
    auto target = std::make_unique<TZelGrid>(nullptr);
    target->Layout()->Add()->GeTZelColumns()->Add();
    TZelLayoutItem* first = target->Layout()->GetItem(0);
    TZelLayoutItem* second = target->Layout()->GetItem(1);
    // Breaks the form after its layouts were read: LayoutIndex gets a string.
    std::string bad = form;
    const std::string index = Prop("LayoutIndex", Int8(0));
    ASSERT_NE(bad.find(index), std::string::npos);
    bad.replace(bad.find(index), index.size(), Prop("LayoutIndex", "\x06\x01x"));
    EXPECT_THROW(ReadForm(bad, target.get()), EReadError);
    ASSERT_EQ(target->Layout()->Count(), 2);
    EXPECT_EQ(target->Layout()->GetItem(0), first);
    EXPECT_EQ(target->Layout()->GetItem(1), second);
    EXPECT_EQ(second->GeTZelColumns()->Count(), 1);
    EXPECT_FALSE(target->ComponentState.Contains(csLoading));

    ReadForm(form, target.get());
    ASSERT_EQ(target->Layout()->Count(), 1);
    EXPECT_EQ(target->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0)->GetWidth(), 120);
}

// A form that sets one property of a column's or a title's font assigns that font, also when it
// sets the value the font already had, so that save, load and save give the same bytes.
TEST_F(LayoutStreaming, AFontPropertyReadAssignsTheFontEvenAtItsCurrentValue)
{
    const TFont* font = Grid->Font();
    const TFont* titleFont = Grid->TitleFont();
    auto style = [](const TFont* Font) { return PropertyRegistry().Type("TFontStyles").OrdinalToText(Font->Style().ToBits()); };
    const struct {
        std::string Line;
        TZelColumnValue Marked;
    } cases[] = {
        {"Font.Name = '" + font->Name() + "'", cvFont},
        {"Font.Height = " + std::to_string(font->Height()), cvFont},
        {"Font.Color = " + ColorToString(font->Color()), cvFont},
        {"Font.Style = " + style(font), cvFont},
        {"Font.Charset = " + std::to_string(font->Charset()), cvFont},
        {"Font.Pitch = fpDefault", cvFont},
        {"Title.Font.Name = '" + titleFont->Name() + "'", cvTitleFont},
        {"Title.Font.Height = " + std::to_string(titleFont->Height()), cvTitleFont},
        {"Title.Font.Color = " + ColorToString(titleFont->Color()), cvTitleFont},
        {"Title.Font.Style = " + style(titleFont), cvTitleFont},
    };
    for (const auto& c : cases) {
        const std::string form = "object Grid1: TZelGrid\n  Layout = <\n    item\n      Columns = <\n        item\n"
                                 "          aType = tctLogic\n          Tag = 0\n          Flags = -1\n          " +
                                 c.Line + "\n        end>\n    end>\n  DataRowHeight = 24\nend\n";
        std::unique_ptr<TComponent> copy(ReadForm(form, nullptr));
        TZelColumn* column = static_cast<TZelGrid*>(copy.get())->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0);
        EXPECT_EQ(column->AssignedValues(), TZelColumnValues{c.Marked}) << c.Line;
        const std::string saved = WriteForm(copy.get());
        std::unique_ptr<TComponent> again(ReadForm(saved, nullptr));
        EXPECT_EQ(WriteForm(again.get()), saved) << c.Line;
    }

    // A live column whose fonts were given the grid's own values keeps them assigned.
    TZelColumn* column = Columns()->Add();
    column->SetFont(Grid->Font());
    column->Title()->SetFont(Grid->TitleFont());
    const std::string saved = WriteForm(Grid.get());
    auto copy = ReadBack();
    EXPECT_EQ(copy->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0)->AssignedValues(), (TZelColumnValues{cvFont, cvTitleFont}));
    EXPECT_EQ(WriteForm(copy.get()), saved);
}

// Fills a layout with columns that use every column and title property.
void FillLayout(TZelGridColumns* Columns, int Seed)
{
    TZelColumn* plain = Columns->Add();
    plain->aType = tctCode;
    TZelColumn* c = Columns->Add();
    c->aType = static_cast<TZelColumnType>(Seed % 7);
    c->Tag = static_cast<signed char>(-Seed);
    c->SetFlags(1000 * Seed);
    c->ColumnSumEnable = true;
    c->SetAlignment(taCenter);
    c->SetButtonStyle(cbsEllipsis);
    c->SetColor(clYellow);
    c->DropDownRows = 12;
    c->GetFont()->SetStyle(TFontStyles{fsItalic});
    c->GetPickList()->Add("alpha");
    c->GetPickList()->Add("it's #" + std::to_string(Seed));
    c->SetReadOnly(true);
    c->SetWidth(90 + Seed);
    c->SetFormat("0.00");
    c->SetWordWrap(true);
    c->Title()->SetAlignment(taRightJustify);
    c->Title()->SetCaption("Amount \xE2\x82\xAC " + std::to_string(Seed));
    c->Title()->SetColor(static_cast<TColor>(0x00336699));
    c->Title()->GetFont()->SetHeight(-15);
    Columns->Add()->SetVisible(false);
}

TEST_F(LayoutStreaming, FormWithTwoGridsRoundTripsExactlyInBinaryAndText)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Form1");
    form->SetCaption("Orders");
    THandlerTable handlers;
    handlers.Add<TGetDataCellEvent>("Form1GetDataCell", [](int, int, std::string& Value) { Value = "cell"; });
    handlers.Add<TGetRowCountEvent>("Form1GetRowCount", [](int& Count) { Count = 1; });
    for (int g = 0; g < 2; ++g) {
        auto* grid = new TZelGrid(form.get());
        grid->SetName("Grid" + std::to_string(g + 1));
        grid->SetParent(form.get());
        grid->SetDefRowHeight(24);
        grid->Font()->SetName("DejaVu Sans Mono");
        grid->TitleFont()->SetStyle(TFontStyles{fsBold});
        for (int l = 0; l < 3; ++l) {
            TZelLayoutItem* layout = l == 0 ? grid->Layout()->GetItem(0) : grid->Layout()->Add();
            if (l != 1) FillLayout(layout->GeTZelColumns(), 3 * g + l);
        }
        grid->SetLayoutIndex(2);
        grid->OnGetDataCell = [](int, int, std::string&) {};
        grid->SetHandlerName("OnGetDataCell", "Form1GetDataCell");
        grid->OnGetRowCount = [](int&) {};
        grid->SetHandlerName("OnGetRowCount", "Form1GetRowCount");
    }
    const std::string bytes = WriteForm(form.get());
    const std::string text = ObjectBinaryToText(bytes);
    EXPECT_EQ(ObjectTextToBinary(text), bytes);
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), text);
    EXPECT_NE(text.find("Caption = 'Amount '#226#130#172' 5'"), std::string::npos) << text;

    for (const std::string& source : {bytes, text}) {
        std::unique_ptr<TComponent> copy(ReadForm(source, nullptr, &handlers));
        EXPECT_EQ(ObjectBinaryToText(WriteForm(copy.get())), text);
        auto* grid = dynamic_cast<TZelGrid*>(copy->FindComponent("Grid2"));
        ASSERT_TRUE(grid);
        EXPECT_EQ(grid->Parent(), copy.get());
        EXPECT_EQ(grid->LayoutIndex(), 2);
        EXPECT_FALSE(grid->ComponentState.Contains(csLoading));
        std::string cell;
        grid->OnGetDataCell(0, 0, cell);
        EXPECT_EQ(cell, "cell");
        auto* original = dynamic_cast<TZelGrid*>(form->FindComponent("Grid2"));
        for (int l = 0; l < 3; ++l) {
            TZelGridColumns* was = original->Layout()->GetItem(l)->GeTZelColumns();
            TZelGridColumns* now = grid->Layout()->GetItem(l)->GeTZelColumns();
            ASSERT_EQ(now->Count(), was->Count());
            for (int i = 0; i < now->Count(); ++i) {
                EXPECT_EQ(now->GeTZelColumn(i)->AssignedValues(), was->GeTZelColumn(i)->AssignedValues());
                EXPECT_EQ(now->GeTZelColumn(i)->Title()->GetCaption(), was->GeTZelColumn(i)->Title()->GetCaption());
            }
        }
    }
}

} // namespace

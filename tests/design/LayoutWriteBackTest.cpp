// What OK writes back into the grid: the values the user did not touch stay exactly as they were
// (assigned or following the grid), and a column added in the editor looks like one added in code.
#include "EditorFixture.h"
#include "host/graphics/Bitmap.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "host/windows/Paint.h"

#include <map>
#include <tuple>

namespace {

// Three layouts holding the kinds of values a write-back must keep as they are: a Tag, Flags,
// values assigned (some equal to what they would follow) and values following the grid.
void ArrangeLayouts(TZelGrid& Grid, bool ReadOnly)
{
    Grid.SetName("ZelGrid1");
    Grid.ReadOnly = ReadOnly;
    Grid.SetColor(clInfoBk);
    Grid.Font()->SetName("DejaVu Sans");
    TZelColLayout* layouts = Grid.Layout();
    TZelGridColumns* first = layouts->GetItem(0)->GeTZelColumns();
    TZelColumn* c = first->Add();
    c->Tag = 3;
    c->Title()->SetCaption("Name");
    c->SetWidth(80);
    first->Add()->SetFlags(5); // follows every value
    c = first->Add();
    c->GetFont()->SetName("DejaVu Serif");
    c->GetFont()->SetStyle({ fsBold });
    c->SetAlignment(taRightJustify);
    c->SetColor(clYellow);
    c = first->Add();
    c->SetReadOnly(true);
    c->Title()->GetFont()->SetSize(12);
    c->Title()->SetColor(clNavy);
    c->Title()->SetAlignment(taCenter);
    c->GetPickList()->SetText("a\r\nb\r\n");
    c->SetWidth(100);
    c->SetVisible(false);
    c = first->Add(); // assigned values equal to the ones they would follow
    c->SetColor(Grid.Color());
    c->SetAlignment(taLeftJustify);
    c->Title()->SetCaption("Col4");
    TZelGridColumns* second = layouts->Add()->GeTZelColumns();
    second->Add();
    c = second->Add();
    c->Tag = -5;
    c->SetWidth(90);
    c->SetFormat("0.00");
    c->aType = tctCurrency;
    c->SetWordWrap(true);
    c->DropDownRows = 3;
    c->SetButtonStyle(cbsEllipsis);
    c->ColumnSumEnable = true;
    layouts->Add();
}

// The grid's form file as text, and per column what the form does not show: which values are
// assigned (an assigned value equal to its default is not stored).
std::string Saved(TZelGrid& Grid)
{
    std::string s = ObjectBinaryToText(WriteForm(&Grid));
    TZelColLayout* layouts = Grid.Layout();
    for (int i = 0; i < layouts->Count(); ++i) {
        TZelGridColumns* columns = layouts->GetItem(i)->GeTZelColumns();
        for (int j = 0; j < columns->Count(); ++j)
            s += "assigned " + std::to_string(i) + "." + std::to_string(j) + ": "
                + std::to_string(columns->GeTZelColumn(j)->AssignedValues().ToBits()) + "\n";
    }
    return s;
}

} // namespace

TEST_F(LayoutEditorTest, OkLeavesEveryValueTheUserDidNotChangeAsItWas)
{
    RegisterZelGridProperties();
    struct TCase {
        const char* Name;
        bool ReadOnly;
        std::function<void()> Session;
        // The same change made in code on an identical grid; none when the session changes nothing.
        std::function<void(TZelGrid&)> InCode;
    };
    const auto column = [](TZelGrid& G, int Layout, int Index) {
        return G.Layout()->GetItem(Layout)->GeTZelColumns()->GeTZelColumn(Index);
    };
    const TCase cases[] = {
        { "Apply without a change, then OK", false,
            [this] {
                Press(Editor->ApplyBtn);
                Press(Editor->OkBtn);
            },
            nullptr },
        { "a move that moves nothing and a layout pasted onto itself", false,
            [this] {
                Select("Layout0/Column0");
                Keys(VK_UP, { ssCtrl, ssShift });
                Select("Layout1");
                Keys('C', { ssCtrl });
                Keys('V', { ssCtrl });
                EXPECT_TRUE(Editor->Modified());
                Press(Editor->OkBtn);
            },
            nullptr },
        { "one width in layout 1", false,
            [this] {
                Type("Layout1/Column0/Width", "77");
                Press(Editor->OkBtn);
            },
            [&](TZelGrid& G) { column(G, 1, 0)->SetWidth(77); } },
        { "one width in layout 1 of a read-only grid", true,
            [this] {
                Type("Layout1/Column0/Width", "77");
                Press(Editor->OkBtn);
            },
            [&](TZelGrid& G) { column(G, 1, 0)->SetWidth(77); } },
        { "a column pasted onto another and a layout onto the empty one", false,
            [this] {
                Select("Layout1/Column1");
                Keys('C', { ssCtrl });
                Select("Layout0/Column1");
                Keys('V', { ssCtrl });
                Select("Layout1");
                Keys('C', { ssCtrl });
                Select("Layout2");
                Keys('V', { ssCtrl });
                Press(Editor->OkBtn);
            },
            [&](TZelGrid& G) {
                column(G, 0, 1)->AssignExactly(column(G, 1, 1));
                TZelGridColumns* empty = G.Layout()->GetItem(2)->GeTZelColumns();
                for (int i = 0; i < 2; ++i) empty->Add()->AssignExactly(column(G, 1, i));
            } },
        { "a colour typed over a followed one, an alignment over an assigned one", false,
            [this] {
                Type("Layout0/Column1/Column Color", "clLime");
                Type("Layout0/Column2/Alignment", "Center");
                Press(Editor->OkBtn);
            },
            [&](TZelGrid& G) {
                column(G, 0, 1)->SetColor(clLime);
                column(G, 0, 2)->SetAlignment(taCenter);
            } },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid = std::make_unique<TZelGrid>(nullptr);
        ArrangeLayouts(*Grid, c.ReadOnly);
        TZelGrid reference(nullptr);
        ArrangeLayouts(reference, c.ReadOnly);
        const std::string saved = WriteForm(Grid.get());
        ASSERT_EQ(Saved(*Grid), Saved(reference));
        const bool changed = Open(c.Session);
        EXPECT_TRUE(changed);
        if (c.InCode) c.InCode(reference);
        EXPECT_EQ(Saved(*Grid), Saved(reference));
        if (!c.InCode) {
            EXPECT_TRUE(WriteForm(Grid.get()) == saved) << "byte for byte";
        }
        // Values that follow the grid go on following it.
        Grid->Font()->SetName("DejaVu Sans Mono");
        Grid->SetColor(clAqua);
        EXPECT_EQ(column(*Grid, 0, 1)->GetFont()->Name(), "DejaVu Sans Mono");
        EXPECT_EQ(column(*Grid, 1, 1)->GetColor(), clAqua);
    }
}

// The grid itself paints data cells in its own colour; an application that paints them in their
// column's colour and font (through OnDrawColumnCell) shows what the column holds.
TEST_F(LayoutEditorTest, ColumnAddedInTheEditorShowsTheGridsColour)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 320, 160);
    Grid->SetParent(&form);
    Grid->SetBounds(0, 0, 300, 140);
    Grid->OnGetRowCount = [](int& Count) { Count = 3; };
    Grid->OnDrawColumnCell = [&](TObject*, const TRect& Rect, int, TZelColumn* Column, TGridDrawState) {
        TCanvas* canvas = Grid->Canvas();
        canvas->Brush()->SetColor(Column->GetColor());
        canvas->Font()->Assign(Column->GetFont());
        canvas->TextRect(Rect, Rect.Left + 2, Rect.Top + 2, "Text");
    };
    form.Show();
    Open([&] {
        Select("Layout0/Column1");
        Keys(VK_F3);
        EXPECT_EQ(Value("Layout0/Column2/Column Color"), "clWindow") << "the row shows the colour the column follows";
        Press(Editor->OkBtn);
    });
    EXPECT_FALSE(Grid->GeTZelColumns()->GeTZelColumn(2)->AssignedValues().Contains(cvColor));
    // The same column added in code, in layout 1.
    Grid->Layout()->GetItem(1)->GeTZelColumns()->Add();
    const auto shot = [&] {
        Grid->Invalidate();
        ProcessMessages();
        return CaptureWindow(Grid->Handle());
    };
    // The most common colour of a data cell, and whether it holds pixels dark enough to read as text.
    const auto look = [&](const TBitmap& Picture, int Column) {
        TRect r = Grid->CellRect(Grid->DataToRawColumn(Column), Grid->FixedRows());
        TRect client;
        GetClientRectInWindow(Grid->Handle(), client);
        r = r.Offset(client.Left, client.Top);
        std::map<TPixel, int> counts;
        int dark = 0;
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 1; x < r.Right - 1; ++x) {
                const TPixel p = Picture.Pixel(x, y);
                ++counts[p];
                if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 0x60) ++dark;
            }
        TPixel common = 0;
        int most = 0;
        for (const auto& [p, n] : counts)
            if (n > most) std::tie(common, most) = std::pair { p, n };
        return std::pair { common, dark > 4 && dark < most };
    };
    const std::unique_ptr<TBitmap> added = shot();
    const auto [background, text] = look(*added, 2);
    EXPECT_EQ(background, ColorToPixel(Grid->Color())) << "the new column shows the grid's colour";
    EXPECT_TRUE(text) << "with readable text on it";

    Grid->SetLayoutIndex(1);
    EXPECT_EQ(look(*shot(), 1).first, background) << "as a column added in code does";
    Grid->SetParent(nullptr);
}

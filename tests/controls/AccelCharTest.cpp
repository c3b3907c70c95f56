// "&" marks an accelerator only in the captions of labels, buttons and menu items: a list box
// shows its lines as they are ("Brightwater & Sons"), and so does a panel its caption; a label
// underlines the marked letter.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/controls/ExtCtrls.h"
#include "host/controls/Forms.h"
#include "host/controls/ListBox.h"
#include "host/controls/StdCtrls.h"
#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

namespace {

// The pixels of Area (window coordinates) of a captured window.
std::unique_ptr<TBitmap> Cut(const TBitmap& Shot, const TRect& Area)
{
    auto out = std::make_unique<TBitmap>(Area.Width(), Area.Height());
    for (int y = 0; y < Area.Height(); ++y)
        for (int x = 0; x < Area.Width(); ++x) out->SetPixel(x, y, Shot.Pixel(Area.Left + x, Area.Top + y));
    return out;
}

// Text drawn as the controls draw it, on their colour, with or without prefix processing.
std::unique_ptr<TBitmap> Drawn(TControl& Control, const std::string& Text, TRect Area, TRect TextRect, unsigned Flags)
{
    auto out = std::make_unique<TBitmap>(Area.Width(), Area.Height());
    TCanvas& canvas = *out->Canvas();
    canvas.SetFont(Control.Font());
    canvas.Brush()->SetColor(Control.Color());
    canvas.FillRect({0, 0, Area.Width(), Area.Height()});
    canvas.Brush()->SetStyle(bsClear);
    canvas.SetTextColor(Control.Font()->Color());
    canvas.DrawText(Text, TextRect, Flags);
    return out;
}

bool SamePixels(const TBitmap& A, const TBitmap& B)
{
    if (A.Width() != B.Width() || A.Height() != B.Height()) return false;
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x)
            if (A.Pixel(x, y) != B.Pixel(x, y)) return false;
    return true;
}

} // namespace

TEST(AccelChar, ListBoxAndPanelShowTheAmpersandAndALabelUnderlinesTheMarkedLetter)
{
    THeadlessSession session;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* list = new TListBox(&form);
    list->SetBounds(10, 10, 200, 80);
    list->Items()->SetText("Abernathy Ltd\r\nBrightwater & Sons\r\n");
    list->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetBounds(10, 100, 120, 20);
    label->SetCaption("&Name && number");
    label->SetParent(&form);
    auto* panel = new TPanel(&form);
    panel->SetBounds(10, 130, 200, 30);
    panel->SetBevelOuter(bvNone);
    panel->SetAlignment(taLeftJustify);
    panel->SetCaption("Brightwater & Sons");
    panel->SetParent(&form);
    form.Show();
    ProcessMessages();

    // The line with "&", where the list box paints it, against the text drawn without prefixes.
    TRect client;
    GetClientRectInWindow(list->Handle(), client);
    const TRect line = list->ItemRect(1);
    const TRect lineArea = line.Offset(client.Left, client.Top);
    const auto shown = Cut(*CaptureWindow(list->Handle()), lineArea);
    const TRect text{2, 0, line.Width(), line.Height()};
    const unsigned flags = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    EXPECT_TRUE(SamePixels(*shown, *Drawn(*list, "Brightwater & Sons", lineArea, text, flags | DT_NOPREFIX)));
    EXPECT_FALSE(SamePixels(*shown, *Drawn(*list, "Brightwater & Sons", lineArea, text, flags)))
        << "prefix processing would draw \"Brightwater _Sons\"";

    // The label takes "&" as its accelerator mark: N underlined, "&&" one ampersand.
    const TRect labelArea{0, 0, label->Width(), label->Height()};
    const auto labelShown = CaptureWindow(label->Handle());
    const unsigned labelFlags = DT_LEFT | DT_EXPANDTABS | DT_SINGLELINE;
    EXPECT_TRUE(SamePixels(*labelShown, *Drawn(*label, "&Name && number", labelArea, labelArea, labelFlags)));
    EXPECT_FALSE(SamePixels(*labelShown, *Drawn(*label, "Name & number", labelArea, labelArea, labelFlags | DT_NOPREFIX)))
        << "the label underlines its accelerator";

    const TRect panelArea{0, 0, panel->Width(), panel->Height()};
    const unsigned panelFlags = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    EXPECT_TRUE(SamePixels(*CaptureWindow(panel->Handle()),
                           *Drawn(*panel, "Brightwater & Sons", panelArea, panelArea, panelFlags | DT_NOPREFIX)));
}

#include <gtest/gtest.h>

#include "host/controls/Application.h"
#include "host/controls/ExtCtrls.h"
#include "host/controls/FontDialog.h"
#include "host/controls/ListBox.h"
#include "host/graphics/FontEngine.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

class FontDialogTest : public ::testing::Test {
protected:
    FontDialogTest()
    {
        Dialog.Font()->SetName("DejaVu Sans");
        Dialog.Font()->SetSize(10);
        Dialog.Font()->SetColor(clNavy);
    }

    // Clicks the line of List that reads Text, scrolling it into view first.
    void ClickLine(TListBox* List, const std::string& Text)
    {
        const int index = List->Items()->IndexOf(Text);
        ASSERT_GE(index, 0) << Text;
        List->SetTopIndex(index);
        const TRect r = List->ItemRect(index);
        Session.Input.Click(List->Handle(), {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    }

    THeadlessSession Session;
    TFontDialog Dialog{nullptr};
};

} // namespace

// The user picks a family with the mouse, a style with the keyboard, a size and a colour; the
// sample follows each step and OK hands the choice back.
TEST_F(FontDialogTest, ScriptedSessionChoosesAFont)
{
    ASSERT_FALSE(FontFamilies().empty());
    bool hooked = false;
    TModalHookGuard hook([&](TCustomForm* Form) {
        hooked = true;
        auto* form = dynamic_cast<TFontDialogForm*>(Form);
        ASSERT_NE(form, nullptr);
        TListBox* families = form->FamilyList();
        EXPECT_TRUE(families->Focused());
        EXPECT_EQ(families->Items()->Get(families->ItemIndex()), "DejaVu Sans");
        EXPECT_EQ(form->StyleList()->ItemIndex(), 0);
        EXPECT_EQ(form->SizeList()->Items()->Get(form->SizeList()->ItemIndex()), "10");
        EXPECT_EQ(form->ColorList()->Items()->Get(form->ColorList()->ItemIndex()), "Navy");

        ClickLine(families, "DejaVu Serif");
        EXPECT_EQ(form->Sample()->Font()->Name(), "DejaVu Serif");
        Session.Input.PressKey('Y', TShiftState{ssAlt});
        EXPECT_TRUE(form->StyleList()->Focused()) << "the label's accelerator";
        Session.Input.PressKey(VK_END);
        EXPECT_EQ(form->Sample()->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
        ClickLine(form->SizeList(), "14");
        ClickLine(form->ColorList(), "Maroon");
        EXPECT_EQ(form->Sample()->Font()->Color(), clMaroon);
        EXPECT_EQ(Dialog.Font()->Name(), "DejaVu Sans") << "nothing changes before OK";
        Session.Input.PressKey(VK_RETURN);
    });
    EXPECT_TRUE(Dialog.Execute());
    EXPECT_TRUE(hooked);
    EXPECT_EQ(Dialog.Font()->Name(), "DejaVu Serif");
    EXPECT_EQ(Dialog.Font()->Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(Dialog.Font()->Size(), 14);
    EXPECT_EQ(Dialog.Font()->Color(), clMaroon);
}

TEST_F(FontDialogTest, EscapeKeepsTheFontAndSizeLimitsNarrowTheList)
{
    Dialog.MinFontSize = 9;
    Dialog.MaxFontSize = 12;
    Dialog.Font()->SetSize(13);
    Dialog.Font()->SetColor(clWindowText);
    TModalHookGuard hook([&](TCustomForm* Form) {
        auto* form = dynamic_cast<TFontDialogForm*>(Form);
        TStrings* sizes = form->SizeList()->Items();
        // The font's own size stays offered, outside the limits or not.
        EXPECT_EQ(sizes->GetText(), "9\r\n10\r\n11\r\n12\r\n13\r\n");
        // The lists are filled before their windows exist; the last line, selected, is still
        // wholly in view once the border takes its share.
        TListBox* colors = form->ColorList();
        EXPECT_EQ(colors->Items()->Get(colors->ItemIndex()), "WindowText");
        EXPECT_LE(colors->ItemRect(colors->ItemIndex()).Bottom, colors->ClientHeight());
        Session.Input.PressKey(VK_DOWN);
        Session.Input.PressKey(VK_ESCAPE);
    });
    EXPECT_FALSE(Dialog.Execute());
    EXPECT_EQ(Dialog.Font()->Name(), "DejaVu Sans");
    EXPECT_EQ(Dialog.Font()->Size(), 13);
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/controls/ExtCtrls.h"
#include "host/controls/Forms.h"
#include "host/controls/Memo.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "tests/support/Golden.h"

namespace {

class MenuTest : public ::testing::Test {
protected:
    MenuTest()
    {
        Form.SetBounds(0, 0, 300, 200);
        Panel->SetBounds(10, 10, 200, 100);
        Panel->SetParent(&Form);
        Panel->SetTabStop(true);
        Panel->SetPopupMenu(Menu);
        Add(Menu->Items(), "&Copy", "copy")->SetShortCut(ShortCut('C', TShiftState{ssCtrl}));
        Add(Menu->Items(), "&Paste", "paste")->SetEnabled(false);
        Add(Menu->Items(), "-", "");
        TMenuItem* layout = Add(Menu->Items(), "&Layout", "");
        Add(layout, "&New", "new");
        Add(layout, "&Delete", "delete")->SetShortCut(ShortCut(VK_DELETE, TShiftState{ssCtrl}));
        Add(Menu->Items(), "&Grid lines", "lines")->SetChecked(true);
        Menu->OnPopup = [this](TObject*) { Log.push_back("popup"); };
        Form.Show();
        Panel->SetFocus();
        ProcessMessages();
    }

    TMenuItem* Add(TMenuItem* Parent, const char* Caption, const std::string& Tag)
    {
        auto* item = new TMenuItem(&Form);
        item->SetCaption(Caption);
        if (!Tag.empty()) item->OnClick = [this, Tag](TObject*) { Log.push_back(Tag); };
        Parent->Add(item);
        return item;
    }
    TMenuItem* Item(int Index) { return Menu->Items()->Items(Index); }
    TPoint RowMiddle(const TMenuItem* I)
    {
        const TRect r = Menu->ItemRect(I);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }

    THeadlessSession Session;
    TForm Form{nullptr};
    TPanel* Panel = new TPanel(&Form);
    TPopupMenu* Menu = new TPopupMenu(&Form);
    std::vector<std::string> Log;
};

} // namespace

TEST(ShortCutText, NamesAndReadsBack)
{
    struct TCase {
        TShortCut Value;
        const char* Text;
    };
    const TCase cases[] = {
        {ShortCut('C', TShiftState{ssCtrl}), "Ctrl+C"},
        {ShortCut(VK_DELETE, TShiftState{ssCtrl, ssShift}), "Shift+Ctrl+Del"},
        {ShortCut(VK_F2, {}), "F2"},
        {ShortCut(VK_INSERT, TShiftState{ssAlt}), "Alt+Ins"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ShortCutToText(c.Value), c.Text);
        EXPECT_EQ(TextToShortCut(c.Text), c.Value) << c.Text;
    }
    EXPECT_EQ(TextToShortCut("ctrl+c"), ShortCut('C', TShiftState{ssCtrl}));
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(ShortCutToText(scNone), "");
}

// Right click opens the menu; the keyboard walks it, into and out of the submenu, skipping the
// separator and stepping over the disabled item without running it.
TEST_F(MenuTest, KeyboardSessionThroughMenuAndSubmenu)
{
    Session.Input.Click(Panel->Handle(), {50, 40}, mbRight);
    ASSERT_TRUE(Menu->IsOpen());
    EXPECT_EQ(Menu->PopupComponent(), Panel);
    EXPECT_EQ(Log, (std::vector<std::string>{"popup"}));
    auto& in = Session.Input;
    in.PressKey(VK_DOWN);
    EXPECT_EQ(Menu->Selected(0), Item(0));
    in.PressKey(VK_DOWN);
    in.PressKey(VK_RETURN);
    EXPECT_TRUE(Menu->IsOpen()) << "Enter on a disabled item does nothing";
    in.PressKey(VK_DOWN);
    EXPECT_EQ(Menu->Selected(0), Item(3)) << "the separator is skipped";
    in.PressKey(VK_RIGHT);
    ASSERT_EQ(Menu->OpenLevels(), 2);
    EXPECT_EQ(Menu->Selected(1)->Caption(), "&New");
    in.PressKey(VK_LEFT);
    EXPECT_EQ(Menu->OpenLevels(), 1);
    in.PressKey(VK_RIGHT);
    in.PressKey(VK_UP);
    EXPECT_EQ(Menu->Selected(1)->Caption(), "&Delete") << "Up wraps to the last row";
    in.PressKey(VK_ESCAPE);
    EXPECT_EQ(Menu->OpenLevels(), 1) << "Escape closes the submenu first";
    EXPECT_TRUE(Panel->Focused()) << "the menu never took the focus";
    in.PressKey('L');
    in.PressKey('N');
    EXPECT_FALSE(Menu->IsOpen());
    EXPECT_EQ(Log, (std::vector<std::string>{"popup", "new"})) << "accelerators open the submenu and choose";
    // Keys reach the control again once the menu is closed.
    in.PressKey(VK_APPS);
    EXPECT_TRUE(Menu->IsOpen()) << "the context-menu key";
    in.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Menu->IsOpen());
    EXPECT_EQ(Form.ModalResult(), mrNone);
}

TEST_F(MenuTest, MouseAndShortcutsRunItems)
{
    const TPoint at = Panel->ClientToScreen({20, 20});
    Menu->Popup(at.X, at.Y);
    HWND top = Menu->LevelWindow(0);
    Session.Input.MouseMove(top, RowMiddle(Item(3)));
    ASSERT_EQ(Menu->OpenLevels(), 2) << "pointing at an item with sub items opens them";
    TMenuItem* del = Item(3)->Items(1);
    Session.Input.Click(Menu->LevelWindow(1), RowMiddle(del));
    EXPECT_FALSE(Menu->IsOpen());
    EXPECT_EQ(Log.back(), "delete");
    // A press outside closes the menu and runs nothing.
    Menu->Popup(at.X, at.Y);
    Session.Input.Click(Form.Handle(), {280, 180});
    EXPECT_FALSE(Menu->IsOpen());
    EXPECT_EQ(Log.back(), "popup");

    // Shortcuts fire from the form's keys; a disabled item's shortcut does nothing.
    Log.clear();
    Session.Input.PressKey('C', TShiftState{ssCtrl});
    Session.Input.PressKey(VK_DELETE, TShiftState{ssCtrl});
    Item(3)->SetEnabled(false);
    Session.Input.PressKey(VK_DELETE, TShiftState{ssCtrl});
    EXPECT_EQ(Log, (std::vector<std::string>{"popup", "copy", "popup", "delete", "popup"}));

    // An item's handler may free the menu with its form's other components.
    Item(0)->OnClick = [this](TObject*) { delete Menu; Menu = nullptr; };
    const TPoint again = Panel->ClientToScreen({20, 20});
    Menu->Popup(again.X, again.Y);
    TMenuItem* copy = Item(0);
    Session.Input.Click(Menu->LevelWindow(0), RowMiddle(copy));
    EXPECT_EQ(Menu, nullptr);
    EXPECT_EQ(Panel->PopupMenu(), nullptr) << "the control forgets a freed menu";
    Session.Input.Click(Panel->Handle(), {50, 40}, mbRight);
}

TEST_F(MenuTest, OpenMenuWithSubmenuLooks)
{
    Menu->Popup(20, 20);
    Menu->SelectItem(0, 3, true);
    ProcessMessages();
    const std::unique_ptr<TBitmap> top = CaptureWindow(Menu->LevelWindow(0));
    const std::unique_ptr<TBitmap> sub = CaptureWindow(Menu->LevelWindow(1));
    // Both levels side by side, as they lie on the screen.
    TBitmap picture;
    picture.SetSize(top->Width() + sub->Width(), std::max(top->Height(), sub->Height() + 40));
    picture.Canvas()->Brush()->SetColor(clWhite);
    picture.Canvas()->FillRect({0, 0, picture.Width(), picture.Height()});
    picture.Canvas()->Draw(0, 0, *top);
    TRect r;
    GetWindowRect(Menu->LevelWindow(1), r);
    TRect t;
    GetWindowRect(Menu->LevelWindow(0), t);
    picture.Canvas()->Draw(r.Left - t.Left, r.Top - t.Top, *sub);
    ExpectMatchesGolden("popup_menu_with_submenu", picture);
}

// A small dialog: a label with an accelerator, a memo with selected text, a panel with a caption
// and two buttons, the default one framed.
TEST(ControlsSnapshot, SmallFormLooks)
{
    THeadlessSession session;
    TForm form(nullptr);
    form.SetBounds(0, 0, 260, 150);
    auto* label = new TLabel(&form);
    label->SetCaption("&Strings:");
    label->SetBounds(8, 6, 0, 0);
    label->SetParent(&form);
    auto* memo = new TMemo(&form);
    memo->SetBounds(8, 24, 150, 80);
    memo->SetScrollBars(ssVertical);
    memo->SetParent(&form);
    memo->SetText("first line\nsecond line\nthird");
    label->SetFocusControl(memo);
    auto* panel = new TPanel(&form);
    panel->SetBounds(0, 112, 260, 38);
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(1);
    panel->SetCaption("Ready");
    panel->SetAlignment(taLeftJustify);
    panel->SetParent(&form);
    auto* ok = new TButton(&form);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetBounds(170, 24, 80, 25);
    ok->SetParent(&form);
    auto* cancel = new TButton(&form);
    cancel->SetCaption("Cancel");
    cancel->SetBounds(170, 56, 80, 25);
    cancel->SetParent(&form);
    form.Show();
    memo->SetFocus();
    memo->Select({0, 6}, {1, 6});
    ProcessMessages();
    ExpectMatchesGolden("small_form_controls", *CaptureWindow(form.Handle()));
    // The panel's caption and aligned children sit inside its bevels.
    auto* inner = new TPanel(&form);
    inner->SetParent(panel);
    inner->SetAlign(alClient);
    EXPECT_EQ(inner->BoundsRect(), panel->InnerRect());
}

#include <gtest/gtest.h>

#include <string>

#include "host/controls/Forms.h"
#include "host/controls/Memo.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/ScrollBar.h"

namespace {

class MemoTest : public ::testing::Test {
protected:
    MemoTest()
    {
        Form.SetBounds(0, 0, 300, 200);
        Memo->SetBounds(10, 10, 200, 100);
        Memo->SetScrollBars(ssBoth);
        Memo->SetParent(&Form);
        Memo->OnChange = [this](TObject*) { ++Changes; };
        Form.Show();
        Memo->SetFocus();
        ProcessMessages();
    }

    THeadlessSession Session;
    TForm Form{nullptr};
    TMemo* Memo = new TMemo(&Form);
    int Changes = 0;
};

} // namespace

// Typing, caret keys with and without Shift, and the clipboard, as a user does it; Lines
// follows every step, and changes made through Lines show in the memo.
TEST_F(MemoTest, ScriptedEditingSession)
{
    auto& in = Session.Input;
    in.TypeText("one\ntwo\nthree");
    EXPECT_EQ(Memo->Lines()->Count(), 3);
    EXPECT_EQ(Memo->Lines()->Get(2), "three");
    EXPECT_EQ(Memo->CaretPos(), (TMemoPos{2, 5}));

    // Shift+Up from the end of "three" selects back to the same x on "two" (its end).
    in.PressKey(VK_UP, TShiftState{ssShift});
    EXPECT_EQ(Memo->SelText(), "\nthree");
    in.PressKey('C', TShiftState{ssCtrl});
    EXPECT_EQ(GetClipboardText(), "\nthree");
    in.PressKey('X', TShiftState{ssCtrl});
    EXPECT_EQ(Memo->Lines()->GetText(), "one\r\ntwo\r\n");
    in.PressKey(VK_HOME, TShiftState{ssCtrl});
    in.PressKey('V', TShiftState{ssCtrl});
    EXPECT_EQ(Memo->Lines()->GetText(), "\r\nthreeone\r\ntwo\r\n");

    // Backspace at a line's start joins it with the line above; Delete at its end, with the next.
    in.PressKey(VK_HOME);
    in.PressKey(VK_BACK);
    EXPECT_EQ(Memo->Lines()->GetText(), "threeone\r\ntwo\r\n");
    in.PressKey(VK_END);
    in.PressKey(VK_DELETE);
    EXPECT_EQ(Memo->Lines()->GetText(), "threeonetwo\r\n");
    // Left with a selection collapses it to its start; typing replaces a selection.
    in.PressKey(VK_LEFT, TShiftState{ssShift});
    in.PressKey(VK_LEFT, TShiftState{ssShift});
    in.TypeText("!");
    EXPECT_EQ(Memo->Lines()->Get(0), "threeo!two");
    in.PressKey('A', TShiftState{ssCtrl});
    EXPECT_EQ(Memo->SelText(), "threeo!two");
    EXPECT_GT(Changes, 8);

    // An outside change of the list keeps the caret inside the text.
    Memo->Lines()->SetText("x");
    EXPECT_EQ(Memo->CaretPos(), (TMemoPos{0, 1}));
    EXPECT_FALSE(Memo->HasSelection() && Memo->SelText().size() > 1);
    Memo->SetReadOnly(true);
    in.TypeText("no");
    in.PressKey('V', TShiftState{ssCtrl});
    EXPECT_EQ(Memo->Text(), "x\r\n") << "a read-only memo takes no typing";
}

TEST_F(MemoTest, MouseSelectsAndScrollBarsReachEveryLine)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + (i == 3 ? std::string(80, 'w') : "") + "\n";
    Memo->SetText(text);
    ProcessMessages();
    const int rows = Memo->VisibleLines();
    EXPECT_GT(rows, 2);
    EXPECT_LT(rows, 40);

    TScrollInfo v;
    ASSERT_TRUE(GetScrollInfo(Memo->Handle(), SB_VERT, v));
    EXPECT_EQ(v.Max, 39) << "the line break at the end starts no line";
    EXPECT_EQ(static_cast<int>(v.Page), rows);
    TScrollInfo h;
    ASSERT_TRUE(GetScrollInfo(Memo->Handle(), SB_HORZ, h));
    EXPECT_GT(h.Max, Memo->ClientWidth()) << "the long line reaches past the client area";

    // The caret follows Ctrl+End to the last line, and the view with it.
    Session.Input.PressKey(VK_END, TShiftState{ssCtrl});
    EXPECT_EQ(Memo->CaretPos().Line, 39);
    EXPECT_EQ(Memo->TopLine(), 40 - rows);
    Memo->SetTopLine(0);
    SendMessage(Memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(Memo->TopLine(), rows);
    SendMessage(Memo->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_GT(Memo->ScrollX(), 0);
    SendMessage(Memo->Handle(), WM_HSCROLL, SB_TOP, 0);
    EXPECT_EQ(Memo->ScrollX(), 0);
    Memo->SetTopLine(0);

    // A drag from the start of line 1 down into line 2 selects across the line break; a shift
    // click extends it, a double click takes a word.
    TPoint start{2, 0}, end{2, 0};
    for (int y = 0; y < Memo->ClientHeight(); ++y) {
        if (Memo->PosFromPoint({2, y}).Line == 1 && start.Y == 0) start.Y = y;
        if (Memo->PosFromPoint({2, y}).Line == 2) end.Y = y;
    }
    Session.Input.Drag(Memo->Handle(), start, {40, end.Y});
    EXPECT_EQ(Memo->SelText().substr(0, 7), "line 1\n");
    Session.Input.Click(Memo->Handle(), {2, start.Y});
    EXPECT_FALSE(Memo->HasSelection());
    Session.Input.DoubleClick(Memo->Handle(), {4, start.Y});
    EXPECT_EQ(Memo->SelText(), "line");
}

TEST_F(MemoTest, EnterMakesANewLineOnlyWhenTheMemoWantsIt)
{
    Session.Input.TypeText("a\nb");
    EXPECT_EQ(Memo->Lines()->Count(), 2);
    Memo->SetWantReturns(false);
    Session.Input.TypeText("\nc");
    EXPECT_EQ(Memo->Lines()->GetText(), "a\r\nbc\r\n");
    // A form that previews keys sees typed characters first and may swallow them.
    Form.SetKeyPreview(true);
    Form.OnKeyPress = [](TObject*, char& Key) {
        if (Key == 'x') Key = 0;
    };
    Session.Input.TypeText("xyx");
    EXPECT_EQ(Memo->Lines()->Get(1), "bcy");
    // Tab leaves the memo unless it wants tabs.
    Memo->SetWantTabs(true);
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(Memo->Lines()->Get(1), "bcy\t");
    EXPECT_TRUE(Memo->Focused());
}

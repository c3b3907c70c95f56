#include <gtest/gtest.h>

#include "TestWindow.h"

namespace {

class KeyboardTest : public TWindowTest {
protected:
    TTestWindow A{Log};
    TTestWindow B{Log};
    TTestWindow C{Log};
    HWND AWnd = nullptr, BWnd = nullptr, CWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top);
        AWnd = A.Create(TopWnd, {0, 0, 50, 20}, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        // Not a tab stop: Tab passes it by.
        CWnd = C.Create(TopWnd, {0, 60, 50, 80}, WS_CHILD | WS_VISIBLE);
        BWnd = B.Create(TopWnd, {0, 30, 50, 50}, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        SetFocus(AWnd);
        Settle();
    }

    static void AnswerDlgCode(TTestWindow& W, LRESULT Code)
    {
        W.OnMessage = [Code](TMessage& M) {
            if (M.Msg != WM_GETDLGCODE) return false;
            M.Result = Code;
            return true;
        };
    }

    TMessageLog Keys() const { return Only(Log, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}); }
};

TEST_F(KeyboardTest, KeyTranslatesIntoKeyDownCharKeyUp)
{
    Session.Input.PressKey('A');
    const TMessageLog k = Keys();
    ASSERT_EQ(k.size(), 3u);
    EXPECT_EQ(k[0].Msg, WM_KEYDOWN);
    EXPECT_EQ(k[0].WParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(k[1].Msg, WM_CHAR);
    EXPECT_EQ(k[1].WParam, static_cast<WPARAM>('a'));
    EXPECT_EQ(k[2].Msg, WM_KEYUP);
    EXPECT_TRUE(k[2].LParam & KF_UP);
    for (const TLogEntry& e : k) EXPECT_EQ(e.Wnd, AWnd);
}

TEST_F(KeyboardTest, ShiftStateFollowsTheHeldModifiers)
{
    TShiftState seen;
    WPARAM ch = 0;
    A.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_KEYDOWN && M.WParam == 'B') seen = TWMKey(M).Shift();
        if (M.Msg == WM_CHAR) ch = M.WParam;
        return false;
    };
    Session.Input.PressKey('B', {ssShift, ssCtrl});
    EXPECT_TRUE(seen.Contains(ssShift));
    EXPECT_TRUE(seen.Contains(ssCtrl));
    EXPECT_FALSE(seen.Contains(ssAlt));
    EXPECT_EQ(ch, 2u);  // Ctrl+B types the control character 2
    EXPECT_FALSE(GetShiftState().Contains(ssShift));
}

TEST_F(KeyboardTest, AltComesInTheKeyData)
{
    LPARAM data = 0;
    A.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_KEYDOWN && M.WParam == VK_F4) data = M.LParam;
        return false;
    };
    Session.Input.PressKey(VK_F4, {ssAlt});
    EXPECT_TRUE(data & KF_ALTDOWN);
    EXPECT_TRUE(KeyDataToShiftState(data).Contains(ssAlt));
}

TEST_F(KeyboardTest, KeysWithoutACharacterSendNoChar)
{
    Session.Input.PressKey(VK_F2);
    Session.Input.PressKey(VK_DELETE);
    EXPECT_TRUE(Only(Log, {WM_CHAR}).empty());
    EXPECT_EQ(Only(Log, {WM_KEYDOWN}).size(), 2u);
}

TEST_F(KeyboardTest, TypedTextArrivesAsCharacters)
{
    Session.Input.TypeText("Hi 5!");
    std::string text;
    for (const TLogEntry& e : Only(Log, {WM_CHAR})) text += static_cast<char>(e.WParam);
    EXPECT_EQ(text, "Hi 5!");
}

TEST_F(KeyboardTest, TabMovesTheFocusBetweenTabStops)
{
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), BWnd);
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), AWnd);  // wraps around, passing the window without WS_TABSTOP
    Session.Input.PressKey(VK_TAB, {ssShift});
    EXPECT_EQ(GetFocus(), BWnd);
    // The Tab that moved the focus reached nobody as a key or a character.
    for (const TLogEntry& e : Keys()) {
        if (e.Msg != WM_KEYUP) {
            EXPECT_NE(e.WParam, static_cast<WPARAM>(VK_TAB));
        }
    }
    EXPECT_TRUE(Only(Log, {WM_CHAR}).empty());
}

TEST_F(KeyboardTest, WindowClaimingTabKeepsIt)
{
    AnswerDlgCode(A, DLGC_WANTTAB);
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), AWnd);
    const TMessageLog k = Only(Log, {WM_KEYDOWN, WM_CHAR});
    ASSERT_EQ(k.size(), 2u);
    EXPECT_EQ(k[0].WParam, static_cast<WPARAM>(VK_TAB));
    EXPECT_EQ(k[1].WParam, static_cast<WPARAM>('\t'));
}

TEST_F(KeyboardTest, ArrowsGoToAWindowThatClaimsThem)
{
    AnswerDlgCode(A, DLGC_WANTARROWS);
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(GetFocus(), AWnd);
    ASSERT_EQ(Only(Log, {WM_KEYDOWN}).size(), 1u);
    EXPECT_EQ(Only(Log, {WM_KEYDOWN})[0].WParam, static_cast<WPARAM>(VK_DOWN));
    // Claiming arrows does not claim Tab.
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), BWnd);
}

TEST_F(KeyboardTest, UnclaimedArrowsMoveTheFocus)
{
    Session.Input.PressKey(VK_RIGHT);
    EXPECT_EQ(GetFocus(), BWnd);
    Session.Input.PressKey(VK_UP);
    EXPECT_EQ(GetFocus(), AWnd);
    EXPECT_TRUE(Only(Log, {WM_KEYDOWN}).empty());
}

TEST_F(KeyboardTest, WantAllKeysTakesEnterEscapeAndTab)
{
    AnswerDlgCode(A, DLGC_WANTALLKEYS);
    Session.Input.PressKey(VK_TAB);
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_EQ(GetFocus(), AWnd);
    EXPECT_EQ(Only(Log, {WM_KEYDOWN}).size(), 3u);
}

TEST_F(KeyboardTest, TopLevelWindowMayTakeADialogKeyItself)
{
    Top.OnMessage = [](TMessage& M) {
        if (M.Msg != CM_DIALOGKEY || M.WParam != VK_RETURN) return false;
        M.Result = 1;
        return true;
    };
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(Only(Log, {CM_DIALOGKEY}).size(), 1u);
    EXPECT_TRUE(Only(Log, {WM_KEYDOWN, WM_CHAR}).empty());
    // Without the top-level window taking it, Enter reaches the focused window.
    Top.OnMessage = nullptr;
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(Only(Log, {WM_KEYDOWN}).size(), 1u);
}

TEST_F(KeyboardTest, CharacterPostedDuringAKeyArrivesAfterTheTypedOne)
{
    // As the grid does when a typed letter opens its editor: it posts the letter on.
    A.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_CHAR && M.WParam == 'x') PostMessage(BWnd, WM_CHAR, 'x');
        return false;
    };
    Session.Input.TypeText("xy");
    const TMessageLog chars = Only(Log, {WM_CHAR});
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[1].Wnd, BWnd);
    EXPECT_EQ(chars[1].WParam, static_cast<WPARAM>('x'));
    EXPECT_EQ(chars[2].WParam, static_cast<WPARAM>('y'));
}

TEST_F(KeyboardTest, KeysGoToTheActiveWindowWhenNothingHasTheFocus)
{
    SetFocus(nullptr);
    Session.Input.PressKey('Q');
    const TMessageLog k = Only(Log, {WM_KEYDOWN});
    ASSERT_EQ(k.size(), 1u);
    EXPECT_EQ(k[0].Wnd, TopWnd);
}

TEST_F(KeyboardTest, DisabledActiveWindowTakesNoKeys)
{
    SetFocus(nullptr);
    EnableWindow(TopWnd, false);
    Session.Input.PressKey('Q');
    EXPECT_TRUE(Only(Log, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}).empty());
}

}

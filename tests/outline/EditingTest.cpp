// Typing, caret keys, scrolling and the keys the editor hands to its owner.
#include <algorithm>

#include "EditorFixture.h"

TEST_F(EditorTest, TypingSessionEditsTheTextAndNotifiesEachChange)
{
    Open();
    EXPECT_EQ(Editor->SelText(), "alpha beta") << "loaded text is all selected";
    EXPECT_EQ(Changes(), 0) << "loading raises no change notification";

    struct TStep {
        const char* What;
        WORD Key;
        TShiftState Shift;
        const char* Text;  // typed after the key, when not null
        const char* Expect;
        int Caret;
        const char* Selected;
    };
    const TStep steps[] = {
        {"typing replaces the selection", 0, {}, "one two", "one two", 7, ""},
        {"Backspace", VK_BACK, {}, nullptr, "one tw", 6, ""},
        {"Home", VK_HOME, {}, nullptr, "one tw", 0, ""},
        {"Delete", VK_DELETE, {}, nullptr, "ne tw", 0, ""},
        {"Ctrl+Right steps a word", VK_RIGHT, {ssCtrl}, nullptr, "ne tw", 3, ""},
        {"Shift+End selects to the end", VK_END, {ssShift}, nullptr, "ne tw", 5, "tw"},
        {"typing over the selection", 0, {}, "x", "ne x", 4, ""},
        {"Ctrl+Left steps back a word", VK_LEFT, {ssCtrl}, nullptr, "ne x", 3, ""},
        {"Shift+Left selects a character", VK_LEFT, {ssShift}, nullptr, "ne x", 2, " "},
        {"Left collapses the selection", VK_LEFT, {}, nullptr, "ne x", 2, ""},
        {"Shift+Ctrl+Left selects the word", VK_LEFT, {ssShift, ssCtrl}, nullptr, "ne x", 0, "ne"},
        {"Ctrl+C copies", 'C', {ssCtrl}, nullptr, "ne x", 0, "ne"},
        {"End", VK_END, {}, nullptr, "ne x", 4, ""},
        {"Ctrl+V pastes", 'V', {ssCtrl}, nullptr, "ne xne", 6, ""},
        {"Ctrl+A selects all", 'A', {ssCtrl}, nullptr, "ne xne", 6, "ne xne"},
        {"Delete removes the selection", VK_DELETE, {}, nullptr, "", 0, ""},
        {"UTF-8 characters are one step", 0, {}, nullptr, "", 0, ""},
    };
    int expectedChanges = 0;
    std::string before = Editor->Text();
    for (const TStep& s : steps) {
        if (s.Key) Session.Input.PressKey(s.Key, s.Shift);
        if (s.Text) Session.Input.TypeText(s.Text);
        EXPECT_EQ(Editor->Text(), s.Expect) << s.What;
        EXPECT_EQ(Editor->CaretPos(), s.Caret) << s.What;
        EXPECT_EQ(Editor->SelText(), s.Selected) << s.What;
        if (Editor->Text() != before) expectedChanges += s.Text ? static_cast<int>(std::string(s.Text).size()) : 1;
        before = Editor->Text();
    }
    EXPECT_EQ(Changes(), expectedChanges) << "one EN_CHANGE per change, none for caret moves";
    for (const std::string& e : Log) {
        if (e.rfind("key ", 0) != 0) continue;
        const int key = std::stoi(e.substr(e.find_last_of(" +") + 1));
        EXPECT_TRUE(key != VK_BACK && key != VK_DELETE && key != VK_HOME && key != VK_END && key != VK_LEFT &&
                    key != VK_RIGHT)
            << "an editing key reached the owner: " << e;
    }

    // A two-byte character is stepped over and deleted as one.
    Session.Input.KeyDown(0, 0xE9);
    Session.Input.KeyUp(0);
    EXPECT_EQ(Editor->Text(), "\xC3\xA9");
    Session.Input.PressKey(VK_LEFT, {ssShift});
    EXPECT_EQ(Editor->SelText(), "\xC3\xA9");
}

TEST_F(EditorTest, NavigationKeysGoToTheOwnerAndArrowsLeaveAtTheEnds)
{
    Open();
    struct TCase {
        WORD Key;
        TShiftState Shift;
        int Caret;      // where the caret is before the key (-1: text all selected)
        bool Forwarded;
    };
    const int end = static_cast<int>(CellText.size());
    const TCase cases[] = {
        {VK_UP, {}, 3, true},         {VK_DOWN, {}, 3, true},       {VK_PRIOR, {}, 3, true},
        {VK_NEXT, {ssCtrl}, 3, true}, {VK_HOME, {ssCtrl}, 3, true}, {VK_END, {ssCtrl}, 3, true},
        {VK_TAB, {}, 3, true},        {VK_TAB, {ssShift}, 3, true}, {VK_RETURN, {}, 3, true},
        {VK_ESCAPE, {}, 3, true},     {VK_F2, {}, 3, true},         {VK_LEFT, {}, 0, true},
        {VK_RIGHT, {}, end, true},    {VK_LEFT, {}, 3, false},      {VK_RIGHT, {}, 3, false},
        {VK_LEFT, {}, -1, false},     {VK_RIGHT, {}, -1, false},    {VK_HOME, {}, 3, false},
        {VK_END, {}, 3, false},       {VK_DELETE, {}, 3, false},    {VK_BACK, {}, 3, false},
        {'A', {ssCtrl}, 3, false},
    };
    for (const TCase& c : cases) {
        Editor->SetText(CellText);
        if (c.Caret < 0) Editor->SelectAll();
        else Editor->SetSel(c.Caret, c.Caret);
        Log.clear();
        Session.Input.PressKey(c.Key, c.Shift);
        const bool forwarded = std::find(Log.begin(), Log.end(), "key " + KeyName(c.Key, c.Shift)) != Log.end();
        EXPECT_EQ(forwarded, c.Forwarded) << KeyName(c.Key, c.Shift) << " with the caret at " << c.Caret;
    }
    // Enter and Escape reach the owner's key-press callback too; Tab and Escape type nothing.
    Editor->SetText("x");
    Log.clear();
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_EQ(Log, (std::vector<std::string>{"key 13", "press #13", "key 27", "press #27"}));
    EXPECT_EQ(Editor->Text(), "x");
}

TEST_F(EditorTest, OwnerAndReadOnlyStateDecideWhatTypingDoes)
{
    // The owner's key-press callback may swallow a character.
    Editor->OnKeyPressParent = [](TObject*, char& Key) {
        if (Key == 'q') Key = 0;
    };
    Open();
    Session.Input.TypeText("aqb");
    EXPECT_EQ(Editor->Text(), "ab");

    CellReadOnly = true;
    Open();
    Session.Input.TypeText("zz");
    Session.Input.PressKey(VK_BACK);
    Session.Input.PressKey(VK_DELETE);
    Session.Input.PressKey('V', {ssCtrl});
    EXPECT_EQ(Editor->Text(), CellText) << "a read-only cell keeps its text";
    Session.Input.PressKey(VK_END);
    Session.Input.PressKey(VK_HOME, {ssShift});
    EXPECT_EQ(Editor->SelText(), CellText) << "but the caret and the selection still move";
    EXPECT_EQ(Changes(), 0);
}

TEST_F(EditorTest, LongTextScrollsSoTheCaretStaysInTheBox)
{
    CellText = "";
    Open();
    Session.Input.TypeText("the quick brown fox jumps over the lazy dog");
    const int box = TEditOwner::CellRect().Width();
    EXPECT_GT(Editor->ScrollX(), 0);
    const int caretX = 2 + TextWidth(Editor->Text()) - Editor->ScrollX();
    EXPECT_LE(caretX, box) << "the caret at the end is inside the box";
    Session.Input.PressKey(VK_HOME);
    EXPECT_EQ(Editor->ScrollX(), 0);
    // A click near the right edge lands on a character that is scrolled into view.
    Session.Input.PressKey(VK_END);
    Session.Input.Click(EW(), {box - 4, 10});
    EXPECT_GT(Editor->CaretPos(), 30);
}

// Selecting with the mouse: click, drag, Shift+click, double click and the owner's click time.
#include "EditorFixture.h"

TEST_F(EditorTest, MouseSessionPlacesTheCaretAndSelects)
{
    CellText = "alpha beta gamma";
    Open();
    Session.Input.Click(EW(), At(3));
    EXPECT_EQ(Editor->CaretPos(), 3);
    EXPECT_EQ(Editor->SelLength(), 0) << "a click drops the loaded selection";

    Session.Input.Drag(EW(), At(6), At(10));
    EXPECT_EQ(Editor->SelText(), "beta");
    EXPECT_EQ(Editor->CaretPos(), 10) << "the caret follows the pointer";

    Session.Input.Drag(EW(), At(10), {-30, 10});
    EXPECT_EQ(Editor->SelText(), "alpha beta") << "dragging past the left edge selects to the start";

    Session.Input.Click(EW(), At(2));
    Session.Input.KeyDown(VK_SHIFT);
    Session.Input.Click(EW(), At(8));
    Session.Input.KeyUp(VK_SHIFT);
    EXPECT_EQ(Editor->SelText(), "pha be") << "Shift+click extends from the caret";

    Log.clear();
    Session.Input.DoubleClick(EW(), At(13));
    EXPECT_EQ(Editor->SelText(), "gamma");
    EXPECT_EQ(Without("EN_CHANGE"), std::vector<std::string>{"dblclick"});
    EXPECT_EQ(Changes(), 0);
}

TEST_F(EditorTest, PressSoonAfterTheOwnersClickIsADoubleClick)
{
    Open();
    // The owner took the first press at the current message time and showed the editor.
    Editor->SetClickTime(GetTickCount());
    Session.Backend().AdvanceTime(100);
    Session.Input.MouseDown(EW(), At(8));
    Session.Input.MouseUp(EW(), At(8));
    EXPECT_EQ(Editor->SelText(), "beta");
    EXPECT_EQ(Log, std::vector<std::string>{"dblclick"});

    // Once used, or when late, the click time makes an ordinary click.
    Log.clear();
    Session.Input.Click(EW(), At(2));
    Editor->SetClickTime(GetTickCount());
    Session.Backend().AdvanceTime(TWindowSystem::DoubleClickTime + 1);
    Session.Input.Click(EW(), At(8));
    EXPECT_EQ(Editor->CaretPos(), 8);
    EXPECT_TRUE(Log.empty());
}

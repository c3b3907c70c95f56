// The editor's look over a cell: selected text, the ellipsis button and the two dropped lists.
#include "EditorFixture.h"
#include "tests/support/Golden.h"
#include "host/windows/Paint.h"

class SnapshotTest : public EditorTest {
protected:
    // The form's top-left 220 x 170 pixels with the open list (a window of its own) laid over it
    // where the screen shows it.
    std::unique_ptr<TBitmap> Picture()
    {
        ProcessMessages();
        const std::unique_ptr<TBitmap> form = CaptureWindow(Form->Handle());
        auto picture = std::make_unique<TBitmap>(220, 170);
        picture->Canvas()->CopyRect({0, 0, 220, 170}, *form->Canvas(), {0, 0, 220, 170});
        if (Editor->ListVisible()) {
            const std::unique_ptr<TBitmap> list = CaptureWindow(Editor->List()->Handle());
            TRect formRect, listRect;
            GetWindowRect(Form->Handle(), formRect);
            GetWindowRect(Editor->List()->Handle(), listRect);
            picture->Canvas()->Draw(listRect.Left - formRect.Left, listRect.Top - formRect.Top, *list);
        }
        return picture;
    }
};

TEST_F(SnapshotTest, EditorLooks)
{
    Open();
    Session.Input.DoubleClick(EW(), At(8));
    ExpectMatchesGolden("editor_selected_text", *Picture());

    Style = esEllipsisButton;
    Open();
    Editor->Deselect();
    ExpectMatchesGolden("editor_ellipsis_button", *Picture());

    Style = esDropDownList;
    Picks = {"red", "green", "blue", "cyan", "magenta"};
    CellText = "green";
    Open();
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    ExpectMatchesGolden("editor_pick_list", *Picture());

    Style = esDropDownCheckList;
    CellText = "red, blue";
    Open();
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    Session.Input.PressKey(VK_DOWN);
    ExpectMatchesGolden("editor_check_list", *Picture());
}

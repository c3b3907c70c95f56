// Leaving the designer's dialogs: Escape goes first to the value editor and its list, then
// leaves the layout editor as Cancel, though it has no Cancel button that Escape presses; the
// window manager's close request cancels the layout editor and the strings editor over it.
// Closed otherwise than by its buttons the layout editor keeps its change flag, so what Open
// answers is not checked here: nothing may be written.
#include "EditorFixture.h"
#include "design/StrEde.h"
#include "host/controls/Memo.h"

TEST_F(LayoutEditorTest, EscapeClosesTheValueEditorAndItsListFirstThenCancelsTheDialog)
{
    const std::string before = Layouts();
    std::vector<std::string> log;
    Open([&] {
        Type("Layout0/Column0/Width", "99");
        Select("Layout0/Column1/Type");
        Session.Input.PressKey(VK_F2);
        Session.Input.PressKey(VK_DOWN, { ssAlt });
        Session.Input.PressKey(VK_ESCAPE);
        if (!Editor->GridLay->Editor()->ListVisible() && Editor->GridLay->EditorMode()) log.push_back("list closed");
        Session.Input.TypeText("x");
        Session.Input.PressKey(VK_ESCAPE);
        if (!Editor->GridLay->EditorMode() && Editor->ModalResult() == mrNone) log.push_back("edit cancelled");
        Session.Input.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(log, (std::vector<std::string> { "list closed", "edit cancelled" }));
    EXPECT_EQ(Layouts(), before) << "Escape cancels: the width typed before is not written";
}

TEST_F(LayoutEditorTest, TheCloseRequestCancelsTheStringsEditorAndTheLayoutEditor)
{
    const std::string before = Layouts();
    TZelColumn* qty = Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(1);
    qty->GetPickList()->SetText("a\r\nb\r\n");
    bool stringsOwned = false;
    OtherDialog = [&](TCustomForm* Form) {
        auto* strings = dynamic_cast<TStringsEd*>(Form);
        ASSERT_NE(strings, nullptr);
        stringsOwned = GetParent(strings->Handle()) == Editor->Handle();
        // Escape in the memo stays there; the request waits for the dialog's loop.
        Session.Input.TypeText("c");
        Session.Input.PressKey(VK_ESCAPE);
        EXPECT_EQ(strings->ModalResult(), mrNone);
        Session.Input.CloseRequest(strings->Handle(), false);
    };
    Open([&] {
        Type("Layout0/Column0/Width", "99");
        Select("Layout0/Column1/PickList");
        Session.Input.PressKey(VK_F2);
        ClickEditorButton();
        Session.Input.PressKey(VK_ESCAPE);
        EXPECT_EQ(TGridEditor::NodeRecord(Node("Layout0/Column1"))->PickListText, "a\r\nb\r\n")
            << "the strings editor ended as Cancel";
        EXPECT_EQ(Editor->ModalResult(), mrNone);
        Session.Input.CloseRequest(Editor->Handle(), false);
    });
    EXPECT_TRUE(stringsOwned) << "the strings editor belongs to the layout editor's window";
    EXPECT_EQ(Layouts(), before);
}

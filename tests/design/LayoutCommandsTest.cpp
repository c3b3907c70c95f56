// The layout editor's commands on layouts and columns: new, delete, move, copy and paste, the
// messages a wrong selection gives, and what OK then writes.
#include "EditorFixture.h"
#include "host/controls/Menus.h"

TEST_F(LayoutEditorTest, CopyAndPasteOntoItselfWritesTheSameLayouts)
{
    const std::string before = Layouts();
    const bool changed = Open([&] {
        Select("Layout0");
        Keys('C', { ssCtrl });
        EXPECT_FALSE(Editor->Modified()) << "Copy changes nothing";
        EXPECT_TRUE(Editor->CanPaste());
        Keys('V', { ssCtrl });
        EXPECT_TRUE(Editor->Modified()) << "Paste sets the flag even when it does nothing";
        EXPECT_EQ(Node("Layout0")->Count(), 2);
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Layouts(), before) << "the layouts went through the records and came back the same";
}

TEST_F(LayoutEditorTest, CopiedColumnIsPastedWithItsLaterChanges)
{
    const bool changed = Open([&] {
        Select("Layout0/Column0");
        Keys('C', { ssCtrl });
        Type("Layout0/Column0/Width", "33");
        // The menu opens on a right click with Paste enabled only over a node of the copied kind.
        const auto pasteEnabledOver = [&](const std::string& Path) {
            TTreeNode* node = Select(Path);
            const TRect r = Editor->GridLay->CaptionRect(node);
            Session.Input.Click(Editor->GridLay->Handle(), { r.Left + 30, r.Top + 4 }, mbRight);
            EXPECT_TRUE(Editor->GridMenu->IsOpen());
            const bool enabled = Editor->Paste->Enabled();
            Session.Input.PressKey(VK_ESCAPE);
            return enabled;
        };
        EXPECT_FALSE(pasteEnabledOver("Layout1")) << "a column copied, a layout selected";
        EXPECT_TRUE(pasteEnabledOver("Layout1/Column0"));
        Select("Layout1/Column0/Visible");
        Keys('C', { ssCtrl });
        EXPECT_EQ(Editor->CopyNode(), Node("Layout0/Column0")) << "copying a property row keeps the earlier copy";
        Select("Layout1/Column0");
        Keys('V', { ssCtrl });
        EXPECT_EQ(Value("Layout1/Column0/Width"), "33");
        EXPECT_EQ(Value("Layout1/Column0/Title Caption"), "Name");
        EXPECT_EQ(Value("Layout0/Column0/Width"), "33");

        // Moving: a property row moves its column, never out of its layout; a layout moves among
        // the layouts. Moving past the end moves nothing but still counts as a change.
        Select("Layout0/Column0/Format");
        Keys(VK_DOWN, { ssCtrl, ssShift });
        Keys(VK_DOWN, { ssCtrl, ssShift });
        EXPECT_EQ(Node("Layout0")->Item(1)->Text(), "Column0");
        // A new column goes to the end of the selection's layout, numbered by the columns there.
        EXPECT_EQ(Keys(VK_F3), 0);
        EXPECT_EQ(Node("Layout0")->Item(2)->Text(), "Column2");
        const TZelColumnRec* added = TGridEditor::NodeRecord(Node("Layout0/Column2"));
        EXPECT_EQ(added->Font->Name(), "MS Sans Serif");
        EXPECT_EQ(added->Titlefont->Height(), -11);
        EXPECT_EQ(added->Titlefont->Color(), clWindowText);
        Select("Layout1");
        Keys(VK_UP, { ssCtrl, ssShift });
        EXPECT_EQ(Editor->GridLay->Items()->TopItem(0)->Text(), "Layout1");
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Layouts(),
        "[Name:33:0:clWindow:MS Sans Serif:1]"
        "[Qty:64:1:clWindow:MS Sans Serif:1 Name:33:0:clWindow:MS Sans Serif:1 :60:0:clWindow:MS Sans Serif:1]");
}

TEST_F(LayoutEditorTest, DeletedCopySourceIsForgottenAndWrongSelectionsAreTold)
{
    Open([&] {
        EXPECT_EQ(Keys(VK_F4, { ssShift }), 1) << "nothing selected";
        EXPECT_EQ(Keys(VK_F4), 1);
        EXPECT_EQ(Keys(VK_F4, { ssCtrl }), 1);
        Keys(VK_UP, { ssCtrl, ssShift });
        EXPECT_FALSE(Editor->Modified()) << "refused commands change nothing";

        Select("Layout0/Column1");
        Keys('C', { ssCtrl });
        EXPECT_EQ(Keys(VK_F4, { ssShift }), 1) << "a column is no layout";
        Select("Layout0");
        EXPECT_EQ(Keys(VK_F4), 1) << "a layout is no column";
        EXPECT_FALSE(Editor->Modified());
        Keys(VK_F4, { ssShift });
        EXPECT_EQ(Editor->CopyNode(), nullptr) << "the copied column went with its layout";
        Select("Layout1/Column0");
        EXPECT_FALSE(Editor->CanPaste());
        Editor->SetModified(false);
        Keys('V', { ssCtrl });
        EXPECT_FALSE(Editor->Modified()) << "the shortcut of a disabled Paste runs nothing";
        Editor->PasteClick(nullptr);
        EXPECT_TRUE(Editor->Modified()) << "Paste run directly sets the flag even when it does nothing";
        EXPECT_EQ(Value("Layout1/Column0/Title Caption"), "Note");

        // A copied column whose layout's columns are replaced by a paste is forgotten too.
        Keys('C', { ssCtrl });
        Keys(VK_F3, { ssShift });
        EXPECT_EQ(Editor->GridLay->Items()->TopItem(1)->Text(), "Layout1") << "captions count the layouts present";
        Select("Layout1");
        EXPECT_EQ(Node("Layout1"), Editor->GridLay->Items()->TopItem(0));
        Editor->GridLay->SetSelected(Editor->GridLay->Items()->TopItem(1));
        Keys('C', { ssCtrl });
        Editor->GridLay->SetSelected(Editor->GridLay->Items()->TopItem(0));
        Keys('V', { ssCtrl });
        EXPECT_EQ(Editor->GridLay->Items()->TopItem(0)->Count(), 0) << "the empty layout pasted over the full one";
        Keys(VK_F3);
        Keys(VK_F3);
        Select("Layout1/Column1");
        Keys('C', { ssCtrl });
        Keys(VK_F4, { ssCtrl });
        EXPECT_EQ(Editor->CopyNode(), nullptr);
        Press(Editor->OkBtn);
    });
    EXPECT_EQ(Layouts(), "[][]");
}

TEST_F(LayoutEditorTest, DeletingEveryLayoutLeavesTheGridOneEmptyLayout)
{
    Grid->SetLayoutIndex(1);
    const bool changed = Open([&] {
        Select("Layout1");
        Keys(VK_F4, { ssShift });
        Select("Layout0");
        Keys(VK_F4, { ssShift });
        EXPECT_EQ(Editor->GridLay->Items()->Count(), 0);
        EXPECT_EQ(Keys(VK_F3), 1) << "nothing selected";
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Layouts(), "[]");
    EXPECT_EQ(Grid->LayoutIndex(), 0);
}

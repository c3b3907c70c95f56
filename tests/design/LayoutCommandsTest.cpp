// The layout editor's commands on layouts and columns: new, delete, move, copy and paste, the
// messages a wrong selection gives, and what OK then writes.
#include "EditorFixture.h"

TEST_F(LayoutEditorTest, CopyAndPasteOntoItselfWritesTheSameLayouts)
{
    const std::string before = Layouts();
    const bool changed = Open([&] {
        Select("Layout0");
        Run(&TGridEditor::copyClick);
        EXPECT_FALSE(Editor->Modified()) << "Copy changes nothing";
        EXPECT_TRUE(Editor->CanPaste());
        Run(&TGridEditor::PasteClick);
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
        Run(&TGridEditor::copyClick);
        Type("Layout0/Column0/Width", "33");
        Select("Layout1");
        EXPECT_FALSE(Editor->CanPaste()) << "a column copied, a layout selected";
        Select("Layout1/Column0/Visible");
        Run(&TGridEditor::copyClick);
        EXPECT_EQ(Editor->CopyNode(), Node("Layout0/Column0")) << "copying a property row keeps the earlier copy";
        Select("Layout1/Column0");
        Run(&TGridEditor::PasteClick);
        EXPECT_EQ(Value("Layout1/Column0/Width"), "33");
        EXPECT_EQ(Value("Layout1/Column0/Title Caption"), "Name");
        EXPECT_EQ(Value("Layout0/Column0/Width"), "33");

        // Moving: a property row moves its column, never out of its layout; a layout moves among
        // the layouts. Moving past the end moves nothing but still counts as a change.
        Select("Layout0/Column0/Format");
        Run(&TGridEditor::GodownClick);
        Run(&TGridEditor::GodownClick);
        EXPECT_EQ(Node("Layout0")->Item(1)->Text(), "Column0");
        // A new column goes to the end of the selection's layout, numbered by the columns there.
        EXPECT_EQ(Run(&TGridEditor::NewcolClick), 0);
        EXPECT_EQ(Node("Layout0")->Item(2)->Text(), "Column2");
        const TZelColumnRec* added = TGridEditor::NodeRecord(Node("Layout0/Column2"));
        EXPECT_EQ(added->Font->Name(), "MS Sans Serif");
        EXPECT_EQ(added->Titlefont->Height(), -11);
        EXPECT_EQ(added->Titlefont->Color(), clWindowText);
        Select("Layout1");
        Run(&TGridEditor::GoUpClick);
        EXPECT_EQ(Editor->GridLay->Items()->TopItem(0)->Text(), "Layout1");
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Layouts(), "[Name:33:0:clWindow:MS Sans Serif:1]"
                         "[Qty:64:1:clWindow:MS Sans Serif:1 Name:33:0:clWindow:MS Sans Serif:1 :60:0:clBlack:MS Sans Serif:1]");
}

TEST_F(LayoutEditorTest, DeletedCopySourceIsForgottenAndWrongSelectionsAreTold)
{
    Open([&] {
        EXPECT_EQ(Run(&TGridEditor::DelLayoutClick), 1) << "nothing selected";
        EXPECT_EQ(Run(&TGridEditor::DelcolClick), 1);
        EXPECT_EQ(Run(&TGridEditor::DelAllColsClick), 1);
        Run(&TGridEditor::GoUpClick);
        EXPECT_FALSE(Editor->Modified()) << "refused commands change nothing";

        Select("Layout0/Column1");
        Run(&TGridEditor::copyClick);
        EXPECT_EQ(Run(&TGridEditor::DelLayoutClick), 1) << "a column is no layout";
        Select("Layout0");
        EXPECT_EQ(Run(&TGridEditor::DelcolClick), 1) << "a layout is no column";
        EXPECT_FALSE(Editor->Modified());
        Run(&TGridEditor::DelLayoutClick);
        EXPECT_EQ(Editor->CopyNode(), nullptr) << "the copied column went with its layout";
        Select("Layout1/Column0");
        EXPECT_FALSE(Editor->CanPaste());
        Editor->SetModified(false);
        Run(&TGridEditor::PasteClick);
        EXPECT_TRUE(Editor->Modified());
        EXPECT_EQ(Value("Layout1/Column0/Title Caption"), "Note");

        // A copied column whose layout's columns are replaced by a paste is forgotten too.
        Run(&TGridEditor::copyClick);
        Run(&TGridEditor::NewLayoutClick);
        EXPECT_EQ(Editor->GridLay->Items()->TopItem(1)->Text(), "Layout1") << "captions count the layouts present";
        Select("Layout1");
        EXPECT_EQ(Node("Layout1"), Editor->GridLay->Items()->TopItem(0));
        Editor->GridLay->SetSelected(Editor->GridLay->Items()->TopItem(1));
        Run(&TGridEditor::copyClick);
        Editor->GridLay->SetSelected(Editor->GridLay->Items()->TopItem(0));
        Run(&TGridEditor::PasteClick);
        EXPECT_EQ(Editor->GridLay->Items()->TopItem(0)->Count(), 0) << "the empty layout pasted over the full one";
        Run(&TGridEditor::NewcolClick);
        Run(&TGridEditor::NewcolClick);
        Select("Layout1/Column1");
        Run(&TGridEditor::copyClick);
        Run(&TGridEditor::DelAllColsClick);
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
        Run(&TGridEditor::DelLayoutClick);
        Select("Layout0");
        Run(&TGridEditor::DelLayoutClick);
        EXPECT_EQ(Editor->GridLay->Items()->Count(), 0);
        EXPECT_EQ(Run(&TGridEditor::NewcolClick), 1) << "nothing selected";
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Layouts(), "[]");
    EXPECT_EQ(Grid->LayoutIndex(), 0);
}

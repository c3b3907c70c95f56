// The outline tree's look: headers, lines, an expanded and a collapsed node, leaf rows with and
// without a value glyph, the selection, and a value being edited.
#include "TreeFixture.h"
#include "host/windows/Paint.h"
#include "tests/support/Golden.h"

TEST_F(TreeTest, TreeLooks)
{
    // The Visible rows show a check box before their text.
    Tree->OnGetNodeData = [this](TTreeNode* Node, std::string& Text, bool& Flag, int& Number) {
        Text = Values[Node];
        if (Node->Text() != "Visible") return;
        Flag = true;
        Number = Text == "Yes" ? 1 : 0;
    };
    Values[Column0->Item(3)] = "No";
    Layout0->Expand(false);
    Column0->Expand(false);
    Tree->SetSelected(Column0->Item(1));
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("120");
    ProcessMessages();
    const std::unique_ptr<TBitmap> form = CaptureWindow(Form->Handle());
    TBitmap picture(390, 200);
    picture.Canvas()->CopyRect({0, 0, 390, 200}, *form->Canvas(), {0, 0, 390, 200});
    ExpectMatchesGolden("tree_with_headers_and_edit", picture);
}

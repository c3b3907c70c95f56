#pragma once
// A grid of two layouts and the layout editor opened on it as the designer opens it, with the
// user played inside the modal loop: clicks on the tree's buttons and captions, typed values,
// clicks on OK, Cancel and Apply.
#include "design/GridEditor.h"
#include "host/controls/Application.h"
#include "host/controls/ListBox.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "outline/OutInplaceEdit.h"
#include "zelgrid/ColumnRec.h"
#include "zelgrid/Zelgrid.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

class LayoutEditorTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    std::unique_ptr<TZelGrid> Grid = std::make_unique<TZelGrid>(nullptr);
    TGridEditor* Editor = nullptr;
    // Message boxes shown while the editor was open; each is answered with OK.
    int Messages = 0;
    // Answers the other dialogs the editor opens (the font dialog); unset, they get OK.
    std::function<void(TCustomForm*)> OtherDialog;

    LayoutEditorTest()
    {
        // Layout0: Name (width 80), Qty (right aligned); Layout1: Note.
        TZelColLayout* layouts = Grid->Layout();
        TZelGridColumns* first = layouts->GetItem(0)->GeTZelColumns();
        TZelColumn* name = first->Add();
        name->Title()->SetCaption("Name");
        name->SetWidth(80);
        TZelColumn* qty = first->Add();
        qty->Title()->SetCaption("Qty");
        qty->SetAlignment(taRightJustify);
        layouts->Add()->GeTZelColumns()->Add()->Title()->SetCaption("Note");
    }

    // Runs the editor on the grid; Script plays the user while the dialog is shown. Answers
    // whether the opener would tell the designer that the form changed.
    bool Open(const std::function<void()>& Script)
    {
        TModalHookGuard hook([&](TCustomForm* Form) {
            if (auto* editor = dynamic_cast<TGridEditor*>(Form)) {
                Editor = editor;
                Script();
                return;
            }
            if (OtherDialog) return OtherDialog(Form);
            ++Messages;
            Form->SetModalResult(mrOk);
        });
        const bool changed = ExecuteLayoutEditor(Grid.get(), "Form1.ZelGrid1 LayoutEditor");
        Editor = nullptr;
        return changed;
    }

    // The node at a path of captions: "Layout0/Column1/Width".
    TTreeNode* Node(const std::string& Path)
    {
        std::stringstream parts(Path);
        std::string caption;
        TTreeNode* node = nullptr;
        while (std::getline(parts, caption, '/')) {
            TTreeNode* child = node ? node->getFirstChild() : Editor->GridLay->Items()->GetFirstNode();
            while (child && child->Text() != caption) child = child->getNextSibling();
            if (!child) throw std::runtime_error("no node " + Path);
            node = child;
        }
        return node;
    }
    // Opens every collapsed ancestor with a click on its button, then clicks the caption.
    TTreeNode* Select(const std::string& Path)
    {
        TTreeNode* node = Node(Path);
        for (int level = 0; level < node->Level(); ++level) {
            TTreeNode* a = node;
            while (a->Level() > level) a = a->Parent();
            if (a->Expanded()) continue;
            Editor->GridLay->MakeVisible(a);
            const TRect b = Editor->GridLay->ButtonRect(a);
            Session.Input.Click(Editor->GridLay->Handle(), { b.Left + b.Width() / 2, b.Top + b.Height() / 2 });
        }
        Editor->GridLay->MakeVisible(node);
        const TRect r = Editor->GridLay->CaptionRect(node);
        Session.Input.Click(
            Editor->GridLay->Handle(), { (node->Level() + 1) * Editor->GridLay->Indent() + 8, r.Top + r.Height() / 2 });
        EXPECT_EQ(Editor->GridLay->Selected(), node) << Path;
        return node;
    }
    // Selects the row, types Text over its value and presses Enter.
    void Type(const std::string& Path, const std::string& Text)
    {
        Select(Path);
        Session.Input.PressKey(VK_F2);
        Session.Input.PressKey('A', { ssCtrl });
        Session.Input.PressKey(VK_DELETE);
        Session.Input.TypeText(Text);
        Session.Input.PressKey(VK_RETURN);
    }
    // The value column's text of a row, as the tree paints it.
    std::string Value(const std::string& Path)
    {
        std::string text;
        bool flag = true;
        int number = 0;
        Editor->GridLay->GetNodeData(Node(Path), text, flag, number);
        return text;
    }
    // Presses a command's shortcut on the tree and answers how many message boxes it showed.
    int Keys(WORD Key, TShiftState Shift = {})
    {
        const int before = Messages;
        Session.Input.PressKey(Key, Shift);
        return Messages - before;
    }
    void Press(TButton* Button)
    {
        Session.Input.Click(Button->Handle(), { Button->Width() / 2, Button->Height() / 2 });
    }
    // Clicks the button of the open in-place editor (the ellipsis or the drop-down arrow).
    void ClickEditorButton()
    {
        TOutInplaceEdit* edit = Editor->GridLay->Editor();
        const TRect b = edit->ButtonRect();
        Session.Input.Click(edit->Handle(), { b.Left + b.Width() / 2, b.Top + b.Height() / 2 });
    }
    // Clicks the line of a dialog's list that reads Text, scrolled into view first.
    void ClickLine(TListBox* List, const std::string& Text)
    {
        const int index = List->Items()->IndexOf(Text);
        ASSERT_GE(index, 0) << Text;
        if (index < List->TopIndex() || index >= List->TopIndex() + List->VisibleRows()) List->SetTopIndex(index);
        const TRect r = List->ItemRect(index);
        Session.Input.Click(List->Handle(), { r.Left + 4, r.Top + r.Height() / 2 });
    }

    // Every layout of the grid, one line per layout: each column's effective settings.
    std::string Layouts() const
    {
        std::string s;
        TZelColLayout* layouts = Grid->Layout();
        for (int i = 0; i < layouts->Count(); ++i) {
            TZelGridColumns* columns = layouts->GetItem(i)->GeTZelColumns();
            s += "[";
            for (int j = 0; j < columns->Count(); ++j) {
                TZelColumn* c = columns->GeTZelColumn(j);
                s += (j ? " " : "") + c->Title()->GetCaption() + ":" + std::to_string(c->GetWidth()) + ":"
                    + std::to_string(c->GetAlignment()) + ":" + ColorToString(c->GetColor()) + ":"
                    + c->GetFont()->Name() + ":" + std::to_string(c->Visible());
            }
            s += "]";
        }
        return s;
    }
};

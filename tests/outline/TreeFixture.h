#pragma once
// An outline tree on a shown headless form, filled like a small layout editor: two layouts, the
// first with two columns of four property rows. The fixture keeps the values, answers the
// tree's events and logs them in order.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "outline/OutInplaceEdit.h"
#include "outline/OutlineTreeView.h"
#include "outline/PopupList.h"

class TreeTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TOutlineTreeView* Tree = nullptr;
    std::vector<std::string> Log;
    std::map<const TTreeNode*, std::string> Values;
    TTreeNode *Layout0 = nullptr, *Layout1 = nullptr, *Column0 = nullptr, *Column1 = nullptr;

    TreeTest()
    {
        Form->SetBounds(50, 50, 420, 300);
        Tree = new TOutlineTreeView(Form);
        Tree->SetBounds(0, 0, 387, 265);
        Tree->SetParent(Form);
        Tree->SetTreeOptions({totShowLines, totShowButtons, totNopaintNoChilds, totDrawGrid, totResizeCols, totEditing});
        Tree->SetWidthOutline(200);
        Tree->SetPropText("Columns");
        Tree->SetValuesText("Values");
        Tree->SetBackgroundColor(clSilver);
        Tree->SetSelectedBackgroundColor(clSilver);
        Fill();
        Wire();
        Form->Show();
        ProcessMessages();
        Tree->SetFocus();
        ProcessMessages();
    }
    ~TreeTest() override { delete Form; }

    void Fill()
    {
        TTreeNodes* items = Tree->Items();
        Layout0 = items->Add(nullptr, "Layout0");
        Layout1 = items->Add(nullptr, "Layout1");
        Column0 = items->AddChild(Layout0, "Column0");
        Column1 = items->AddChild(Layout0, "Column1");
        for (TTreeNode* column : {Column0, Column1}) {
            Values[column] = "...";
            for (const char* caption : {"Alignment", "Width", "Font", "Visible"}) {
                TTreeNode* row = items->AddChild(column, caption);
                Values[row] = std::string(caption) == "Alignment" ? "Left"
                              : std::string(caption) == "Width"   ? "64"
                              : std::string(caption) == "Font"    ? "Sans;8;clWindowText"
                                                                  : "Yes";
            }
        }
        Values[Layout0] = Values[Layout1] = "...";
    }

    void Wire()
    {
        Tree->OnGetNodeData = [this](TTreeNode* Node, std::string& Text, bool&, int&) { Text = Values[Node]; };
        Tree->OnIsReadOnlyNode = [this](TTreeNode* Node, bool& ReadOnly) {
            Log.push_back("readonly? " + Node->Text());
            ReadOnly = Node->Level() < 2;
        };
        Tree->OnGetEditStyle = [](TTreeNode* Node, TEditStyle& Style) {
            if (Node->Text() == "Alignment" || Node->Text() == "Visible") Style = esDropDownList;
            if (Node->Text() == "Font") Style = esEllipsisButton;
        };
        Tree->OnGetPicklist = [this](TTreeNode* Node, TStrings* List) {
            Log.push_back("picklist " + Node->Text() + " arrives with " + std::to_string(List->Count()));
            if (Node->Text() == "Alignment")
                for (const char* s : {"Left", "Right", "Center"}) List->Add(s);
            if (Node->Text() == "Visible")
                for (const char* s : {"No", "Yes"}) List->Add(s);
        };
        Tree->OnValidateNodeData = [this](TTreeNode* Node, const std::string& Text) {
            Log.push_back("validate " + Node->Text() + "=" + Text);
            if (Node->Text() == "Width" && Text.find_first_not_of("-0123456789") != std::string::npos)
                throw EConvertError("'" + Text + "' is not a valid integer value");
            if (Node->Text() != "Font") Values[Node] = Text;
        };
        Tree->OnEditButtonClick = [this](TTreeNode* Node) {
            Log.push_back("button " + Node->Text());
            Values[Node] = "Serif;10;clRed";
        };
    }

    HWND TW() { return Tree->Handle(); }
    TPoint CaptionPoint(TTreeNode* Node)
    {
        const TRect r = Tree->CaptionRect(Node);
        return {(Node->Level() + 1) * Tree->Indent() + 8, r.Top + r.Height() / 2};
    }
    TPoint ButtonPoint(TTreeNode* Node)
    {
        const TRect r = Tree->ButtonRect(Node);
        return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
    }
    TPoint ValuePoint(TTreeNode* Node)
    {
        const TRect r = Tree->ValueRect(Node);
        return {r.Left + 20, r.Top + r.Height() / 2};
    }
    std::string SelectedText() const { return Tree->Selected() ? Tree->Selected()->Text() : "(none)"; }
    // "Layout0+ Layout1" style: the captions of the shown rows, '+' after an expanded node.
    std::string Rows()
    {
        std::string s;
        for (int r = 0; r < Tree->RowCount(); ++r) {
            const TTreeNode* n = Tree->RowNode(r);
            if (!s.empty()) s += ' ';
            s += n->Text() + (n->Expanded() && n->HasChildren() ? "+" : "");
        }
        return s;
    }
    std::vector<std::string> TakeLog()
    {
        std::vector<std::string> out;
        out.swap(Log);
        return out;
    }
};

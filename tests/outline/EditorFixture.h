#pragma once
// An in-place editor over a cell of an owner control on a shown headless form. The owner stands
// in for a grid: it keeps cell values, answers the editor's callbacks, and logs every callback
// and change notification in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/controls/Forms.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowSystem.h"
#include "outline/OutInplaceEdit.h"
#include "outline/PopupList.h"

class TEditOwner : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<std::string>* Log = nullptr;
    LRESULT DlgCode = DLGC_WANTARROWS | DLGC_WANTTAB;

protected:
    void WMCommand(TWMCommand& Message) override
    {
        if (Message.NotifyCode() == EN_CHANGE && Log) Log->push_back("EN_CHANGE");
    }
    void WMGetDlgCode(TWMGetDlgCode& Message) override { Message.SetResult(DlgCode); }
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clWindow);
        Canvas()->FillRect(ClientRect());
        Canvas()->Brush()->SetColor(clBtnFace);
        Canvas()->FrameRect(CellRect());
    }

public:
    static TRect CellRect() { return {20, 20, 140, 40}; }
};

class EditorTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TEditOwner* Owner = nullptr;
    TOutInplaceEdit* Editor = nullptr;
    std::vector<std::string> Log;

    // What the owner answers.
    std::string CellText = "alpha beta";
    TEditStyle Style = esNoButton;
    std::vector<std::string> Picks;
    bool CellReadOnly = false;
    bool CancelValidation = false;
    bool ForwardKeys = true;

    EditorTest() { Build(100, 100); }
    ~EditorTest() override { delete Form; }

    void Build(int FormLeft, int FormTop)
    {
        Form->SetBounds(FormLeft, FormTop, 300, 200);
        Owner = new TEditOwner(Form);
        Owner->Log = &Log;
        Owner->SetTabStop(true);
        Owner->SetBounds(0, 0, 200, 120);
        Owner->SetParent(Form);
        Owner->SetColor(clWindow);  // as a grid's cells
        Form->Show();
        ProcessMessages();
        Editor = new TOutInplaceEdit(Owner);
        Editor->SetGrid(Owner);
        Editor->SetParent(Owner);
        Wire();
    }

    void Wire()
    {
        Editor->OnGetEditData = [this](TCustomInplaceEdit*, std::string& Value, bool&) { Value = CellText; };
        Editor->OnValidateData = [this](TCustomInplaceEdit*, const std::string& NewVal, bool& Cancel) {
            Log.push_back("validate " + NewVal);
            Cancel = CancelValidation;
        };
        Editor->OnGetEditStyle = [this](TCustomInplaceEdit*, TEditStyle& S) { S = Style; };
        Editor->OnGetPickList = [this](TCustomInplaceEdit*, TStrings*& List) {
            List->Clear();
            for (const std::string& s : Picks) List->Add(s);
        };
        Editor->OnGetReadOnly = [this](TCustomInplaceEdit*, bool& R) { R = CellReadOnly; };
        Editor->OnEditButtonClick = [this](TCustomInplaceEdit*) { Log.push_back("button"); };
        Editor->OnHideEditor = [this](TCustomInplaceEdit*) { Log.push_back("hide request"); };
        Editor->OnUpdateData = [this](TCustomInplaceEdit*) { Log.push_back("data updated"); };
        Editor->OnUpdateEdit = [this](TCustomInplaceEdit*) { Log.push_back("update request"); };
        Editor->OnKeyUpParent = [](TObject*, WORD&, TShiftState) {};
        Editor->OnKeyDownParent = [this](TObject*, WORD& Key, TShiftState Shift) {
            Log.push_back("key " + KeyName(Key, Shift));
        };
        Editor->OnKeyPressParent = [this](TObject*, char& Key) {
            if (static_cast<unsigned char>(Key) < 32) Log.push_back("press #" + std::to_string(Key));
        };
        Editor->OnDblClickParent = [this](TObject*) { Log.push_back("dblclick"); };
    }

    static std::string KeyName(WORD Key, TShiftState Shift)
    {
        std::string s;
        if (Shift.Contains(ssCtrl)) s += "Ctrl+";
        if (Shift.Contains(ssAlt)) s += "Alt+";
        if (Shift.Contains(ssShift)) s += "Shift+";
        return s + std::to_string(Key);
    }

    // The owner loads the cell and shows the editor over it with the focus, text all selected.
    void Open()
    {
        Owner->SetFocus();
        Editor->UpdateContents();
        Editor->SelectAll();
        Editor->Move(TEditOwner::CellRect());
        ProcessMessages();
        Log.clear();
    }

    HWND EW() { return Editor->Handle(); }
    // A point on the text of the editor at byte offset Pos.
    TPoint At(int Pos)
    {
        return {2 + TextWidth(Editor->Text().substr(0, static_cast<std::size_t>(Pos))) - Editor->ScrollX(), 10};
    }
    int TextWidth(const std::string& S)
    {
        Editor->Canvas()->SetFont(Editor->Font());
        return Editor->Canvas()->TextWidth(S);
    }
    // The scroll position an editor with Room pixels for text keeps its caret visible with, from
    // the one it had (Scroll, updated): none while the text fits.
    int ExpectedScroll(int& Scroll, int Room)
    {
        const std::string& text = Editor->Text();
        const int caretX = TextWidth(text.substr(0, static_cast<std::size_t>(Editor->CaretPos())));
        if (caretX - Scroll > Room) Scroll = caretX - Room;
        if (caretX < Scroll) Scroll = caretX;
        return Scroll = std::max(0, std::min(Scroll, TextWidth(text) - Room + 1));
    }
    // The editor as its whole text, selection and caret draw when the text starts at pixel Origin
    // of a box Width pixels wide: what an editor that measures only what it shows must equal.
    std::unique_ptr<TBitmap> ExpectedPicture(int Width, int Origin)
    {
        const std::string& text = Editor->Text();
        const auto xOf = [&](int Pos) { return Origin + TextWidth(text.substr(0, static_cast<std::size_t>(Pos))); };
        auto picture = std::make_unique<TBitmap>(Width, Editor->Height());
        TCanvas& c = *picture->Canvas();
        c.SetFont(Editor->Font());
        c.Brush()->SetColor(Editor->Color());
        c.FillRect({0, 0, Width, Editor->Height()});
        const int y = (Editor->Height() - c.LineHeight()) / 2;
        const TRect clip{1, 0, Width - 1, Editor->Height()};
        c.SetBkMode(TRANSPARENT);
        c.ExtTextOut(Origin, y, ETO_CLIPPED, &clip, text);
        if (Editor->SelLength() > 0) {
            const TRect sel{std::max(clip.Left, xOf(Editor->SelStart())), 1,
                            std::min(clip.Right, xOf(Editor->SelStart() + Editor->SelLength())), Editor->Height() - 1};
            c.Brush()->SetColor(clHighlight);
            c.FillRect(sel);
            c.Font()->SetColor(clHighlightText);
            c.ExtTextOut(xOf(Editor->SelStart()), y, ETO_CLIPPED, &sel, Editor->SelText());
        }
        const int caretX = xOf(Editor->CaretPos());
        if (caretX >= clip.Left && caretX < clip.Right) {
            c.Brush()->SetColor(Editor->Font()->Color());
            c.FillRect({caretX, y, caretX + 1, y + c.LineHeight()});
        }
        return picture;
    }
    int Changes() const
    {
        int n = 0;
        for (const std::string& s : Log) n += s == "EN_CHANGE";
        return n;
    }
    std::vector<std::string> Without(const std::string& Entry) const
    {
        std::vector<std::string> out;
        for (const std::string& s : Log)
            if (s != Entry) out.push_back(s);
        return out;
    }
};

#include "host/controls/InplaceEdit.h"

#include <algorithm>
#include <cstdlib>

#include "host/controls/EditText.h"
#include "host/controls/Grids.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
    SetTabStop(false);
    SetParentCtl3D(false);
    SetCtl3D(false);
}

void TInplaceEdit::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    // Created hidden: Move shows it where the current cell is.
    Params.Style &= ~WS_VISIBLE;
}

void TInplaceEdit::SetText(const std::string& Value)
{
    FText = Value;
    FCaret = FSelStart = static_cast<int>(FText.size());
    Invalidate();
}

void TInplaceEdit::SelectAll()
{
    FSelStart = 0;
    FCaret = static_cast<int>(FText.size());
    Invalidate();
}

void TInplaceEdit::Deselect()
{
    FSelStart = FCaret;
    Invalidate();
}

void TInplaceEdit::UpdateContents()
{
    if (!FGrid) return;
    // The grid asks the application, which may free the grid and this editor with it.
    TObjectWatch alive(this);
    std::string text = FGrid->GetEditText(FGrid->Col(), FGrid->Row());
    if (alive) SetText(text);
}

// ----- placing ------------------------------------------------------------------------------

bool TInplaceEdit::IsShown() const { return InplaceShown(this); }

void TInplaceEdit::UpdateLoc(const TRect& Loc)
{
    SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
}

void TInplaceEdit::Move(const TRect& Loc) { ShowInplace(this, FGrid, Loc); }

void TInplaceEdit::Hide() { HideInplace(this, FGrid); }

// ----- editing ------------------------------------------------------------------------------

void TInplaceEdit::Changed()
{
    Invalidate();
    NotifyInplaceChange(this);
}

void TInplaceEdit::ReplaceSelection(const std::string& Text)
{
    const int start = SelStart(), length = SelLength();
    if (length == 0 && Text.empty()) return;
    FText.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length), Text);
    FCaret = FSelStart = start + static_cast<int>(Text.size());
    Changed();
}

void TInplaceEdit::MoveCaret(int Pos, bool Extend)
{
    FCaret = std::clamp(Pos, 0, static_cast<int>(FText.size()));
    if (!Extend) FSelStart = FCaret;
    Invalidate();
}

void TInplaceEdit::KeyDown(WORD& Key, TShiftState Shift)
{
    if (!FGrid) {
        TCustomControl::KeyDown(Key, Shift);
        return;
    }
    // Keys that move between cells belong to the grid; with the editor always shown, so do the
    // caret keys once the caret is at the end of the text.
    const bool forward = FGrid->Options().Contains(goAlwaysShowEditor);
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool atLeft = SelLength() == 0 && FCaret == 0;
    const bool atRight = SelLength() == 0 && FCaret == static_cast<int>(FText.size());
    bool toGrid = false;
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: toGrid = true; break;
    case VK_LEFT:
    case VK_HOME: toGrid = forward && (ctrl || atLeft); break;
    case VK_RIGHT:
    case VK_END: toGrid = forward && (ctrl || atRight); break;
    case VK_TAB: toGrid = !Shift.Contains(ssAlt); break;
    case VK_DELETE:
        if (ctrl) toGrid = true;
        else if (!FGrid->CanEditModify()) Key = 0;
        break;
    default: break;
    }
    if (toGrid) {
        FGrid->KeyDown(Key, Shift);
        Key = 0;
        return;
    }
    if (Key != 0) TCustomControl::KeyDown(Key, Shift);
}

void TInplaceEdit::KeyPress(char& Key)
{
    TObjectWatch alive(this);
    if (FGrid) {
        FGrid->KeyPress(Key);
        if (!alive) return;
        if (static_cast<unsigned char>(Key) >= 32 && !FGrid->CanEditAcceptKey(Key)) Key = 0;
        if (!alive) return;
        switch (Key) {
        case '\t':
        case 27: Key = 0; break;
        case '\r':
            if (SelStart() == 0 && SelLength() == static_cast<int>(FText.size())) Deselect();
            else SelectAll();
            Key = 0;
            break;
        default:
            if ((Key == 8 || static_cast<unsigned char>(Key) >= 32) && !FGrid->CanEditModify()) Key = 0;
            if (!alive) return;
            break;
        }
    }
    if (Key != 0) TCustomControl::KeyPress(Key);
}

void TInplaceEdit::WMKeyDown(TWMKey& Message)
{
    WORD key = Message.CharCode();
    const TShiftState shift = Message.Shift();
    TObjectWatch alive(this);
    KeyDown(key, shift);
    if (!alive || key == 0 || !HandleAllocated()) return;
    const bool extend = shift.Contains(ssShift);
    switch (key) {
    case VK_LEFT: MoveCaret(SelLength() && !extend ? SelStart() : PriorCharPos(FText, FCaret), extend); break;
    case VK_RIGHT: MoveCaret(SelLength() && !extend ? SelStart() + SelLength() : NextCharPos(FText, FCaret), extend); break;
    case VK_HOME: MoveCaret(0, extend); break;
    case VK_END: MoveCaret(static_cast<int>(FText.size()), extend); break;
    case VK_DELETE:
        if (SelLength() == 0) FCaret = NextCharPos(FText, FCaret);
        ReplaceSelection("");
        break;
    default: DefaultHandler(Message.Message); break;
    }
}

void TInplaceEdit::WMChar(TWMKey& Message)
{
    const unsigned code = Message.CodePoint();
    if (code <= 0xFF) {
        char key = static_cast<char>(code);
        TObjectWatch alive(this);
        KeyPress(key);
        if (!alive || key == 0 || !HandleAllocated()) return;
        if (key == 8) {
            if (SelLength() == 0) FSelStart = PriorCharPos(FText, FCaret);
            ReplaceSelection("");
            return;
        }
        if (static_cast<unsigned char>(key) < 32) return;
        ReplaceSelection(EncodeUtf8(static_cast<unsigned char>(key)));
        return;
    }
    if (FGrid && !FGrid->CanEditModify()) return;
    ReplaceSelection(EncodeUtf8(code));
}

void TInplaceEdit::WMGetDlgCode(TWMGetDlgCode& Message)
{
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FGrid && FGrid->Options().Contains(goTabs)) code |= DLGC_WANTTAB;
    Message.SetResult(code);
}

void TInplaceEdit::WMSetFocus(TWMSetFocus& Message)
{
    TCustomControl::WMSetFocus(Message);
    Invalidate();
}

void TInplaceEdit::WMKillFocus(TWMKillFocus& Message)
{
    TCustomControl::WMKillFocus(Message);
    Invalidate();
}

void TInplaceEdit::DblClick()
{
    if (FGrid) FGrid->DblClick();
}

int TInplaceEdit::CaretFromX(int X)
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    int best = 0;
    for (int pos = 0;;) {
        const int next = NextCharPos(FText, pos);
        if (next == pos) break;
        const int mid = (TextLeft() - FScrollX + canvas->TextWidth(FText.substr(0, static_cast<std::size_t>(pos))) +
                         TextLeft() - FScrollX + canvas->TextWidth(FText.substr(0, static_cast<std::size_t>(next)))) / 2;
        if (X < mid) return pos;
        best = pos = next;
    }
    return best;
}

void TInplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
        if (!Focused()) ::SetFocus(Handle());
        MoveCaret(CaretFromX(X), Shift.Contains(ssShift));
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TInplaceEdit::Paint()
{
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(client);
    const auto width = [&](int Pos) { return canvas.TextWidth(FText.substr(0, static_cast<std::size_t>(Pos))); };
    // Keep the caret inside the box by scrolling the text sideways.
    const int caretX = width(FCaret);
    const int room = std::max(1, client.Width() - 2 * TextLeft());
    if (caretX - FScrollX > room) FScrollX = caretX - room;
    if (caretX < FScrollX) FScrollX = caretX;
    const int x = TextLeft() - FScrollX;
    const int y = (client.Height() - canvas.LineHeight()) / 2;
    canvas.SetBkMode(TRANSPARENT);
    canvas.TextOut(x, y, FText);
    if (SelLength() > 0) {
        const int selLeft = x + width(SelStart()), selRight = x + width(SelStart() + SelLength());
        const TRect sel{selLeft, client.Top + 1, selRight, client.Bottom - 1};
        canvas.Brush()->SetColor(clHighlight);
        canvas.FillRect(sel);
        canvas.Font()->SetColor(clHighlightText);
        canvas.SetBkMode(TRANSPARENT);
        canvas.TextOut(selLeft, y,
                       std::string_view(FText).substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelLength())));
    }
    if (Focused()) {
        canvas.Brush()->SetColor(Font()->Color());
        canvas.FillRect({x + caretX, y, x + caretX + 1, y + canvas.LineHeight()});
    }
}

#include "outline/CustomInplaceEdit.h"

#include <algorithm>

#include "host/controls/EditText.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowSystem.h"
#include "outline/PopupList.h"

namespace {
constexpr int TextMargin = 2;

std::string Trimmed(const std::string& S)
{
    const auto first = S.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return S.substr(first, S.find_last_not_of(" \t") - first + 1);
}
} // namespace

TCustomInplaceEdit::TCustomInplaceEdit(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
    SetTabStop(false);
    SetParentCtl3D(false);
    SetCtl3D(false);
    FList = new TPopupList(this);
    FList->OnChoose = [this](int Index) { ListChosen(Index); };
    FList->OnToggle = [this](int Index) { ListToggled(Index); };
}

TCustomInplaceEdit::~TCustomInplaceEdit() = default;

void TCustomInplaceEdit::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    // Created hidden: Move shows it over its cell.
    Params.Style &= ~WS_VISIBLE;
}

// ----- text and selection -------------------------------------------------------------------

void TCustomInplaceEdit::SetText(const std::string& Value)
{
    FText = Value;
    FWidths.Clear();
    FCaret = FAnchor = static_cast<int>(FText.size());
    FScrollX = 0;
    FModified = false;
    EnsureCaretVisible();
    Invalidate();
}

int TCustomInplaceEdit::SelStart() const { return std::min(FAnchor, FCaret); }
int TCustomInplaceEdit::SelLength() const { return std::abs(FCaret - FAnchor); }

std::string TCustomInplaceEdit::SelText() const
{
    return FText.substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelLength()));
}

void TCustomInplaceEdit::SetSel(int Anchor, int Caret)
{
    const int size = static_cast<int>(FText.size());
    FAnchor = std::clamp(Anchor, 0, size);
    FCaret = std::clamp(Caret, 0, size);
    EnsureCaretVisible();
    Invalidate();
}

void TCustomInplaceEdit::SelectAll() { SetSel(0, static_cast<int>(FText.size())); }
void TCustomInplaceEdit::Deselect() { SetSel(FCaret, FCaret); }

void TCustomInplaceEdit::MoveCaret(int Pos, bool Extend) { SetSel(Extend ? FAnchor : Pos, Pos); }

void TCustomInplaceEdit::Changed()
{
    FModified = true;
    EnsureCaretVisible();
    Invalidate();
    NotifyInplaceChange(this);
}

void TCustomInplaceEdit::ReplaceSelection(const std::string& Insert)
{
    const int start = SelStart(), length = SelLength();
    if (length == 0 && Insert.empty()) return;
    FText.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length), Insert);
    TextReplaced(start, length, static_cast<int>(Insert.size()));
    FCaret = FAnchor = start + static_cast<int>(Insert.size());
    Changed();
}

void TCustomInplaceEdit::ReplaceText(const std::string& Value)
{
    if (Value == FText) return;
    FText = Value;
    FWidths.Clear();
    FCaret = FAnchor = static_cast<int>(FText.size());
    Changed();
}

// ----- geometry and scrolling ---------------------------------------------------------------

TRect TCustomInplaceEdit::ButtonRect() const
{
    if (FEditStyle == esNoButton) return {};
    // The editor has no frame: its client area is its bounds, also before its window follows them.
    const TRect client{0, 0, Width(), Height()};
    return {std::max(client.Left, client.Right - ButtonWidth), client.Top, client.Right, client.Bottom};
}

TRect TCustomInplaceEdit::TextRect() const
{
    TRect r{0, 0, Width(), Height()};
    if (FEditStyle != esNoButton) r.Right = ButtonRect().Left;
    return r;
}

void TCustomInplaceEdit::TextReplaced(int Start, int Removed, int Inserted)
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    FWidths.Replaced(*canvas, FText, Start, Removed, Inserted);
}

int TCustomInplaceEdit::TextWidthTo(int Pos)
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    return FWidths.WidthTo(*canvas, FText, Pos);
}

int TCustomInplaceEdit::TextOrigin()
{
    if (FAlignment == taLeftJustify) return TextMargin;
    const int box = TextRect().Width();
    const int width = TextWidthTo(static_cast<int>(FText.size()));
    // The places a grid cell writes its text at: three pixels before the right edge, or
    // about the middle.
    const int origin = FAlignment == taRightJustify ? box - TextMargin - 1 - width : box / 2 - width / 2;
    return std::max(TextMargin, origin);
}

void TCustomInplaceEdit::SetAlignment(TAlignment Value)
{
    if (Value == FAlignment) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomInplaceEdit::EnsureCaretVisible()
{
    const int room = std::max(1, TextRect().Width() - 2 * TextMargin);
    const int caretX = TextWidthTo(FCaret);
    if (caretX - FScrollX > room) FScrollX = caretX - room;
    if (caretX < FScrollX) FScrollX = caretX;
    // Never leave blank room on the right while text is scrolled out on the left.
    FScrollX = std::max(0, std::min(FScrollX, TextWidthTo(static_cast<int>(FText.size())) - room + 1));
}

// The character boundary nearest to X: the first whose next character's middle lies right of X.
// Widths only grow along the text, so the search starts at the last checkpoint left of X.
int TCustomInplaceEdit::CaretFromX(int X)
{
    const int x = X - TextRect().Left - TextOrigin() + FScrollX;
    TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    int prev = FWidths.StartBefore(canvas, FText, 0, x);
    int prevX = FWidths.WidthTo(canvas, FText, prev);
    for (int pos = prev; pos < static_cast<int>(FText.size());) {
        const int next = NextCharPos(FText, pos);
        const std::string_view character(FText.data() + pos, static_cast<std::size_t>(next - pos));
        const int nextX = prevX + canvas.TextWidth(character);
        if (x < (prevX + nextX) / 2) return prev;
        prev = pos = next;
        prevX = nextX;
    }
    return prev;
}

void TCustomInplaceEdit::BoundsChanged()
{
    TCustomControl::BoundsChanged();
    EnsureCaretVisible();
}

// ----- placing ------------------------------------------------------------------------------

bool TCustomInplaceEdit::IsShown() const { return InplaceShown(this); }

void TCustomInplaceEdit::UpdateLoc(const TRect& Loc)
{
    CloseUp(false);
    SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
}

void TCustomInplaceEdit::Move(const TRect& Loc)
{
    CloseUp(false);
    ShowInplace(this, FGrid, Loc);
}

void TCustomInplaceEdit::Hide()
{
    CloseUp(false);
    HideInplace(this, FGrid);
}

void TCustomInplaceEdit::LoadContents(const std::string& Value, TEditStyle Style, bool IsReadOnly)
{
    CloseUp(false);
    SetEditStyle(Style);
    FReadOnly = IsReadOnly;
    SetText(Value);
}

void TCustomInplaceEdit::SetEditStyle(TEditStyle Value)
{
    if (Value == FEditStyle) return;
    CloseUp(false);
    FEditStyle = Value;
    EnsureCaretVisible();
    Invalidate();
}

void TCustomInplaceEdit::SetDropDownRows(int Value) { FDropDownRows = std::max(1, Value); }

// ----- keyboard -----------------------------------------------------------------------------

void TCustomInplaceEdit::GetClickKey(WORD& Key, TShiftState& Shift)
{
    Key = VK_F2;
    Shift = {};
}

bool TCustomInplaceEdit::KeepsKey(WORD Key, TShiftState Shift) const
{
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool empty = SelLength() == 0;
    switch (Key) {
    case VK_BACK:
    case VK_DELETE:
    // A modifier alone means nothing to the owner yet.
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU: return true;
    case VK_HOME:
    case VK_END: return !ctrl;
    case VK_LEFT: return !(empty && FCaret == 0);
    case VK_RIGHT: return !(empty && FCaret == static_cast<int>(FText.size()));
    case 'A':
    case 'C':
    case 'V':
    case 'X': return ctrl && !Shift.Contains(ssAlt);
    default: return false;
    }
}

// The caret and clipboard keys; Backspace and characters come as WM_CHAR.
bool TCustomInplaceEdit::EditKey(WORD Key, TShiftState Shift)
{
    const bool extend = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
    const int size = static_cast<int>(FText.size());
    switch (Key) {
    case VK_LEFT:
        if (ctrl) MoveCaret(PriorWordPos(FText, FCaret), extend);
        else MoveCaret(SelLength() && !extend ? SelStart() : PriorCharPos(FText, FCaret), extend);
        return true;
    case VK_RIGHT:
        if (ctrl) MoveCaret(NextWordPos(FText, FCaret), extend);
        else MoveCaret(SelLength() && !extend ? SelStart() + SelLength() : NextCharPos(FText, FCaret), extend);
        return true;
    case VK_HOME: MoveCaret(0, extend); return true;
    case VK_END: MoveCaret(size, extend); return true;
    case VK_DELETE:
        if (FReadOnly) return true;
        if (SelLength() == 0) FCaret = ctrl ? NextWordPos(FText, FCaret) : NextCharPos(FText, FCaret);
        ReplaceSelection("");
        return true;
    case 'A': SelectAll(); return true;
    case 'C':
        if (SelLength()) SetClipboardText(SelText());
        return true;
    case 'X':
        if (SelLength()) SetClipboardText(SelText());
        if (!FReadOnly) ReplaceSelection("");
        return true;
    case 'V':
        if (!FReadOnly) {
            std::string text = GetClipboardText();
            // One line only: the clipboard's first line.
            text = text.substr(0, text.find_first_of("\r\n"));
            ReplaceSelection(text);
        }
        return true;
    default: return false;
    }
}

void TCustomInplaceEdit::DropPendingChar()
{
    TMsg msg;
    PeekMessage(msg, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
}

void TCustomInplaceEdit::WMKeyDown(TWMKey& Message)
{
    WORD key = Message.CharCode();
    const TShiftState shift = Message.Shift();
    if (HasList() && shift.Contains(ssAlt) && (key == VK_DOWN || key == VK_UP)) {
        if (ListVisible()) CloseUp(true);
        else DropDown();
        return;
    }
    if (ListVisible() && ListKey(key, shift)) {
        DropPendingChar();
        return;
    }
    if (KeepsKey(key, shift)) {
        // Backspace edits when its character arrives, after the owner saw it as a key press.
        if (key != VK_BACK) EditKey(key, shift);
        if (shift.Contains(ssCtrl)) DropPendingChar();
        return;
    }
    WORD clickKey = 0;
    TShiftState clickShift;
    GetClickKey(clickKey, clickShift);
    const bool isClickKey = key == clickKey && shift == clickShift;
    TObjectWatch alive(this);
    CloseUp(false);
    if (KeyDownParent(key, shift) || !alive) return;
    if (isClickKey) ButtonAction();
    else if (key != 0) DefaultHandler(Message.Message);
}

void TCustomInplaceEdit::WMKeyUp(TWMKey& Message)
{
    WORD key = Message.CharCode();
    if (!KeyUpParent(key, Message.Shift())) DefaultHandler(Message.Message);
}

void TCustomInplaceEdit::WMChar(TWMKey& Message)
{
    const unsigned code = Message.CodePoint();
    // The owner's key is 8-bit: a wider character reaches it as a stand-in, and is typed whole
    // when the stand-in comes back unchanged.
    const bool wide = code > 0xFF;
    char key = wide ? WideCharStandIn : static_cast<char>(code);
    TObjectWatch alive(this);
    // A character the owner handed over (posted without key data) is input the owner has
    // already seen; it hears of it again only when the editor cannot take it.
    const bool fromOwner = Message.KeyData() == 0;
    if (!fromOwner || FReadOnly) KeyPressParent(key);
    if (!alive || key == 0 || FReadOnly || !HandleAllocated()) return;
    if (wide && key == WideCharStandIn) {
        ReplaceSelection(EncodeUtf8(code));
        return;
    }
    if (key == '\b') {
        if (SelLength() == 0) FAnchor = PriorCharPos(FText, FCaret);
        ReplaceSelection("");
        return;
    }
    if (static_cast<unsigned char>(key) < 32) return;
    ReplaceSelection(EncodeUtf8(static_cast<unsigned char>(key)));
}

void TCustomInplaceEdit::WMGetDlgCode(TWMGetDlgCode& Message)
{
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    // An open list takes Enter and Escape; otherwise the owner decides about Tab, Enter and Escape.
    if (ListVisible()) code |= DLGC_WANTALLKEYS;
    if (FGrid && FGrid->HandleAllocated())
        code |= SendMessage(FGrid->WindowHandle(), WM_GETDLGCODE, Message.Message.WParam, Message.Message.LParam) &
                (DLGC_WANTTAB | DLGC_WANTALLKEYS);
    Message.SetResult(code);
}

// ----- focus --------------------------------------------------------------------------------

// Tells the parent that the focus came or went (WM_COMMAND with EN_SETFOCUS or EN_KILLFOCUS), as
// an edit control does: an owner that looks focused while its editor has the focus follows it.
static void NotifyFocus(TWinControl* Editor, WORD Code)
{
    TWinControl* parent = Editor->Parent();
    if (parent && parent->HandleAllocated() && Editor->HandleAllocated())
        SendMessage(parent->WindowHandle(), WM_COMMAND, MAKEWPARAM(0, Code), reinterpret_cast<LPARAM>(Editor->WindowHandle()));
}

void TCustomInplaceEdit::WMSetFocus(TWMSetFocus& Message)
{
    // The form's exit and enter handlers run first; they may free the grid and this editor.
    TObjectWatch alive(this);
    TCustomControl::WMSetFocus(Message);
    if (!alive) return;
    NotifyFocus(this, EN_SETFOCUS);
    if (!alive) return;
    Invalidate();
    if (IsShown()) return;
    // The focus came back to a hidden editor (its form was activated again): the owner shows it,
    // or takes the focus itself.
    RequestUpdate();
    if (alive && !IsShown() && Focused() && FGrid && FGrid->HandleAllocated()) ::SetFocus(FGrid->WindowHandle());
}

void TCustomInplaceEdit::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMKillFocus(Message);
    if (!alive) return;
    NotifyFocus(this, EN_KILLFOCUS);
    if (!alive) return;
    Invalidate();
    CloseUp(false);
    const HWND to = Message.FocusedWnd();
    // Focus going to the owner: the owner decides what becomes of the edit.
    if (to && FGrid && to == FGrid->WindowHandle()) return;
    EndEdit();
    if (alive && !FAlwaysShow) Hide();
}

void TCustomInplaceEdit::EndEdit()
{
    if (!FModified || FSkipTextUpdate) return;
    TObjectWatch alive(this);
    bool cancel = false;
    ValidateEdit(FText, cancel);
    if (!alive) return;
    FModified = false;
    FSkipTextUpdate = true;
    if (cancel) {
        // The owner refused the text: it is given up and the owner asked to close the edit.
        RequestHide();
        return;
    }
    DataUpdated();
}

void TCustomInplaceEdit::WMCancelMode(TMessage& Message)
{
    CancelMode(this);
    DefaultHandler(Message);
}

void TCustomInplaceEdit::WMMouseWheel(TWMMouseWheel& Message)
{
    if (ListVisible()) {
        SendMessage(FList->WindowHandle(), WM_MOUSEWHEEL, Message.Message.WParam, Message.Message.LParam);
        return;
    }
    DefaultHandler(Message.Message);
}

void TCustomInplaceEdit::Dispatch(TMessage& Message)
{
    // The window system closed the list because the user pressed outside it.
    if (Message.Msg == CM_POPUPCLOSED) {
        Invalidate();
        return;
    }
    TCustomControl::Dispatch(Message);
}

// ----- mouse --------------------------------------------------------------------------------

void TCustomInplaceEdit::SelectWordAt(int X)
{
    int start = 0, end = 0;
    WordBoundsAt(FText, CaretFromX(X), start, end);
    SetSel(start, end);
}

void TCustomInplaceEdit::DoubleClicked(int X)
{
    SelectWordAt(X);
    FSelecting = false;
}

void TCustomInplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (!alive || Button != mbLeft) return;
    if (!Focused()) ::SetFocus(Handle());
    if (!alive) return;
    if (ButtonRect().Contains({X, Y})) {
        if (Shift.Contains(ssDouble)) return;
        if (FEditStyle == esEllipsisButton) {
            FButtonDown = FButtonPressed = true;
            Invalidate();
        } else {
            DropDown();
        }
        return;
    }
    if (Shift.Contains(ssDouble)) {
        DoubleClicked(X);
        return;
    }
    // The owner took the first press of a double click just before the editor appeared.
    if (FClickTime != 0 && GetMessageTime() - FClickTime <= TWindowSystem::DoubleClickTime) {
        FClickTime = 0;
        DoubleClicked(X);
        DblClickParent();
        return;
    }
    MoveCaret(CaretFromX(X), Shift.Contains(ssShift));
    FSelecting = true;
}

void TCustomInplaceEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    TCustomControl::MouseMove(Shift, X, Y);
    if (!alive) return;
    if (FButtonDown) {
        const bool over = ButtonRect().Contains({X, Y});
        if (over != FButtonPressed) {
            FButtonPressed = over;
            Invalidate();
        }
        return;
    }
    if (FSelecting && Shift.Contains(ssLeft)) MoveCaret(CaretFromX(X), true);
}

void TCustomInplaceEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FSelecting = false;
    const bool clicked = FButtonDown && ButtonRect().Contains({X, Y});
    if (FButtonDown) {
        FButtonDown = FButtonPressed = false;
        Invalidate();
    }
    TObjectWatch alive(this);
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (alive && clicked) EditButtonClick();
}

void TCustomInplaceEdit::DblClick()
{
    TObjectWatch alive(this);
    TCustomControl::DblClick();
    if (alive) DblClickParent();
}

// ----- the button and the list --------------------------------------------------------------

void TCustomInplaceEdit::ButtonAction()
{
    if (FEditStyle == esEllipsisButton) EditButtonClick();
    else if (HasList()) DropDown();
}

bool TCustomInplaceEdit::ListVisible() const { return FList && FList->IsOpen(); }

void TCustomInplaceEdit::DropDown()
{
    if (!HasList() || FReadOnly || FPickList.Count() == 0 || !IsShown() || ListVisible()) return;
    FList->Items()->Assign(&FPickList);
    FList->SetFont(Font());
    const bool checks = FEditStyle == esDropDownCheckList;
    FList->SetCheckBoxes(checks);
    FList->SetItemIndex(-1);
    if (checks) {
        // Every comma-separated part of the text checks the line it names.
        std::vector<std::string> parts;
        for (std::size_t start = 0;;) {
            const std::size_t comma = FText.find(',', start);
            const std::size_t length = comma == std::string::npos ? std::string::npos : comma - start;
            parts.push_back(Trimmed(FText.substr(start, length)));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        for (int i = 0; i < FList->Count(); ++i)
            FList->SetChecked(i, std::find(parts.begin(), parts.end(), FList->Items()->Strings(i)) != parts.end());
    }
    FTextBeforeDrop = FText;

    const int rows = std::min(FPickList.Count(), FDropDownRows);
    const int height = rows * FList->ItemHeight() + 2;
    const TPoint topLeft = ClientToScreen({0, 0});
    const TPoint bottomLeft = ClientToScreen({0, Height()});
    const int screenHeight = TWindowSystem::Current().Backend().ScreenSize().cy;
    // Below the cell, or above it when the screen ends first.
    const int top = bottomLeft.Y + height > screenHeight && topLeft.Y - height >= 0 ? topLeft.Y - height : bottomLeft.Y;
    FList->Popup(WindowHandle(), {topLeft.X, top, topLeft.X + std::max(Width(), 2 * ButtonWidth), top + height}, rows);
    FList->SetItemIndex(checks ? 0 : FPickList.IndexOf(FText));
    Invalidate();
}

void TCustomInplaceEdit::CloseUp(bool Accept)
{
    if (!ListVisible()) return;
    const int index = FList->ItemIndex();
    FList->CloseList();
    Invalidate();
    if (Accept && FEditStyle == esDropDownList && index >= 0) {
        ReplaceText(FList->Items()->Strings(index));
        SelectAll();
    }
}

void TCustomInplaceEdit::CancelMode(TObject* Sender)
{
    if (Sender == FList) return;
    CloseUp(false);
}

bool TCustomInplaceEdit::ListKey(WORD Key, TShiftState Shift)
{
    if (Shift.Contains(ssAlt) || Shift.Contains(ssCtrl)) return false;
    switch (Key) {
    case VK_UP: FList->SetItemIndex(std::max(0, FList->ItemIndex() - 1)); return true;
    case VK_DOWN: FList->SetItemIndex(FList->ItemIndex() + 1); return true;
    case VK_RETURN: CloseUp(true); return true;
    case VK_ESCAPE:
        CloseUp(false);
        if (FEditStyle == esDropDownCheckList) ReplaceText(FTextBeforeDrop);
        return true;
    case VK_SPACE:
        if (FEditStyle != esDropDownCheckList) return false;
        ListToggled(FList->ItemIndex());
        return true;
    default: return false;
    }
}

void TCustomInplaceEdit::ListChosen(int Index)
{
    FList->SetItemIndex(Index);
    CloseUp(true);
}

std::string TCustomInplaceEdit::CheckedText() const
{
    std::string text;
    for (int i = 0; i < FList->Count(); ++i) {
        if (!FList->Checked(i)) continue;
        if (!text.empty()) text += ", ";
        text += FList->Items()->Strings(i);
    }
    return text;
}

void TCustomInplaceEdit::ListToggled(int Index)
{
    if (Index < 0 || Index >= FList->Count()) return;
    FList->SetChecked(Index, !FList->Checked(Index));
    ReplaceText(CheckedText());
}

// ----- painting -----------------------------------------------------------------------------

void TCustomInplaceEdit::Paint()
{
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    const TRect textRect = TextRect();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(textRect);

    const int x = textRect.Left + TextOrigin() - FScrollX;
    const int y = textRect.Top + (textRect.Height() - canvas.LineHeight()) / 2;
    const auto xOf = [&](int Pos) { return x + FWidths.WidthTo(canvas, FText, Pos); };
    // Draws the bytes [From, To) with the pen at xOf(From), clipped to Clip: from the last
    // checkpoint whose glyphs before it all end left of the clip (when From starts a character,
    // the text from there adds up to the same places), and the canvas stops at its right.
    const int reach = canvas.GlyphReach().Right;
    const auto drawPart = [&](int From, int To, const TRect& Clip) {
        const auto first = static_cast<unsigned char>(From < To ? FText[static_cast<std::size_t>(From)] : 0);
        const bool startsCharacter = From == 0 || (first & 0xC0) != 0x80;
        const int start =
            startsCharacter ? std::min(To, FWidths.StartBefore(canvas, FText, From, Clip.Left - reach - x)) : From;
        const std::string_view part(FText.data() + start, static_cast<std::size_t>(To - start));
        canvas.ExtTextOut(xOf(start), y, ETO_CLIPPED, &Clip, part);
    };
    const TRect clip{textRect.Left + 1, textRect.Top, textRect.Right - 1, textRect.Bottom};
    canvas.SetBkMode(TRANSPARENT);
    drawPart(0, static_cast<int>(FText.size()), clip);
    if (SelLength() > 0) {
        const int selX = xOf(SelStart());
        const int selRight = xOf(SelStart() + SelLength());
        const TRect sel{std::max(clip.Left, selX), textRect.Top + 1, std::min(clip.Right, selRight), textRect.Bottom - 1};
        canvas.Brush()->SetColor(clHighlight);
        canvas.FillRect(sel);
        canvas.Font()->SetColor(clHighlightText);
        drawPart(SelStart(), SelStart() + SelLength(), sel);
        canvas.Font()->SetColor(Font()->Color());
    }
    if (Focused()) {
        const int caretX = xOf(FCaret);
        if (caretX >= clip.Left && caretX < clip.Right) {
            canvas.Brush()->SetColor(Font()->Color());
            canvas.FillRect({caretX, y, caretX + 1, y + canvas.LineHeight()});
        }
    }
    if (FEditStyle == esNoButton) return;

    TRect button = ButtonRect();
    const bool sunken = FButtonPressed || ListVisible();
    canvas.Brush()->SetColor(clBtnFace);
    canvas.FillRect(button);
    canvas.DrawEdge(button, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int shift = sunken ? 1 : 0;
    const int cx = button.Left + button.Width() / 2 + shift, cy = client.Top + client.Height() / 2 + shift;
    canvas.Brush()->SetColor(clBtnText);
    if (FEditStyle == esEllipsisButton) {
        for (int dot = -1; dot <= 1; ++dot) canvas.FillRect({cx + dot * 4 - 1, cy, cx + dot * 4 + 1, cy + 2});
        return;
    }
    // A small triangle pointing down.
    for (int row = 0; row < 4; ++row) canvas.FillRect({cx - 3 + row, cy - 2 + row, cx + 4 - row, cy - 1 + row});
}

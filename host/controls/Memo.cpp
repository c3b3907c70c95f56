#include "host/controls/Memo.h"

#include <algorithm>

#include "host/controls/EditText.h"
#include "host/controls/Menus.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Input.h"
#include "host/windows/ScrollBar.h"

namespace {

constexpr int TextInset = 2;
constexpr int WheelLines = 3;

// Splits Text at CR, LF or CRLF.
std::vector<std::string> SplitLines(const std::string& Text)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

} // namespace

TMemo::TMemo(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 185, 89);
    FLines.OnChange = [this](TObject*) { LinesChanged(); };
}

void TMemo::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
}

void TMemo::CreateWnd()
{
    TCustomControl::CreateWnd();
    UpdateScrollBars();
}

void TMemo::SetScrollBars(TScrollStyle Value)
{
    if (Value == FScrollBars) return;
    FScrollBars = Value;
    if (HandleAllocated()) RecreateWnd();
}

std::string TMemo::LineText(int Line) const
{
    return Line >= 0 && Line < FLines.Count() ? FLines.Get(Line) : std::string();
}

TMemoPos TMemo::Clamp(TMemoPos P) const
{
    P.Line = std::clamp(P.Line, 0, LineCount() - 1);
    const std::string text = LineText(P.Line);
    P.Pos = std::clamp(P.Pos, 0, static_cast<int>(text.size()));
    // Never inside a multi-byte character.
    while (P.Pos > 0 && P.Pos < static_cast<int>(text.size()) && (static_cast<unsigned char>(text[static_cast<std::size_t>(P.Pos)]) & 0xC0) == 0x80)
        --P.Pos;
    return P;
}

int TMemo::LineHeight()
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    return std::max(1, canvas->LineHeight());
}

int TMemo::TextWidth(const std::string& Text, int Bytes)
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    return canvas->TextWidth(std::string_view(Text).substr(0, static_cast<std::size_t>(std::max(0, Bytes))));
}

int TMemo::VisibleLines()
{
    return std::max(1, (ClientHeight() - 2 * TextInset) / LineHeight());
}

// ----- selection and editing ----------------------------------------------------------------

void TMemo::SetCaretPos(TMemoPos Value, bool Extend)
{
    FCaret = Clamp(Value);
    if (!Extend) FAnchor = FCaret;
    FCaretX = -1;
    ScrollCaretIntoView();
    Invalidate();
}

void TMemo::Select(TMemoPos Anchor, TMemoPos Caret)
{
    FAnchor = Clamp(Anchor);
    FCaret = Clamp(Caret);
    FCaretX = -1;
    ScrollCaretIntoView();
    Invalidate();
}

void TMemo::SelectAll()
{
    const int last = LineCount() - 1;
    Select({0, 0}, {last, static_cast<int>(LineText(last).size())});
}

std::string TMemo::SelText() const
{
    const TMemoPos from = SelStartPos(), to = SelEndPos();
    if (from.Line == to.Line) return LineText(from.Line).substr(static_cast<std::size_t>(from.Pos), static_cast<std::size_t>(to.Pos - from.Pos));
    std::string text = LineText(from.Line).substr(static_cast<std::size_t>(from.Pos));
    for (int line = from.Line + 1; line < to.Line; ++line) text.append("\n").append(LineText(line));
    text.append("\n").append(LineText(to.Line), 0, static_cast<std::size_t>(to.Pos));
    return text;
}

void TMemo::SetSelText(const std::string& Text)
{
    const TMemoPos from = SelStartPos(), to = SelEndPos();
    const std::vector<std::string> parts = SplitLines(Text);
    const std::string head = LineText(from.Line).substr(0, static_cast<std::size_t>(from.Pos));
    const std::string tail = LineText(to.Line).substr(static_cast<std::size_t>(to.Pos));
    // One change of the list for the whole edit, so that Lines' listeners see it once.
    FLines.BeginUpdate();
    try {
        while (FLines.Count() <= to.Line) FLines.Add("");
        for (int line = to.Line; line > from.Line; --line) FLines.Delete(line);
        FLines.Put(from.Line, head + parts.front());
        for (std::size_t i = 1; i < parts.size(); ++i) FLines.Insert(from.Line + static_cast<int>(i), parts[i]);
        const int lastLine = from.Line + static_cast<int>(parts.size()) - 1;
        const std::string last = FLines.Get(lastLine);
        FLines.Put(lastLine, last + tail);
        FCaret = FAnchor = {lastLine, static_cast<int>(last.size())};
    } catch (...) {
        FLines.EndUpdate();
        throw;
    }
    FLines.EndUpdate();
    FCaretX = -1;
    ScrollCaretIntoView();
    UserChanged();
}

void TMemo::CopyToClipboard() const
{
    if (HasSelection()) SetClipboardText(SelText());
}

void TMemo::CutToClipboard()
{
    if (!HasSelection() || !CanModify()) return;
    CopyToClipboard();
    SetSelText("");
}

void TMemo::PasteFromClipboard()
{
    if (!CanModify()) return;
    const std::string text = GetClipboardText();
    if (!text.empty() || HasSelection()) SetSelText(text);
}

void TMemo::TypeText(const std::string& Text)
{
    if (CanModify()) SetSelText(Text);
}

void TMemo::DeleteBackward()
{
    if (!CanModify()) return;
    if (!HasSelection()) {
        if (FCaret.Pos > 0) FAnchor = {FCaret.Line, PriorCharPos(LineText(FCaret.Line), FCaret.Pos)};
        else if (FCaret.Line > 0) FAnchor = {FCaret.Line - 1, static_cast<int>(LineText(FCaret.Line - 1).size())};
        else return;
    }
    SetSelText("");
}

void TMemo::DeleteForward()
{
    if (!CanModify()) return;
    if (!HasSelection()) {
        const std::string line = LineText(FCaret.Line);
        if (FCaret.Pos < static_cast<int>(line.size())) FAnchor = {FCaret.Line, NextCharPos(line, FCaret.Pos)};
        else if (FCaret.Line + 1 < LineCount()) FAnchor = {FCaret.Line + 1, 0};
        else return;
    }
    SetSelText("");
}

void TMemo::LinesChanged()
{
    FCaret = Clamp(FCaret);
    FAnchor = Clamp(FAnchor);
    FTopLine = std::clamp(FTopLine, 0, LineCount() - 1);
    UpdateScrollBars();
    Invalidate();
}

void TMemo::UserChanged()
{
    FModified = true;
    if (OnChange) OnChange(this);
}

// ----- scrolling ----------------------------------------------------------------------------

void TMemo::UpdateScrollBars()
{
    if (!HandleAllocated()) return;
    TObjectWatch alive(this);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) {
        TScrollInfo info;
        info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        info.Max = LineCount() - 1;
        info.Page = static_cast<UINT>(VisibleLines());
        info.Pos = FTopLine;
        SetScrollInfo(WindowHandle(), SB_VERT, info, true);
        if (!alive) return;
    }
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) {
        int widest = 0;
        for (int line = 0; line < FLines.Count(); ++line) {
            const std::string text = FLines.Get(line);
            widest = std::max(widest, TextWidth(text, static_cast<int>(text.size())));
        }
        TScrollInfo info;
        info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        // One caret's room past the widest line.
        info.Max = widest + 2 * TextInset;
        info.Page = static_cast<UINT>(std::max(1, ClientWidth()));
        info.Pos = FScrollX;
        SetScrollInfo(WindowHandle(), SB_HORZ, info, true);
    }
}

void TMemo::SetTopLine(int Value)
{
    Value = std::clamp(Value, 0, std::max(0, LineCount() - VisibleLines()));
    if (Value == FTopLine) return;
    FTopLine = Value;
    if (HandleAllocated() && (FScrollBars == ssVertical || FScrollBars == ssBoth))
        SetScrollPos(WindowHandle(), SB_VERT, FTopLine);
    Invalidate();
}

void TMemo::SetScrollX(int Value)
{
    Value = std::max(0, Value);
    if (Value == FScrollX) return;
    FScrollX = Value;
    if (HandleAllocated() && (FScrollBars == ssHorizontal || FScrollBars == ssBoth))
        SetScrollPos(WindowHandle(), SB_HORZ, FScrollX);
    Invalidate();
}

void TMemo::ScrollCaretIntoView()
{
    if (FCaret.Line < FTopLine) SetTopLine(FCaret.Line);
    else if (FCaret.Line >= FTopLine + VisibleLines()) SetTopLine(FCaret.Line - VisibleLines() + 1);
    const int x = TextWidth(LineText(FCaret.Line), FCaret.Pos);
    const int room = std::max(1, ClientWidth() - 2 * TextInset - 1);
    if (x < FScrollX) SetScrollX(std::max(0, x - room / 3));
    else if (x - FScrollX > room) SetScrollX(x - room + room / 3);
    UpdateScrollBars();
}

void TMemo::ScrollBy(int Bar, int Code)
{
    TScrollInfo info;
    info.Mask = SIF_ALL;
    if (!GetScrollInfo(WindowHandle(), Bar, info)) return;
    const bool vert = Bar == SB_VERT;
    const int line = vert ? 1 : std::max(1, LineHeight());
    const int page = vert ? VisibleLines() : std::max(1, ClientWidth() - line);
    int pos = vert ? FTopLine : FScrollX;
    switch (Code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = info.TrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = info.Max; break;
    default: return;
    }
    if (vert) {
        SetTopLine(pos);
        return;
    }
    SetScrollX(std::clamp(pos, 0, std::max(0, info.Max - static_cast<int>(info.Page) + 1)));
}

void TMemo::WMVScroll(TWMScroll& Message)
{
    ScrollBy(SB_VERT, Message.ScrollCode());
}

void TMemo::WMHScroll(TWMScroll& Message)
{
    ScrollBy(SB_HORZ, Message.ScrollCode());
}

void TMemo::WMMouseWheel(TWMMouseWheel& Message)
{
    SetTopLine(FTopLine - Message.WheelDelta() / 120 * WheelLines);
    Message.SetResult(1);
}

void TMemo::BoundsChanged()
{
    TCustomControl::BoundsChanged();
    UpdateScrollBars();
}

void TMemo::CMFontChanged(TMessage& Message)
{
    TCustomControl::CMFontChanged(Message);
    UpdateScrollBars();
    Invalidate();
}

// ----- keyboard and mouse -------------------------------------------------------------------

void TMemo::WMGetDlgCode(TWMGetDlgCode& Message)
{
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FWantTabs) code |= DLGC_WANTTAB;
    // A memo of many lines keeps Enter and Escape from the form's buttons, as lines being typed
    // are not to be lost to a stray Escape; a one-line memo leaves both to the form.
    const WORD key = Message.CharCode();
    if (FWantReturns && (key == VK_RETURN || key == VK_ESCAPE)) code |= DLGC_WANTALLKEYS;
    Message.SetResult(code);
}

void TMemo::KeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    TCustomControl::KeyDown(Key, Shift);
    if (!alive || Key == 0) return;
    const bool extend = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
    const std::string line = LineText(FCaret.Line);
    // Up and down keep the caret's x across shorter lines.
    auto vertical = [&](int Lines) {
        const int x = FCaretX >= 0 ? FCaretX : TextWidth(line, FCaret.Pos);
        const int target = std::clamp(FCaret.Line + Lines, 0, LineCount() - 1);
        const TPoint p{TextInset - FScrollX + x, TextInset + (target - FTopLine) * LineHeight()};
        SetCaretPos(PosFromPoint(p), extend);
        FCaretX = x;
    };
    switch (Key) {
    case VK_LEFT:
        if (HasSelection() && !extend) SetCaretPos(SelStartPos());
        else if (ctrl) SetCaretPos({FCaret.Line, PriorWordPos(line, FCaret.Pos)}, extend);
        else if (FCaret.Pos > 0) SetCaretPos({FCaret.Line, PriorCharPos(line, FCaret.Pos)}, extend);
        else if (FCaret.Line > 0) SetCaretPos({FCaret.Line - 1, static_cast<int>(LineText(FCaret.Line - 1).size())}, extend);
        break;
    case VK_RIGHT:
        if (HasSelection() && !extend) SetCaretPos(SelEndPos());
        else if (ctrl) SetCaretPos({FCaret.Line, NextWordPos(line, FCaret.Pos)}, extend);
        else if (FCaret.Pos < static_cast<int>(line.size())) SetCaretPos({FCaret.Line, NextCharPos(line, FCaret.Pos)}, extend);
        else if (FCaret.Line + 1 < LineCount()) SetCaretPos({FCaret.Line + 1, 0}, extend);
        break;
    case VK_UP: vertical(-1); break;
    case VK_DOWN: vertical(1); break;
    case VK_PRIOR: vertical(-VisibleLines()); break;
    case VK_NEXT: vertical(VisibleLines()); break;
    case VK_HOME: SetCaretPos(ctrl ? TMemoPos{0, 0} : TMemoPos{FCaret.Line, 0}, extend); break;
    case VK_END:
        if (ctrl) SetCaretPos({LineCount() - 1, static_cast<int>(LineText(LineCount() - 1).size())}, extend);
        else SetCaretPos({FCaret.Line, static_cast<int>(line.size())}, extend);
        break;
    case VK_DELETE:
        if (extend) CutToClipboard();
        else DeleteForward();
        break;
    case VK_INSERT:
        if (ctrl) CopyToClipboard();
        else if (extend) PasteFromClipboard();
        break;
    default:
        if (!ctrl || Shift.Contains(ssAlt)) return;
        switch (Key) {
        case 'A': SelectAll(); break;
        case 'C': CopyToClipboard(); break;
        case 'X': CutToClipboard(); break;
        case 'V': PasteFromClipboard(); break;
        default: return;
        }
        break;
    }
    Key = 0;
}

void TMemo::WMChar(TWMKey& Message)
{
    if (MenuTracking()) return;
    const unsigned code = Message.CodePoint();
    if (code <= 0xFF) {
        char key = static_cast<char>(code);
        TObjectWatch alive(this);
        if (!PreviewKeyPress(key)) return;
        KeyPress(key);
        if (!alive || key == 0) return;
        const unsigned char c = static_cast<unsigned char>(key);
        if (c == 8) DeleteBackward();
        else if (c == '\r' && FWantReturns) TypeText("\n");
        else if (c == '\t' && FWantTabs) TypeText("\t");
        else if (c >= 32 && c != 127) TypeText(EncodeUtf8(c));
        return;
    }
    TypeText(EncodeUtf8(code));
}

TMemoPos TMemo::PosFromPoint(TPoint P)
{
    const int line = std::clamp(FTopLine + (P.Y - TextInset) / LineHeight() - (P.Y < TextInset ? 1 : 0), 0, LineCount() - 1);
    const std::string text = LineText(line);
    const int x = P.X - TextInset + FScrollX;
    int pos = 0;
    for (;;) {
        const int next = NextCharPos(text, pos);
        if (next == pos) break;
        const int mid = (TextWidth(text, pos) + TextWidth(text, next)) / 2;
        if (x < mid) break;
        pos = next;
    }
    return {line, pos};
}

void TMemo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    if (Button == mbLeft && CanFocus() && !Focused()) SetFocus();
    if (!alive) return;
    if (Button == mbLeft) {
        if (Shift.Contains(ssDouble)) {
            // A double click selects the word under the pointer.
            const TMemoPos at = PosFromPoint({X, Y});
            int start = 0, end = 0;
            WordBoundsAt(LineText(at.Line), at.Pos, start, end);
            Select({at.Line, start}, {at.Line, end});
        } else {
            SetCaretPos(PosFromPoint({X, Y}), Shift.Contains(ssShift));
            FSelecting = true;
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TMemo::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FSelecting && Shift.Contains(ssLeft)) SetCaretPos(PosFromPoint({X, Y}), true);
    TCustomControl::MouseMove(Shift, X, Y);
}

void TMemo::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) FSelecting = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TMemo::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSetFocus(Message);
    if (alive) Invalidate();
}

void TMemo::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMKillFocus(Message);
    if (!alive) return;
    FSelecting = false;
    Invalidate();
}

// ----- painting -----------------------------------------------------------------------------

void TMemo::Paint()
{
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    canvas.Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    canvas.FillRect(client);
    const int h = LineHeight();
    const TMemoPos selFrom = SelStartPos(), selTo = SelEndPos();
    // The selection shows while the memo has the focus.
    const bool showSel = HasSelection() && Focused();
    const int last = std::min(LineCount() - 1, FTopLine + (client.Height() - TextInset) / h);
    canvas.SetBkMode(TRANSPARENT);
    for (int line = FTopLine; line <= last; ++line) {
        const std::string text = LineText(line);
        const int x = TextInset - FScrollX;
        const int y = TextInset + (line - FTopLine) * h;
        canvas.Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
        canvas.Brush()->SetStyle(bsClear);
        canvas.TextOut(x, y, text);
        canvas.Brush()->SetStyle(bsSolid);
        if (!showSel || line < selFrom.Line || line > selTo.Line) continue;
        const int from = line == selFrom.Line ? selFrom.Pos : 0;
        const int to = line == selTo.Line ? selTo.Pos : static_cast<int>(text.size());
        // A selected line break shows as a little room after the line's end.
        const int breakRoom = line < selTo.Line ? canvas.TextWidth(" ") : 0;
        const int left = x + TextWidth(text, from), right = x + TextWidth(text, to) + breakRoom;
        canvas.Brush()->SetColor(clHighlight);
        canvas.FillRect({left, y, right, y + h});
        canvas.Font()->SetColor(clHighlightText);
        canvas.Brush()->SetStyle(bsClear);
        canvas.TextOut(left, y, std::string_view(text).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
    }
    canvas.Brush()->SetStyle(bsSolid);
    if (Focused() && FCaret.Line >= FTopLine && FCaret.Line <= last) {
        const int x = TextInset - FScrollX + TextWidth(LineText(FCaret.Line), FCaret.Pos);
        const int y = TextInset + (FCaret.Line - FTopLine) * h;
        canvas.Brush()->SetColor(Font()->Color());
        canvas.FillRect({x, y, x + 1, y + h});
    }
}

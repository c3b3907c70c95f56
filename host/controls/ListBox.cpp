#include "host/controls/ListBox.h"

#include <algorithm>

#include "host/controls/StdCtrls.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/ScrollBar.h"

namespace {
constexpr int TextIndent = 2;
constexpr int WheelRows = 3;
} // namespace

TListBox::TListBox(TComponent* AOwner) : TCustomControl(AOwner)
{
    // Clicks come from the selection, not from the press and release.
    ControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks};
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 121, 97);
    FItems.OnChange = [this](TObject*) { ItemsChanged(); };
}

void TListBox::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_VSCROLL;
}

void TListBox::CreateWnd()
{
    TCustomControl::CreateWnd();
    KeepInView();
    UpdateScrollBar();
}

int TListBox::ItemHeight()
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    return std::max(1, canvas->LineHeight() + 1);
}

int TListBox::VisibleRows()
{
    return std::max(1, ClientHeight() / ItemHeight());
}

void TListBox::ItemsChanged()
{
    if (FItemIndex >= Count()) FItemIndex = -1;
    KeepInView();
    UpdateScrollBar();
    Invalidate();
}

// The rows that fit change with the size, the font and the window's border, which counts only
// once the window exists: the top line stays in range and the selected line wholly in view.
void TListBox::KeepInView()
{
    int top = std::clamp(FTopIndex, 0, std::max(0, Count() - VisibleRows()));
    if (FItemIndex >= 0 && FItemIndex < top) top = FItemIndex;
    else if (FItemIndex >= top + VisibleRows()) top = FItemIndex - VisibleRows() + 1;
    SetTopIndex(top);
}

void TListBox::UpdateScrollBar()
{
    if (!HandleAllocated()) return;
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = std::max(0, Count() - 1);
    info.Page = static_cast<UINT>(VisibleRows());
    info.Pos = FTopIndex;
    SetScrollInfo(WindowHandle(), SB_VERT, info, true);
}

void TListBox::SetTopIndex(int Value)
{
    Value = std::clamp(Value, 0, std::max(0, Count() - VisibleRows()));
    if (Value == FTopIndex) return;
    FTopIndex = Value;
    if (HandleAllocated()) SetScrollPos(WindowHandle(), SB_VERT, FTopIndex);
    Invalidate();
}

void TListBox::SetItemIndex(int Value)
{
    Value = std::clamp(Value, -1, Count() - 1);
    if (Value != FItemIndex) {
        FItemIndex = Value;
        Invalidate();
    }
    KeepInView();
}

void TListBox::UserSelect(int Index)
{
    if (Index < 0 || Index >= Count()) return;
    const bool changed = Index != FItemIndex;
    SetItemIndex(Index);
    if (changed) Click();
}

int TListBox::ItemAtPos(TPoint P)
{
    if (!ClientRect().Contains(P)) return -1;
    const int index = FTopIndex + P.Y / ItemHeight();
    return index < Count() ? index : -1;
}

TRect TListBox::ItemRect(int Index)
{
    const int h = ItemHeight();
    const int top = (Index - FTopIndex) * h;
    return {0, top, ClientWidth(), top + h};
}

void TListBox::BoundsChanged()
{
    TCustomControl::BoundsChanged();
    KeepInView();
    UpdateScrollBar();
}

void TListBox::CMFontChanged(TMessage& Message)
{
    TCustomControl::CMFontChanged(Message);
    KeepInView();
    UpdateScrollBar();
}

void TListBox::WMGetDlgCode(TWMGetDlgCode& Message)
{
    Message.SetResult(DLGC_WANTARROWS | DLGC_WANTCHARS);
}

void TListBox::KeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    TCustomControl::KeyDown(Key, Shift);
    if (!alive || Key == 0 || Count() == 0) return;
    const int current = std::max(FItemIndex, 0);
    switch (Key) {
    case VK_UP: UserSelect(FItemIndex < 0 ? 0 : current - 1); break;
    case VK_DOWN: UserSelect(FItemIndex < 0 ? 0 : std::min(current + 1, Count() - 1)); break;
    case VK_PRIOR: UserSelect(std::max(0, current - VisibleRows() + 1)); break;
    case VK_NEXT: UserSelect(std::min(Count() - 1, current + VisibleRows() - 1)); break;
    case VK_HOME: UserSelect(0); break;
    case VK_END: UserSelect(Count() - 1); break;
    default: return;
    }
    Key = 0;
}

void TListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    if (Button == mbLeft && CanFocus() && !Focused()) SetFocus();
    if (!alive) return;
    const int index = ItemAtPos({X, Y});
    if (Button == mbLeft) UserSelect(index);
    if (!alive) return;
    TCustomControl::MouseDown(Button, Shift, X, Y);
    // A double click on a line (not on the empty space below the lines) acts on that line.
    if (alive && Button == mbLeft && Shift.Contains(ssDouble) && index >= 0) DblClick();
}

void TListBox::WMVScroll(TWMScroll& Message)
{
    TScrollInfo info;
    info.Mask = SIF_ALL;
    GetScrollInfo(WindowHandle(), SB_VERT, info);
    switch (Message.ScrollCode()) {
    case SB_LINEUP: SetTopIndex(FTopIndex - 1); break;
    case SB_LINEDOWN: SetTopIndex(FTopIndex + 1); break;
    case SB_PAGEUP: SetTopIndex(FTopIndex - VisibleRows()); break;
    case SB_PAGEDOWN: SetTopIndex(FTopIndex + VisibleRows()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTopIndex(info.TrackPos); break;
    case SB_TOP: SetTopIndex(0); break;
    case SB_BOTTOM: SetTopIndex(Count()); break;
    default: break;
    }
}

void TListBox::WMMouseWheel(TWMMouseWheel& Message)
{
    SetTopIndex(FTopIndex - Message.WheelDelta() / 120 * WheelRows);
    Message.SetResult(1);
}

void TListBox::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSetFocus(Message);
    if (alive) Invalidate();
}

void TListBox::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMKillFocus(Message);
    if (alive) Invalidate();
}

void TListBox::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(ClientRect());
    const int last = std::min(Count() - 1, FTopIndex + VisibleRows());
    for (int i = FTopIndex; i <= last; ++i) {
        const TRect r = ItemRect(i);
        const bool selected = i == FItemIndex;
        if (selected) {
            canvas.Brush()->SetColor(clHighlight);
            canvas.FillRect(r);
        }
        canvas.Brush()->SetStyle(bsClear);
        canvas.SetTextColor(selected ? clHighlightText : Enabled() ? Font()->Color() : clGrayText);
        TRect text{r.Left + TextIndent, r.Top, r.Right, r.Bottom};
        canvas.DrawText(FItems.Get(i), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        canvas.Brush()->SetStyle(bsSolid);
        if (selected && Focused()) DrawFocusRect(canvas, r, clHighlightText);
    }
}

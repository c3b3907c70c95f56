#include "outline/PopupList.h"

#include <algorithm>

#include "host/windows/Input.h"
#include "host/windows/ScrollBar.h"

namespace {
constexpr int CheckBoxSize = 13;
constexpr int TextIndent = 3;
} // namespace

TPopupList::TPopupList(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csCaptureMouse, csOpaque};
    SetParentFont(false);
    SetParentColor(false);
    SetColor(clWindow);
}

void TPopupList::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    // Created hidden; Popup shows it without activating it.
    Params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_AUTOCLOSE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.Parent = FOwnerWnd;
}

void TPopupList::SetCheckBoxes(bool Value)
{
    FCheckBoxes = Value;
    Invalidate();
}

bool TPopupList::Checked(int Index) const
{
    return Index >= 0 && Index < static_cast<int>(FChecks.size()) && FChecks[static_cast<std::size_t>(Index)];
}

void TPopupList::SetChecked(int Index, bool Value)
{
    if (Index < 0 || Index >= Count()) return;
    FChecks.resize(static_cast<std::size_t>(Count()), false);
    FChecks[static_cast<std::size_t>(Index)] = Value;
    Invalidate();
}

int TPopupList::ItemHeight()
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    return std::max(canvas->LineHeight() + 2, CheckBoxSize + 2);
}

void TPopupList::SetTopIndex(int Value)
{
    Value = std::clamp(Value, 0, std::max(0, Count() - FRows));
    if (Value == FTopIndex) return;
    FTopIndex = Value;
    if (HandleAllocated()) SetScrollPos(WindowHandle(), SB_VERT, FTopIndex);
    Invalidate();
}

void TPopupList::SetItemIndex(int Value)
{
    Value = Count() == 0 ? -1 : std::clamp(Value, -1, Count() - 1);
    if (Value != FItemIndex) {
        FItemIndex = Value;
        Invalidate();
    }
    if (FItemIndex < 0) return;
    if (FItemIndex < FTopIndex) SetTopIndex(FItemIndex);
    else if (FItemIndex >= FTopIndex + FRows) SetTopIndex(FItemIndex - FRows + 1);
}

int TPopupList::ItemAtPos(TPoint P)
{
    const TRect client = ClientRect();
    if (!client.Contains(P)) return -1;
    const int index = FTopIndex + P.Y / ItemHeight();
    return index < Count() ? index : -1;
}

TRect TPopupList::ItemRect(int Index)
{
    const int h = ItemHeight();
    const int top = (Index - FTopIndex) * h;
    const TPoint origin = ClientToScreen({0, top});
    return {origin.X, origin.Y, origin.X + ClientWidth(), origin.Y + h};
}

void TPopupList::UpdateScrollBar()
{
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = Count() > FRows ? Count() - 1 : 0;
    info.Page = static_cast<UINT>(FRows);
    info.Pos = FTopIndex;
    SetScrollInfo(WindowHandle(), SB_VERT, info, true);
}

void TPopupList::Popup(HWND OwnerWnd, const TRect& ScreenRect, int Rows)
{
    if (HandleAllocated() && FOwnerWnd != OwnerWnd) DestroyHandle();
    FOwnerWnd = OwnerWnd;
    FRows = std::max(1, Rows);
    FChecks.resize(static_cast<std::size_t>(Count()), false);
    FTopIndex = 0;
    HandleNeeded();
    SetBounds(ScreenRect.Left, ScreenRect.Top, ScreenRect.Width(), ScreenRect.Height());
    UpdateScrollBar();
    SetItemIndex(FItemIndex);
    SetWindowPos(WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void TPopupList::CloseList()
{
    FTracking = false;
    if (!IsOpen()) return;
    if (GetCapture() == WindowHandle()) ReleaseCapture();
    ShowWindow(WindowHandle(), SW_HIDE);
}

bool TPopupList::IsOpen() const
{
    return HandleAllocated() && IsWindowVisible(WindowHandle());
}

void TPopupList::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    const int index = ItemAtPos({X, Y});
    if (index < 0) return;
    SetItemIndex(index);
    if (FCheckBoxes) {
        if (OnToggle) OnToggle(index);
        return;
    }
    FTracking = true;
}

void TPopupList::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseMove(Shift, X, Y);
    const int index = ItemAtPos({X, Y});
    if (index >= 0) SetItemIndex(index);
}

void TPopupList::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool tracking = FTracking;
    FTracking = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !tracking) return;
    const int index = ItemAtPos({X, Y});
    if (index >= 0 && OnChoose) OnChoose(index);
}

void TPopupList::WMVScroll(TWMScroll& Message)
{
    switch (Message.ScrollCode()) {
    case SB_LINEUP: SetTopIndex(FTopIndex - 1); break;
    case SB_LINEDOWN: SetTopIndex(FTopIndex + 1); break;
    case SB_PAGEUP: SetTopIndex(FTopIndex - FRows); break;
    case SB_PAGEDOWN: SetTopIndex(FTopIndex + FRows); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTopIndex(Message.Pos()); break;
    default: break;
    }
}

void TPopupList::WMMouseWheel(TWMMouseWheel& Message)
{
    SetTopIndex(FTopIndex - Message.WheelDelta() / WHEEL_DELTA * 3);
    Message.SetResult(1);
}

void TPopupList::DrawCheckBox(const TRect& Box, bool IsChecked)
{
    TCanvas& canvas = *Canvas();
    canvas.Brush()->SetColor(clWindow);
    canvas.FillRect(Box);
    canvas.Brush()->SetColor(clWindowText);
    canvas.FrameRect(Box);
    if (!IsChecked) return;
    // A tick of three-pixel-thick strokes: down to the lower middle, then up to the right.
    canvas.Pen()->SetColor(clWindowText);
    for (int d = 0; d < 3; ++d) {
        canvas.MoveTo(Box.Left + 3, Box.Top + 5 + d);
        canvas.LineTo(Box.Left + 5, Box.Top + 7 + d);
        canvas.LineTo(Box.Left + 10, Box.Top + 2 + d);
    }
}

void TPopupList::Paint()
{
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    const int h = ItemHeight();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(client);
    for (int i = FTopIndex; i < Count() && (i - FTopIndex) * h < client.Height(); ++i) {
        const TRect line{0, (i - FTopIndex) * h, client.Right, (i - FTopIndex + 1) * h};
        int x = TextIndent;
        if (FCheckBoxes) {
            const int top = line.Top + (h - CheckBoxSize) / 2;
            DrawCheckBox({x, top, x + CheckBoxSize, top + CheckBoxSize}, Checked(i));
            x += CheckBoxSize + TextIndent;
        }
        const bool selected = i == FItemIndex;
        const TRect textRect{x - 1, line.Top, line.Right, line.Bottom};
        canvas.Brush()->SetColor(selected ? clHighlight : Color());
        canvas.FillRect(textRect);
        canvas.Font()->SetColor(selected ? clHighlightText : Font()->Color());
        canvas.SetBkMode(TRANSPARENT);
        canvas.ExtTextOut(x + 1, line.Top + (h - canvas.LineHeight()) / 2, ETO_CLIPPED, &textRect, FItems.Strings(i));
    }
}

// The outline tree's properties, its list of shown rows, scrolling and the node list's notices.
#include "outline/OutlineTreeView.h"

#include <algorithm>
#include <cstdlib>

#include "host/core/ObjectWatch.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/ScrollBar.h"
#include "outline/OutInplaceEdit.h"

namespace {
// Posted to itself after the nodes changed: the scroll bar and the top row follow the rows once.
constexpr UINT CM_TREEROWSCHANGED = WM_USER + 200;
} // namespace

TOutlineTreeView::TOutlineTreeView(TComponent* AOwner)
    : TCustomControl(AOwner), FItems(std::make_unique<TTreeNodes>(static_cast<TTreeNodesListener*>(this)))
{
    ControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
    SetBounds(0, 0, 200, 150);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    SetColor(clWindow);
    LoadGlyphs();
}

TOutlineTreeView::~TOutlineTreeView()
{
    // The editor goes first, while this is still whole, with no edit left to validate; then the
    // nodes, silently.
    FEditNode = nullptr;
    delete FEditor;
    FEditor = nullptr;
    FItems.reset();
}

void TOutlineTreeView::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_VSCROLL;
}

void TOutlineTreeView::CreateWnd()
{
    TCustomControl::CreateWnd();
    FBarMax = FBarPage = FBarPos = -1;
    UpdateScrollBar();
}

// ----- settings -----------------------------------------------------------------------------

void TOutlineTreeView::SetTreeOptions(TOutlineTreeOptions Value)
{
    if (Value == FTreeOptions) return;
    FTreeOptions = Value;
    if (!CanEdit() && FEditor) HideEditor(false);
    Invalidate();
}

void TOutlineTreeView::SetFlat(bool Value)
{
    if (Value == FFlat) return;
    FFlat = Value;
    // A flat tree has a one-pixel frame, the other a sunken edge.
    SetCtl3D(!Value);
    Invalidate();
}

void TOutlineTreeView::SetWidthOutline(int Value)
{
    Value = std::max(0, Value);
    if (Value == FWidthOutline) return;
    FWidthOutline = Value;
    PlaceEditor();
    Invalidate();
}

void TOutlineTreeView::SetShowHeaders(bool Value)
{
    if (Value == FShowHeaders) return;
    FShowHeaders = Value;
    PostRowsUpdate();
    Invalidate();
}

void TOutlineTreeView::SetHeadersHeight(int Value)
{
    Value = std::clamp(Value, 0, 1000);
    if (Value == FHeadersHeight) return;
    FHeadersHeight = Value;
    PostRowsUpdate();
    Invalidate();
}

void TOutlineTreeView::SetPropText(const std::string& Value)
{
    FPropText = Value;
    Invalidate();
}

void TOutlineTreeView::SetValuesText(const std::string& Value)
{
    FValuesText = Value;
    Invalidate();
}

void TOutlineTreeView::SetIndent(int Value)
{
    FIndent = std::clamp(Value, 12, 1000);
    PlaceEditor();
    Invalidate();
}

void TOutlineTreeView::SetBackgroundColor(TColor Value)
{
    FBackgroundColor = Value;
    Invalidate();
}

void TOutlineTreeView::SetSelectedBackgroundColor(TColor Value)
{
    FSelectedBackgroundColor = Value;
    Invalidate();
}

void TOutlineTreeView::SetButtonGlyph(TTreeButtonGlyph Which, const TBitmap& Value)
{
    FGlyphs[Which]->Assign(Value);
    Invalidate();
}

void TOutlineTreeView::CMFontChanged(TMessage& Message)
{
    TCustomControl::CMFontChanged(Message);
    PostRowsUpdate();
    PlaceEditor();
}

// ----- rows ---------------------------------------------------------------------------------

void TOutlineTreeView::AddRows(TTreeNode* First)
{
    for (TTreeNode* node = First; node; node = node->getNextSibling()) {
        node->FRow = static_cast<int>(FRows.size());
        FRows.push_back(node);
        if (node->Expanded() && node->HasChildren()) AddRows(node->getFirstChild());
    }
}

void TOutlineTreeView::EnsureRows()
{
    if (!FRowsDirty) return;
    FRowsDirty = false;
    FRows.clear();
    AddRows(FItems->GetFirstNode());
    FTopRow = std::clamp(FTopRow, 0, MaxTopRow());
}

int TOutlineTreeView::RowHeight()
{
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    return std::max(16, canvas->LineHeight() + 3);
}

int TOutlineTreeView::RowCount()
{
    EnsureRows();
    return static_cast<int>(FRows.size());
}

TTreeNode* TOutlineTreeView::RowNode(int Row)
{
    EnsureRows();
    if (Row < 0 || Row >= static_cast<int>(FRows.size())) return nullptr;
    return FRows[static_cast<std::size_t>(Row)];
}

int TOutlineTreeView::NodeRow(const TTreeNode* Node)
{
    if (!Node) return -1;
    EnsureRows();
    const int row = Node->FRow;
    return row >= 0 && row < static_cast<int>(FRows.size()) && FRows[static_cast<std::size_t>(row)] == Node ? row : -1;
}

int TOutlineTreeView::VisibleRowCount()
{
    return std::max(1, (ClientHeight() - HeaderBottom()) / RowHeight());
}

int TOutlineTreeView::MaxTopRow() { return std::max(0, static_cast<int>(FRows.size()) - VisibleRowCount()); }

void TOutlineTreeView::SetTopRow(int Value)
{
    EnsureRows();
    Value = std::clamp(Value, 0, MaxTopRow());
    if (Value == FTopRow) return;
    const int delta = Value - FTopRow;
    FTopRow = Value;
    PlaceEditor();
    UpdateScrollBar();
    if (!HandleAllocated()) return;
    // A short way moves the rows already painted; only the rows uncovered are painted again.
    if (std::abs(delta) >= VisibleRowCount()) {
        Invalidate();
        return;
    }
    const TRect rows{0, HeaderBottom(), ClientWidth(), ClientHeight()};
    ScrollWindowEx(WindowHandle(), 0, -delta * RowHeight(), &rows, &rows, nullptr, nullptr, SW_INVALIDATE);
}

TTreeNode* TOutlineTreeView::GetNodeAt(int X, int Y)
{
    if (X < 0 || X >= ClientWidth() || Y < HeaderBottom()) return nullptr;
    return RowNode(FTopRow + (Y - HeaderBottom()) / RowHeight());
}

TRect TOutlineTreeView::RowRect(const TTreeNode* Node)
{
    const int row = NodeRow(Node);
    if (row < 0) return {};
    const int top = HeaderBottom() + (row - FTopRow) * RowHeight();
    return {0, top, ClientWidth(), top + RowHeight()};
}

TRect TOutlineTreeView::CaptionRect(const TTreeNode* Node)
{
    TRect r = RowRect(Node);
    if (!r.IsEmpty()) r.Right = std::min(r.Right, FWidthOutline);
    return r;
}

TRect TOutlineTreeView::ValueRect(const TTreeNode* Node)
{
    TRect r = RowRect(Node);
    if (r.IsEmpty()) return r;
    r.Left = std::min(r.Right, FWidthOutline + 1);
    if (FTreeOptions.Contains(totDrawGrid)) --r.Bottom;
    return r;
}

TRect TOutlineTreeView::ButtonRect(const TTreeNode* Node)
{
    const TRect row = RowRect(Node);
    if (row.IsEmpty()) return row;
    const int left = Node->Level() * FIndent;
    return {left, row.Top, left + FIndent, row.Bottom};
}

void TOutlineTreeView::MakeVisible(const TTreeNode* Node)
{
    const int row = NodeRow(Node);
    if (row < 0) return;
    if (row < FTopRow) SetTopRow(row);
    else if (row >= FTopRow + VisibleRowCount()) SetTopRow(row - VisibleRowCount() + 1);
}

// ----- scrolling ----------------------------------------------------------------------------

void TOutlineTreeView::UpdateScrollBar()
{
    if (!HandleAllocated() || FUpdatingBar) return;
    TScopedMember<bool> updating(this, FUpdatingBar, true);
    EnsureRows();
    // Showing or hiding the bar changes the client height, and with it the page: a second round.
    for (int round = 0; round < 2; ++round) {
        const int page = VisibleRowCount(), max = static_cast<int>(FRows.size()) - 1;
        FTopRow = std::clamp(FTopRow, 0, MaxTopRow());
        if (max == FBarMax && page == FBarPage && FTopRow == FBarPos) return;
        TScrollInfo info;
        info.Mask = SIF_RANGE | SIF_POS | SIF_PAGE;
        info.Min = 0;
        info.Max = std::max(0, max);
        info.Page = static_cast<UINT>(page);
        info.Pos = FTopRow;
        TObjectWatch alive(this);
        SetScrollInfo(WindowHandle(), SB_VERT, info, true);
        if (!alive) return;
        FBarMax = max;
        FBarPage = page;
        FBarPos = FTopRow;
    }
}

void TOutlineTreeView::PostRowsUpdate()
{
    FRowsDirty = true;
    if (FUpdatePosted || !HandleAllocated()) return;
    FUpdatePosted = true;
    PostMessage(WindowHandle(), CM_TREEROWSCHANGED, 0, 0);
}

void TOutlineTreeView::Dispatch(TMessage& Message)
{
    if (Message.Msg != CM_TREEROWSCHANGED) {
        TCustomControl::Dispatch(Message);
        return;
    }
    FUpdatePosted = false;
    UpdateScrollBar();
    PlaceEditor();
    Invalidate();
}

void TOutlineTreeView::WMVScroll(TWMScroll& Message)
{
    const int page = std::max(1, VisibleRowCount() - 1);
    switch (Message.ScrollCode()) {
    case SB_LINEUP: SetTopRow(FTopRow - 1); break;
    case SB_LINEDOWN: SetTopRow(FTopRow + 1); break;
    case SB_PAGEUP: SetTopRow(FTopRow - page); break;
    case SB_PAGEDOWN: SetTopRow(FTopRow + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        TScrollInfo info;
        info.Mask = SIF_TRACKPOS;
        SetTopRow(GetScrollInfo(WindowHandle(), SB_VERT, info) ? info.TrackPos : Message.Pos());
        break;
    }
    case SB_TOP: SetTopRow(0); break;
    case SB_BOTTOM: SetTopRow(RowCount()); break;
    default: return;
    }
    // Put the thumb back where the rows are, also when nothing moved.
    FBarPos = -1;
    UpdateScrollBar();
}

void TOutlineTreeView::WMMouseWheel(TWMMouseWheel& Message)
{
    const int notches = Message.WheelDelta() / WHEEL_DELTA;
    if (notches != 0) SetTopRow(FTopRow - notches * 3);
}

void TOutlineTreeView::WMSize(TWMSize& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSize(Message);
    if (!alive) return;
    UpdateScrollBar();
    if (alive) PlaceEditor();
}

// ----- the node list's notices --------------------------------------------------------------

void TOutlineTreeView::NodesChanged()
{
    PostRowsUpdate();
    Invalidate();
}

void TOutlineTreeView::NodeDeleting(TTreeNode* Node)
{
    FRowsDirty = true;
    // The edited node goes: its edit is dropped, nothing is validated.
    if (FEditNode && Node->IsAncestorOf(FEditNode)) CancelEdit();
}

void TOutlineTreeView::SelectionChanging() { HideEditor(true); }

void TOutlineTreeView::SelectionChanged()
{
    FRowsDirty = true;
    if (TTreeNode* node = Selected()) MakeVisible(node);
    Invalidate();
}

#pragma once
// TCustomGrid: the base grid. A matrix of cells with fixed columns and rows, a current cell,
// scrolling by whole cells, the paint loop that calls DrawCell for each visible cell, column
// sizing and moving by mouse, keyboard navigation, and an in-place editor behind hooks.
//
// The class is split by concern:
//   GridCore.cpp      construction, dimensions, sizes, options, geometry queries
//   GridScroll.cpp    current cell, TopRow/LeftCol, scroll bars, scrolling the pixels
//   GridPaint.cpp     the paint loop, grid lines, cell invalidation
//   GridMouse.cpp     selection, sizing and moving by mouse, auto-scrolling
//   GridKeyboard.cpp  KeyDown/KeyPress navigation and the key messages
//   GridEditor.cpp    the in-place editor and its hooks
// Columns and rows are two TGridAxis objects (default size plus sparse overrides), so a grid of
// 2,147,483,647 rows costs what a grid of ten rows does, and every query is O(log n).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/controls/GridAxis.h"
#include "host/controls/GridGeometry.h"
#include "host/controls/WinControl.h"
#include "host/core/Sets.h"

class TInplaceEdit;

enum TGridOption : unsigned char {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption, std::uint16_t>;

enum TGridDrawStateItem : unsigned char { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem, std::uint8_t>;

enum TGridState : unsigned char { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TGridScrollDirectionItem : unsigned char { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirection = TSet<TGridScrollDirectionItem, std::uint8_t>;


struct TGridCoord {
    int X = 0;
    int Y = 0;
    constexpr bool operator==(const TGridCoord&) const = default;
};

struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr bool Contains(int ACol, int ARow) const { return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom; }
    constexpr bool operator==(const TGridRect&) const = default;
};

using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // ----- dimensions and sizes (GridCore.cpp) -----
    int ColCount() const { return FCols.Count(); }
    void SetColCount(int Value);
    int RowCount() const { return FRows.Count(); }
    void SetRowCount(int Value);
    // Fixed columns and rows stay at the left and top; at most ColCount (RowCount) of them.
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    // Writing the default resets every column width (row height) to it; values below 1 are
    // ignored, as a cell of no size would leave nothing to scroll by.
    int DefaultColWidth() const { return FCols.DefaultSize(); }
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FRows.DefaultSize(); }
    void SetDefaultRowHeight(int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    // A width of 0 or less hides the column; it keeps its index.
    int ColWidths(int Index) const { return FCols.Size(Index); }
    virtual void SetColWidths(int Index, int Value);
    // The widths of the columns from First on, with one ColWidthsChanged when any changed.
    void SetColWidthsFrom(int First, std::span<const int> Widths);
    int RowHeights(int Index) const { return FRows.Size(Index); }
    void SetRowHeights(int Index, int Value);
    // Whether Tab stops on the column; hidden columns are skipped whatever it says.
    bool TabStops(int Index) const;
    void SetTabStops(int Index, bool Value);

    // ----- settings -----
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    // When set, the base fills each cell (and frames the focused one) before DrawCell.
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);
    // Whether a form file keeps the column widths and row heights.
    bool SaveCellExtents() const { return FSaveCellExtents; }
    void SetSaveCellExtents(bool Value) { FSaveCellExtents = Value; }

    // ----- current cell and scrolling (GridScroll.cpp) -----
    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    TGridRect Selection() const;
    // Scrollable rows (columns) that are entirely visible, grid line included.
    int VisibleRowCount() const;
    int VisibleColCount() const;
    // Moves the current cell; MoveAnchor collapses the selection onto it, Show scrolls it into
    // view. Raises EInvalidGridOperation outside the scrollable cells; SelectCell may refuse.
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);

    // ----- geometry queries (GridCore.cpp) -----
    // The cell's client rectangle without its grid line, clipped to the visible part of the
    // grid; empty for a cell that is not visible.
    TRect CellRect(int ACol, int ARow) const;
    // The visible part of the cells from (ALeft, ATop) to (ARight, ABottom).
    TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom) const;
    // The cell under a client point; each coordinate -1 when the point is outside the cells.
    TGridCoord MouseCoord(int X, int Y) const;
    // True on a column border where a sizing drag can start.
    bool Sizing(int X, int Y) const;
    TGridState GridState() const { return FGridState; }

    // ----- painting (GridPaint.cpp) -----
    void InvalidateCell(int ACol, int ARow);
    virtual void InvalidateCol(int ACol);
    void InvalidateRow(int ARow);
    void InvalidateGrid() { Invalidate(); }

    // ----- editing (GridEditor.cpp) -----
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }

    TMovedEvent OnColumnMoved;

protected:
    friend class TInplaceEdit;

    // Paints one cell: ARect is its client rectangle without the grid line.
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // Asked before a cell becomes current; false refuses the move.
    virtual bool SelectCell(int ACol, int ARow);
    // After a column was dragged from FromIndex and dropped at ToIndex (widths already moved).
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    // After TopRow or LeftCol changed.
    virtual void TopLeftMoved(const TGridCoord& OldTopLeft);
    // Called by the auto-scroll timer while a drag is past an edge of the scrolled cells.
    virtual void TimedScroll(TGridScrollDirection Direction);
    // Moves the column (or row) with its size and tab stop, then reports it.
    void MoveColumn(int FromIndex, int ToIndex);

    // What a repaint of the cell covers: its rectangle and the grid lines after it. A
    // descendant that draws over the lines around its cells widens it.
    virtual TRect CellPictureRect(int ACol, int ARow) const;
    // How far a cell draws before its rectangle, over the lines of the cells left of and above
    // it: a partial repaint then paints the cell after the clip's edge as well, so that the
    // later cell's pixels win there as in a full paint.
    virtual int CellPictureLead() const { return 0; }

    // Editor hooks.
    virtual bool CanEditAcceptKey(char Key);
    virtual bool CanGridAcceptKey(WORD Key, TShiftState Shift);
    virtual bool CanEditModify();
    // Whether the base editor may show now (needs goEditing). Not virtual: a descendant with an
    // editor of its own keeps its own rule without turning the base editor on.
    bool CanEditShow();
    virtual std::string GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const std::string& Value);
    // Makes the grid's editor; the grid owns and frees it.
    virtual TInplaceEdit* CreateInplaceEditor();
    void ShowEditor();
    void HideEditor();
    // Opens the editor and hands it the character that opened it, after it loaded its text.
    // Ch is a Unicode code point.
    void ShowEditorChar(unsigned Ch);
    void InvalidateEditor();
    void UpdateText();

    // The focus is in the grid or its editor.
    bool IsActiveControl() const;

    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void BoundsChanged() override;

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

    void WMSize(TWMSize& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMMouseWheel(TWMMouseWheel& Message) override;
    void WMTimer(TWMTimer& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMCancelMode(TMessage& Message) override;
    void CMCancelMode(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMDesignHitTest(TMessage& Message) override;

    // Whether Paint also calls DrawCell for hidden columns (with an empty rectangle), for a
    // descendant that reports every cell of a row to its application.
    bool FDrawHiddenCols = false;

    // The screen geometry of the columns and of the rows, as the grid is scrolled now.
    TGridAxisView Horz() const;
    TGridAxisView Vert() const;
    // Scrolls as little as brings the cell wholly into view.
    void ScrollIntoView(int ACol, int ARow);

private:
    // GridCore.cpp: the checks and the change of FixedCols or FixedRows; TopLeft is that axis's
    // first scrolled cell.
    void SetFixedCount(int& Fixed, int& TopLeft, int Value, int Count, const char* Axis);
    // GridScroll.cpp
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveTopLeft(int ALeft, int ATop);
    void ClampTopLeft();
    void UpdateScrollRange();
    void UpdateScrollPos();
    // Sets one bar's range and position, skipping the window system when nothing changed.
    void SetBar(int Bar, int Max, int Pos);
    void ScrollData(const TGridCoord& OldTopLeft);
    int ScrollBarPosition(int Bar, const TWMScroll& Message) const;
    void ScrollByMessage(bool Vertical, const TWMScroll& Message);
    // Keeps the current cell, the anchor and the top-left cell inside the grid after its
    // dimensions changed.
    void CheckCurrent();
    // GridPaint.cpp
    TPoint GridEnd() const;
    void DrawGridLines(TCanvas& Canvas, const TRect& Clip);
    void DrawSizingLine(TCanvas& Canvas);
    void DrawMoveMark(TCanvas& Canvas);
    void InvalidateSizingLine();
    // GridMouse.cpp
    void StartPress(TMouseButton Button, TShiftState Shift, int X, int Y);
    struct TSizingHit {
        int Index = -1;
        int Pos = 0; // client x of the border
        int Ofs = 0; // border minus mouse x
    };
    TSizingHit SizingColumnAt(int X, int Y) const;
    void StartAutoScroll();
    void StopAutoScroll();
    void CancelDrag();
    int MoveTargetAt(int X) const;
    // GridKeyboard.cpp
    // The next visible scrollable column from From in Step's direction, or From at the end.
    int StepColumn(int From, int Step) const;
    // Tab's target: the next tab stop, wrapping into the next (previous) row.
    TGridCoord NextTabStop(TGridCoord From, bool Forward) const;
    // GridEditor.cpp
    void UpdateEdit();
    void HideEdit();
    // GridCore.cpp
    void SizesChanged();
    void UpdateLineWidths();
    bool FUpdatingScrollRange = false;
    // What each bar (SB_HORZ, SB_VERT) was last given; -1 when unknown.
    int FBarMax[2] = {-1, -1};
    int FBarPos[2] = {-1, -1};

    TGridAxis FCols;
    TGridAxis FRows;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FGridLineWidth = 1;
    // Columns that are not tab stops (the rest are).
    std::vector<int> FNoTabStops;
    TGridOptions FOptions;
    TScrollStyle FScrollBars = ssBoth;
    TColor FFixedColor = clBtnFace;
    bool FDefaultDrawing = true;
    bool FSaveCellExtents = true;

    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};

    TGridState FGridState = gsNormal;
    int FSizingIndex = -1;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = -1;
    int FMovePos = -1;
    bool FTimerRunning = false;

    TInplaceEdit* FInplaceEdit = nullptr;
    bool FEditorMode = false;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
};

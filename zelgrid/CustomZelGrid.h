#pragma once
// TCustomZelGrid: the data grid on the base grid TCustomGrid. The grid owns no data: it asks the
// application for its rows and cells through events, and owns only presentation state: the
// column layouts (one of them shown), the title font, the indicator glyphs and the options.
//
// The class is split by concern:
//   GridObject.cpp    construction, properties, options, fonts, the shared cell-text bitmap
//   LayoutEngine.cpp  layout brackets, the layout pass, column mapping, layout switching
//   DataEvents.cpp    dispatch methods, the row count, the vertical scroll bar, row moves
//   GridMouse.cpp     presses, sizing write-back, column moves, drag start, the cell under the mouse
//   GridEditing.cpp   the in-place editor: the edit cycle, its callbacks and messages
//   GridKeyboard.cpp  the key tables, row and tab steps, Enter and Escape, the editor's keys
//   GridDrawing.cpp   the cell painter, the drawing services and their events
//   GridBorder.cpp    the three-pixel border in the non-client area, hot tracking, the disabled look
#include <memory>
#include <optional>
#include <string>

#include "host/controls/Grids.h"
#include "host/core/ObjectWatch.h"
#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"
#include "host/graphics/Font.h"
#include "host/graphics/ImageList.h"
#include "zelgrid/ColumnCollections.h"
#include "outline/OutInplaceEdit.h"
#include "zelgrid/GridTypes.h"

class TCustomZelGrid : public TCustomGrid {
public:
    explicit TCustomZelGrid(TComponent* AOwner);
    ~TCustomZelGrid() override;

    // ----- properties (GridObject.cpp) -----
    TZelGridOptions Options() const { return FOptions; }
    void SetOptions(TZelGridOptions Value);
    TFont* TitleFont() const { return FTitleFont.get(); }
    void SetTitleFont(TFont* Value);
    TZelColLayout* Layout() const { return FLayout; }
    // Adopts Value as the layout collection (no copy, no pass): Value and its column collections
    // belong to this grid from then on, and the collection held before is freed. A collection
    // that another grid holds is refused with EInvalidGridOperation; nullptr and the collection
    // already held change nothing.
    void SeTZelColLayout(TZelColLayout* Value);
    // The reference through which the column model refers to this grid without owning it.
    const TGridReference& SelfReference() const { return FSelfReference; }
    TColor BlindedColor() const { return FBlindedColor; }
    void SetBlindedColor(TColor Value);
    bool Blinded() const { return FBlinded; }
    void SetBlinded(bool Value);
    TColor SelectedColor() const { return FSelectedColor; }
    void SetSelColor(TColor Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    int DataRowHeight() const { return FDataRowHeight; }
    void SetDefRowHeight(int Value);
    int TitleHeight() const { return FTitleHeight; }
    void SetTitleHeight(int Value);
    // The published switch; painting does not consult it.
    bool DefaultDrawing = true;
    bool ReadOnly = false;
    bool StopOnNonVisibleCol = false;

    // Gives the grid the focus when it may take it. Always answers true.
    bool AcquireFocus();
    // Whether the grid draws its focused look: the focus is in the grid, in its own in-place
    // editor or in the editor's drop-down list.
    bool DrawsFocused() const;
    // Whether the shown layout's columns are customised (and so stored).
    bool StoreColumns() const;

    // ----- layout engine (LayoutEngine.cpp) -----
    int LayoutIndex() const { return FLayoutIndex; }
    void SetLayoutIndex(int Value);
    // The columns of the shown layout, or nullptr.
    TZelGridColumns* GeTZelColumns() const;
    TZelGridColumns* Columns() const { return GeTZelColumns(); }
    // Makes the shown layout's columns a copy of Value.
    void SeTZelColumns(TZelGridColumns* Value);
    TZelColLayout* CreateLayout();

    int RawToDataColumn(int ACol) const { return ACol - FIndicatorCols; }
    int DataToRawColumn(int ACol) const { return ACol + FIndicatorCols; }

    // Update and layout brackets nest up to MaxBracketDepth levels; one more raises
    // EInvalidGridOperation and changes nothing.
    static constexpr int MaxBracketDepth = 255;
    void BeginUpdate();
    void EndUpdate();
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    virtual void LayoutChanged();
    void DeferLayout();
    virtual void SeTZelColumnAttributes();

    // ----- data events and rows (DataEvents.cpp) -----
    virtual void GetRowCount(int& ARowCount);
    virtual void GetDataCell(int ACol, int ARow, std::string& AValue);
    virtual void ValidateDataCell(int ACol, int ARow, const std::string& NewVal, bool& ACancel);
    virtual void GetSummary(TObject* Sender, int Acol, Currency& aSummary);
    virtual void MoveToRow(int ARow);
    virtual void DeleteRecord(int ARow);
    virtual void AppendRecord(TObject* Sender);
    virtual void CopyCell(int ACol, int ARow);
    virtual void PasteCell(int ACol, int ARow);
    virtual void CopyRecord(int ARow);
    virtual void PasteRecord(int ARow);
    virtual void SetDefaultValue(int ACol);
    virtual void PrintGrid(TObject* Sender);
    virtual void ColSized(int ACol);
    // The text of the current cell, asked of OnGetDataCell directly.
    std::string FGetDataCell();

    int GetTopRow() const { return TopRow(); }
    void SetTopRow(int Value) { TCustomGrid::SetTopRow(Value); }
    int GetCurrentRow() const { return Row(); }
    void SetCurrentRow(int Value);
    void AMoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    void UpdateRowCount();
    void UpdateScrollBar();
    void UpdateActive();
    // Scrolls the data area by Distance rows.
    virtual void Scroll(int Distance);

    // ----- mouse and column moves (GridMouse.cpp) -----
    // Makes raw column ACol current: every change of the current column passes here.
    void MoveCol(int ACol);
    virtual void ColExit();
    virtual void ColEnter();
    // Raises OnTitleClick for a click that pressed and released the title of data column DataCol.
    virtual void TitleClick(int DataCol);
    // The raw column and grid row under a client point, -1 outside the cells.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    // The data cell under the mouse as the hover events last reported it; -1, -1 for none.
    int MouseCol() const { return FMouseCol; }
    int MouseRow() const { return FMouseRow; }
    // ----- drawing (GridDrawing.cpp) -----
    // Raise OnDrawColumnCell and OnDrawDataCell with these arguments, when assigned.
    virtual void DrawColumnCell(const TRect& Rect, int DataCol, TZelColumn* Column, TGridDrawState State);
    virtual void DrawDataCell(const TRect& Rect, TGridDrawState State);
    // Services for drawing handlers: write the text of the cell being painted (outside a paint,
    // of the current cell) into Rect with the canvas's font and colours.
    void DefaultDrawColumnCell(const TRect& Rect, int DataCol, TZelColumn* Column, TGridDrawState State);
    void DefaultDrawDataCell(const TRect& Rect, TGridDrawState State);
    // The data row of the cell being painted, or of the current cell outside a paint: drawing
    // handlers use it to paint per record.
    int DrawingDataRow() const;
    virtual bool HighlightCell(int ACol, int ARow, const std::string& Value, TGridDrawState AState);
    // Invalidates the cells of grid row ARow in raw columns 0 to the shown layout's column count.
    void InvalidateRow(int ARow);
    // Invalidates what shows that grid row ARow is the current one: its indicator and current
    // cell, or the whole row when row select or a drawing handler may paint the row as current.
    void InvalidateCurrentRowMarks(int ARow);

    // ----- border (GridBorder.cpp) -----
    // Paints the three-pixel border, clipped to Clip (window-system screen coordinates) when given.
    void RedrawBorder(const TRegion* Clip);

    // ----- in-place editing (GridEditing.cpp) -----
    void ShowEditor();
    // Shows the editor and hands it Ch as its first input, after it loaded its text.
    // Ch is a Unicode code point.
    void ShowEditorChar(unsigned Ch);
    // Leaves edit mode: commits and hides the editor.
    void HideEditor();
    void SetEditorMode(bool Value);
    // Creates, loads and places the editor as the current state asks.
    void UpdateEdit();
    // Commits and hides the editor window; edit mode stays.
    void HideEdit();
    // Commits the editor's text once.
    void UpdateText();
    // Forgets the loaded cell and reloads the editor.
    void InvalidateEditor();
    bool CanEditShow();
    bool CanEditAcceptKey(char Key) override;
    bool CanEditModify() override;
    // A new editor wired to this grid; the caller keeps it.
    TOutInplaceEdit* CreateEditor();
    std::string GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const std::string& Value) override;
    int GetSelectedIndex() const;
    void SetSelectedIndex(int Value);
    virtual void EditButtonClick();
    // Moves a shown editor back over the current cell.
    virtual void TopLeftChanged();
    TOutInplaceEdit* Editor() const { return FEditor; }
    int EditorCol() const { return FEditorCol; }
    int EditorRow() const { return FEditorRow; }

    // ----- state read by tests, descendants and later concerns -----
    int TitleRows() const { return FTitleRows; }
    int IndicatorCols() const { return FIndicatorCols; }
    int UpdateLock() const { return FUpdateLock; }
    int LayoutLock() const { return FLayoutLock; }
    TImageList* IndicatorImages() const { return FIndicatorImages.get(); }
    bool EditorActive() const { return FEditorActive; }

    // ----- events -----
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawColumnCellEvent OnDrawColumnCell;
    TLayoutChangeEvent OnLayoutChange;
    TGetDataCellEvent OnGetDataCell;
    TValidateDataEvent OnValidateData;
    TCopyCellEvent OnCopyCell;
    TPasteCellEvent OnPasteCell;
    TCopyRecordEvent OnCopyRecord;
    TPasteRecordEvent OnPasteRecord;
    TAppendRecordEvent OnAppendRecord;
    TDeleteRecordEvent OnDeleteRecord;
    TGetRowCountEvent OnGetRowCount;
    TSetDefaultValueEvent OnSetDefaultValue;
    TGetSummaryEvent OnGetSummary;
    TMoveToRowEvent OnMoveToRow;
    TMouseCellEvent OnMouseLeave;
    TMouseCellEvent OnMouseEnter;
    TColSizingEvent OnColSized;
    TNotifyEvent OnEditButtonClick;
    TNotifyEvent OnPrintGrid;
    TTitleClickEvent OnTitleClick;

    void Loaded() override;

protected:
    // The layout pass; runs only from the outermost EndLayout.
    virtual void InternalLayout();
    void CreateWnd() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void ColWidthsChanged() override;
    void TopLeftMoved(const TGridCoord& OldTopLeft) override;

    void Dispatch(TMessage& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMParentFontChanged(TMessage& Message) override;
    void CMDeferLayout(TMessage& Message);

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void TimedScroll(TGridScrollDirection Direction) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void CMDesignHitTest(TMessage& Message) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMCommand(TWMCommand& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void CMCancelMode(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    // Asks "Delete record?" in a modal message dialog when dgConfirmDelete is set; true lets
    // Delete remove the record.
    virtual bool ConfirmDelete();

    // The editor's callbacks, installed by CreateEditor in this order.
    void aGetEditData(TCustomInplaceEdit* Sender, std::string& Value, bool& Flag);
    void aValidateData(TCustomInplaceEdit* Sender, const std::string& NewVal, bool& ACancel);
    void aGetEditstyle(TCustomInplaceEdit* Sender, TEditStyle& EditStyle);
    void aGetPickList(TCustomInplaceEdit* Sender, TStrings*& PickList);
    void aGetReadOnly(TCustomInplaceEdit* Sender, bool& ReadOnly);
    void aEditButtonClick(TCustomInplaceEdit* Sender);
    void aHideEditor(TCustomInplaceEdit* Sender);
    void aUpdateData(TCustomInplaceEdit* Sender);
    void GetClickKey(TCustomInplaceEdit* Sender, WORD& Key, TShiftState& Shift);
    void aUpdateEdit(TCustomInplaceEdit* Sender);
    virtual void KeyUpParent(TObject* Sender, WORD& Key, TShiftState Shift);
    virtual void KeyDownParent(TObject* Sender, WORD& Key, TShiftState Shift);
    virtual void KeyPressParent(TObject* Sender, char& Key);
    virtual void DblClickParent(TObject* Sender);
    // Drawing and border.
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    // A cell's bevel lies on the grid lines on all four sides of it.
    TRect CellPictureRect(int ACol, int ARow) const override;
    int CellPictureLead() const override { return 1; }
    void CreateParams(TCreateParams& Params) override;
    void WMNCCalcSize(TWMNCCalcSize& Message) override;
    void WMNCPaint(TWMNCPaint& Message) override;
    void CMEnabledChanged(TMessage& Message) override;

    void TitleFontChanged(TObject* Sender);

    TColor FEnabledColor = clBlack;
    int FMouseRow = 0;
    int FMouseCol = 0;
    bool FEditorActive = false;
    // The in-place editor, created on first use by UpdateEdit; nullptr until then.
    TOutInplaceEdit* FEditor = nullptr;
    // The cell the editor was last loaded for (raw column, grid row); 0, 0 before the first load.
    int FEditorCol = 0;
    int FEditorRow = 0;
    unsigned char FTitleRows = 1;
    unsigned char FIndicatorCols = 1;
    unsigned char FUpdateLock = 0;
    unsigned char FLayoutLock = 0;
    bool FLeavingColumn = false;
    bool FTitleFontFromParent = false;
    int FLastIndicatorRow = 0;
    std::string FCellText;
    bool FTakeFocus = false;
    bool FMouseInside = false;
    // The cell DrawCell is painting (raw column, grid row); -1 outside a paint.
    int FDrawingCol = -1;
    int FDrawingRow = -1;

private:
    // Brings LayoutIndex back onto an existing layout, adding one when none is left.
    void EnsureShownLayout();
    void RemoveDefaultColumns(TZelGridColumns* Columns);
    void HoldColumns();
    void ReleaseHeldColumns();
    bool PeekDeferLayout(unsigned RemoveFlags);
    // Whether AMoveColRow must refuse the target: a row outside the data rows, or a column outside
    // the data columns when the layout has any.
    bool RowMoveRefused(int ACol, int ARow) const;
    // The whole-width rectangle of a grid row, clipped to what shows.
    TRect WholeRowRect(int ARow) const;
    // The vertical bar: its last position, the position of a grid row, and the row a position
    // stands for (DataEvents.cpp).
    int ScrollBarMax() const;
    int ScrollPosOfRow(int ARow) const;
    int RowAtScrollPos(int Pos) const;
    int ThumbRow(int Pos) const;
    void FollowThumb(int Pos);
    // Repaints the title row and the border when the focus look changed.
    void FocusLookChanged();
    // Reloads the editor when the current cell's text is no longer what it loaded.
    void RefreshEditorText();
    // GridEditing.cpp
    // The column of the shown layout at the current cell, or nullptr.
    TZelColumn* CurrentColumn() const;
    void LoadEditor();
    // Binds the edit to the cell it is loaded for: the column object and the record, which a
    // change of the columns or of the title row must not trade for another.
    void BindEditedCell();
    // Whether the editor is loaded for the current cell, its column object and its record.
    bool EditorHoldsCurrentCell() const;
    // Commits the editor's text once: true when the application took it (OnValidateData did
    // not cancel).
    bool CommitText();
    // The application stored a value in the cell (raw column, grid row): the cell is repainted
    // and an editor shown over it takes the stored text.
    void CellStored(int ACol, int ARow);
    // A shown editor over the current cell takes the application's text again, with nothing
    // left to commit.
    void ReloadShownEditor();
    // The cell an edit belongs to, taken before a call out that may hide the editor meanwhile.
    struct TEditedCell {
        explicit TEditedCell(const TCustomZelGrid& Grid);
        bool Loaded;
        bool Bound;
        int RawCol;
        int Record;
        const TZelColumn* Column;
        TObjectWatch ColumnAlive;
    };
    // Where an edit's text belongs now (raw column, grid row): false when its column or its
    // record is gone, or the editor is loaded for no cell.
    bool EditedCell(const TEditedCell& Cell, int& ACol, int& ARow) const;
    // Shows the editor over the current cell, or hides its window without a commit while the
    // cell is scrolled out of view.
    void PlaceEditor();
    // GridKeyboard.cpp
    bool CurrentColumnReadOnly() const;
    void RowStep(int Target);
    void TabStep(bool Forward);
    void CtrlKey(WORD Key);
    void PlainKey(WORD Key, TShiftState Shift);
    // GridMouse.cpp
    // Whether the column object of raw column ACol shows (Width > 0).
    bool ColumnShows(int ACol) const;
    // The column MoveCol lands on when moving from OldCol towards ACol.
    int MoveTarget(int ACol, int OldCol) const;
    // Remembers the data cell under a client point and reports the change; false when a
    // handler freed the grid.
    bool TrackMouseCell(int X, int Y);
    // GridDrawing.cpp
    std::string DrawFailureMessage(int DataCol, int DataRow) const;
    // The shown layout's column at DataCol, or null where it has none: between a change of the
    // layouts and the pass that follows it the base grid may still show columns that are gone.
    TZelColumn* ShownColumn(int DataCol) const;

    TZelColLayout* FLayout = nullptr;
    TGridReference FSelfReference = std::make_shared<TCustomZelGrid*>(this);
    // The column collection the outermost open bracket holds in its update state, and a watch
    // that tells whether it still exists when the bracket closes (the bracket may free it).
    TZelGridColumns* FHeldColumns = nullptr;
    std::optional<TObjectWatch> FHeldColumnsWatch;
    // A deferred pass arrived during an update; EndUpdate runs it.
    bool FDeferredLayoutOwed = false;
    int FLayoutIndex = 0;
    TColor FBlindedColor = clBlack;
    bool FBlinded = false;
    bool FFlat = false;
    int FDataRowHeight = 0;
    int FTitleHeight = 0;
    std::unique_ptr<TImageList> FIndicatorImages;
    std::unique_ptr<TFont> FTitleFont;
    TZelGridOptions FOptions;
    TColor FSelectedColor = clActiveCaption;
    // The column object and the record (data row) the edit belongs to; the column is null when
    // the editor was loaded where the layout had no column object.
    TWatchedPtr<TZelColumn> FEditedColumn;
    bool FEditedColumnBound = false;
    int FEditedRecord = 0;
    // The editor's window is hidden, its edit kept, because its cell is scrolled out of view.
    bool FEditorScrolledOut = false;
    // Where the left button went down (client coordinates): drag and drop starts only once the
    // pointer is past the drag threshold from there.
    TPoint FDragPress;
    bool FDragPressKnown = false;
    // The raw column whose title the left button pressed, -1 for none (or once the press moved
    // past the drag threshold from FTitlePress): its release there is a title click.
    int FTitlePressCol = -1;
    TPoint FTitlePress;
    // The text buffer a paint lends to OnGetDataCell, kept between cells.
    std::string FDrawText;
    // The focus look the title row was last painted with: a focus change that keeps it (to the
    // grid's own editor and back) repaints nothing.
    bool FDrawnFocused = false;
    // A thumb drag: tracking since FThumbStartTop was the top row; released, so that the
    // SB_ENDSCROLL that follows changes nothing.
    bool FThumbTracking = false;
    bool FThumbReleased = false;
    int FThumbStartTop = 1;
};

// Closes a layout bracket also when an exception passes; a grid freed inside the bracket is
// left alone.
class TLayoutGuard {
public:
    explicit TLayoutGuard(TCustomZelGrid* Grid) : FGrid(Grid), FAlive(Grid)
    {
        if (FGrid) FGrid->BeginLayout();
    }
    ~TLayoutGuard()
    {
        if (FGrid && FAlive) FGrid->EndLayout();
    }
    TLayoutGuard(const TLayoutGuard&) = delete;
    TLayoutGuard& operator=(const TLayoutGuard&) = delete;

private:
    TCustomZelGrid* FGrid;
    TObjectWatch FAlive;
};

// Keeps the grid's update counter up for a press or a key, also when a handler raises; touches
// nothing when a handler freed the grid.
class TUpdateGuard {
public:
    explicit TUpdateGuard(TCustomZelGrid* Grid) : FGrid(Grid), FAlive(Grid) { FGrid->BeginUpdate(); }
    ~TUpdateGuard()
    {
        if (FAlive) FGrid->EndUpdate();
    }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;
    bool Alive() const { return FAlive.Alive(); }

private:
    TCustomZelGrid* FGrid;
    TObjectWatch FAlive;
};

// ----- the shared cell-text bitmap and the cell text writer -----

// One off-screen bitmap for word-wrapped cell text, shared by every grid of the process.
TBitmap* CellTextBitmap();
int CellTextBitmapUsers();
void AcquireCellTextBitmap();
void ReleaseCellTextBitmap();

// DrawText flags for word-wrapped cell text, by alignment.
extern const unsigned CellTextAlignFlags[3];

// Writes Text into Rect at offset (DX, DY): opaque and clipped on one line, or word-wrapped
// through the shared bitmap.
void WriteCellText(TCanvas& Canvas, const TRect& Rect, int DX, int DY, const std::string& Text,
                   TAlignment Alignment, bool WordWrap);

// Draws a one-pixel frame on Control's parent, two pixels outside the control: raised when Hot
// or focused, sunken otherwise. Nothing when the control is not showing or has no window.
void DrawFrame(TWinControl* Control, bool Hot);

// The grid object: construction, the published properties and their setters, the option set
// and its mapping onto the base grid, the fonts, the focus routine and the cell text writer.
#include <algorithm>

#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "outline/PopupList.h"
#include "zelgrid/CustomZelGrid.h"

namespace {

// Base grid options 0, 1, 2, 3, 7, 9 and 11.
constexpr std::uint16_t InitialBaseOptionBits = 2703;

TBitmap* SharedCellTextBitmap = nullptr;
int SharedCellTextBitmapUsers = 0;

// The base grid options that Value turns on.
TGridOptions BaseOptionsFor(TZelGridOptions Value)
{
    TGridOptions base;
    if (Value.Contains(dgColLines)) base += TGridOptions{goFixedVertLine, goVertLine};
    if (Value.Contains(dgRowLines)) base += TGridOptions{goFixedHorzLine, goHorzLine};
    if (Value.Contains(dgColumnResize)) base += TGridOptions{goColSizing, goColMoving};
    if (Value.Contains(dgTabs)) base.Include(goTabs);
    return base;
}

// The indicator glyphs in their order of use: current row, editing, inserting.
std::unique_ptr<TImageList> LoadIndicatorImages()
{
    static constexpr const char* GlyphNames[] = {"ZGARROW", "ZGEDIT", "ZGINSERT"};
    std::unique_ptr<TImageList> images;
    for (const char* name : GlyphNames) {
        TBitmap glyph; // freed also when loading raises
        glyph.LoadFromResourceName(name);
        if (!images) images = std::make_unique<TImageList>(glyph.Width(), glyph.Height());
        images->AddMasked(glyph, clWhite);
    }
    return images;
}

} // namespace

TBitmap* CellTextBitmap()
{
    return SharedCellTextBitmap;
}

int CellTextBitmapUsers()
{
    return SharedCellTextBitmapUsers;
}

void AcquireCellTextBitmap()
{
    if (SharedCellTextBitmapUsers == 0) SharedCellTextBitmap = new TBitmap;
    ++SharedCellTextBitmapUsers;
}

void ReleaseCellTextBitmap()
{
    if (SharedCellTextBitmapUsers == 0) return;
    if (--SharedCellTextBitmapUsers > 0) return;
    delete SharedCellTextBitmap;
    SharedCellTextBitmap = nullptr;
}

const unsigned CellTextAlignFlags[3] = {
    DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX,
    DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX,
    DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX,
};

void WriteCellText(TCanvas& Canvas, const TRect& Rect, int DX, int DY, const std::string& Text,
                   TAlignment Alignment, bool WordWrap)
{
    if (!WordWrap) {
        // The canvas places the text by its end or middle itself: a right-aligned text is then
        // measured only as far back as the cell shows it. A line break reads as a space here;
        // a wrapped cell starts a new line at it.
        int x = Rect.Left + DX;
        unsigned align = TA_LEFT;
        if (Alignment == taRightJustify) {
            x = Rect.Right - 3;
            align = TA_RIGHT;
        } else if (Alignment == taCenter) {
            x = Rect.Left + (Rect.Right - Rect.Left) / 2;
            align = TA_CENTER;
        }
        const unsigned previous = Canvas.SetTextAlign(align);
        try {
            Canvas.ExtTextOut(x, Rect.Top + DY, ETO_OPAQUE | ETO_CLIPPED | ETO_BREAKSASSPACES, &Rect, Text);
        } catch (...) {
            Canvas.SetTextAlign(previous);
            throw;
        }
        Canvas.SetTextAlign(previous);
        return;
    }
    TBitmap* bitmap = SharedCellTextBitmap;
    if (!bitmap) return; // no grid alive: nothing to draw with
    // Only the part of the cell the canvas shows is rendered: a cell may be far larger than any
    // bitmap (a row or column of millions of pixels). The text is laid out on the whole cell.
    const TRect shown = IntersectRect(Rect, Canvas.ClipRect());
    const int width = shown.Width();
    const int height = shown.Height();
    if (width <= 0 || height <= 0) return;
    if (bitmap->Width() < width || bitmap->Height() < height)
        bitmap->SetSize(std::max(bitmap->Width(), width), std::max(bitmap->Height(), height));
    TCanvas& target = *bitmap->Canvas();
    target.Font()->Assign(Canvas.Font());
    target.Font()->SetColor(Canvas.Font()->Color());
    target.Brush()->Assign(Canvas.Brush());
    target.Brush()->SetStyle(bsSolid);
    const TRect piece{0, 0, width, height};
    target.FillRect(piece);
    target.SetBkMode(TRANSPARENT);
    const TPoint from{shown.Left - Rect.Left, shown.Top - Rect.Top};
    TRect textRect{DX - from.X, DY - from.Y, Rect.Width() - 1 - from.X, Rect.Height() - 1 - from.Y};
    target.DrawText(Text, textRect, CellTextAlignFlags[Alignment <= taCenter ? Alignment : taLeftJustify]);
    Canvas.CopyRect(shown, target, piece);
}

TCustomZelGrid::TCustomZelGrid(TComponent* AOwner) : TCustomGrid(AOwner)
{
    TCustomGrid::SetDefaultDrawing(false);
    FDrawHiddenCols = true;
    FTakeFocus = true;
    FIndicatorImages = LoadIndicatorImages();
    FTitleRows = 1;
    FIndicatorCols = 1;
    FOptions = TZelGridOptions::FromBits(DefaultZelGridOptionBits);
    AcquireCellTextBitmap();
    SetScrollBars(ssHorizontal);
    TCustomGrid::SetOptions(TGridOptions::FromBits(InitialBaseOptionBits));
    FLayout = CreateLayout();
    FLayoutIndex = 0;
    TCustomGrid::SetRowCount(2);
    SetColCount(2);
    SetColor(clWindow);
    SetParentColor(false);
    FTitleFont = std::make_unique<TFont>();
    FTitleFont->OnChange = [this](TObject* Sender) { TitleFontChanged(Sender); };
    SetSaveCellExtents(false);
    FSelectedColor = clActiveCaption;
    DefaultDrawing = true;
    FFlat = true;
    SetCtl3D(false);
    SetBorderStyle(bsNone);
    ControlStyle.Exclude(csFramed);
    HideEditor();
}

TCustomZelGrid::~TCustomZelGrid()
{
    delete FEditor;
    FEditor = nullptr;
    // Layout collections made by this grid and held elsewhere lose their grid from here on.
    *FSelfReference = nullptr;
    FIndicatorImages.reset();
    FTitleFont.reset();
    delete FLayout;
    FLayout = nullptr;
    // The base grid's destructor runs next; the shared bitmap is released last.
    ReleaseCellTextBitmap();
}

void TCustomZelGrid::SetOptions(TZelGridOptions Value)
{
    if (Value == FOptions) return;
    TObjectWatch alive(this);
    TCustomGrid::SetOptions(BaseOptionsFor(Value));
    if (!alive) return;
    const TZelGridOptions changed = (FOptions - Value) + (Value - FOptions);
    FOptions = Value;
    if (Value.Contains(dgAlwaysShowEditor)) FOptions.Include(dgEditing);
    if (!Value.Contains(dgEditing)) FOptions.Exclude(dgAlwaysShowEditor);
    if (!(changed * LayoutOptions).Empty()) LayoutChanged();
}

void TCustomZelGrid::SetTitleFont(TFont* Value)
{
    TObjectWatch alive(this);
    FTitleFont->Assign(Value);
    if (alive && FOptions.Contains(dgTitles)) LayoutChanged();
}

void TCustomZelGrid::SeTZelColLayout(TZelColLayout* Value)
{
    if (!Value || Value == FLayout) return;
    TCustomZelGrid* holder = Value->OwnerGrid();
    if (holder && holder != this && holder->Layout() == Value)
        throw EInvalidGridOperation("The layout collection belongs to another grid");
    Value->SetOwnerGrid(this);
    delete FLayout;
    FLayout = Value;
}

void TCustomZelGrid::SetBlindedColor(TColor Value)
{
    FBlindedColor = Value;
    Invalidate();
}

void TCustomZelGrid::SetBlinded(bool Value)
{
    if (Value == FBlinded) return;
    FBlinded = Value;
    if (Value) Invalidate();
}

void TCustomZelGrid::SetSelColor(TColor Value)
{
    FSelectedColor = Value;
    Invalidate();
}

void TCustomZelGrid::SetDefRowHeight(int Value)
{
    const int keptTitleHeight = FTitleHeight;
    TObjectWatch alive(this);
    SetDefaultRowHeight(Value);
    if (!alive) return;
    FTitleHeight = keptTitleHeight;
    FDataRowHeight = DefaultRowHeight();
}

void TCustomZelGrid::SetTitleHeight(int Value)
{
    if (Value <= 0) return;
    FTitleHeight = Value;
    TObjectWatch alive(this);
    SetRowHeights(0, Value);
    if (alive) Invalidate();
}

bool TCustomZelGrid::AcquireFocus()
{
    if (FTakeFocus && CanFocus() && !ComponentState.Contains(csDesigning)) SetFocus();
    return true;
}

bool TCustomZelGrid::DrawsFocused() const
{
    if (Focused()) return true;
    if (!FEditor) return false;
    const TPopupList* list = FEditor->List();
    return FEditor->Focused() || (list && list->Focused());
}

void TCustomZelGrid::FocusLookChanged()
{
    const bool focused = DrawsFocused();
    if (focused == FDrawnFocused) return;
    FDrawnFocused = focused;
    InvalidateRow(0);
    if (FFlat && !ComponentState.Contains(csDesigning)) RedrawBorder(nullptr);
}

bool TCustomZelGrid::StoreColumns() const
{
    TZelGridColumns* columns = GeTZelColumns();
    return columns && columns->GetState() == csCustomized;
}

void TCustomZelGrid::TitleFontChanged(TObject*)
{
    if (!FTitleFontFromParent && !ComponentState.Contains(csLoading)) SetParentFont(false);
    if (FOptions.Contains(dgTitles)) LayoutChanged();
}

void TCustomZelGrid::CMParentFontChanged(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::CMParentFontChanged(Message);
    if (!alive || !ParentFont()) return;
    {
        TScopedMember<bool> fromParent(this, FTitleFontFromParent, true);
        SetTitleFont(Font());
    }
    if (alive) LayoutChanged();
}

void TCustomZelGrid::CMFontChanged(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::CMFontChanged(Message);
    if (!alive) return;
    TLayoutGuard layout(this);
    if (TZelGridColumns* columns = GeTZelColumns())
        for (int i = 0; i < columns->Count() && alive; ++i) columns->GeTZelColumn(i)->RefreshDefaultFont();
}


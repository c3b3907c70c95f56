#include "zelgrid/Column.h"

#include "zelgrid/ColumnCollections.h"
#include "zelgrid/CustomZelGrid.h"

namespace ZelColumnDetail {

TConstructionLayoutBracket::TConstructionLayoutBracket(TCollection* Collection)
{
    // A column of a layout that is not shown changes nothing in the grid.
    auto* columns = dynamic_cast<TZelGridColumns*>(Collection);
    FBracketGrid = columns ? columns->ShownGrid() : nullptr;
    if (FBracketGrid) FBracketGrid->BeginLayout();
}

TConstructionLayoutBracket::~TConstructionLayoutBracket()
{
    CloseLayoutBracket();
}

void TConstructionLayoutBracket::CloseLayoutBracket()
{
    TCustomZelGrid* grid = FBracketGrid;
    FBracketGrid = nullptr;
    if (grid) grid->EndLayout();
}

} // namespace ZelColumnDetail

TZelColumn::TZelColumn(TCollection* Collection)
    : TConstructionLayoutBracket(Collection), TCollectionItem(Collection), FFont(std::make_unique<TFont>())
{
    FColumns = dynamic_cast<TZelGridColumns*>(Collection);
    FFont->Assign(DefaultFont());
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
    FOrdPosition = Index();
    CloseLayoutBracket();
}

TZelColumn::~TZelColumn() = default;

TZelColumnTitle* TZelColumn::Title() const
{
    // Made on first use rather than in the constructor, where CreateTitle would not reach a
    // subclass's override. Making it changes nothing a caller can see.
    if (!FTitle) FTitle.reset(const_cast<TZelColumn*>(this)->CreateTitle());
    return FTitle.get();
}

TCustomZelGrid* TZelColumn::GetGrid() const
{
    return FColumns ? FColumns->OwnerGrid() : nullptr;
}

TColor TZelColumn::DefaultColor() const
{
    TCustomZelGrid* grid = GetGrid();
    return grid ? grid->Color() : clWindow;
}

TFont* TZelColumn::DefaultFont() const
{
    TCustomZelGrid* grid = GetGrid();
    return grid ? grid->Font() : FFont.get();
}

int TZelColumn::DefaultWidth() const
{
    TCustomZelGrid* grid = GetGrid();
    return grid ? grid->DefaultColWidth() : 64;
}

TAlignment TZelColumn::GetAlignment() const
{
    return FAssignedValues.Contains(cvAlignment) ? FAlignment : DefaultAlignment();
}

TColor TZelColumn::GetColor() const
{
    return FAssignedValues.Contains(cvColor) ? FColor : DefaultColor();
}

TFont* TZelColumn::GetFont() const
{
    if (FAssignedValues.Contains(cvFont)) return FFont.get();
    TFont* defaultFont = DefaultFont();
    // The colour is not compared: a colour-only change of the grid's font arrives through
    // RefreshDefaultFont, which the grid calls when its font changes.
    if (FFont->Handle() != defaultFont->Handle()) {
        TFontChangeDetach detach(FFont.get());
        FFont->Assign(defaultFont);
    }
    return FFont.get();
}

TStrings* TZelColumn::GetPickList()
{
    if (!FPickList) FPickList = std::make_unique<TStringList>();
    return FPickList.get();
}

bool TZelColumn::GetReadOnly() const
{
    TCustomZelGrid* grid = GetGrid();
    if (grid && grid->ReadOnly) return true;
    return FAssignedValues.Contains(cvReadOnly) ? FReadOnly : DefaultReadOnly();
}

int TZelColumn::GetWidth() const
{
    return FAssignedValues.Contains(cvWidth) ? FWidth : DefaultWidth();
}

void TZelColumn::SetAlignment(TAlignment Value)
{
    if (FAssignedValues.Contains(cvAlignment) && Value == FAlignment) return;
    FAlignment = Value;
    FAssignedValues.Include(cvAlignment);
    Changed(false);
}

void TZelColumn::SetColor(TColor Value)
{
    if (FAssignedValues.Contains(cvColor) && Value == FColor) return;
    FColor = Value;
    FAssignedValues.Include(cvColor);
    Changed(false);
}

void TZelColumn::SetWidth(int Value)
{
    // Setting the default width on an unassigned width keeps it unassigned.
    if (FAssignedValues.Contains(cvWidth) || Value != DefaultWidth()) {
        FWidth = Value;
        FAssignedValues.Include(cvWidth);
    }
    Changed(false);
}

void TZelColumn::SetReadOnly(bool Value)
{
    if (Value == FReadOnly) return;
    FReadOnly = Value;
    // A read-only False is never an assigned value.
    if (Value) FAssignedValues.Include(cvReadOnly);
    else FAssignedValues.Exclude(cvReadOnly);
    Changed(false);
}

void TZelColumn::SetFont(TFont* Value)
{
    FFont->Assign(Value);
    FAssignedValues.Include(cvFont);
    Changed(false);
}

void TZelColumn::SetButtonStyle(TZelColumnButtonStyle Value)
{
    if (Value == FButtonStyle) return;
    FButtonStyle = Value;
    Changed(false);
}

void TZelColumn::SetPickList(TStrings* Value)
{
    if (!Value) {
        FPickList.reset();
        return;
    }
    GetPickList()->Assign(Value);
}

void TZelColumn::SetTitle(TZelColumnTitle* Value)
{
    Title()->Assign(Value);
}

void TZelColumn::SetVisible(bool Value)
{
    // The new width runs the grid's pass, whose handlers may free this column.
    TObjectWatch alive(this);
    if (!Value) {
        FSavedWidth = FWidth;
        SetWidth(-1);
    } else if (GetWidth() <= 0) {
        SetWidth(FSavedWidth > 0 ? FSavedWidth : DefaultWidth());
    }
    if (!alive) return;
    // Only the shown layout's columns are on screen; another layout's state is taken up by the
    // pass that shows it.
    if (TCustomZelGrid* grid = FColumns ? FColumns->ShownGrid() : nullptr) grid->InvalidateCol(grid->DataToRawColumn(Index()));
    FVisible = Value;
    Changed(false);
}

bool TZelColumn::IsAlignmentStored() const
{
    return FAssignedValues.Contains(cvAlignment) && FAlignment != DefaultAlignment();
}

bool TZelColumn::IsColorStored() const
{
    return FAssignedValues.Contains(cvColor) && FColor != DefaultColor();
}

bool TZelColumn::IsFontStored() const
{
    return FAssignedValues.Contains(cvFont);
}

bool TZelColumn::IsReadOnlyStored() const
{
    return FAssignedValues.Contains(cvReadOnly) && FReadOnly != DefaultReadOnly();
}

bool TZelColumn::IsWidthStored() const
{
    return FAssignedValues.Contains(cvWidth) && FWidth != DefaultWidth();
}

void TZelColumn::RefreshDefaultFont()
{
    if (FAssignedValues.Contains(cvFont)) return;
    TFontChangeDetach detach(FFont.get());
    FFont->Assign(DefaultFont());
}

void TZelColumn::RestoreDefaults()
{
    const bool fontAssigned = FAssignedValues.Contains(cvFont);
    Title()->RestoreDefaults();
    FAssignedValues = {};
    RefreshDefaultFont();
    FPickList.reset();
    TObjectWatch alive(this);
    SetButtonStyle(cbsAuto);
    if (alive) Changed(fontAssigned);
}

TZelColumnTitle* TZelColumn::CreateTitle()
{
    return new TZelColumnTitle(this);
}

void TZelColumn::FontChanged(TObject*)
{
    FAssignedValues.Include(cvFont);
    // Without a grid an unassigned title font follows this font.
    if (FTitle) FTitle->RefreshDefaultFont();
    Changed(false);
}

Currency TZelColumn::GetSummary()
{
    TCustomZelGrid* grid = GetGrid();
    if (!ColumnSumEnable || !grid) return Currency{};
    Currency summary;
    grid->GetSummary(this, Index(), summary);
    return summary;
}

void TZelColumn::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TZelColumn*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    // Assigning a column to itself would first restore the defaults and so lose its title
    // values and pick list.
    if (source == this) return;
    TCollectionUpdateGuard update(Collection());
    RestoreDefaults();
    SetColor(source->GetColor());
    SetWidth(source->GetWidth());
    SetFont(source->GetFont());
    SetAlignment(source->GetAlignment());
    SetReadOnly(source->GetReadOnly());
    SetTitle(source->Title());
    DropDownRows = source->DropDownRows;
    SetButtonStyle(source->ButtonStyle());
    SetPickList(source->GetPickList());
    SetWordWrap(source->WordWrap());
    ColumnSumEnable = source->ColumnSumEnable;
    SetFormat(source->Format());
}

void TZelColumn::AssignExactly(const TZelColumn* Source)
{
    if (!Source || Source == this) return;
    TCollectionUpdateGuard update(Collection());
    aType = Source->aType;
    FOrdPosition = Source->FOrdPosition;
    Tag = Source->Tag;
    ColumnSumEnable = Source->ColumnSumEnable;
    FFlags = Source->FFlags;
    FColor = Source->FColor;
    FWidth = Source->FWidth;
    FSavedWidth = Source->FSavedWidth;
    {
        TFontChangeDetach detach(FFont.get());
        FFont->Assign(Source->FFont.get());
    }
    if (Source->FPickList) GetPickList()->Assign(Source->FPickList.get());
    else FPickList.reset();
    DropDownRows = Source->DropDownRows;
    FButtonStyle = Source->FButtonStyle;
    FAlignment = Source->FAlignment;
    FVisible = Source->FVisible;
    FReadOnly = Source->FReadOnly;
    FAssignedValues = Source->FAssignedValues;
    FFormat = Source->FFormat;
    FWordWrap = Source->FWordWrap;

    const TZelColumnTitle* sourceTitle = Source->Title();
    TZelColumnTitle* title = Title();
    title->FCaption = sourceTitle->FCaption;
    title->FColor = sourceTitle->FColor;
    title->FAlignment = sourceTitle->FAlignment;
    {
        TFontChangeDetach detach(title->FFont.get());
        title->FFont->Assign(sourceTitle->FFont.get());
    }
    Changed(true);
}

TPassthroughColumn::TPassthroughColumn(TCollection* Collection)
    : TSubclassConstructionBracket(Collection), TZelColumn(Collection)
{
    CloseSubclassBracket();
}

void TPassthroughColumn::SetIndex(int Value)
{
    TZelColumn::SetIndex(Value);
}

void TPassthroughColumn::SetAlignment(TAlignment Value)
{
    TZelColumn::SetAlignment(Value);
}

void TPassthroughColumn::SetReadOnly(bool Value)
{
    TZelColumn::SetReadOnly(Value);
}

void TPassthroughColumn::SetWidth(int Value)
{
    TZelColumn::SetWidth(Value);
}

TZelColumnTitle* TPassthroughColumn::CreateTitle()
{
    return new TPassthroughColumnTitle(this);
}

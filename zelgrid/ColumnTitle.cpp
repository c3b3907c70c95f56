#include "zelgrid/ColumnTitle.h"

#include "zelgrid/Column.h"
#include "zelgrid/CustomZelGrid.h"

TZelColumnTitle::TZelColumnTitle(TZelColumn* Column) : FColumn(Column), FFont(std::make_unique<TFont>())
{
    FFont->Assign(DefaultFont());
    // Bound after the first copy, so that copy does not mark the font assigned.
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TZelColumnTitle::~TZelColumnTitle() = default;

bool TZelColumnTitle::IsAssigned(TZelColumnValue Value) const
{
    return FColumn->FAssignedValues.Contains(Value);
}

void TZelColumnTitle::MarkAssigned(TZelColumnValue Value)
{
    FColumn->FAssignedValues.Include(Value);
}

void TZelColumnTitle::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TZelColumnTitle*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source->IsAssigned(cvTitleAlignment)) SetAlignment(source->GetAlignment());
    if (source->IsAssigned(cvTitleColor)) SetColor(source->GetColor());
    if (source->IsAssigned(cvTitleCaption)) SetCaption(source->GetCaption());
    if (source->IsAssigned(cvTitleFont)) SetFont(source->GetFont());
}

TAlignment TZelColumnTitle::DefaultAlignment() const
{
    return taLeftJustify;
}

TColor TZelColumnTitle::DefaultColor() const
{
    TCustomZelGrid* grid = FColumn->GetGrid();
    return grid ? grid->FixedColor() : clBtnFace;
}

TFont* TZelColumnTitle::DefaultFont() const
{
    TCustomZelGrid* grid = FColumn->GetGrid();
    return grid ? grid->TitleFont() : FColumn->GetFont();
}

std::string TZelColumnTitle::DefaultCaption() const
{
    return "Col" + std::to_string(FColumn->OrdPosition());
}

TAlignment TZelColumnTitle::GetAlignment() const
{
    return IsAssigned(cvTitleAlignment) ? FAlignment : DefaultAlignment();
}

TColor TZelColumnTitle::GetColor() const
{
    return IsAssigned(cvTitleColor) ? FColor : DefaultColor();
}

std::string TZelColumnTitle::GetCaption() const
{
    return IsAssigned(cvTitleCaption) ? FCaption : DefaultCaption();
}

TFont* TZelColumnTitle::GetFont() const
{
    if (IsAssigned(cvTitleFont)) return FFont.get();
    TFont* defaultFont = DefaultFont();
    // Unlike the column, the title compares the colour too.
    if (FFont->Handle() == defaultFont->Handle() && FFont->Color() == defaultFont->Color()) return FFont.get();
    TFontChangeDetach detach(FFont.get());
    FFont->Assign(defaultFont);
    return FFont.get();
}

void TZelColumnTitle::SetAlignment(TAlignment Value)
{
    if (IsAssigned(cvTitleAlignment) && Value == FAlignment) return;
    FAlignment = Value;
    MarkAssigned(cvTitleAlignment);
    FColumn->Changed(false);
}

void TZelColumnTitle::SetColor(TColor Value)
{
    if (IsAssigned(cvTitleColor) && Value == FColor) return;
    FColor = Value;
    MarkAssigned(cvTitleColor);
    FColumn->Changed(false);
}

void TZelColumnTitle::SetCaption(const std::string& Value)
{
    if (IsAssigned(cvTitleCaption) && Value == FCaption) return;
    FCaption = Value;
    MarkAssigned(cvTitleCaption);
    FColumn->Changed(false);
}

void TZelColumnTitle::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

bool TZelColumnTitle::IsAlignmentStored() const
{
    return IsAssigned(cvTitleAlignment) && FAlignment != DefaultAlignment();
}

bool TZelColumnTitle::IsColorStored() const
{
    return IsAssigned(cvTitleColor) && FColor != DefaultColor();
}

bool TZelColumnTitle::IsCaptionStored() const
{
    return IsAssigned(cvTitleCaption) && FCaption != DefaultCaption();
}

bool TZelColumnTitle::IsFontStored() const
{
    return IsAssigned(cvTitleFont);
}

void TZelColumnTitle::RefreshDefaultFont()
{
    if (IsAssigned(cvTitleFont)) return;
    TFontChangeDetach detach(FFont.get());
    FFont->Assign(DefaultFont());
}

void TZelColumnTitle::RestoreDefaults()
{
    const bool fontAssigned = IsAssigned(cvTitleFont);
    FColumn->FAssignedValues -= ColumnTitleValues;
    FCaption.clear();
    RefreshDefaultFont();
    FColumn->Changed(fontAssigned);
}

void TZelColumnTitle::FontChanged(TObject*)
{
    MarkAssigned(cvTitleFont);
    FColumn->Changed(true);
}

void TPassthroughColumnTitle::SetCaption(const std::string& Value)
{
    TZelColumnTitle::SetCaption(Value);
}

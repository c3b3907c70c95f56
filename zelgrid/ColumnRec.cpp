#include "zelgrid/ColumnRec.h"

#include <exception>

#include "zelgrid/Column.h"

namespace {

// Runs one copy step whose failure must not stop the steps after it.
template <class F>
void Guarded(F Step)
{
    try {
        Step();
    } catch (const std::exception&) {
        // Swallowed on purpose: the remaining steps still run.
    }
}

// Fonts that agree in every attribute, colour included.
bool SameFont(const TFont& A, const TFont& B)
{
    return A.Handle() == B.Handle() && A.Color() == B.Color();
}

} // namespace

TZelColumnRec::TZelColumnRec() : Titlefont(std::make_unique<TFont>()), Font(std::make_unique<TFont>())
{
    Titlefont->SetColor(clWhite);
}

TZelColumnRec::~TZelColumnRec() = default;

void TZelColumnRec::AssignFromColumn(TPersistent* Source)
{
    auto* column = dynamic_cast<TZelColumn*>(Source);
    if (!column) return;
    TZelColumnTitle* title = column->Title();
    Color = column->GetColor();
    Width = column->GetWidth();
    aType = column->aType;
    Alignment = column->GetAlignment();
    ReadOnly = column->GetReadOnly();
    TitleColor = title->GetColor();
    TitleAlignment = title->GetAlignment();
    DropDownRows = column->DropDownRows;
    ButtonStyle = column->ButtonStyle();
    WordWrap = column->WordWrap();
    ColumnSumEnable = column->ColumnSumEnable;
    Format = column->Format();
    TitleCaption = title->GetCaption();
    const std::string text = column->GetPickList()->GetText();
    PickListText = text.empty() ? EmptyPickListText() : text;
    TFont* font = column->GetFont();
    Font->Assign(font->Handle() != 0 ? font : column->DefaultFont());
    TFont* titleFont = title->GetFont();
    Titlefont->Assign(titleFont->Handle() != 0 ? titleFont : title->DefaultFont());
    Visible = column->Visible();
    Tag = column->Tag;
    Flags = column->Flags();
    AssignedValues = column->AssignedValues();
}

void TZelColumnRec::AssignToColumn(TPersistent* Dest) const
{
    auto* column = dynamic_cast<TZelColumn*>(Dest);
    if (!column) return;
    TZelColumnTitle* title = column->Title();
    // Whether the column takes Value as its own: Same says whether the field equals what the
    // column shows now.
    const auto own = [&](TZelColumnValue Value, bool Same) { return AssignedValues.Contains(Value) || !Same; };
    if (own(cvColor, column->GetColor() == Color)) column->SetColor(Color);
    if (own(cvWidth, column->GetWidth() == Width)) column->SetWidth(Width);
    column->aType = aType;
    if (own(cvAlignment, column->GetAlignment() == Alignment)) column->SetAlignment(Alignment);
    if (own(cvReadOnly, column->GetReadOnly() == ReadOnly)) column->SetReadOnly(ReadOnly);
    if (own(cvTitleColor, title->GetColor() == TitleColor)) title->SetColor(TitleColor);
    if (own(cvTitleAlignment, title->GetAlignment() == TitleAlignment)) title->SetAlignment(TitleAlignment);
    if (own(cvTitleCaption, title->GetCaption() == TitleCaption)) title->SetCaption(TitleCaption);
    column->DropDownRows = DropDownRows;
    column->SetButtonStyle(ButtonStyle);
    column->SetWordWrap(WordWrap);
    column->ColumnSumEnable = ColumnSumEnable;
    column->SetFormat(Format);
    column->Tag = Tag;
    column->SetFlags(Flags);
    Guarded([&] {
        if (!PickListText.empty()) column->GetPickList()->SetText(PickListText);
    });
    Guarded([&] {
        if (Font->Handle() != 0 && own(cvFont, SameFont(*Font, *column->GetFont())))
            column->GetFont()->Assign(Font.get());
    });
    Guarded([&] {
        if (Titlefont->Handle() != 0 && own(cvTitleFont, SameFont(*Titlefont, *title->GetFont())))
            title->GetFont()->Assign(Titlefont.get());
    });
    // Visible travels too, through the column's own setter, so that a column hidden in the
    // editor is hidden in the grid and one shown again gets a width. A column hidden by its
    // width alone (Visible still true) keeps the width the record gave it.
    if (!Visible) column->SetVisible(false);
    else if (!column->Visible()) column->SetVisible(true);
}

void TZelColumnRec::AssignFromRec(TPersistent* Source)
{
    auto* source = dynamic_cast<TZelColumnRec*>(Source);
    if (!source || source == this) return;
    Color = source->Color;
    Width = source->Width;
    aType = source->aType;
    Alignment = source->Alignment;
    ReadOnly = source->ReadOnly;
    TitleColor = source->TitleColor;
    TitleAlignment = source->TitleAlignment;
    TitleCaption = source->TitleCaption;
    DropDownRows = source->DropDownRows;
    ButtonStyle = source->ButtonStyle;
    WordWrap = source->WordWrap;
    ColumnSumEnable = source->ColumnSumEnable;
    Format = source->Format;
    Visible = source->Visible;
    Tag = source->Tag;
    Flags = source->Flags;
    AssignedValues = source->AssignedValues;
    Guarded([&] {
        if (!PickListText.empty()) PickListText = source->PickListText;
    });
    Guarded([&] {
        if (Font->Handle() != 0) Font->Assign(source->Font.get());
    });
    Guarded([&] {
        if (Titlefont->Handle() != 0) Titlefont->Assign(source->Titlefont.get());
    });
}

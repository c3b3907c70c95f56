#include "zelgrid/ColumnProperties.h"

#include <string_view>

#include "host/core/TextCompare.h"
#include "zelgrid/Column.h"
#include "zelgrid/ColumnCollections.h"
#include "zelgrid/ColumnRec.h"
#include "zelgrid/ColumnTitle.h"

namespace {

void RegisterTitle(TPropertyRegistry& R)
{
    // No defaults: the stored routines decide alone.
    R.RegisterClass<TZelColumnTitle>("TZelColumnTitle", "TPersistent")
        .Property("Alignment", R.Type("TAlignment"), &TZelColumnTitle::GetAlignment, &TZelColumnTitle::SetAlignment)
        .Stored(&TZelColumnTitle::IsAlignmentStored)
        .Property("Caption", R.Type("string"), &TZelColumnTitle::GetCaption, &TZelColumnTitle::SetCaption)
        .Stored(&TZelColumnTitle::IsCaptionStored)
        .Property("Color", R.Type("TColor"), &TZelColumnTitle::GetColor, &TZelColumnTitle::SetColor)
        .Stored(&TZelColumnTitle::IsColorStored)
        .Property("Font", R.Type("TFont"), &TZelColumnTitle::GetFont, &TZelColumnTitle::SetFont)
        .Stored(&TZelColumnTitle::IsFontStored);
    R.RegisterClass<TPassthroughColumnTitle>("TPassthroughColumnTitle", "TZelColumnTitle");
}

void RegisterColumn(TPropertyRegistry& R)
{
    R.RegisterClass<TZelColumn>("TZelColumn", "TCollectionItem")
        .Property("ColumnSumEnable", R.Type("Boolean"), &TZelColumn::ColumnSumEnable, &TZelColumn::ColumnSumEnable)
        .Default(false)
        .Property("aType", R.Type("TZelColumnType"), &TZelColumn::aType, &TZelColumn::aType)
        .Property("Tag", R.Type("Shortint"), &TZelColumn::Tag, &TZelColumn::Tag)
        .Property("Flags", R.Type("Integer"), &TZelColumn::Flags, &TZelColumn::SetFlags)
        .Property("Alignment", R.Type("TAlignment"), &TZelColumn::GetAlignment, &TZelColumn::SetAlignment)
        .Stored(&TZelColumn::IsAlignmentStored)
        .Property("ButtonStyle", R.Type("TZelColumnButtonStyle"), &TZelColumn::ButtonStyle, &TZelColumn::SetButtonStyle)
        .Default(cbsAuto)
        .Property("Color", R.Type("TColor"), &TZelColumn::GetColor, &TZelColumn::SetColor)
        .Stored(&TZelColumn::IsColorStored)
        .Property("DropDownRows", R.Type("Integer"), &TZelColumn::DropDownRows, &TZelColumn::DropDownRows)
        .Default(7)
        .Property("Font", R.Type("TFont"), &TZelColumn::GetFont, &TZelColumn::SetFont)
        .Stored(&TZelColumn::IsFontStored)
        .Property("PickList", R.Type("TStrings"), &TZelColumn::GetPickList, &TZelColumn::SetPickList)
        .Property("ReadOnly", R.Type("Boolean"), &TZelColumn::GetReadOnly, &TZelColumn::SetReadOnly)
        .Stored(&TZelColumn::IsReadOnlyStored)
        .Property("Title", R.Type("TZelColumnTitle"), &TZelColumn::Title, &TZelColumn::SetTitle)
        .Property("Width", R.Type("Integer"), &TZelColumn::GetWidth, &TZelColumn::SetWidth)
        .Stored(&TZelColumn::IsWidthStored)
        .Property("Format", R.Type("string"), &TZelColumn::Format, &TZelColumn::SetFormat)
        .Stored(&TZelColumn::IsFormatStored)
        .Property("WordWrap", R.Type("Boolean"), &TZelColumn::WordWrap, &TZelColumn::SetWordWrap)
        .Stored(&TZelColumn::IsWordWrapStored)
        .Default(false)
        .Property("Visible", R.Type("Boolean"), &TZelColumn::Visible, &TZelColumn::SetVisible)
        .Stored(&TZelColumn::IsVisibleStored)
        .Default(true)
        // Any property of a font that a form sets assigns the font, also when it sets the value
        // the font had (the font's setter then reports no change).
        .PropertyRead([](TZelColumn& Column, const std::string& Path) {
            const std::string_view path = Path;
            const TZelColumnValues assigned = Column.AssignedValues();
            if (path.size() > 5 && SameText(path.substr(0, 5), "Font.") && !assigned.Contains(cvFont))
                Column.FontChanged(nullptr);
            else if (path.size() > 11 && SameText(path.substr(0, 11), "Title.Font.") && !assigned.Contains(cvTitleFont))
                Column.Title()->FontChanged(nullptr);
        });
    R.RegisterClass<TPassthroughColumn>("TPassthroughColumn", "TZelColumn");
}

void RegisterCollections(TPropertyRegistry& R)
{
    R.RegisterClass<TZelGridColumns>("TZelGridColumns", "TCollection").ItemClass("TZelColumn");
    R.RegisterClass<TZelLayoutItem>("TZelLayoutItem", "TCollectionItem")
        .Property("Columns", R.Type("TZelGridColumns"), &TZelLayoutItem::GeTZelColumns, &TZelLayoutItem::SeTZelColumns);
    R.RegisterClass<TZelColLayout>("TZelColLayout", "TCollection").ItemClass("TZelLayoutItem");
}

void RegisterColumnRec(TPropertyRegistry& R)
{
    // Every value is read and written on the field and always stored. The fonts are owned by
    // the record: writing one copies into it.
    auto font = [](TZelColumnRec& Rec) { return Rec.Font.get(); };
    auto setFont = [](TZelColumnRec& Rec, TFont* Value) { Rec.Font->Assign(Value); };
    auto titleFont = [](TZelColumnRec& Rec) { return Rec.Titlefont.get(); };
    auto setTitleFont = [](TZelColumnRec& Rec, TFont* Value) { Rec.Titlefont->Assign(Value); };
    R.RegisterClass<TZelColumnRec>("TZelColumnRec", "TPersistent")
        .Property("aType", R.Type("TZelColumnType"), &TZelColumnRec::aType, &TZelColumnRec::aType)
        .Property("PickListText", R.Type("string"), &TZelColumnRec::PickListText, &TZelColumnRec::PickListText)
        .Property("ColumnSumEnable", R.Type("Boolean"), &TZelColumnRec::ColumnSumEnable, &TZelColumnRec::ColumnSumEnable)
        .Property("Alignment", R.Type("TAlignment"), &TZelColumnRec::Alignment, &TZelColumnRec::Alignment)
        .Property("ButtonStyle", R.Type("TZelColumnButtonStyle"), &TZelColumnRec::ButtonStyle, &TZelColumnRec::ButtonStyle)
        .Property("Color", R.Type("TColor"), &TZelColumnRec::Color, &TZelColumnRec::Color)
        .Property("DropDownRows", R.Type("Integer"), &TZelColumnRec::DropDownRows, &TZelColumnRec::DropDownRows)
        .Property("Font", R.Type("TFont"), font, setFont)
        .Property("ReadOnly", R.Type("Boolean"), &TZelColumnRec::ReadOnly, &TZelColumnRec::ReadOnly)
        .Property("Titlefont", R.Type("TFont"), titleFont, setTitleFont)
        .Property("TitleColor", R.Type("TColor"), &TZelColumnRec::TitleColor, &TZelColumnRec::TitleColor)
        .Property("TitleCaption", R.Type("string"), &TZelColumnRec::TitleCaption, &TZelColumnRec::TitleCaption)
        .Property("TitleAlignment", R.Type("TAlignment"), &TZelColumnRec::TitleAlignment, &TZelColumnRec::TitleAlignment)
        .Property("Width", R.Type("Integer"), &TZelColumnRec::Width, &TZelColumnRec::Width)
        .Property("Format", R.Type("string"), &TZelColumnRec::Format, &TZelColumnRec::Format)
        .Property("WordWrap", R.Type("Boolean"), &TZelColumnRec::WordWrap, &TZelColumnRec::WordWrap)
        .Property("Visible", R.Type("Boolean"), &TZelColumnRec::Visible, &TZelColumnRec::Visible);
}

} // namespace

void RegisterColumnModelProperties(TPropertyRegistry& R)
{
    RegisterHostProperties(R);
    if (R.FindClass("TZelColumn")) return;
    R.RegisterEnumeration("TZelColumnType",
        {"tctLogic", "tctInteger", "tctCurrency", "tctText", "tctFormula", "tctCheckList", "tctCode"});
    R.RegisterEnumeration("TZelColumnButtonStyle", {"cbsAuto", "cbsEllipsis", "cbsNone"});
    RegisterTitle(R);
    RegisterColumn(R);
    RegisterCollections(R);
    RegisterColumnRec(R);
}

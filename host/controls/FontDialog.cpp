#include "host/controls/FontDialog.h"

#include <algorithm>
#include <string>

#include "host/controls/ControlProperties.h"
#include "host/controls/ExtCtrls.h"
#include "host/controls/ListBox.h"
#include "host/graphics/FontEngine.h"

namespace {

constexpr int Sizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
const char* const Styles[] = {"Regular", "Italic", "Bold", "Bold Italic"};
constexpr TColor Colors[] = {clBlack, clMaroon, clGreen, clOlive, clNavy,   clPurple, clTeal, clGray,
                             clSilver, clRed,   clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};

// "Black" for clBlack; other colours as their full text.
std::string ColorName(TColor Color)
{
    const std::string text = ColorToString(Color);
    return text.rfind("cl", 0) == 0 ? text.substr(2) : text;
}

template <class T>
T* Find(const TComponent* Form, const char* Name)
{
    return dynamic_cast<T*>(Form->FindComponent(Name));
}

// Fills the lists from Font and selects what it has.
void FillLists(TFontDialogForm& Form, const TFont& Font, int MinSize, int MaxSize)
{
    TStrings* families = Form.FamilyList()->Items();
    for (const std::string& family : FontFamilies()) families->Add(family);
    const std::string current = ResolvedFamily(Font);
    if (families->IndexOf(current) < 0) families->Add(current);
    Form.FamilyList()->SetItemIndex(families->IndexOf(current));

    for (const char* style : Styles) Form.StyleList()->Items()->Add(style);
    const bool bold = Font.Style().Contains(fsBold), italic = Font.Style().Contains(fsItalic);
    Form.StyleList()->SetItemIndex((bold ? 2 : 0) + (italic ? 1 : 0));

    std::vector<int> sizes;
    for (int size : Sizes)
        if ((MinSize <= 0 || size >= MinSize) && (MaxSize <= 0 || size <= MaxSize)) sizes.push_back(size);
    if (std::find(sizes.begin(), sizes.end(), Font.Size()) == sizes.end()) {
        sizes.push_back(Font.Size());
        std::sort(sizes.begin(), sizes.end());
    }
    for (int size : sizes) Form.SizeList()->Items()->Add(std::to_string(size));
    Form.SizeList()->SetItemIndex(Form.SizeList()->Items()->IndexOf(std::to_string(Font.Size())));

    TStrings* colors = Form.ColorList()->Items();
    for (TColor color : Colors) colors->Add(ColorName(color));
    if (colors->IndexOf(ColorName(Font.Color())) < 0) colors->Add(ColorName(Font.Color()));
    Form.ColorList()->SetItemIndex(colors->IndexOf(ColorName(Font.Color())));
}

// Sets in Font what the lists show; what they do not set stays.
void ReadLists(TFontDialogForm& Form, TFont& Font)
{
    auto text = [](TListBox* List) {
        return List->ItemIndex() >= 0 ? List->Items()->Get(List->ItemIndex()) : std::string();
    };
    if (const std::string family = text(Form.FamilyList()); !family.empty()) Font.SetName(family);
    if (const int style = Form.StyleList()->ItemIndex(); style >= 0) {
        TFontStyles styles = Font.Style();
        styles.Exclude(fsBold).Exclude(fsItalic);
        if (style & 2) styles.Include(fsBold);
        if (style & 1) styles.Include(fsItalic);
        Font.SetStyle(styles);
    }
    if (const std::string size = text(Form.SizeList()); !size.empty()) Font.SetSize(std::stoi(size));
    if (const std::string color = text(Form.ColorList()); !color.empty()) {
        TColor value;
        if (IdentToColor("cl" + color, value) || IdentToColor(color, value)) Font.SetColor(value);
        else Font.SetColor(StringToColor(color));
    }
}

} // namespace

TListBox* TFontDialogForm::FamilyList() const { return Find<TListBox>(this, "FamilyList"); }
TListBox* TFontDialogForm::StyleList() const { return Find<TListBox>(this, "StyleList"); }
TListBox* TFontDialogForm::SizeList() const { return Find<TListBox>(this, "SizeList"); }
TListBox* TFontDialogForm::ColorList() const { return Find<TListBox>(this, "ColorList"); }
TPanel* TFontDialogForm::Sample() const { return Find<TPanel>(this, "Sample"); }

TFontDialog::TFontDialog(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute()
{
    RegisterControlProperties();
    auto form = std::make_unique<TFontDialogForm>(nullptr);
    ReadFormResource(form.get(), "TFONTDIALOGFORM");
    FillLists(*form, *FFont, MinFontSize, MaxFontSize);
    TFont choice;
    choice.Assign(FFont.get());
    TFontDialogForm* f = form.get();
    const auto showChoice = [f, &choice](TObject*) {
        ReadLists(*f, choice);
        f->Sample()->SetFont(&choice);
    };
    showChoice(nullptr);
    for (TListBox* list : {f->FamilyList(), f->StyleList(), f->SizeList(), f->ColorList()}) list->OnClick = showChoice;
    form->SetActiveControl(f->FamilyList());
    if (ShowOwnedModal(form) != mrOk) return false;
    FFont->Assign(&choice);
    return true;
}

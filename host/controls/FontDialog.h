#pragma once
// TFontDialog: lets the user pick a font's family (the installed scalable families), style,
// size and colour in a modal dialog with a sample of the choice. Execute starts from Font and
// writes the choice back into it only when the user confirms.
#include <memory>

#include "host/controls/Forms.h"
#include "host/graphics/Font.h"

class TListBox;
class TPanel;

// The dialog's form, built from its form resource.
class TFontDialogForm : public TForm {
public:
    explicit TFontDialogForm(TComponent* AOwner) : TForm(AOwner) {}

    TListBox* FamilyList() const;
    TListBox* StyleList() const;
    TListBox* SizeList() const;
    TListBox* ColorList() const;
    TPanel* Sample() const;
};

class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;

    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    // The sizes offered, in points; 0 for no limit.
    int MinFontSize = 0;
    int MaxFontSize = 0;

    // Shows the dialog; true after OK, with Font set to the choice.
    bool Execute();

private:
    std::unique_ptr<TFont> FFont;
};

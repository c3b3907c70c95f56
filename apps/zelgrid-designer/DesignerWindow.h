#pragma once
// TDesignerWindow: zelgrid-designer's main window beside the designed form. It names the file
// (with "*" while there are unsaved changes) and the selected component, lists that component's
// properties, and holds the Save command (also Ctrl+S, here and on the designed form). Closing it,
// or the designed form, asks first about unsaved changes.
#include <string>

#include "host/controls/Forms.h"

class TButton;
class TFormDesigner;
class TLabel;
class TPanel;
class TPropertyList;

class TDesignerWindow : public TForm {
public:
    TDesignerWindow(TComponent* AOwner, TFormDesigner& Designer);
    ~TDesignerWindow() override;

    // Shows the designed form and this window beside it.
    void ShowDesigner();
    // Saves the file; a failure is shown in a message box. True when saved.
    bool SaveCommand();
    // With unsaved changes, asks whether to save them: Yes saves (closing only when that
    // worked), No discards, Cancel keeps the window open.
    bool QuerySave();

    TFormDesigner& Designer() const { return FDesigner; }
    TPropertyList* Properties() const { return FProperties; }
    TLabel* SelectionLabel() const { return FSelectionLabel; }
    TButton* SaveButton() const { return FSaveButton; }

private:
    void UpdateCaption();
    void UpdateSelectionLabel();
    void SelectionChanged();

    TFormDesigner& FDesigner;
    TPanel* FTop = nullptr;
    TLabel* FSelectionLabel = nullptr;
    TButton* FSaveButton = nullptr;
    TPropertyList* FProperties = nullptr;
};

// The window's caption for a file: "ZelGrid Designer - Form1.dfm", with " *" while modified.
std::string DesignerCaption(const std::string& FileName, bool Modified);

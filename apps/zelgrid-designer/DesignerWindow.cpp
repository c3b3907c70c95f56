#include "apps/zelgrid-designer/DesignerWindow.h"

#include <algorithm>

#include "apps/zelgrid-designer/FormDesigner.h"
#include "apps/zelgrid-designer/PropertyList.h"
#include "host/controls/Dialogs.h"
#include "host/controls/ExtCtrls.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Input.h"

namespace {

std::string BaseName(const std::string& Path)
{
    const std::size_t slash = Path.find_last_of('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

} // namespace

std::string DesignerCaption(const std::string& FileName, bool Modified)
{
    return "ZelGrid Designer - " + BaseName(FileName) + (Modified ? " *" : "");
}

TDesignerWindow::TDesignerWindow(TComponent* AOwner, TFormDesigner& Designer) : TForm(AOwner), FDesigner(Designer)
{
    SetBounds(0, 0, 300, 420);
    SetKeyPreview(true);

    FTop = new TPanel(this);
    FTop->SetParent(this);
    FTop->SetHeight(32);
    FTop->SetAlign(alTop);
    FTop->SetBevelOuter(bvNone);
    FSelectionLabel = new TLabel(this);
    FSelectionLabel->SetParent(FTop);
    FSelectionLabel->SetBounds(8, 9, 200, 16);
    FSaveButton = new TButton(this);
    FSaveButton->SetParent(FTop);
    FSaveButton->SetBounds(220, 4, 72, 24);
    FSaveButton->SetCaption("&Save");
    FSaveButton->OnClick = [this](TObject*) { SaveCommand(); };

    FProperties = new TPropertyList(this, &FDesigner);
    FProperties->SetParent(this);
    FProperties->SetWidthOutline(130);
    FProperties->SetAlign(alClient);

    OnKeyDown = [this](TObject*, WORD& Key, TShiftState Shift) {
        if (Key != 'S' || !Shift.Contains(ssCtrl)) return;
        Key = 0;
        SaveCommand();
    };
    OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = QuerySave(); };

    FDesigner.OnSelectionChanged = [this] { SelectionChanged(); };
    FDesigner.OnModifiedChanged = [this] {
        UpdateCaption();
        UpdateSelectionLabel();
        FProperties->Invalidate();
    };
    FDesigner.OnSaveCommand = [this] { SaveCommand(); };
    FDesigner.OnCloseCommand = [this] { Close(); };
    UpdateCaption();
    SelectionChanged();
}

TDesignerWindow::~TDesignerWindow()
{
    FDesigner.OnSelectionChanged = nullptr;
    FDesigner.OnModifiedChanged = nullptr;
    FDesigner.OnSaveCommand = nullptr;
    FDesigner.OnCloseCommand = nullptr;
}

void TDesignerWindow::ShowDesigner()
{
    if (TCustomForm* form = FDesigner.Form()) {
        // Beside the form, so that opening and saving leaves the form's own position as it was.
        SetBounds(form->Left() + form->Width() + 8, form->Top(), Width(), std::max(Height(), form->Height()));
        form->Show();
    }
    Show();
}

void TDesignerWindow::UpdateCaption() { SetCaption(DesignerCaption(FDesigner.FileName(), FDesigner.IsModified())); }

void TDesignerWindow::UpdateSelectionLabel()
{
    TComponent* selected = FDesigner.Selection();
    FSelectionLabel->SetCaption(selected ? selected->Name() + ": " + selected->ClassName() : std::string());
}

void TDesignerWindow::SelectionChanged()
{
    UpdateSelectionLabel();
    FProperties->SetInstance(FDesigner.Selection());
}

bool TDesignerWindow::SaveCommand()
{
    // A value still being typed is part of what is saved.
    if (FProperties->EditorMode()) FProperties->HideEditor(true);
    try {
        FDesigner.Save();
        return true;
    } catch (const Exception& E) {
        MessageDlg(E.what(), mtError, {mbOK});
        return false;
    }
}

bool TDesignerWindow::QuerySave()
{
    if (!FDesigner.IsModified()) return true;
    switch (MessageDlg("Save changes to " + BaseName(FDesigner.FileName()) + "?", mtConfirmation, {mbYes, mbNo, mbCancel})) {
    case mrYes: return SaveCommand();
    case mrNo: return true;
    default: return false;
    }
}

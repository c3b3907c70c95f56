#pragma once
// TFormDesigner: the document of zelgrid-designer. It reads a form file (binary or text) into live
// components at design time and is the designed form's designer: a press on a control selects
// its component, a right click offers the component editor's verbs in a context menu and a
// double click runs the editor's Edit, while the presses a control's design hit test claims (a
// grid's column borders) reach the control. Editors report changes through Modified; Save writes
// the file in the form it was read in.
#include <functional>
#include <memory>
#include <string>

#include "host/core/ObjectWatch.h"
#include "host/core/Types.h"
#include "host/designer/Designer.h"

class TControl;
class TCustomForm;
class TPopupMenu;
class TSelectionMarks;

class TFormDesigner : public IFormDesigner {
public:
    // Reads the form file at Path; EReadError for a file that is no readable form (or whose
    // root is not a form), with the reason.
    explicit TFormDesigner(const std::string& Path);
    ~TFormDesigner() override;
    TFormDesigner(const TFormDesigner&) = delete;
    TFormDesigner& operator=(const TFormDesigner&) = delete;

    void Modified() override;
    TComponent* Root() const override { return FRoot.Get(); }
    bool IsDesignMsg(TControl* Sender, TMessage& Message) override;

    TCustomForm* Form() const;
    const std::string& FileName() const { return FFileName; }
    bool TextForm() const { return FTextForm; }
    bool IsModified() const { return FModified; }

    TComponent* Selection() const { return FSelection.Get(); }
    void Select(TComponent* Component);
    // The designed component named Name (any case), the form itself for its own name, or null.
    TComponent* FindDesigned(const std::string& Name) const;

    // Runs verb Index of Component's editor, or its double-click action.
    void ExecuteVerb(TComponent* Component, int Index);
    void Edit(TComponent* Component);
    // Opens the context menu of Component's verbs at a screen point (nothing without verbs).
    void PopupVerbs(TComponent* Component, TPoint ScreenPos);
    TPopupMenu* VerbMenu() const { return FVerbMenu.get(); }
    TSelectionMarks* Marks() const { return FMarks.get(); }

    // Writes the form file through a temporary file renamed over it; EWriteError when that fails
    // (the file then stays as it was).
    void Save();

    // The window that shows the document follows it through these.
    std::function<void()> OnSelectionChanged;
    std::function<void()> OnModifiedChanged;
    // Keys of the designed form that are commands of the designer (Ctrl+S), and its close box.
    std::function<void()> OnSaveCommand;
    std::function<void()> OnCloseCommand;

private:
    // The designed component a press on Sender stands for: Sender or the nearest parent that the
    // form owns by name, the form itself at last.
    TComponent* ComponentAt(TControl* Sender) const;
    bool DesignHit(TControl* Sender, const TMessage& Message) const;
    void MarkSelection();
    bool MouseMessage(TControl* Sender, TMessage& Message);
    // A release ends a press the control claimed: the control handles it, and a change it made
    // (a sized column) marks the form modified.
    void EndControlPress(TControl* Sender, TMessage& Message);

    std::string FFileName;
    bool FTextForm = false;
    bool FModified = false;
    // Owns the designed form; it is designing, so everything read into it is too.
    std::unique_ptr<TComponent> FDesignOwner;
    TWatchedPtr<TComponent> FRoot;
    TWatchedPtr<TComponent> FSelection;
    std::unique_ptr<TPopupMenu> FVerbMenu;
    // Before the designed form in freeing order: the marks stand on its controls.
    std::unique_ptr<TSelectionMarks> FMarks;
    TWatchedPtr<TComponent> FMenuComponent;
    // The control that claimed the press in progress, and the form as it was at the press.
    TWatchedPtr<TControl> FPressControl;
    std::string FPressSnapshot;
    // Set while a message is handed to a control: the designer does not look at it again.
    bool FPassing = false;
};

// The designer's own editor of a component's Name: a name must be an identifier that no other
// component of the form has, as the form file finds components by name (a component without one
// would not be saved at all). EConvertError for a name refused.
class TComponentNameProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    void SetValue(const std::string& Value) override;
};
// Registers the designer's own editors (the Name editor) after the packages' ones.
void RegisterDesignerEditors();

// Writes Data to File through a temporary file in the same folder renamed over it, so that a
// failure leaves the old file whole (a symbolic link stays and its target is replaced);
// EWriteError naming the reason.
void WriteFileReplacing(const std::string& File, const std::string& Data);

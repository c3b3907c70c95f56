#pragma once
// TOutInplaceEdit: the in-place editor with its fourteen callback slots, through which its owner
// answers the editor's questions and takes the events it passes on. The owner installs them in
// the order declared here; an empty slot leaves the editor's own answer.
#include <functional>
#include <string>

#include "host/controls/ControlTypes.h"
#include "outline/CustomInplaceEdit.h"

using TGetEditDataEvent = std::function<void(TCustomInplaceEdit* Sender, std::string& Value, bool& Flag)>;
using TValidateEditEvent = std::function<void(TCustomInplaceEdit* Sender, const std::string& NewVal, bool& ACancel)>;
using TGetEditStyleEvent = std::function<void(TCustomInplaceEdit* Sender, TEditStyle& EditStyle)>;
using TGetPickListEvent = std::function<void(TCustomInplaceEdit* Sender, TStrings*& PickList)>;
using TGetReadOnlyEvent = std::function<void(TCustomInplaceEdit* Sender, bool& ReadOnly)>;
using TInplaceEditNotifyEvent = std::function<void(TCustomInplaceEdit* Sender)>;
using TGetClickKeyEvent = std::function<void(TCustomInplaceEdit* Sender, WORD& Key, TShiftState& Shift)>;

class TOutInplaceEdit : public TCustomInplaceEdit {
public:
    explicit TOutInplaceEdit(TComponent* AOwner) : TCustomInplaceEdit(AOwner) {}

    // Asks the first five slots and loads their answers.
    void UpdateContents() override;

    TGetEditDataEvent OnGetEditData;
    TValidateEditEvent OnValidateData;
    TGetEditStyleEvent OnGetEditStyle;
    TGetPickListEvent OnGetPickList;
    TGetReadOnlyEvent OnGetReadOnly;
    TInplaceEditNotifyEvent OnEditButtonClick;
    TInplaceEditNotifyEvent OnHideEditor;
    TInplaceEditNotifyEvent OnUpdateData;
    TGetClickKeyEvent OnGetClickKey;
    TInplaceEditNotifyEvent OnUpdateEdit;
    TKeyEvent OnKeyUpParent;
    TKeyEvent OnKeyDownParent;
    TKeyPressEvent OnKeyPressParent;
    TNotifyEvent OnDblClickParent;

protected:
    void ValidateEdit(const std::string& NewVal, bool& Cancel) override;
    void EditButtonClick() override;
    void RequestHide() override;
    void DataUpdated() override;
    void RequestUpdate() override;
    void GetClickKey(WORD& Key, TShiftState& Shift) override;
    bool KeyDownParent(WORD& Key, TShiftState Shift) override;
    bool KeyUpParent(WORD& Key, TShiftState Shift) override;
    bool KeyPressParent(char& Key) override;
    bool DblClickParent() override;
};

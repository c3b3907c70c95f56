#include "outline/OutInplaceEdit.h"

#include "host/core/ObjectWatch.h"

void TOutInplaceEdit::UpdateContents()
{
    TObjectWatch alive(this);
    std::string value;
    bool flag = false;
    if (OnGetEditData) OnGetEditData(this, value, flag);
    if (!alive) return;
    // A cell that names no style of its own gets the plain box, never the previous cell's.
    TEditStyle style = esNoButton;
    if (OnGetEditStyle) OnGetEditStyle(this, style);
    if (!alive) return;
    TStrings* pickList = PickList();
    if (OnGetPickList) OnGetPickList(this, pickList);
    if (!alive) return;
    if (pickList != PickList()) PickList()->Assign(pickList);
    bool readOnly = false;
    if (OnGetReadOnly) OnGetReadOnly(this, readOnly);
    if (!alive) return;
    LoadContents(value, style, readOnly);
}

void TOutInplaceEdit::ValidateEdit(const std::string& NewVal, bool& Cancel)
{
    if (OnValidateData) OnValidateData(this, NewVal, Cancel);
}

void TOutInplaceEdit::EditButtonClick()
{
    if (OnEditButtonClick) OnEditButtonClick(this);
}

void TOutInplaceEdit::RequestHide()
{
    if (OnHideEditor) OnHideEditor(this);
}

void TOutInplaceEdit::DataUpdated()
{
    if (OnUpdateData) OnUpdateData(this);
}

void TOutInplaceEdit::RequestUpdate()
{
    if (OnUpdateEdit) OnUpdateEdit(this);
}

void TOutInplaceEdit::GetClickKey(WORD& Key, TShiftState& Shift)
{
    TCustomInplaceEdit::GetClickKey(Key, Shift);
    if (OnGetClickKey) OnGetClickKey(this, Key, Shift);
}

bool TOutInplaceEdit::KeyDownParent(WORD& Key, TShiftState Shift)
{
    if (!OnKeyDownParent) return false;
    OnKeyDownParent(this, Key, Shift);
    return true;
}

bool TOutInplaceEdit::KeyUpParent(WORD& Key, TShiftState Shift)
{
    if (!OnKeyUpParent) return false;
    OnKeyUpParent(this, Key, Shift);
    return true;
}

bool TOutInplaceEdit::KeyPressParent(char& Key)
{
    if (!OnKeyPressParent) return false;
    OnKeyPressParent(this, Key);
    return true;
}

bool TOutInplaceEdit::DblClickParent()
{
    if (!OnDblClickParent) return false;
    OnDblClickParent(this);
    return true;
}

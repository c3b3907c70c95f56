#pragma once
// What a form at design time asks its designer. The designer sees each message of the form's
// designing controls before the control does: it keeps the presses that select components and
// open its menus, and lets through those the control needs (a grid sizing its columns).
#include "host/windows/Messages.h"

class TControl;

class IDesignerHook {
public:
    virtual ~IDesignerHook() = default;
    // True when the designer took Message: Sender does not handle it then.
    virtual bool IsDesignMsg(TControl* Sender, TMessage& Message)
    {
        (void)Sender;
        (void)Message;
        return false;
    }
};

#pragma once
// Message dialogs: a modal form with an icon for the kind of message, the text and a row of
// buttons. The first of Yes and OK is the default button (Enter), the first of Cancel, No and OK
// the cancel button (Escape); Tab moves between the buttons.
#include <cstdint>
#include <memory>
#include <string>

#include "host/controls/Forms.h"
#include "host/core/Sets.h"

enum TMsgDlgType : unsigned char { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned char { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll };
using TMsgDlgButtons = TSet<TMsgDlgBtn, std::uint16_t>;

// The dialog MessageDlg shows, not yet shown; the caller owns it.
std::unique_ptr<TForm> CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows the dialog modally and answers the ModalResult of the button chosen (mrCancel when the
// dialog was closed otherwise). HelpCtx is accepted for callers that pass one; there is no help.
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, long HelpCtx = 0);
// A notice with the application's title and an OK button.
void ShowMessage(const std::string& Msg);

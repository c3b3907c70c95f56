#pragma once
// The strings editor: a small modal dialog that edits a list of strings, one per line, built
// from its form resource. GetStrings hands the edited lines back only after OK.
#include "host/controls/Forms.h"

#include <string>

class TMemo;
class TStrings;

class TStringsEd : public TForm {
public:
    explicit TStringsEd(TComponent* AOwner);

    TMemo* StrMemo() const;

    void OkBtnClick(TObject* Sender);
    void CancelbtnClick(TObject* Sender);
    // Enter and Escape end the dialog as OK and Cancel, except in the memo, which keeps them.
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
};

// Shows List's lines in the dialog captioned Caption; after OK the list takes the edited lines
// and the answer is true, otherwise the list is left as it was.
bool GetStrings(const std::string& Caption, TStrings* List);

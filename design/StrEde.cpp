#include "design/StrEde.h"

#include "host/controls/Application.h"
#include "host/controls/ControlProperties.h"
#include "host/controls/Memo.h"

#include <memory>

TStringsEd::TStringsEd(TComponent* AOwner)
    : TForm(AOwner)
{
    RegisterControlProperties();
    if (!PropertyRegistry().FindClass("TStringsEd"))
        PropertyRegistry().RegisterClass<TStringsEd>("TStringsEd", "TForm");
    THandlerTable handlers;
    handlers.Add<TKeyEvent>("FormKeyDown", [this](TObject* S, WORD& K, TShiftState Sh) { FormKeyDown(S, K, Sh); });
    handlers.Add<TNotifyEvent>("OkBtnClick", [this](TObject* S) { OkBtnClick(S); });
    handlers.Add<TNotifyEvent>("CancelbtnClick", [this](TObject* S) { CancelbtnClick(S); });
    ReadFormResource(this, "TSTRINGSED", &handlers);
}

TMemo* TStringsEd::StrMemo() const
{
    return dynamic_cast<TMemo*>(FindComponent("StrMemo"));
}

void TStringsEd::OkBtnClick(TObject*)
{
    SetModalResult(mrOk);
}

void TStringsEd::CancelbtnClick(TObject*)
{
    SetModalResult(mrCancel);
}

void TStringsEd::FormKeyDown(TObject*, WORD& Key, TShiftState)
{
    if (ActiveControl() == StrMemo()) return;
    if (Key == VK_RETURN) SetModalResult(mrOk);
    if (Key == VK_ESCAPE) SetModalResult(mrCancel);
}

bool GetStrings(const std::string& Caption, TStrings* List)
{
    // Owned by the application, as the designer's other dialogs are, and freed here all the same.
    auto form = std::make_unique<TStringsEd>(&Application());
    form->SetCaption(Caption);
    form->StrMemo()->Lines()->Assign(List);
    if (ShowOwnedModal(form) != mrOk) return false;
    // The memo always holds a line, empty when the text is; an empty last line is no string.
    TStringList lines;
    lines.Assign(form->StrMemo()->Lines());
    if (lines.Count() > 0 && lines.Get(lines.Count() - 1).empty()) lines.Delete(lines.Count() - 1);
    List->Assign(&lines);
    return true;
}

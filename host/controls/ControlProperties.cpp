#include "host/controls/ControlProperties.h"

#include <strings.h>

#include "host/controls/ExtCtrls.h"
#include "host/controls/FontDialog.h"
#include "host/controls/ListBox.h"
#include "host/controls/Forms.h"
#include "host/controls/Grids.h"
#include "host/controls/Memo.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "host/streaming/Resources.h"

namespace {

struct TCursorIdent {
    TCursor Value;
    const char* Name;
};
constexpr TCursorIdent CursorIdents[] = {
    {crDefault, "crDefault"}, {crNone, "crNone"},       {crArrow, "crArrow"},   {crCross, "crCross"},
    {crIBeam, "crIBeam"},     {crSizeWE, "crSizeWE"},   {crDrag, "crDrag"},     {crNoDrop, "crNoDrop"},
    {crHSplit, "crHSplit"},   {crNo, "crNo"},
};

bool CursorToIdent(std::int64_t Value, std::string& Ident)
{
    for (const TCursorIdent& c : CursorIdents)
        if (c.Value == Value) {
            Ident = c.Name;
            return true;
        }
    return false;
}

bool IdentToCursor(const std::string& Ident, std::int64_t& Value)
{
    for (const TCursorIdent& c : CursorIdents)
        if (strcasecmp(Ident.c_str(), c.Name) == 0) {
            Value = c.Value;
            return true;
        }
    return false;
}

void RegisterControlTypes(TPropertyRegistry& R)
{
    R.RegisterEnumeration("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
    R.RegisterEnumeration("TBorderStyle", {"bsNone", "bsSingle"});
    R.RegisterEnumeration("TDragMode", {"dmManual", "dmAutomatic"});
    R.RegisterEnumeration("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    const TTypeInfo& icon = R.RegisterEnumeration("TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
    R.RegisterSet("TBorderIcons", icon, 8);
    R.RegisterEnumeration("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    R.RegisterEnumeration("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"});
    R.RegisterEnumeration("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    R.RegisterEnumeration("TBevelCut", {"bvNone", "bvLowered", "bvRaised"});
    TTypeInfo cursor;
    cursor.Kind = tkInteger;
    cursor.Name = "TCursor";
    cursor.OrdType = otSWord;
    cursor.MinValue = -32768;
    cursor.MaxValue = 32767;
    cursor.Idents = {CursorToIdent, IdentToCursor};
    R.RegisterType(std::move(cursor));
    TTypeInfo help;
    help.Kind = tkInteger;
    help.Name = "THelpContext";
    help.MinValue = -2147483648LL;
    help.MaxValue = 2147483647LL;
    R.RegisterType(std::move(help));
    TTypeInfo modalResult = help;
    modalResult.Name = "TModalResult";
    R.RegisterType(std::move(modalResult));
    TTypeInfo shortCut;
    shortCut.Kind = tkInteger;
    shortCut.Name = "TShortCut";
    shortCut.OrdType = otUWord;
    shortCut.MinValue = 0;
    shortCut.MaxValue = 65535;
    R.RegisterType(std::move(shortCut));
    for (const char* name : {"TNotifyEvent", "TMouseEvent", "TKeyEvent", "TKeyPressEvent", "TDragDropEvent",
                             "TDragOverEvent", "TStartDragEvent", "TEndDragEvent", "TMovedEvent", "TCloseEvent",
                             "TCloseQueryEvent"})
        R.RegisterMethodType(name);
}

// The standard published properties of every control (with Name and Tag, TabStop among them),
// then what each concrete class publishes.
void RegisterControlClasses(TPropertyRegistry& R)
{
    R.RegisterClass<TMenuItem>("TMenuItem", "TComponent")
        .Creatable()
        .Property("Caption", R.Type("string"), &TMenuItem::Caption, &TMenuItem::SetCaption)
        .Property("Checked", R.Type("Boolean"), &TMenuItem::Checked, &TMenuItem::SetChecked)
        .Default(false)
        .Property("Enabled", R.Type("Boolean"), &TMenuItem::Enabled, &TMenuItem::SetEnabled)
        .Default(true)
        .Property("Hint", R.Type("string"), &TMenuItem::Hint, &TMenuItem::SetHint)
        .Stored([](const TMenuItem& M) { return !M.Hint().empty(); })
        .Property("ShortCut", R.Type("TShortCut"), &TMenuItem::ShortCut, &TMenuItem::SetShortCut)
        .Default(scNone)
        .Property("Visible", R.Type("Boolean"), &TMenuItem::Visible, &TMenuItem::SetVisible)
        .Default(true)
        .Event("OnClick", R.Type("TNotifyEvent"), &TMenuItem::OnClick);
    R.RegisterClass<TPopupMenu>("TPopupMenu", "TComponent")
        .Creatable()
        .Property("AutoPopup", R.Type("Boolean"), &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup)
        .Default(true)
        .Event("OnPopup", R.Type("TNotifyEvent"), &TPopupMenu::OnPopup);
    R.RegisterClass<TControl>("TControl", "TComponent")
        .Property("Tag", R.Type("Integer"), &TControl::Tag, &TControl::Tag)
        .Default(0)
        .Property("Left", R.Type("Integer"), &TControl::Left, &TControl::SetLeft)
        .Property("Top", R.Type("Integer"), &TControl::Top, &TControl::SetTop)
        .Property("Width", R.Type("Integer"), &TControl::Width, &TControl::SetWidth)
        .Property("Height", R.Type("Integer"), &TControl::Height, &TControl::SetHeight)
        .Property("Cursor", R.Type("TCursor"), &TControl::Cursor, &TControl::SetCursor)
        .Default(crDefault)
        .Property("Hint", R.Type("string"), &TControl::Hint, &TControl::SetHint)
        .Stored([](const TControl& C) { return !C.Hint().empty(); })
        .Property("HelpContext", R.Type("THelpContext"), &TControl::HelpContext, &TControl::SetHelpContext)
        .Default(0);
    R.RegisterClass<TWinControl>("TWinControl", "TControl")
        .Property("TabStop", R.Type("Boolean"), &TWinControl::TabStop, &TWinControl::SetTabStop)
        .Default(false);
    R.RegisterClass<TCustomControl>("TCustomControl", "TWinControl");
    R.RegisterClass<TCustomGrid>("TCustomGrid", "TCustomControl");

    using F = TCustomForm;
    R.RegisterClass<TCustomForm>("TCustomForm", "TWinControl")
        .Property("ActiveControl", R.Type("TWinControl"), &F::ActiveControl, &F::SetActiveControl)
        .Property("BorderIcons", R.Type("TBorderIcons"), &F::BorderIcons, &F::SetBorderIcons)
        .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize})
        .Property("BorderStyle", R.Type("TFormBorderStyle"), &F::FormBorderStyle, &F::SetFormBorderStyle)
        .Default(bsSizeable)
        .Property("Caption", R.Type("string"), &F::Caption, &F::SetCaption)
        .Property("ClientHeight", R.Type("Integer"), &F::ClientHeight, &F::SetClientHeight)
        .Stored(false)
        .Property("ClientWidth", R.Type("Integer"), &F::ClientWidth, &F::SetClientWidth)
        .Stored(false)
        .Property("Color", R.Type("TColor"), &F::Color, &F::SetColor)
        .Default(clBtnFace)
        .Property("Font", R.Type("TFont"), &F::Font, &F::SetFont)
        .Property("FormStyle", R.Type("TFormStyle"), &F::FormStyle, &F::SetFormStyle)
        .Default(fsNormal)
        .Property("KeyPreview", R.Type("Boolean"), &F::KeyPreview, &F::SetKeyPreview)
        .Default(false)
        .Property("PopupMenu", R.Type("TPopupMenu"), &F::PopupMenu, &F::SetPopupMenu)
        .Property("Position", R.Type("TPosition"), &F::Position, &F::SetPosition)
        .Default(poDesigned)
        .Event("OnClose", R.Type("TCloseEvent"), &F::OnClose)
        .Event("OnCloseQuery", R.Type("TCloseQueryEvent"), &F::OnCloseQuery)
        .Event("OnKeyDown", R.Type("TKeyEvent"), &F::OnKeyDown)
        .Event("OnKeyPress", R.Type("TKeyPressEvent"), &F::OnKeyPress)
        .Event("OnKeyUp", R.Type("TKeyEvent"), &F::OnKeyUp)
        .Event("OnShow", R.Type("TNotifyEvent"), &F::OnShow)
        .Event("OnHide", R.Type("TNotifyEvent"), &F::OnHide);
    R.RegisterClass<TForm>("TForm", "TCustomForm").Creatable();
    R.RegisterClass<TFontDialogForm>("TFontDialogForm", "TForm");

    R.RegisterClass<TButton>("TButton", "TCustomControl")
        .Creatable()
        .Property("Cancel", R.Type("Boolean"), &TButton::Cancel, &TButton::SetCancel)
        .Default(false)
        .Property("Caption", R.Type("string"), &TButton::Caption, &TButton::SetCaption)
        .Property("Default", R.Type("Boolean"), &TButton::Default, &TButton::SetDefault)
        .Default(false)
        .Property("Enabled", R.Type("Boolean"), &TButton::Enabled, &TButton::SetEnabled)
        .Default(true)
        .Property("ModalResult", R.Type("TModalResult"), &TButton::ModalResult, &TButton::SetModalResult)
        .Default(mrNone)
        .Property("PopupMenu", R.Type("TPopupMenu"), &TButton::PopupMenu, &TButton::SetPopupMenu)
        .Property("TabOrder", R.Type("Integer"), &TButton::TabOrder, &TButton::SetTabOrder)
        .Default(-1)
        .Property("TabStop", R.Type("Boolean"), &TButton::TabStop, &TButton::SetTabStop)
        .Default(true)
        .Property("Visible", R.Type("Boolean"), &TButton::Visible, &TButton::SetVisible)
        .Default(true)
        .Event("OnClick", R.Type("TNotifyEvent"), &TButton::OnClick)
        .Event("OnEnter", R.Type("TNotifyEvent"), &TButton::OnEnter)
        .Event("OnExit", R.Type("TNotifyEvent"), &TButton::OnExit);

    R.RegisterClass<TLabel>("TLabel", "TCustomControl")
        .Creatable()
        .Property("Alignment", R.Type("TAlignment"), &TLabel::Alignment, &TLabel::SetAlignment)
        .Default(taLeftJustify)
        .Property("AutoSize", R.Type("Boolean"), &TLabel::AutoSize, &TLabel::SetAutoSize)
        .Default(true)
        .Property("Caption", R.Type("string"), &TLabel::Caption, &TLabel::SetCaption)
        .Property("Color", R.Type("TColor"), &TLabel::Color, &TLabel::SetColor)
        .Stored([](const TLabel& L) { return !L.ParentColor(); })
        .Property("FocusControl", R.Type("TWinControl"), &TLabel::FocusControl, &TLabel::SetFocusControl)
        .Property("Font", R.Type("TFont"), &TLabel::Font, &TLabel::SetFont)
        .Stored([](const TLabel& L) { return !L.ParentFont(); })
        .Property("ParentColor", R.Type("Boolean"), &TLabel::ParentColor, &TLabel::SetParentColor)
        .Default(true)
        .Property("ParentFont", R.Type("Boolean"), &TLabel::ParentFont, &TLabel::SetParentFont)
        .Default(true)
        .Property("PopupMenu", R.Type("TPopupMenu"), &TLabel::PopupMenu, &TLabel::SetPopupMenu)
        .Property("ShowAccelChar", R.Type("Boolean"), &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar)
        .Default(true)
        .Property("Visible", R.Type("Boolean"), &TLabel::Visible, &TLabel::SetVisible)
        .Default(true)
        .Property("WordWrap", R.Type("Boolean"), &TLabel::WordWrap, &TLabel::SetWordWrap)
        .Default(false)
        .Event("OnClick", R.Type("TNotifyEvent"), &TLabel::OnClick);

    R.RegisterClass<TMemo>("TMemo", "TCustomControl")
        .Creatable()
        .Property("Align", R.Type("TAlign"), &TMemo::Align, &TMemo::SetAlign)
        .Default(alNone)
        .Property("Color", R.Type("TColor"), &TMemo::Color, &TMemo::SetColor)
        .Default(clWindow)
        .Property("Enabled", R.Type("Boolean"), &TMemo::Enabled, &TMemo::SetEnabled)
        .Default(true)
        .Property("Font", R.Type("TFont"), &TMemo::Font, &TMemo::SetFont)
        .Stored([](const TMemo& M) { return !M.ParentFont(); })
        .Property("Lines", R.Type("TStrings"), &TMemo::Lines, &TMemo::SetLines)
        .Property("ParentFont", R.Type("Boolean"), &TMemo::ParentFont, &TMemo::SetParentFont)
        .Default(true)
        .Property("PopupMenu", R.Type("TPopupMenu"), &TMemo::PopupMenu, &TMemo::SetPopupMenu)
        .Property("ReadOnly", R.Type("Boolean"), &TMemo::ReadOnly, &TMemo::SetReadOnly)
        .Default(false)
        .Property("ScrollBars", R.Type("TScrollStyle"), &TMemo::ScrollBars, &TMemo::SetScrollBars)
        .Default(ssNone)
        .Property("TabOrder", R.Type("Integer"), &TMemo::TabOrder, &TMemo::SetTabOrder)
        .Default(-1)
        .Property("TabStop", R.Type("Boolean"), &TMemo::TabStop, &TMemo::SetTabStop)
        .Default(true)
        .Property("Visible", R.Type("Boolean"), &TMemo::Visible, &TMemo::SetVisible)
        .Default(true)
        .Property("WantReturns", R.Type("Boolean"), &TMemo::WantReturns, &TMemo::SetWantReturns)
        .Default(true)
        .Property("WantTabs", R.Type("Boolean"), &TMemo::WantTabs, &TMemo::SetWantTabs)
        .Default(false)
        .Event("OnChange", R.Type("TNotifyEvent"), &TMemo::OnChange)
        .Event("OnEnter", R.Type("TNotifyEvent"), &TMemo::OnEnter)
        .Event("OnExit", R.Type("TNotifyEvent"), &TMemo::OnExit)
        .Event("OnKeyDown", R.Type("TKeyEvent"), &TMemo::OnKeyDown);

    R.RegisterClass<TListBox>("TListBox", "TCustomControl")
        .Creatable()
        .Property("Align", R.Type("TAlign"), &TListBox::Align, &TListBox::SetAlign)
        .Default(alNone)
        .Property("Color", R.Type("TColor"), &TListBox::Color, &TListBox::SetColor)
        .Default(clWindow)
        .Property("Font", R.Type("TFont"), &TListBox::Font, &TListBox::SetFont)
        .Stored([](const TListBox& L) { return !L.ParentFont(); })
        .Property("Items", R.Type("TStrings"), &TListBox::Items, &TListBox::SetItems)
        .Property("ParentFont", R.Type("Boolean"), &TListBox::ParentFont, &TListBox::SetParentFont)
        .Default(true)
        .Property("PopupMenu", R.Type("TPopupMenu"), &TListBox::PopupMenu, &TListBox::SetPopupMenu)
        .Property("TabOrder", R.Type("Integer"), &TListBox::TabOrder, &TListBox::SetTabOrder)
        .Default(-1)
        .Property("TabStop", R.Type("Boolean"), &TListBox::TabStop, &TListBox::SetTabStop)
        .Default(true)
        .Property("Visible", R.Type("Boolean"), &TListBox::Visible, &TListBox::SetVisible)
        .Default(true)
        .Event("OnClick", R.Type("TNotifyEvent"), &TListBox::OnClick);

    R.RegisterClass<TPanel>("TPanel", "TCustomControl")
        .Creatable()
        .Property("Align", R.Type("TAlign"), &TPanel::Align, &TPanel::SetAlign)
        .Default(alNone)
        .Property("Alignment", R.Type("TAlignment"), &TPanel::Alignment, &TPanel::SetAlignment)
        .Default(taCenter)
        .Property("BevelInner", R.Type("TBevelCut"), &TPanel::BevelInner, &TPanel::SetBevelInner)
        .Default(bvNone)
        .Property("BevelOuter", R.Type("TBevelCut"), &TPanel::BevelOuter, &TPanel::SetBevelOuter)
        .Default(bvRaised)
        .Property("BevelWidth", R.Type("Integer"), &TPanel::BevelWidth, &TPanel::SetBevelWidth)
        .Default(1)
        .Property("BorderWidth", R.Type("Integer"), &TPanel::BorderWidth, &TPanel::SetBorderWidth)
        .Default(0)
        .Property("Caption", R.Type("string"), &TPanel::Caption, &TPanel::SetCaption)
        .Property("Color", R.Type("TColor"), &TPanel::Color, &TPanel::SetColor)
        .Default(clBtnFace)
        .Property("Font", R.Type("TFont"), &TPanel::Font, &TPanel::SetFont)
        .Stored([](const TPanel& P) { return !P.ParentFont(); })
        .Property("ParentFont", R.Type("Boolean"), &TPanel::ParentFont, &TPanel::SetParentFont)
        .Default(true)
        .Property("PopupMenu", R.Type("TPopupMenu"), &TPanel::PopupMenu, &TPanel::SetPopupMenu)
        .Property("TabOrder", R.Type("Integer"), &TPanel::TabOrder, &TPanel::SetTabOrder)
        .Default(-1)
        .Property("Visible", R.Type("Boolean"), &TPanel::Visible, &TPanel::SetVisible)
        .Default(true);

}

} // namespace

void RegisterControlProperties(TPropertyRegistry& R)
{
    if (R.FindClass("TControl")) return;
    RegisterHostProperties(R);
    RegisterControlTypes(R);
    RegisterControlClasses(R);
}

void ReadFormResource(TCustomForm* Form, std::string_view ResourceName, const THandlerTable* Handlers,
                      TPropertyRegistry& Registry)
{
    const std::span<const std::uint8_t> data = LoadResource(ResourceName);
    ReadForm(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), Form, Handlers, nullptr, Registry);
}

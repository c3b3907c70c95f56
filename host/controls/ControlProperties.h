#pragma once
// The published properties of the host's controls, forms and menus, so that forms (the dialogs'
// descriptions in resources/ among them) are read and written through the one registry.
#include <string_view>

#include "host/streaming/Filer.h"

// Registers the control types and classes (TControl ... TForm, TButton, TLabel, TMemo, TPanel,
// TPopupMenu, TMenuItem), after the host's own types; calling it again does nothing.
void RegisterControlProperties(TPropertyRegistry& Registry = PropertyRegistry());

class TCustomForm;

// Reads the named form resource (a text or binary form file embedded from resources/) into
// Form, binding its events to Handlers. EResNotFound when there is no such resource, EReadError
// when it does not fit the form.
void ReadFormResource(TCustomForm* Form, std::string_view ResourceName, const THandlerTable* Handlers = nullptr,
                      TPropertyRegistry& Registry = PropertyRegistry());

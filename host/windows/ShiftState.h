#pragma once
// TShiftState: the modifier keys and mouse buttons held during an input message.
#include <cstdint>

#include "host/core/Sets.h"
#include "host/windows/Messages.h"

enum TShiftStateItem : unsigned char { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, std::uint8_t>;

enum TMouseButton : unsigned char { mbLeft, mbRight, mbMiddle };

// The state of a key message: Shift and Ctrl as the keyboard holds them now, Alt from the
// message's key data (bit 29).
TShiftState KeyDataToShiftState(LPARAM KeyData);
// The state of a mouse message from its MK_ flags; Alt as the keyboard holds it now.
TShiftState KeysToShiftState(WPARAM Keys);
// The modifiers and buttons held now.
TShiftState GetShiftState();

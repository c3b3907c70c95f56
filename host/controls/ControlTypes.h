#pragma once
// Enumerations, sets and event types shared by the controls, forms and the grid.
#include <cstdint>
#include <functional>

#include "host/core/Persistent.h"
#include "host/core/Sets.h"
#include "host/windows/Messages.h"
#include "host/windows/ShiftState.h"

class TControl;
class TWinControl;

// The control layer's own messages, after the window system's table.
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_FIRSTFREE + 0;

enum TAlign : unsigned char { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TBorderStyle : unsigned char { bsNone, bsSingle };
enum TScrollStyle : unsigned char { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TDragMode : unsigned char { dmManual, dmAutomatic };
enum TDragState : unsigned char { dsDragEnter, dsDragLeave, dsDragMove };

enum TControlStyleItem : unsigned char {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
    csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
    csNoStdEvents
};
using TControlStyle = TSet<TControlStyleItem, std::uint16_t>;

// Mouse cursor shapes, as numbers (negative values are the built-in shapes).
using TCursor = short;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSizeWE = -9, crDrag = -12, crNoDrop = -13, crHSplit = -14, crNo = -18;

// The answer a modal form gives back.
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7, mrAll = 8;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

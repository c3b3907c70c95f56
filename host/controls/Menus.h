#pragma once
// TMenuItem and TPopupMenu. A menu item has a caption ("-" makes a separator, '&' marks the
// accelerator), a check mark, an enabled state, a shortcut and sub items, which open as a
// submenu. Popup opens the menu as a top-level window of its own at a screen point; while it is
// open it takes the keyboard (arrows, Right and Left into and out of submenus, Enter, Escape,
// the accelerators) and the mouse, and a chosen item's OnClick runs after the menu has closed.
// The form that owns a popup menu fires its items' shortcuts (Ctrl+C) from its keys. Items owned
// by their menu (or by their parent item) are written inside it in a form file.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/controls/ControlTypes.h"
#include "host/core/ObjectWatch.h"
#include "host/core/Types.h"
#include "host/windows/Window.h"

class TPopupMenu;
class TMenuWindow;

// A shortcut: the virtual key in the low byte and the modifiers as these bits.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD Key, TShiftState Shift);
// "Ctrl+Shift+C", "Del", "F2"; empty for none.
std::string ShortCutToText(TShortCut Value);
// The inverse of ShortCutToText (any case); scNone for text that names no shortcut.
TShortCut TextToShortCut(const std::string& Text);

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    // Leaves its parent item; sub items without an owner go with it, owned ones stay with their owner.
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value) { FCaption = Value; }
    // A separator line (caption "-").
    bool IsLine() const { return FCaption == "-"; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
    TMenuItem* Parent() const { return FParent; }
    int IndexOf(const TMenuItem* Item) const;
    // Adds Item as the last (or the Index-th) sub item, taking it from its former parent.
    void Add(TMenuItem* Item) { Insert(Count(), Item); }
    void Insert(int Index, TMenuItem* Item);
    void Remove(TMenuItem* Item);
    // The sub item whose accelerator is Key among the visible ones, or null.
    TMenuItem* FindAccel(WORD Key) const;
    // The item below this one (this one included) whose shortcut is Value, or null.
    TMenuItem* FindShortCut(TShortCut Value);

    // A form file places an item read inside a menu or another item there.
    void SetParentComponent(TComponent* Value) override;

    // Raises OnClick.
    virtual void Click();
    TNotifyEvent OnClick;

private:
    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    TShortCut FShortCut = scNone;
    std::string FHint;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // The top-level items are the sub items of this unnamed item.
    TMenuItem* Items() const { return FItems.get(); }
    // A right click on a control that names this menu opens it.
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    // The control the menu was last opened for.
    TComponent* PopupComponent() const { return FPopupComponent.Get(); }
    void SetPopupComponent(TComponent* Value) { FPopupComponent.Set(Value); }

    // Raises OnPopup (which may enable, check or hide items), then opens the menu with its top
    // left corner at the screen point X, Y (moved to stay on the screen).
    void Popup(int X, int Y);
    void CloseMenu();
    bool IsOpen() const;
    // The windows of the open levels, the menu first and the innermost submenu last.
    int OpenLevels() const { return static_cast<int>(FLevels.size()); }
    HWND LevelWindow(int Level) const;
    // The highlighted item of an open level, or null.
    TMenuItem* Selected(int Level) const;
    // Where Item lies in its open level's window (client coordinates); empty when not shown.
    TRect ItemRect(const TMenuItem* Item) const;

    // Highlights row Index of an open level (closing the levels below it) and, when asked and
    // the item has sub items, opens them beside it.
    void SelectItem(int Level, int Index, bool OpenSubmenu);

    // Runs the item with this shortcut, if it is enabled (OnPopup runs first so that the items'
    // states are current); true when an item had it.
    bool IsShortCut(WORD Key, TShiftState Shift);
    // A key while the menu is open; true when the menu used it (it uses every key while open).
    bool TrackKey(WORD Key);

    // The menu that is open now and takes the keyboard, or null.
    static TPopupMenu* Tracking();

    TNotifyEvent OnPopup;

private:
    friend class TMenuWindow;
    void DoPopup();
    // Opens Item's sub items as level Level beside the item's row (or at X, Y for level 0).
    void OpenLevel(TMenuItem* Item, int X, int Y);
    // Closes the levels from Level on.
    void CloseLevels(int Level);
    // Closes the menu and clicks Item, which may free the menu and its owner.
    void Choose(TMenuItem* Item);
    int LevelOf(const TMenuWindow* Window) const;

    std::unique_ptr<TMenuItem> FItems;
    bool FAutoPopup = true;
    TWatchedPtr<TComponent> FPopupComponent;
    std::vector<std::unique_ptr<TMenuWindow>> FLevels;
};

// Whether a popup menu is open (keys and typed characters then belong to it).
inline bool MenuTracking() { return TPopupMenu::Tracking() != nullptr; }

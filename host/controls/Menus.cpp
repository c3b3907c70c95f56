#include "host/controls/Menus.h"

#include <algorithm>
#include <strings.h>

#include "host/controls/Control.h"
#include "host/controls/StdCtrls.h"
#include "host/controls/WinControl.h"
#include "host/windows/Input.h"
#include "host/windows/WindowSystem.h"

// ----- shortcuts ----------------------------------------------------------------------------

namespace {

struct TKeyName {
    WORD Key;
    const char* Name;
};
constexpr TKeyName KeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},   {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},  {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},      {VK_HOME, "Home"},   {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
};

std::string KeyName(WORD Key)
{
    if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) return std::string(1, static_cast<char>(Key));
    if (Key >= VK_F1 && Key < VK_F1 + 24) return std::string("F").append(std::to_string(Key - VK_F1 + 1));
    for (const TKeyName& k : KeyNames)
        if (k.Key == Key) return k.Name;
    return {};
}

} // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift)
{
    if (Key == 0 || Key > 0xFF) return scNone;
    TShortCut result = Key;
    if (Shift.Contains(ssShift)) result |= scShift;
    if (Shift.Contains(ssCtrl)) result |= scCtrl;
    if (Shift.Contains(ssAlt)) result |= scAlt;
    return result;
}

std::string ShortCutToText(TShortCut Value)
{
    const std::string key = KeyName(Value & 0xFF);
    if (key.empty()) return {};
    std::string text;
    if (Value & scShift) text += "Shift+";
    if (Value & scCtrl) text += "Ctrl+";
    if (Value & scAlt) text += "Alt+";
    return text + key;
}

TShortCut TextToShortCut(const std::string& Text)
{
    TShortCut mods = 0;
    std::string rest = Text;
    for (;;) {
        bool found = false;
        for (const auto& [prefix, bit] : {std::pair{"Shift+", scShift}, std::pair{"Ctrl+", scCtrl}, std::pair{"Alt+", scAlt}}) {
            const std::string p(prefix);
            if (rest.size() > p.size() && strncasecmp(rest.c_str(), p.c_str(), p.size()) == 0) {
                mods |= bit;
                rest = rest.substr(p.size());
                found = true;
            }
        }
        if (!found) break;
    }
    for (unsigned key = 1; key <= 0xFF; ++key)
        if (const std::string name = KeyName(static_cast<WORD>(key)); !name.empty() && strcasecmp(name.c_str(), rest.c_str()) == 0)
            return static_cast<TShortCut>(mods | key);
    return scNone;
}

// ----- TMenuItem ----------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem()
{
    if (FParent) FParent->Remove(this);
    for (TMenuItem* item : std::vector<TMenuItem*>(FItems)) {
        item->FParent = nullptr;
        if (!item->Owner()) delete item;
    }
}

int TMenuItem::IndexOf(const TMenuItem* Item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    if (!Item || Item == this) return;
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == Item) throw EInvalidOperation("A menu item cannot hold itself");
    if (Item->FParent) Item->FParent->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* Item)
{
    const int index = IndexOf(Item);
    if (index < 0) return;
    FItems.erase(FItems.begin() + index);
    Item->FParent = nullptr;
}

TMenuItem* TMenuItem::FindAccel(WORD Key) const
{
    for (TMenuItem* item : FItems)
        if (item->Visible() && !item->IsLine() && IsAccel(Key, item->Caption())) return item;
    return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Value)
{
    if (Value == scNone || !FVisible) return nullptr;
    if (FShortCut == Value) return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->FindShortCut(Value)) return found;
    return nullptr;
}

void TMenuItem::SetParentComponent(TComponent* Value)
{
    if (auto* item = dynamic_cast<TMenuItem*>(Value)) item->Add(this);
    else if (auto* menu = dynamic_cast<TPopupMenu*>(Value)) menu->Items()->Add(this);
}

void TMenuItem::Click()
{
    if (FEnabled && OnClick) OnClick(this);
}

// ----- the menu window ----------------------------------------------------------------------

namespace {

constexpr int Frame = 3, CheckColumn = 18, ArrowColumn = 16, ShortCutGap = 24, SeparatorHeight = 8;

TPopupMenu* GTracking = nullptr;

} // namespace

// One open level of a popup menu: the visible sub items of Item, one row each.
class TMenuWindow : public TCustomControl {
public:
    TMenuWindow(TPopupMenu* Menu, TMenuItem* Item, HWND OwnerWnd)
        : TCustomControl(nullptr), FMenu(Menu), FItem(Item), FOwnerWnd(OwnerWnd)
    {
        ControlStyle = {csOpaque};
        SetParentFont(false);
        SetParentColor(false);
        SetColor(clMenu);
    }

    TMenuItem* Item() const { return FItem; }
    int SelectedIndex() const { return FSelected; }
    void SetSelected(int Index)
    {
        if (Index == FSelected) return;
        FSelected = Index;
        Invalidate();
    }

    int RowHeight(const TMenuItem* Item)
    {
        if (Item->IsLine()) return SeparatorHeight;
        TCanvas* canvas = Canvas();
        canvas->SetFont(Font());
        return std::max(canvas->LineHeight() + 6, 18);
    }

    TSize Measure()
    {
        TCanvas* canvas = Canvas();
        canvas->SetFont(Font());
        int text = 40, shortcut = 0, height = 2 * Frame;
        for (int i = 0; i < FItem->Count(); ++i) {
            const TMenuItem* item = FItem->Items(i);
            if (!item->Visible()) continue;
            height += RowHeight(item);
            if (item->IsLine()) continue;
            TRect r{0, 0, 0, 0};
            canvas->DrawText(item->Caption(), r, DT_CALCRECT | DT_SINGLELINE);
            text = std::max(text, r.Width());
            shortcut = std::max(shortcut, canvas->TextWidth(ShortCutToText(item->ShortCut())));
        }
        const int width = 2 * Frame + CheckColumn + text + (shortcut ? ShortCutGap + shortcut : 0) + ArrowColumn;
        return {width, height};
    }

    // Row Index's rectangle in client coordinates; empty for a hidden item.
    TRect RowRect(int Index)
    {
        int top = Frame;
        for (int i = 0; i < FItem->Count(); ++i) {
            const TMenuItem* item = FItem->Items(i);
            if (!item->Visible()) continue;
            const int h = RowHeight(item);
            if (i == Index) return {Frame, top, ClientWidth() - Frame, top + h};
            top += h;
        }
        return {};
    }

    int RowAt(TPoint P)
    {
        for (int i = 0; i < FItem->Count(); ++i)
            if (FItem->Items(i)->Visible() && RowRect(i).Contains(P)) return i;
        return -1;
    }

    void Open(int X, int Y)
    {
        const TSize size = Measure();
        const TSize screen = TWindowSystem::Current().Backend().ScreenSize();
        X = std::max(0, std::min(X, screen.cx - size.cx));
        Y = std::max(0, std::min(Y, screen.cy - size.cy));
        HandleNeeded();
        SetBounds(X, Y, size.cx, size.cy);
        SetWindowPos(WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        Invalidate();
    }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style = WS_POPUP | WS_CLIPCHILDREN;
        Params.ExStyle = WS_EX_AUTOCLOSE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        Params.Parent = FOwnerWnd;
    }

    void Paint() override
    {
        TCanvas& canvas = *Canvas();
        TRect r = ClientRect();
        canvas.Brush()->SetColor(clMenu);
        canvas.FillRect(r);
        canvas.DrawEdge(r, EDGE_RAISED, BF_RECT);
        for (int i = 0; i < FItem->Count(); ++i) {
            const TMenuItem* item = FItem->Items(i);
            if (item->Visible()) PaintRow(canvas, item, RowRect(i), i == FSelected);
        }
    }

    void MouseMove(TShiftState Shift, int X, int Y) override
    {
        TCustomControl::MouseMove(Shift, X, Y);
        const int row = RowAt({X, Y});
        if (row >= 0 && row != FSelected) FMenu->SelectItem(FMenu->LevelOf(this), row, true);
    }

    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        TObjectWatch alive(this);
        TCustomControl::MouseUp(Button, Shift, X, Y);
        if (!alive) return;
        const int row = RowAt({X, Y});
        if (row < 0) return;
        TMenuItem* item = FItem->Items(row);
        if (item->IsLine() || !item->Enabled()) return;
        if (item->Count() > 0) {
            FMenu->SelectItem(FMenu->LevelOf(this), row, true);
            return;
        }
        FMenu->Choose(item);
    }

private:
    void PaintRow(TCanvas& Canvas, const TMenuItem* Item, const TRect& R, bool Selected)
    {
        if (Item->IsLine()) {
            const int y = R.Top + R.Height() / 2 - 1;
            Canvas.Brush()->SetColor(clBtnShadow);
            Canvas.FillRect({R.Left + 1, y, R.Right - 1, y + 1});
            Canvas.Brush()->SetColor(clBtnHighlight);
            Canvas.FillRect({R.Left + 1, y + 1, R.Right - 1, y + 2});
            return;
        }
        const bool enabled = Item->Enabled();
        if (Selected) {
            Canvas.Brush()->SetColor(clHighlight);
            Canvas.FillRect(R);
        }
        const TColor text = !enabled ? clGrayText : Selected ? clHighlightText : clMenuText;
        if (Item->Checked()) {
            // A tick: a short stroke down and a long one up, two pixels thick.
            Canvas.Brush()->SetColor(text);
            const int x = R.Left + 4, y = R.Top + R.Height() / 2 - 1;
            for (int i = 0; i < 3; ++i) Canvas.FillRect({x + i, y + i, x + i + 1, y + i + 3});
            for (int i = 0; i < 5; ++i) Canvas.FillRect({x + 3 + i, y + 1 - i, x + 4 + i, y + 4 - i});
        }
        Canvas.Brush()->SetStyle(bsClear);
        Canvas.SetTextColor(text);
        TRect caption{R.Left + CheckColumn, R.Top, R.Right - ArrowColumn, R.Bottom};
        Canvas.DrawText(Item->Caption(), caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (const std::string shortcut = ShortCutToText(Item->ShortCut()); !shortcut.empty()) {
            TRect right{R.Left + CheckColumn, R.Top, R.Right - ArrowColumn, R.Bottom};
            Canvas.DrawText(shortcut, right, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        Canvas.Brush()->SetStyle(bsSolid);
        if (Item->Count() > 0) {
            // A small triangle pointing right.
            Canvas.Brush()->SetColor(text);
            const int x = R.Right - ArrowColumn + 5, y = R.Top + R.Height() / 2;
            for (int i = 0; i < 4; ++i) Canvas.FillRect({x + i, y - 3 + i, x + i + 1, y + 4 - i});
        }
    }

    TPopupMenu* FMenu;
    TMenuItem* FItem;
    HWND FOwnerWnd;
    int FSelected = -1;
};

// ----- TPopupMenu ---------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {}

TPopupMenu::~TPopupMenu()
{
    if (GTracking == this) GTracking = nullptr;
    FLevels.clear();
}

TPopupMenu* TPopupMenu::Tracking()
{
    return GTracking && GTracking->IsOpen() ? GTracking : nullptr;
}

bool TPopupMenu::IsOpen() const
{
    return !FLevels.empty() && FLevels.front()->HandleAllocated() && IsWindowVisible(FLevels.front()->WindowHandle());
}

HWND TPopupMenu::LevelWindow(int Level) const
{
    if (Level < 0 || Level >= OpenLevels()) return nullptr;
    return FLevels[static_cast<std::size_t>(Level)]->WindowHandle();
}

TMenuItem* TPopupMenu::Selected(int Level) const
{
    if (Level < 0 || Level >= OpenLevels()) return nullptr;
    const TMenuWindow& w = *FLevels[static_cast<std::size_t>(Level)];
    return w.SelectedIndex() >= 0 ? w.Item()->Items(w.SelectedIndex()) : nullptr;
}

TRect TPopupMenu::ItemRect(const TMenuItem* Item) const
{
    for (const auto& level : FLevels)
        if (Item && Item->Parent() == level->Item()) return level->RowRect(level->Item()->IndexOf(Item));
    return {};
}

int TPopupMenu::LevelOf(const TMenuWindow* Window) const
{
    for (std::size_t i = 0; i < FLevels.size(); ++i)
        if (FLevels[i].get() == Window) return static_cast<int>(i);
    return -1;
}

void TPopupMenu::DoPopup()
{
    if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(int X, int Y)
{
    TObjectWatch alive(this);
    CloseMenu();
    DoPopup();
    if (!alive) return;
    // The menu is owned by the window of the control it was opened for, or the active window.
    HWND owner = GetActiveWindow();
    if (auto* control = dynamic_cast<TWinControl*>(PopupComponent()); control && control->HandleAllocated())
        owner = control->WindowHandle();
    FLevels.clear();
    FLevels.push_back(std::make_unique<TMenuWindow>(this, FItems.get(), owner));
    FLevels.back()->Open(X, Y);
    GTracking = this;
}

void TPopupMenu::CloseLevels(int Level)
{
    while (OpenLevels() > std::max(Level, 0)) {
        TMenuWindow& w = *FLevels.back();
        if (w.HandleAllocated()) {
            if (GetCapture() == w.WindowHandle()) ReleaseCapture();
            w.DestroyHandle();
        }
        FLevels.pop_back();
    }
}

void TPopupMenu::CloseMenu()
{
    CloseLevels(0);
    if (GTracking == this) GTracking = nullptr;
}

void TPopupMenu::OpenLevel(TMenuItem* Item, int X, int Y)
{
    HWND owner = FLevels.empty() ? GetActiveWindow() : FLevels.back()->WindowHandle();
    FLevels.push_back(std::make_unique<TMenuWindow>(this, Item, owner));
    FLevels.back()->Open(X, Y);
}

void TPopupMenu::SelectItem(int Level, int Index, bool OpenSubmenu)
{
    if (Level < 0 || Level >= OpenLevels()) return;
    CloseLevels(Level + 1);
    TMenuWindow& w = *FLevels[static_cast<std::size_t>(Level)];
    w.SetSelected(Index);
    if (!OpenSubmenu || Index < 0) return;
    TMenuItem* item = w.Item()->Items(Index);
    if (item->Count() == 0 || !item->Enabled()) return;
    const TRect row = w.RowRect(Index);
    const TPoint at = w.ClientToScreen({w.ClientWidth() - Frame, row.Top - Frame});
    OpenLevel(item, at.X, at.Y);
}

void TPopupMenu::Choose(TMenuItem* Item)
{
    TObjectWatch itemAlive(Item);
    CloseMenu();
    if (itemAlive) Item->Click();
}

bool TPopupMenu::IsShortCut(WORD Key, TShiftState Shift)
{
    const TShortCut wanted = ShortCut(Key, Shift);
    if (wanted == scNone || !FItems->FindShortCut(wanted)) return false;
    TObjectWatch alive(this);
    DoPopup();
    if (!alive) return true;
    TMenuItem* item = FItems->FindShortCut(wanted);
    if (!item) return false;
    // A disabled item (or one inside a disabled submenu) keeps its shortcut from firing.
    for (const TMenuItem* p = item; p; p = p->Parent())
        if (!p->Enabled()) return true;
    item->Click();
    return true;
}

namespace {

// The next selectable row after Index in Step's direction (from an end for -1), wrapping;
// -1 when no row can be selected.
int NextRow(const TMenuItem* Item, int Index, int Step)
{
    const int n = Item->Count();
    int i = Index >= 0 ? Index : (Step > 0 ? -1 : n);
    for (int k = 0; k < n; ++k) {
        i = ((i + Step) % n + n) % n;
        const TMenuItem* row = Item->Items(i);
        if (row->Visible() && !row->IsLine()) return i;
    }
    return -1;
}

} // namespace

bool TPopupMenu::TrackKey(WORD Key)
{
    if (!IsOpen()) return false;
    const int level = OpenLevels() - 1;
    TMenuWindow& w = *FLevels.back();
    TMenuItem* selected = w.SelectedIndex() >= 0 ? w.Item()->Items(w.SelectedIndex()) : nullptr;
    // With a submenu open but nothing chosen in it yet, the keys act on the level below.
    switch (Key) {
    case VK_DOWN: SelectItem(level, NextRow(w.Item(), w.SelectedIndex(), 1), false); break;
    case VK_UP: SelectItem(level, NextRow(w.Item(), w.SelectedIndex(), -1), false); break;
    case VK_HOME: SelectItem(level, NextRow(w.Item(), -1, 1), false); break;
    case VK_END: SelectItem(level, NextRow(w.Item(), -1, -1), false); break;
    case VK_RIGHT:
        if (selected && selected->Count() > 0 && selected->Enabled()) {
            SelectItem(level, w.SelectedIndex(), true);
            if (OpenLevels() > level + 1) SelectItem(level + 1, NextRow(selected, -1, 1), false);
        }
        break;
    case VK_LEFT:
        if (level > 0) CloseLevels(level);
        break;
    case VK_ESCAPE:
        if (level > 0) CloseLevels(level);
        else CloseMenu();
        break;
    case VK_RETURN:
    case VK_SPACE:
        if (!selected || !selected->Enabled()) break;
        if (selected->Count() > 0) return TrackKey(VK_RIGHT);
        Choose(selected);
        break;
    default:
        if (TMenuItem* item = w.Item()->FindAccel(Key)) {
            const int index = w.Item()->IndexOf(item);
            SelectItem(level, index, false);
            if (!item->Enabled()) break;
            if (item->Count() > 0) return TrackKey(VK_RIGHT);
            Choose(item);
        }
        break;
    }
    return true;
}

// ----- controls' popup menus ----------------------------------------------------------------

void TControl::SetPopupMenu(TPopupMenu* Value)
{
    FPopupMenu.Set(Value);
}

bool TControl::DoContextPopup(TPoint ScreenPos)
{
    TPopupMenu* menu = PopupMenu();
    if (!menu || !menu->AutoPopup()) return false;
    menu->SetPopupComponent(this);
    menu->Popup(ScreenPos.X, ScreenPos.Y);
    return true;
}

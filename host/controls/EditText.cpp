#include "host/controls/EditText.h"

#include <algorithm>

#include "host/controls/WinControl.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

bool IsContinuation(char C) { return (static_cast<unsigned char>(C) & 0xC0) == 0x80; }

// Letters, digits, underscore and every byte of a multi-byte character belong to words.
enum TCharClass { ccBlank, ccWord, ccPunct };

TCharClass ClassOf(char C)
{
    const auto u = static_cast<unsigned char>(C);
    if (u == ' ' || u == '\t') return ccBlank;
    if (u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_')
        return ccWord;
    return ccPunct;
}

char At(const std::string& Text, int Pos) { return Text[static_cast<std::size_t>(Pos)]; }

} // namespace

int NextCharPos(const std::string& Text, int Pos)
{
    const int size = static_cast<int>(Text.size());
    if (Pos >= size) return size;
    Pos = std::max(Pos, 0) + 1;
    while (Pos < size && IsContinuation(At(Text, Pos))) ++Pos;
    return Pos;
}

int PriorCharPos(const std::string& Text, int Pos)
{
    Pos = std::min(Pos, static_cast<int>(Text.size()));
    if (Pos <= 0) return 0;
    --Pos;
    while (Pos > 0 && IsContinuation(At(Text, Pos))) --Pos;
    return Pos;
}

int NextWordPos(const std::string& Text, int Pos)
{
    const int size = static_cast<int>(Text.size());
    Pos = std::clamp(Pos, 0, size);
    if (Pos < size && ClassOf(At(Text, Pos)) != ccBlank) {
        const TCharClass cls = ClassOf(At(Text, Pos));
        while (Pos < size && ClassOf(At(Text, Pos)) == cls) ++Pos;
    }
    while (Pos < size && ClassOf(At(Text, Pos)) == ccBlank) ++Pos;
    return Pos;
}

int PriorWordPos(const std::string& Text, int Pos)
{
    Pos = std::clamp(Pos, 0, static_cast<int>(Text.size()));
    while (Pos > 0 && ClassOf(At(Text, Pos - 1)) == ccBlank) --Pos;
    if (Pos == 0) return 0;
    const TCharClass cls = ClassOf(At(Text, Pos - 1));
    while (Pos > 0 && ClassOf(At(Text, Pos - 1)) == cls) --Pos;
    return Pos;
}

void WordBoundsAt(const std::string& Text, int Pos, int& Start, int& End)
{
    const int size = static_cast<int>(Text.size());
    Start = End = std::clamp(Pos, 0, size);
    if (size == 0) return;
    // At the end of the text, or between a word and what follows, the word before counts.
    if (Start == size || (Start > 0 && ClassOf(At(Text, Start)) != ccWord && ClassOf(At(Text, Start - 1)) == ccWord))
        Start = PriorCharPos(Text, Start);
    const TCharClass cls = ClassOf(At(Text, Start));
    if (cls == ccPunct) {
        End = NextCharPos(Text, Start);
        return;
    }
    while (Start > 0 && ClassOf(At(Text, Start - 1)) == cls) --Start;
    End = Start;
    while (End < size && ClassOf(At(Text, End)) == cls) ++End;
}

std::string EncodeUtf8(unsigned Code)
{
    std::string s;
    if (Code < 0x80) {
        s += static_cast<char>(Code);
    } else if (Code < 0x800) {
        s += static_cast<char>(0xC0 | (Code >> 6));
        s += static_cast<char>(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        s += static_cast<char>(0xE0 | (Code >> 12));
        s += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (Code >> 18));
        s += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (Code & 0x3F));
    }
    return s;
}

bool InplaceShown(const TWinControl* Editor)
{
    return Editor->HandleAllocated() && IsWindowVisible(Editor->WindowHandle());
}

void ShowInplace(TWinControl* Editor, TWinControl* Owner, const TRect& Loc)
{
    if (Loc.IsEmpty()) {
        HideInplace(Editor, Owner);
        return;
    }
    Editor->HandleNeeded();
    Editor->SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
    SetWindowPos(Editor->WindowHandle(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Editor->Invalidate();
    if (Owner && Owner->Focused()) ::SetFocus(Editor->WindowHandle());
}

void HideInplace(TWinControl* Editor, TWinControl* Owner)
{
    if (!InplaceShown(Editor)) return;
    const bool hadFocus = Editor->Focused();
    ShowWindow(Editor->WindowHandle(), SW_HIDE);
    if (hadFocus && Owner && Owner->HandleAllocated()) ::SetFocus(Owner->WindowHandle());
}

void NotifyInplaceChange(TWinControl* Editor)
{
    TWinControl* parent = Editor->Parent();
    if (parent && parent->HandleAllocated() && Editor->HandleAllocated())
        SendMessage(parent->WindowHandle(), WM_COMMAND, MAKEWPARAM(0, EN_CHANGE),
                    reinterpret_cast<LPARAM>(Editor->WindowHandle()));
}

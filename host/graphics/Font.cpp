#include "host/graphics/Font.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <tuple>
#include <typeinfo>

namespace {

// Saturates at +-INT_MAX, so that callers may negate the result (Size and Height from form text).
int MulDiv(int Number, int Numerator, int Denominator)
{
    const long result = std::lround(static_cast<double>(Number) * Numerator / Denominator);
    return static_cast<int>(std::clamp<long>(result, -INT_MAX, INT_MAX));
}

// The handle table: one handle per distinct logical font, as a window system hands them out.
HFONT InternHandle(const std::string& Name, int Height, TFontStyles Style, TFontCharset Charset, TFontPitch Pitch)
{
    using Key = std::tuple<std::string, int, unsigned, unsigned, unsigned>;
    static std::map<Key, HFONT> handles;
    const Key key{Name, Height, Style.ToBits(), Charset, Pitch};
    auto [it, inserted] = handles.try_emplace(key, static_cast<HFONT>(handles.size() + 1));
    return it->second;
}

} // namespace

TFont::TFont() = default;

void TFont::SetName(const std::string& Value)
{
    if (Value.empty() || Value == FName) return;
    FName = Value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, PixelsPerInch);
}

void TFont::SetSize(int Value)
{
    SetHeight(-MulDiv(Value, PixelsPerInch, 72));
}

void TFont::SetHeight(int Value)
{
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}

void TFont::SetColor(TColor Value)
{
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value)
{
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (Value == FPitch) return;
    FPitch = Value;
    Changed();
}

HFONT TFont::Handle() const
{
    if (!FHandle) FHandle = InternHandle(FName, FHeight, FStyle, FCharset, FPitch);
    return FHandle;
}

void TFont::Assign(TPersistent* Source)
{
    // The plain class first: painters assign a column's font cell after cell.
    auto* source = Source && typeid(*Source) == typeid(TFont) ? static_cast<TFont*>(Source) : dynamic_cast<TFont*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FName = source->FName;
    FHeight = source->FHeight;
    FColor = source->FColor;
    FStyle = source->FStyle;
    FCharset = source->FCharset;
    FPitch = source->FPitch;
    Changed();
}

void TFont::Changed()
{
    FHandle = 0;
    if (OnChange) OnChange(this);
}

#include "host/graphics/Color.h"

#include <array>
#include <cstdio>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <strings.h>

#include "host/core/Exceptions.h"

namespace {

struct ColorName {
    TColor Value;
    const char* Name;
};

// Every named colour, in the order the designer lists them.
constexpr std::array<ColorName, 42> ColorNames{{
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clNone, "clNone"},
}};

// The classic values of the system colours, by index.
constexpr std::array<TColor, 25> SystemPalette{{
    RGB(0xC0, 0xC0, 0xC0), // scroll bar
    RGB(0x00, 0x80, 0x80), // background
    RGB(0x00, 0x00, 0x80), // active caption
    RGB(0x80, 0x80, 0x80), // inactive caption
    RGB(0xC0, 0xC0, 0xC0), // menu
    RGB(0xFF, 0xFF, 0xFF), // window
    RGB(0x00, 0x00, 0x00), // window frame
    RGB(0x00, 0x00, 0x00), // menu text
    RGB(0x00, 0x00, 0x00), // window text
    RGB(0xFF, 0xFF, 0xFF), // caption text
    RGB(0xC0, 0xC0, 0xC0), // active border
    RGB(0xC0, 0xC0, 0xC0), // inactive border
    RGB(0x80, 0x80, 0x80), // application workspace
    RGB(0x00, 0x00, 0x80), // highlight
    RGB(0xFF, 0xFF, 0xFF), // highlight text
    RGB(0xC0, 0xC0, 0xC0), // button face
    RGB(0x80, 0x80, 0x80), // button shadow
    RGB(0x80, 0x80, 0x80), // grey text
    RGB(0x00, 0x00, 0x00), // button text
    RGB(0xC0, 0xC0, 0xC0), // inactive caption text
    RGB(0xFF, 0xFF, 0xFF), // button highlight
    RGB(0x00, 0x00, 0x00), // 3-D dark shadow
    RGB(0xDF, 0xDF, 0xDF), // 3-D light
    RGB(0x00, 0x00, 0x00), // info text
    RGB(0xFF, 0xFF, 0xE1), // info background
}};

} // namespace

TColor ColorToRGB(TColor Color)
{
    if (Color < 0) {
        const auto index = static_cast<std::uint32_t>(Color) & 0xFF;
        return index < SystemPalette.size() ? SystemPalette[index] : clBlack;
    }
    return Color & 0xFFFFFF;
}

TPixel ColorToPixel(TColor Color)
{
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(Color));
    const std::uint32_t r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
    return 0xFF000000u | r << 16 | g << 8 | b;
}

TColor PixelToColor(TPixel Pixel)
{
    return RGB(static_cast<int>((Pixel >> 16) & 0xFF), static_cast<int>((Pixel >> 8) & 0xFF), static_cast<int>(Pixel & 0xFF));
}

std::string ColorToString(TColor Color)
{
    for (const auto& entry : ColorNames)
        if (entry.Value == Color) return entry.Name;
    char text[16];
    std::snprintf(text, sizeof text, "$%.8X", static_cast<unsigned>(Color));
    return text;
}

bool IdentToColor(const std::string& Ident, TColor& Color)
{
    for (const auto& entry : ColorNames) {
        if (strcasecmp(entry.Name, Ident.c_str()) == 0) {
            Color = entry.Value;
            return true;
        }
    }
    return false;
}

TColor StringToColor(const std::string& S)
{
    TColor color = 0;
    if (IdentToColor(S, color)) return color;
    std::string digits = S;
    int base = 10;
    if (!digits.empty() && digits[0] == '$') {
        digits.erase(0, 1);
        base = 16;
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
        base = 16;
    }
    const bool negative = base == 10 && !digits.empty() && digits[0] == '-';
    const size_t first = negative ? 1 : 0;
    bool valid = digits.size() > first && digits.size() - first <= (base == 16 ? 8 : 10);
    for (size_t i = first; valid && i < digits.size(); ++i)
        valid = base == 16 ? std::isxdigit(static_cast<unsigned char>(digits[i])) != 0
                           : std::isdigit(static_cast<unsigned char>(digits[i])) != 0;
    if (valid) {
        const long long value = std::strtoll(digits.c_str(), nullptr, base);
        if (base == 16) return static_cast<TColor>(static_cast<std::uint32_t>(value));
        if (value >= INT32_MIN && value <= INT32_MAX) return static_cast<TColor>(value);
    }
    throw EConvertError("'" + S + "' is not a valid colour");
}

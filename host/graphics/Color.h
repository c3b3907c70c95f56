#pragma once
// TColor: a 32-bit colour. Values below 0x80000000 are 0x00BBGGRR; from 0x80000000 up the low
// byte names a system colour, resolved through the system palette.
#include <cstdint>
#include <string>

using TColor = std::int32_t;

constexpr TColor SystemColor(int Index) { return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(Index)); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clNone = 0x1FFFFFFF, clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1),
                 clActiveCaption = SystemColor(2), clInactiveCaption = SystemColor(3),
                 clMenu = SystemColor(4), clWindow = SystemColor(5), clWindowFrame = SystemColor(6),
                 clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                 clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10),
                 clInactiveBorder = SystemColor(11), clAppWorkSpace = SystemColor(12),
                 clHighlight = SystemColor(13), clHighlightText = SystemColor(14),
                 clBtnFace = SystemColor(15), clBtnShadow = SystemColor(16),
                 clGrayText = SystemColor(17), clBtnText = SystemColor(18),
                 clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                 cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22),
                 clInfoText = SystemColor(23), clInfoBk = SystemColor(24);

// An opaque pixel of a 32-bit surface: 0xAARRGGBB with alpha 0xFF.
using TPixel = std::uint32_t;

// The RGB value of a colour (0x00BBGGRR), system colours resolved to their classic values.
TColor ColorToRGB(TColor Color);
// The surface pixel of a colour.
TPixel ColorToPixel(TColor Color);
TColor PixelToColor(TPixel Pixel);
constexpr TColor RGB(int R, int G, int B) { return static_cast<TColor>((B & 0xFF) << 16 | (G & 0xFF) << 8 | (R & 0xFF)); }

// "clWindow" for a named colour, otherwise the host's hexadecimal form "$00BBGGRR".
std::string ColorToString(TColor Color);
// The inverse of ColorToString; also takes decimal and "$"/"0x" hexadecimal numbers.
// EConvertError for text that names no colour.
TColor StringToColor(const std::string& S);
// As StringToColor, but answers false instead of raising.
bool IdentToColor(const std::string& Ident, TColor& Color);

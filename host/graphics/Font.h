#pragma once
// TFont: the description of a text face. Every change is reported through OnChange.
#include <cstdint>
#include <string>

#include "host/core/Persistent.h"
#include "host/core/Sets.h"
#include "host/graphics/Color.h"

enum TFontStyle : unsigned char { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, unsigned char>;
enum TFontPitch : unsigned char { fpDefault, fpVariable, fpFixed };
using TFontCharset = unsigned char;
constexpr TFontCharset ANSI_CHARSET = 0, DEFAULT_CHARSET = 1;

// A handle names one combination of every font attribute but the colour: two fonts that agree
// in name, height, style, charset and pitch share it. 0 is never a valid handle.
using HFONT = std::uint32_t;

class TFont : public TPersistent {
public:
    static constexpr int PixelsPerInch = 96;

    TFont();

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    // Size in points; Height in pixels, negative for the character height without leading.
    int Size() const;
    void SetSize(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);

    HFONT Handle() const;

    // Copies every attribute of another font and reports one change.
    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    // The handle once asked for, until the next change (0: not looked up yet).
    mutable HFONT FHandle = 0;
};

// Detaches a font's change handler for a silent copy and puts it back on leaving,
// also when the copy raises.
class TFontChangeDetach {
public:
    explicit TFontChangeDetach(TFont* Font) : FFont(Font), FSaved(Font->OnChange) { Font->OnChange = nullptr; }
    ~TFontChangeDetach() { FFont->OnChange = FSaved; }
    TFontChangeDetach(const TFontChangeDetach&) = delete;
    TFontChangeDetach& operator=(const TFontChangeDetach&) = delete;

private:
    TFont* FFont;
    TNotifyEvent FSaved;
};

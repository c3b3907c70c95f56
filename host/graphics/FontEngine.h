#pragma once
// Text faces: fonts resolved through fontconfig to FreeType faces of a pixel size, and the
// glyph cache. One engine serves the process (the GUI thread; it may be made on a worker, see
// StartFontEngine); faces and glyphs live until exit.
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/graphics/Font.h"

// One rendered glyph: an 8-bit coverage mask placed relative to the pen on the baseline.
struct TGlyph {
    int Left = 0;    // from the pen position to the mask's left column
    int Top = 0;     // from the baseline up to the mask's top row
    int Width = 0;
    int Height = 0;
    int Advance = 0; // pixels the pen moves on
    std::vector<unsigned char> Coverage;
};

// A face at one pixel size with its metrics and the glyphs rendered so far.
class TFaceSize {
public:
    struct TKey {
        std::string File;
        int Index;
        int PixelSize;
        bool Embolden;
        bool Oblique;
        bool operator==(const TKey&) const = default;
    };

    TFaceSize(void* Library, const TKey& Key);
    ~TFaceSize();
    TFaceSize(const TFaceSize&) = delete;
    TFaceSize& operator=(const TFaceSize&) = delete;

    const TKey& Key() const { return FKey; }
    const std::string& FamilyName() const { return FFamily; }
    int Ascent() const { return FAscent; }
    int Descent() const { return FDescent; }
    int Height() const { return FAscent + FDescent; }
    int AveCharWidth() const { return FAveCharWidth; }
    // Offset below the baseline and thickness of underline; offset above it of strike-out.
    int UnderlinePosition() const { return FUnderlinePosition; }
    int LineThickness() const { return FLineThickness; }
    int StrikeOutPosition() const { return FStrikeOutPosition; }

    // The glyph of a character, rendered on first use. A character the face lacks gives the
    // face's missing-glyph shape. The reference is valid until the next call on this face: the
    // cache holds at most GlyphCacheBytes of masks and starts over when a glyph would exceed it.
    const TGlyph& Glyph(char32_t C)
    {
        if (C < FAscii.size()) {
            if (!FAscii[C]) FAscii[C] = Cached(Render(C));
            return *FAscii[C];
        }
        auto it = FOthers.find(C);
        if (it == FOthers.end()) it = FOthers.emplace(C, Cached(Render(C))).first;
        return *it->second;
    }
    static constexpr std::size_t GlyphCacheBytes = std::size_t{16} << 20;
    int Advance(char32_t C)
    {
        if (C >= FAsciiAdvance.size()) return Glyph(C).Advance;
        if (FAsciiAdvance[C] < 0) FAsciiAdvance[C] = Glyph(C).Advance;
        return FAsciiAdvance[C];
    }
    // A box, relative to the pen on the baseline, that holds every glyph mask of the face
    // (from the face's bounding box, with room for slanting, emboldening and hinting): text
    // drawing skips the characters whose glyphs cannot reach the clip.
    struct TInkBox {
        int Left, Top, Right, Bottom; // Left <= 0 <= Right; Top above the baseline, Bottom below
    };
    const TInkBox& InkBox() const { return FInk; }
    int GlyphCount() const;
    std::size_t CachedBytes() const { return FCachedBytes; }
    // Counts the times the cache started over: glyph references taken while it stays the same
    // are all still valid.
    unsigned Generation() const { return FGeneration; }

private:
    std::unique_ptr<TGlyph> Render(char32_t C);
    // Counts a new glyph's mask against the budget, forgetting every cached glyph first when it
    // would not fit (large sizes would otherwise keep megabytes per character for good).
    std::unique_ptr<TGlyph> Cached(std::unique_ptr<TGlyph> Glyph);

    TKey FKey;
    void* FFace = nullptr; // FT_Face
    std::string FFamily;
    int FAscent = 0;
    int FDescent = 0;
    int FAveCharWidth = 0;
    int FUnderlinePosition = 1;
    int FLineThickness = 1;
    int FStrikeOutPosition = 3;
    std::array<std::unique_ptr<TGlyph>, 256> FAscii;
    std::array<int, 256> FAsciiAdvance; // -1 until known; kept when the glyph cache starts over
    TInkBox FInk{};
    std::unordered_map<char32_t, std::unique_ptr<TGlyph>> FOthers;
    std::size_t FCachedBytes = 0;
    unsigned FGeneration = 0;
};

// The face of a font (name, height, style, pitch). "MS Sans Serif" and other names that no
// installed face carries map to DejaVu Sans (Sans Mono for fixed-pitch and typewriter names,
// Serif for the classic serif names) at the same size. EOutOfResources when no face is found.
TFaceSize& FaceForFont(const TFont& Font);
// Starts the engine (fontconfig's configuration, the rasteriser, the default font's face) on a
// worker thread, once per process, and returns at once; the first text waits only for what is
// left of it. The window system calls it as it starts, so that a process that never makes one
// never starts fontconfig, and one that does pays for it on a spare core while it builds its
// forms. Without it the engine starts on the first text drawn.
void StartFontEngine();
// The family name a font name is looked up under (the mapping above), for tests and reports.
std::string ResolvedFamily(const TFont& Font);
// The families of the installed scalable faces, sorted and without duplicates (a font dialog's
// list); asked of fontconfig once.
const std::vector<std::string>& FontFamilies();

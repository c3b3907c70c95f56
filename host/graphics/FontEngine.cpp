#include "host/graphics/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "host/core/Exceptions.h"

namespace {

std::string Lower(std::string S)
{
    std::transform(S.begin(), S.end(), S.begin(), [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    return S;
}

// Classic names with no installed face fall back by kind; every other unknown name is sans.
const char* FallbackFamily(const std::string& LowerName, bool FixedPitch)
{
    static const char* const Mono[] = {"courier", "courier new", "fixedsys", "terminal", "lucida console", "consolas", "monospace"};
    static const char* const Serif[] = {"ms serif", "times", "times new roman", "georgia", "roman", "serif", "bookman old style", "garamond"};
    if (FixedPitch || std::find(std::begin(Mono), std::end(Mono), LowerName) != std::end(Mono)) return "DejaVu Sans Mono";
    if (std::find(std::begin(Serif), std::end(Serif), LowerName) != std::end(Serif)) return "DejaVu Serif";
    return "DejaVu Sans";
}

struct TMatch {
    std::string Family;
    std::string File;
    int Index = 0;
    bool Embolden = false;
    bool Oblique = false;
};

// Frees a fontconfig pattern on leaving the scope.
struct TPatternGuard {
    FcPattern* Pattern;
    ~TPatternGuard() { if (Pattern) FcPatternDestroy(Pattern); }
};

bool HasFamily(FcPattern* Pattern, const std::string& LowerName)
{
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(Pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (Lower(reinterpret_cast<const char*>(family)) == LowerName) return true;
    return false;
}

// The best installed face for a family, weight and slant; null when fontconfig has none.
FcPattern* MatchPattern(const std::string& Family, bool Bold, bool Italic)
{
    TPatternGuard pattern{FcPatternCreate()};
    if (!pattern.Pattern) return nullptr;
    FcPatternAddString(pattern.Pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
    FcPatternAddInteger(pattern.Pattern, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.Pattern, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.Pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.Pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern.Pattern);
    FcResult result;
    return FcFontMatch(nullptr, pattern.Pattern, &result);
}

// What a face is resolved from: a font's name, height and style.
struct TFontKey {
    std::string Name;
    int Height;
    bool Bold, Italic, Fixed;
};

class TFontEngine {
public:
    TFontEngine()
    {
        FcInit();
        if (FT_Init_FreeType(&FLibrary) != 0) throw EOutOfResources("Cannot start the font rasteriser");
    }
    ~TFontEngine()
    {
        FFaces.clear();
        FT_Done_FreeType(FLibrary);
        FcFini();
    }
    TFontEngine(const TFontEngine&) = delete;
    TFontEngine& operator=(const TFontEngine&) = delete;

    TFaceSize& Face(const TFont& Font)
    {
        const HFONT handle = Font.Handle();
        if (auto it = FByHandle.find(handle); it != FByHandle.end()) return *it->second;
        TFaceSize& face = FaceOf(Match(Font), Font.Height());
        FByHandle.emplace(handle, &face);
        return face;
    }

    const TMatch& Match(const TFont& Font)
    {
        return Match(Font.Name(), Font.Style().Contains(fsBold), Font.Style().Contains(fsItalic), Font.Pitch() == fpFixed);
    }

    // Resolves a font, opens its face and renders its printable ASCII glyphs ahead of use (the
    // first glyph of a face sets up its hinting, the dearest part), from the font's attributes
    // alone (no font object or handle), so that it can run on the thread that starts the engine.
    void Warm(const TFontKey& Font)
    {
        TFaceSize& face = FaceOf(Match(Font.Name, Font.Bold, Font.Italic, Font.Fixed), Font.Height);
        for (char32_t c = U' '; c <= U'~'; ++c) face.Glyph(c);
    }

private:
    TFaceSize& FaceOf(const TMatch& Match, int Height)
    {
        TFaceSize::TKey key{Match.File, Match.Index, 0, Match.Embolden, Match.Oblique};
        key.PixelSize = PixelSize(Match, Height);
        for (auto& f : FFaces)
            if (f->Key() == key) return *f;
        return *FFaces.emplace_back(std::make_unique<TFaceSize>(FLibrary, key));
    }

    const TMatch& Match(const std::string& Name, bool bold, bool italic, bool fixed)
    {
        const std::string name = Lower(Name);
        const std::string cacheKey = name + (bold ? "|b" : "|") + (italic ? "i" : "") + (fixed ? "f" : "");
        if (auto it = FMatches.find(cacheKey); it != FMatches.end()) return it->second;

        TPatternGuard match{MatchPattern(Name, bold, italic)};
        std::string fallbackKey;
        if (!match.Pattern || !HasFamily(match.Pattern, name)) {
            if (match.Pattern) FcPatternDestroy(match.Pattern);
            const char* fallback = FallbackFamily(name, fixed);
            match.Pattern = MatchPattern(fallback, bold, italic);
            fallbackKey = Lower(fallback) + cacheKey.substr(name.size());
        }
        FcChar8* file = nullptr;
        if (!match.Pattern || FcPatternGetString(match.Pattern, FC_FILE, 0, &file) != FcResultMatch)
            throw EOutOfResources("No font face is installed for \"" + Name + "\"");
        TMatch m;
        m.File = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match.Pattern, FC_INDEX, 0, &m.Index);
        FcChar8* family = nullptr;
        if (FcPatternGetString(match.Pattern, FC_FAMILY, 0, &family) == FcResultMatch)
            m.Family = reinterpret_cast<const char*>(family);
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match.Pattern, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match.Pattern, FC_SLANT, 0, &slant);
        m.Embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
        m.Oblique = italic && slant == FC_SLANT_ROMAN;
        // The fallback family asked for by its own name matches the same face.
        if (!fallbackKey.empty()) FMatches.emplace(fallbackKey, m);
        return FMatches.emplace(cacheKey, std::move(m)).first->second;
    }

    // A negative height is the character (em) height; a positive one the cell height,
    // ascent plus descent, converted through the face's design metrics.
    // Glyphs are rasterised at most this large (a glyph of it takes about 4 MiB), whatever height
    // a font asks for: larger text does not fit on a window anyway.
    static constexpr int MaxPixelSize = 2048;

    int PixelSize(const TMatch& Match, int Height)
    {
        if (Height == 0) return 11;
        if (Height < 0) return static_cast<int>(std::min<std::int64_t>(-std::int64_t{Height}, MaxPixelSize));
        double em = Height;
        FT_Face face = nullptr;
        if (FT_New_Face(FLibrary, Match.File.c_str(), Match.Index, &face) == 0) {
            int cell = face->ascender - face->descender;
            if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->usWinAscent + os2->usWinDescent > 0)
                cell = os2->usWinAscent + os2->usWinDescent;
            if (cell > 0) em = em * face->units_per_EM / cell;
            FT_Done_Face(face);
        }
        return static_cast<int>(std::lround(std::clamp(em, 1.0, double{MaxPixelSize})));
    }

    FT_Library FLibrary = nullptr;
    std::map<std::string, TMatch> FMatches;
    std::vector<std::unique_ptr<TFaceSize>> FFaces;
    std::map<HFONT, TFaceSize*> FByHandle;
};

// The engine is made once per process: on a worker thread when StartFontEngine asks for it
// ahead of use, otherwise by its first caller. A caller that comes while the worker is still
// making it waits; an error the worker met is met again, and thrown, by the next caller.
class TEngineStart {
public:
    ~TEngineStart()
    {
        if (FWorker.joinable()) FWorker.join();
    }

    TFontEngine& Get()
    {
        if (TFontEngine* engine = FReady.load(std::memory_order_acquire)) return *engine;
        return Make(nullptr);
    }

    // Starts making the engine on a worker thread, which then resolves the default font.
    void Ahead()
    {
        if (FAsked.exchange(true) || FReady.load(std::memory_order_acquire)) return;
        const TFont defaults;
        TFontKey warm{defaults.Name(), defaults.Height(), defaults.Style().Contains(fsBold), defaults.Style().Contains(fsItalic),
                      defaults.Pitch() == fpFixed};
        try {
            FWorker = std::thread([this, warm = std::move(warm)] {
                try {
                    Make(&warm);
                } catch (...) {
                    // Reported to the first caller, who tries again.
                }
            });
        } catch (const std::system_error&) {
            // No thread to spare: the first caller makes the engine.
        }
    }

private:
    TFontEngine& Make(const TFontKey* Warm)
    {
        std::lock_guard lock(FLock);
        if (!FEngine) {
            auto engine = std::make_unique<TFontEngine>();
            try {
                if (Warm) engine->Warm(*Warm);
            } catch (const Exception&) {
                // The default font without a face is reported when it is first used; the engine
                // serves every other font meanwhile.
            }
            FEngine = std::move(engine);
            FReady.store(FEngine.get(), std::memory_order_release);
        }
        return *FEngine;
    }

    std::mutex FLock;
    std::unique_ptr<TFontEngine> FEngine;
    std::atomic<TFontEngine*> FReady{nullptr};
    std::atomic<bool> FAsked{false};
    std::thread FWorker;
};

TEngineStart& Starter()
{
    static TEngineStart start;
    return start;
}

TFontEngine& Engine()
{
    return Starter().Get();
}

int Round26(FT_Pos Value) { return static_cast<int>((Value + 32) >> 6); }

} // namespace

TFaceSize::TFaceSize(void* Library, const TKey& Key) : FKey(Key)
{
    FT_Face face = nullptr;
    if (FT_New_Face(static_cast<FT_Library>(Library), Key.File.c_str(), Key.Index, &face) != 0)
        throw EOutOfResources("Cannot open the font file " + Key.File);
    FFace = face;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(Key.PixelSize));
    if (face->family_name) FFamily = face->family_name;
    const FT_Fixed yScale = face->size->metrics.y_scale;
    FAscent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    FDescent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        FAscent = static_cast<int>(std::ceil(static_cast<double>(os2->usWinAscent) * Key.PixelSize / face->units_per_EM));
        FDescent = static_cast<int>(std::ceil(static_cast<double>(os2->usWinDescent) * Key.PixelSize / face->units_per_EM));
    }
    FUnderlinePosition = std::max(1, Round26(-FT_MulFix(face->underline_position, yScale)));
    FLineThickness = std::max(1, Round26(FT_MulFix(face->underline_thickness, yScale)));
    FStrikeOutPosition = std::max(1, FAscent * 3 / 10);
    if (os2 && os2->yStrikeoutPosition > 0) FStrikeOutPosition = std::max(1, Round26(FT_MulFix(os2->yStrikeoutPosition, yScale)));
    if (os2 && os2->xAvgCharWidth > 0)
        FAveCharWidth = std::max(1, Round26(FT_MulFix(os2->xAvgCharWidth, face->size->metrics.x_scale)));
    if (Key.Oblique) {
        FT_Matrix shear{0x10000, 0x3333, 0, 0x10000}; // a slant of 0.2, as synthetic italics use
        FT_Set_Transform(face, &shear, nullptr);
    }
    FAsciiAdvance.fill(-1);
    // The face's box in pixels, slanted as the shear above slants it; a margin of an eighth of
    // the size and two pixels covers emboldening (a 24th of the size) and hinting.
    const double toPixels = static_cast<double>(Key.PixelSize) / std::max<int>(1, face->units_per_EM);
    double xMin = face->bbox.xMin * toPixels, xMax = face->bbox.xMax * toPixels;
    const double yMin = face->bbox.yMin * toPixels, yMax = face->bbox.yMax * toPixels;
    if (Key.Oblique) {
        xMin += 0.2 * std::min(0.0, yMin);
        xMax += 0.2 * std::max(0.0, yMax);
    }
    const int margin = Key.PixelSize / 8 + 2;
    FInk.Left = static_cast<int>(std::min(0.0, std::floor(xMin))) - margin;
    FInk.Right = static_cast<int>(std::max(0.0, std::ceil(xMax))) + margin;
    FInk.Top = std::max(static_cast<int>(std::ceil(yMax)), FAscent) + margin;
    FInk.Bottom = std::max(static_cast<int>(std::ceil(-yMin)), FDescent) + margin;
    if (FAveCharWidth == 0) FAveCharWidth = std::max(1, Advance(U'x'));
}

TFaceSize::~TFaceSize()
{
    FT_Done_Face(static_cast<FT_Face>(FFace));
}

int TFaceSize::GlyphCount() const
{
    return static_cast<int>(std::count_if(FAscii.begin(), FAscii.end(), [](const auto& G) { return G != nullptr; }) + FOthers.size());
}

std::unique_ptr<TGlyph> TFaceSize::Render(char32_t C)
{
    auto glyph = std::make_unique<TGlyph>();
    auto face = static_cast<FT_Face>(FFace);
    const FT_UInt index = FT_Get_Char_Index(face, C);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (FKey.Embolden) FT_GlyphSlot_Embolden(slot);
    glyph->Advance = Round26(slot->advance.x);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph->Left = slot->bitmap_left;
    glyph->Top = slot->bitmap_top;
    glyph->Width = static_cast<int>(bitmap.width);
    glyph->Height = static_cast<int>(bitmap.rows);
    glyph->Coverage.resize(static_cast<std::size_t>(glyph->Width) * glyph->Height);
    for (int y = 0; y < glyph->Height; ++y) {
        const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        std::copy_n(src, glyph->Width, glyph->Coverage.data() + static_cast<std::size_t>(y) * glyph->Width);
    }
    return glyph;
}

std::unique_ptr<TGlyph> TFaceSize::Cached(std::unique_ptr<TGlyph> Glyph)
{
    const std::size_t bytes = Glyph->Coverage.size();
    if (FCachedBytes + bytes > GlyphCacheBytes) {
        for (auto& glyph : FAscii) glyph.reset();
        FOthers.clear();
        FCachedBytes = 0;
        ++FGeneration;
    }
    FCachedBytes += bytes;
    return Glyph;
}

TFaceSize& FaceForFont(const TFont& Font)
{
    return Engine().Face(Font);
}

void StartFontEngine()
{
    Starter().Ahead();
}

std::string ResolvedFamily(const TFont& Font)
{
    return Engine().Match(Font).Family;
}

const std::vector<std::string>& FontFamilies()
{
    static const std::vector<std::string> families = [] {
        Engine(); // fontconfig's configuration, made once by the engine
        std::vector<std::string> names;
        TPatternGuard pattern{FcPatternCreate()};
        if (!pattern.Pattern) return names;
        FcPatternAddBool(pattern.Pattern, FC_SCALABLE, FcTrue);
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* set = FcFontList(nullptr, pattern.Pattern, objects);
        FcObjectSetDestroy(objects);
        if (!set) return names;
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
                names.emplace_back(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        return names;
    }();
    return families;
}

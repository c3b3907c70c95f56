// Blending glyph coverage into 32-bit pixels: a scalar loop and, where the machine has SSE2
// (every x86-64 does), four pixels at a time with the same results; eight with AVX2, chosen when
// the processor reports it.
#include "host/graphics/GlyphBlend.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

TPixel Blend(TPixel Dst, TPixel Src, unsigned A)
{
    const unsigned na = 255 - A;
    const unsigned r = (((Src >> 16) & 0xFF) * A + ((Dst >> 16) & 0xFF) * na + 127) / 255;
    const unsigned g = (((Src >> 8) & 0xFF) * A + ((Dst >> 8) & 0xFF) * na + 127) / 255;
    const unsigned b = ((Src & 0xFF) * A + (Dst & 0xFF) * na + 127) / 255;
    return 0xFF000000u | r << 16 | g << 8 | b;
}

} // namespace

void BlendRowScalar(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    for (int x = 0; x < Count; ++x) {
        const unsigned a = Coverage[x];
        if (a == 0) continue;
        Out[x] = a == 255 ? Color : Blend(Out[x], Color, a);
    }
}

void MakeBlendTable(TPixel Background, TPixel Color, TPixel* Table)
{
    Table[0] = Background;
    for (unsigned a = 1; a < 255; ++a) Table[a] = Blend(Background, Color, a);
    Table[255] = Color;
}

const TPixel* BlendTableFor(TPixel Background, TPixel Color)
{
    struct TCached {
        bool Made = false;
        TPixel Background = 0;
        TPixel Color = 0;
        TPixel Entries[256];
    };
    // Static storage, not the heap: drawing text allocates nothing.
    static thread_local TCached cache[8];
    static thread_local unsigned next = 0;
    for (TCached& table : cache)
        if (table.Made && table.Background == Background && table.Color == Color) return table.Entries;
    TCached& table = cache[next];
    next = (next + 1) % std::size(cache);
    MakeBlendTable(Background, Color, table.Entries);
    table.Made = true;
    table.Background = Background;
    table.Color = Color;
    return table.Entries;
}

void MapCoverageRowScalar(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table)
{
    for (int x = 0; x < Count; ++x) Out[x] = Table[Coverage[x]];
}

#if defined(__SSE2__)
namespace {

// Four pixels of Dst blended with the four coverage bytes of Four. Each channel is
// (S * A + D * (255 - A) + 127) / 255 in 16-bit lanes; the division by 255 is
// (t + 1 + (t >> 8)) >> 8, exact for every t up to 65,152. A pixel of coverage 0 keeps its
// value, alpha included; every other one becomes opaque.
inline __m128i BlendFour(__m128i Dst, std::uint32_t Four, __m128i Src)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i c255 = _mm_set1_epi16(255), c127 = _mm_set1_epi16(127), c1 = _mm_set1_epi16(1);
    const auto mix = [&](__m128i D, __m128i A) {
        __m128i t = _mm_add_epi16(_mm_mullo_epi16(Src, A), _mm_mullo_epi16(D, _mm_sub_epi16(c255, A)));
        t = _mm_add_epi16(t, c127);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, c1), _mm_srli_epi16(t, 8)), 8);
    };
    __m128i a = _mm_cvtsi32_si128(static_cast<int>(Four));
    a = _mm_unpacklo_epi8(a, a);
    a = _mm_unpacklo_epi16(a, a); // each coverage byte in all four bytes of its pixel
    const __m128i lo = mix(_mm_unpacklo_epi8(Dst, zero), _mm_unpacklo_epi8(a, zero));
    const __m128i hi = mix(_mm_unpackhi_epi8(Dst, zero), _mm_unpackhi_epi8(a, zero));
    const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    const __m128i keep = _mm_cmpeq_epi32(a, zero);
    return _mm_or_si128(_mm_and_si128(keep, Dst), _mm_andnot_si128(keep, blended));
}

// One channel step of BlendFour on sixteen 16-bit lanes. (A lambda would not take the target.)
__attribute__((target("avx2"))) inline __m256i MixSixteen(__m256i Src, __m256i D, __m256i A)
{
    __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(Src, A), _mm256_mullo_epi16(D, _mm256_sub_epi16(_mm256_set1_epi16(255), A)));
    t = _mm256_add_epi16(t, _mm256_set1_epi16(127));
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(t, _mm256_set1_epi16(1)), _mm256_srli_epi16(t, 8)), 8);
}

// The same for eight pixels: each 128-bit half blends four, as BlendFour does.
__attribute__((target("avx2"))) inline __m256i BlendEight(__m256i Dst, std::uint64_t Eight, __m256i Src)
{
    const __m256i zero = _mm256_setzero_si256();
    // Pixels 0-3 in the low half, 4-7 in the high one, each coverage byte in all four bytes.
    const __m256i a32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(Eight)));
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12,
                                            0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
    const __m256i a = _mm256_shuffle_epi8(a32, spread);
    const __m256i lo = MixSixteen(Src, _mm256_unpacklo_epi8(Dst, zero), _mm256_unpacklo_epi8(a, zero));
    const __m256i hi = MixSixteen(Src, _mm256_unpackhi_epi8(Dst, zero), _mm256_unpackhi_epi8(a, zero));
    const __m256i blended =
        _mm256_or_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    return _mm256_blendv_epi8(blended, Dst, _mm256_cmpeq_epi32(a32, zero));
}

} // namespace

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

void BlendRowSse2(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    const __m128i src = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(Color)), _mm_setzero_si128());
    int x = 0;
    for (; x + 4 <= Count; x += 4) {
        std::uint32_t four;
        std::memcpy(&four, Coverage + x, sizeof four);
        if (four == 0) continue;
        auto* at = reinterpret_cast<__m128i*>(Out + x);
        _mm_storeu_si128(at, BlendFour(_mm_loadu_si128(at), four, src));
    }
    // The last one to three pixels: the same step on a partly filled register.
    const int rest = Count - x;
    if (rest == 0) return;
    std::uint32_t four = 0;
    for (int i = 0; i < rest; ++i) four |= static_cast<std::uint32_t>(Coverage[x + i]) << (8 * i);
    if (four == 0) return;
    TPixel* out = Out + x;
    __m128i dst = _mm_cvtsi32_si128(static_cast<int>(out[0]));
    if (rest >= 2) dst = _mm_unpacklo_epi32(dst, _mm_cvtsi32_si128(static_cast<int>(out[1])));
    if (rest == 3) dst = _mm_unpacklo_epi64(dst, _mm_cvtsi32_si128(static_cast<int>(out[2])));
    const __m128i result = BlendFour(dst, four, src);
    out[0] = static_cast<TPixel>(_mm_cvtsi128_si32(result));
    if (rest >= 2) out[1] = static_cast<TPixel>(_mm_cvtsi128_si32(_mm_srli_si128(result, 4)));
    if (rest == 3) out[2] = static_cast<TPixel>(_mm_cvtsi128_si32(_mm_srli_si128(result, 8)));
}

__attribute__((target("avx2"))) void BlendRowAvx2(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    const __m256i src = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(Color)), _mm256_setzero_si256());
    int x = 0;
    for (; x + 8 <= Count; x += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, Coverage + x, sizeof eight);
        if (eight == 0) continue;
        auto* at = reinterpret_cast<__m256i*>(Out + x);
        _mm256_storeu_si256(at, BlendEight(_mm256_loadu_si256(at), eight, src));
    }
    if (x < Count) BlendRowSse2(Out + x, Coverage + x, Count - x, Color);
}

void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    if (HasAvx2())
        BlendRowAvx2(Out, Coverage, Count, Color);
    else
        BlendRowSse2(Out, Coverage, Count, Color);
}

void MapCoverageRowSse2(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table)
{
    const __m128i background = _mm_set1_epi32(static_cast<int>(Table[0]));
    int x = 0;
    for (; x + 4 <= Count; x += 4) {
        std::uint32_t four;
        std::memcpy(&four, Coverage + x, sizeof four);
        if (four == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + x), background);
            continue;
        }
        Out[x] = Table[Coverage[x]];
        Out[x + 1] = Table[Coverage[x + 1]];
        Out[x + 2] = Table[Coverage[x + 2]];
        Out[x + 3] = Table[Coverage[x + 3]];
    }
    for (; x < Count; ++x) Out[x] = Table[Coverage[x]];
}

__attribute__((target("avx2"))) void MapCoverageRowAvx2(TPixel* Out, const unsigned char* Coverage, int Count,
                                                        const TPixel* Table)
{
    const __m256i background = _mm256_set1_epi32(static_cast<int>(Table[0]));
    const auto* table = reinterpret_cast<const int*>(Table);
    int x = 0;
    for (; x + 8 <= Count; x += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, Coverage + x, sizeof eight);
        __m256i pixels = background;
        if (eight != 0)
            pixels = _mm256_i32gather_epi32(table, _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(eight))), 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out + x), pixels);
    }
    if (x < Count) MapCoverageRowSse2(Out + x, Coverage + x, Count - x, Table);
}

void MapCoverageRow(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table)
{
    if (HasAvx2())
        MapCoverageRowAvx2(Out, Coverage, Count, Table);
    else
        MapCoverageRowSse2(Out, Coverage, Count, Table);
}
#else
void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    BlendRowScalar(Out, Coverage, Count, Color);
}

void MapCoverageRow(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table)
{
    MapCoverageRowScalar(Out, Coverage, Count, Table);
}
#endif

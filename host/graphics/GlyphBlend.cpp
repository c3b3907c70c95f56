// Blending glyph coverage into 32-bit pixels: a scalar loop and, where the machine has SSE2
// (every x86-64 does), four pixels at a time with the same results.
#include "host/graphics/GlyphBlend.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
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

} // namespace

void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
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
#else
void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    BlendRowScalar(Out, Coverage, Count, Color);
}
#endif

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
// The same pixels four at a time. Each channel is (S * A + D * (255 - A) + 127) / 255 in 16-bit
// lanes; the division by 255 is (t + 1 + (t >> 8)) >> 8, exact for every t up to 65,152. A
// pixel of coverage 0 keeps its value, alpha included; every other one becomes opaque.
void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i src = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(Color)), zero);
    const __m128i c255 = _mm_set1_epi16(255), c127 = _mm_set1_epi16(127), c1 = _mm_set1_epi16(1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const auto mix = [&](__m128i Dst, __m128i A) {
        __m128i t = _mm_add_epi16(_mm_mullo_epi16(src, A), _mm_mullo_epi16(Dst, _mm_sub_epi16(c255, A)));
        t = _mm_add_epi16(t, c127);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, c1), _mm_srli_epi16(t, 8)), 8);
    };
    int x = 0;
    for (; x + 4 <= Count; x += 4) {
        std::uint32_t four;
        std::memcpy(&four, Coverage + x, sizeof four);
        if (four == 0) continue;
        auto* at = reinterpret_cast<__m128i*>(Out + x);
        const __m128i dst = _mm_loadu_si128(at);
        __m128i a = _mm_cvtsi32_si128(static_cast<int>(four));
        a = _mm_unpacklo_epi8(a, a);
        a = _mm_unpacklo_epi16(a, a); // each coverage byte in all four bytes of its pixel
        const __m128i lo = mix(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi8(a, zero));
        const __m128i hi = mix(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi8(a, zero));
        const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), opaque);
        const __m128i keep = _mm_cmpeq_epi32(a, zero);
        _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(keep, dst), _mm_andnot_si128(keep, blended)));
    }
    BlendRowScalar(Out + x, Coverage + x, Count - x, Color);
}
#else
void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color)
{
    BlendRowScalar(Out, Coverage, Count, Color);
}
#endif

#include "host/streaming/ValueTags.h"

namespace {

bool IsValidUtf8(std::string_view S)
{
    for (std::size_t i = 0; i < S.size();) {
        const auto c = static_cast<unsigned char>(S[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > S.size()) return false;
        std::uint32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(S[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values beyond the last code point are no UTF-8.
        static constexpr std::uint32_t MinOf[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < MinOf[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

} // namespace

bool IsValueTag(TValueType Value)
{
    return Value <= vaCollection || Value == vaCurrency || Value == vaDate || Value == vaInt64 || Value == vaUTF8String;
}

TValueType StringValueType(std::string_view S)
{
    bool ascii = true;
    for (char c : S)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (!ascii && IsValidUtf8(S)) return vaUTF8String;
    return S.size() <= 255 ? vaString : vaLString;
}

TValueType IntegerValueType(std::int64_t Value)
{
    if (Value >= INT8_MIN && Value <= INT8_MAX) return vaInt8;
    if (Value >= INT16_MIN && Value <= INT16_MAX) return vaInt16;
    if (Value >= INT32_MIN && Value <= INT32_MAX) return vaInt32;
    return vaInt64;
}

#include "host/graphics/TextCodec.h"

char32_t DecodeSequenceAt(std::string_view Text, std::size_t& Pos)
{
    const auto* p = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t n = Text.size();
    const std::size_t i = Pos;
    const unsigned char c = p[i];
    int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (c >= 0xF5) length = 0;
    char32_t code = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
    bool valid = length > 0 && i + length <= n;
    for (int k = 1; valid && k < length; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) valid = false;
        code = code << 6 | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (valid && ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
                  (code >= 0xD800 && code <= 0xDFFF)))
        valid = false;
    if (!valid) {
        Pos = i + 1;
        return c;
    }
    Pos = i + static_cast<std::size_t>(length);
    return code;
}

void DecodeText(std::string_view Text, std::u32string& Out)
{
    Out.clear();
    Out.reserve(Text.size());
    std::size_t i = 0;
    while (i < Text.size()) Out.push_back(DecodeAt(Text, i));
}

std::size_t PriorCharStart(std::string_view Text, std::size_t Pos)
{
    const auto isContinuation = [&](std::size_t I) { return (static_cast<unsigned char>(Text[I]) & 0xC0) == 0x80; };
    if (!isContinuation(Pos - 1)) return Pos - 1;
    // A continuation byte belongs to the sequence of the nearest byte before it that starts
    // one, when that sequence is valid and ends exactly at Pos; otherwise it stands alone.
    std::size_t lead = Pos - 1;
    while (lead > 0 && Pos - lead < 4 && isContinuation(lead)) --lead;
    if (isContinuation(lead)) return Pos - 1;
    std::size_t end = lead;
    DecodeAt(Text, end);
    return end == Pos ? lead : Pos - 1;
}

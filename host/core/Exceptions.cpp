#include "host/core/Exceptions.h"

#include <cstdint>

void ListIndexError(int Index)
{
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

namespace {

// The length of the printable UTF-8 sequence that starts at S[I], or 0 when the bytes there form
// none (a stray or truncated byte, an overlong form, a surrogate, a C1 control character).
std::size_t PrintableSequence(std::string_view S, std::size_t I)
{
    const auto c = static_cast<unsigned char>(S[I]);
    if (c < 0x80) return c >= 0x20 && c != 0x7F ? 1 : 0;
    const std::size_t length = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || I + length > S.size()) return 0;
    std::uint32_t code = c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto cc = static_cast<unsigned char>(S[I + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        code = (code << 6) | (cc & 0x3F);
    }
    static constexpr std::uint32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code < 0xA0) return 0;
    return length;
}

} // namespace

std::string PrintableText(std::string_view Bytes)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(Bytes.size());
    for (std::size_t i = 0; i < Bytes.size();) {
        if (const std::size_t length = PrintableSequence(Bytes, i)) {
            text.append(Bytes.substr(i, length));
            i += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(Bytes[i++]);
        text += "\\x";
        text += Hex[byte >> 4];
        text += Hex[byte & 15];
    }
    return text;
}

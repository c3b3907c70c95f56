#pragma once
// Decoding of the host's 8-bit strings for text output: UTF-8 where the bytes form it, and
// every byte that does not as its Latin-1 character, so no text is ever lost or refused.
//
// Every byte outside 0x80..0xBF starts a character, whatever stands before it, so a character's
// reading depends only on its own few bytes: text can be read from any such byte on, or
// backwards from any character boundary, with the same result as reading it whole.
#include <cstddef>
#include <string>
#include <string_view>

void DecodeText(std::string_view Text, std::u32string& Out);

// The multi-byte (or Latin-1) case of DecodeAt.
char32_t DecodeSequenceAt(std::string_view Text, std::size_t& Pos);

// The character that starts at Pos (a character boundary below Text.size()); moves Pos past it.
inline char32_t DecodeAt(std::string_view Text, std::size_t& Pos)
{
    const auto c = static_cast<unsigned char>(Text[Pos]);
    if (c < 0x80) {
        ++Pos;
        return c;
    }
    return DecodeSequenceAt(Text, Pos);
}

// The start of the character that ends at Pos (a character boundary above 0).
std::size_t PriorCharStart(std::string_view Text, std::size_t Pos);

#pragma once
// Long text for the benchmarks of text that runs far past what shows.
#include <cstddef>
#include <string>

namespace PaintBench {

// Words with a few two- and three-byte characters, as a field of a text file holds them, cut to
// at most Bytes on a character boundary.
inline std::string LongWords(std::size_t Bytes)
{
    static const std::string words = "Größe 12.50 € the quick brown fox, jumps over; ";
    std::string text;
    text.reserve(Bytes + words.size());
    while (text.size() < Bytes) text += words;
    std::size_t end = Bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

} // namespace PaintBench

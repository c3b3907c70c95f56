#pragma once
// Small valid bitmap files of every depth and header the reader knows, for the robustness test
// and as the seed corpus of the bitmap fuzz target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TBmpSample {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

namespace BmpSampleDetail {

inline void Put16(std::vector<std::uint8_t>& B, std::size_t At, std::uint32_t V)
{
    B[At] = V & 0xFF;
    B[At + 1] = (V >> 8) & 0xFF;
}

inline void Put32(std::vector<std::uint8_t>& B, std::size_t At, std::uint32_t V)
{
    for (int i = 0; i < 4; ++i) B[At + i] = (V >> (8 * i)) & 0xFF;
}

// A Width x |Height| bitmap at Bpp bits with a pattern of pixel values: an info header of
// HeaderSize bytes (12, 40 or 108), a full palette for 8 bits or less, the three colour masks
// when BitFields, and the 14-byte file header when FileHeader.
inline std::vector<std::uint8_t> Make(int Width, int Height, int Bpp, std::uint32_t HeaderSize, bool BitFields, bool FileHeader)
{
    const bool core = HeaderSize == 12;
    const std::size_t rows = static_cast<std::size_t>(Height < 0 ? -Height : Height);
    const std::size_t rowBytes = ((static_cast<std::size_t>(Width) * Bpp + 31) / 32) * 4;
    const std::size_t colors = Bpp <= 8 ? std::size_t{1} << Bpp : 0;
    const std::size_t entry = core ? 3 : 4;
    const std::size_t dib = FileHeader ? 14 : 0;
    const std::size_t masks = BitFields && HeaderSize == 40 ? 12 : 0;
    const std::size_t offset = dib + HeaderSize + masks + colors * entry;
    std::vector<std::uint8_t> b(offset + rowBytes * rows, 0);
    if (FileHeader) {
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 2, static_cast<std::uint32_t>(b.size()));
        Put32(b, 10, static_cast<std::uint32_t>(offset));
    }
    Put32(b, dib, HeaderSize);
    if (core) {
        Put16(b, dib + 4, static_cast<std::uint32_t>(Width));
        Put16(b, dib + 6, static_cast<std::uint32_t>(Height));
        Put16(b, dib + 8, 1);
        Put16(b, dib + 10, static_cast<std::uint32_t>(Bpp));
    } else {
        Put32(b, dib + 4, static_cast<std::uint32_t>(Width));
        Put32(b, dib + 8, static_cast<std::uint32_t>(Height));
        Put16(b, dib + 12, 1);
        Put16(b, dib + 14, static_cast<std::uint32_t>(Bpp));
        Put32(b, dib + 16, BitFields ? 3 : 0);
        Put32(b, dib + 20, static_cast<std::uint32_t>(rowBytes * rows));
        Put32(b, dib + 32, static_cast<std::uint32_t>(colors));
    }
    if (BitFields) {
        const std::size_t at = dib + 40;
        const bool wide = Bpp == 32;
        Put32(b, at, wide ? 0x00FF0000 : 0xF800);
        Put32(b, at + 4, wide ? 0x0000FF00 : 0x07E0);
        Put32(b, at + 8, wide ? 0x000000FF : 0x001F);
    }
    for (std::size_t i = 0; i < colors; ++i) {
        const std::size_t at = dib + HeaderSize + masks + i * entry;
        b[at] = static_cast<std::uint8_t>(i * 37);
        b[at + 1] = static_cast<std::uint8_t>(i * 91);
        b[at + 2] = static_cast<std::uint8_t>(255 - i);
    }
    for (std::size_t i = offset; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 29 + 3);
    return b;
}

} // namespace BmpSampleDetail

// One valid file per depth (1, 4, 8, 16, 24, 32), plus bit fields, a top-down and a core
// header variant and a bare device-independent bitmap.
inline std::vector<TBmpSample> BmpSamples()
{
    using BmpSampleDetail::Make;
    return {
        {"mono", Make(13, 5, 1, 40, false, true)},
        {"nibble", Make(7, 4, 4, 40, false, true)},
        {"byte", Make(6, 3, 8, 40, false, true)},
        {"rgb555", Make(5, 3, 16, 40, false, true)},
        {"rgb565", Make(5, 3, 16, 40, true, true)},
        {"rgb", Make(5, 4, 24, 40, false, true)},
        {"rgbx", Make(4, 3, 32, 40, false, true)},
        {"rgbx-fields-v4", Make(3, 3, 32, 108, true, true)},
        {"top-down", Make(5, -4, 24, 40, false, true)},
        {"core-byte", Make(6, 3, 8, 12, false, true)},
        {"bare-nibble", Make(9, 2, 4, 40, false, false)},
    };
}

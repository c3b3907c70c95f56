#include "host/graphics/BmpReader.h"

#include <bit>
#include <string>

#include "host/graphics/Bitmap.h"

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
// Larger images are refused rather than allocated: no glyph or form bitmap comes near.
constexpr std::int64_t MaxPixels = 64 * 1024 * 1024;

[[noreturn]] void Fail(const std::string& What)
{
    throw EInvalidGraphic("Bitmap image is not valid: " + What);
}

std::uint32_t U16(const std::uint8_t* P) { return P[0] | P[1] << 8; }
std::uint32_t U32(const std::uint8_t* P) { return P[0] | P[1] << 8 | P[2] << 16 | static_cast<std::uint32_t>(P[3]) << 24; }

// One channel of a bit-field pixel scaled to 8 bits; a zero mask gives Missing. The scale is the
// mask's span, so a mask with gaps still gives at most 255 and never spills into the next channel.
std::uint32_t Channel(std::uint32_t Value, std::uint32_t Mask, std::uint32_t Missing)
{
    if (Mask == 0) return Missing;
    const int shift = std::countr_zero(Mask);
    const std::uint32_t max = Mask >> shift;
    const std::uint32_t v = (Value & Mask) >> shift;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
}

} // namespace

TDecodedBitmap DecodeBMP(const std::uint8_t* Data, std::size_t Size)
{
    if (!Data || Size < 12) Fail("too short");
    std::size_t dib = 0;
    std::size_t bitsOffset = 0;
    const bool hasFileHeader = Data[0] == 'B' && Data[1] == 'M';
    if (hasFileHeader) {
        if (Size < FileHeaderSize + 12) Fail("too short");
        dib = FileHeaderSize;
        bitsOffset = U32(Data + 10);
    }
    const std::uint32_t headerSize = U32(Data + dib);
    if (headerSize != 12 && headerSize < 40) Fail("unknown header size " + std::to_string(headerSize));
    if (headerSize > Size - dib) Fail("header extends past the end");

    std::int64_t width, height;
    std::uint32_t bpp, compression = BI_RGB, colorsUsed = 0;
    std::size_t paletteEntrySize;
    if (headerSize == 12) {
        width = U16(Data + dib + 4);
        height = static_cast<std::int16_t>(U16(Data + dib + 6));
        bpp = U16(Data + dib + 10);
        paletteEntrySize = 3;
    } else {
        width = static_cast<std::int32_t>(U32(Data + dib + 4));
        height = static_cast<std::int32_t>(U32(Data + dib + 8));
        bpp = U16(Data + dib + 14);
        compression = U32(Data + dib + 16);
        colorsUsed = U32(Data + dib + 32);
        paletteEntrySize = 4;
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) Fail("empty or negative size");
    if (width * height > MaxPixels) Fail("too large");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Fail("unsupported bit count " + std::to_string(bpp));
    if (compression == BI_RLE4 || compression == BI_RLE8) Fail("run-length compression is not supported");
    if (compression != BI_RGB && compression != BI_BITFIELDS) Fail("unsupported compression " + std::to_string(compression));
    if (compression == BI_BITFIELDS && bpp != 16 && bpp != 32) Fail("bit fields need 16 or 32 bits");

    // Colour masks: in the header from version 4 on, else right after a 40-byte header.
    std::uint32_t maskR = 0x00FF0000, maskG = 0x0000FF00, maskB = 0x000000FF;
    if (bpp == 16) maskR = 0x7C00, maskG = 0x03E0, maskB = 0x001F;
    std::size_t tableOffset = dib + headerSize;
    if (compression == BI_BITFIELDS) {
        const std::size_t masks = headerSize >= 52 ? dib + 40 : tableOffset;
        if (masks + 12 > Size) Fail("colour masks extend past the end");
        maskR = U32(Data + masks), maskG = U32(Data + masks + 4), maskB = U32(Data + masks + 8);
        if (headerSize == 40) tableOffset += 12;
    }

    std::vector<TPixel> palette;
    if (bpp <= 8) {
        const std::uint32_t maxColors = 1u << bpp;
        const std::uint32_t count = colorsUsed == 0 ? maxColors : colorsUsed;
        if (count > maxColors) Fail("palette of " + std::to_string(count) + " colours for " + std::to_string(bpp) + " bits");
        if (tableOffset + count * paletteEntrySize > Size) Fail("palette extends past the end");
        palette.resize(maxColors, 0xFF000000u);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* p = Data + tableOffset + i * paletteEntrySize;
            palette[i] = 0xFF000000u | static_cast<TPixel>(p[2]) << 16 | static_cast<TPixel>(p[1]) << 8 | p[0];
        }
        tableOffset += count * paletteEntrySize;
    }
    if (!hasFileHeader) bitsOffset = tableOffset;
    if (bitsOffset < dib + headerSize) Fail("pixel data overlaps the header");

    const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
    if (bitsOffset > Size || rowBytes * static_cast<std::size_t>(height) > Size - bitsOffset)
        Fail("pixel data extends past the end");

    TDecodedBitmap out;
    out.Width = static_cast<int>(width);
    out.Height = static_cast<int>(height);
    out.Pixels.resize(static_cast<std::size_t>(width * height));
    for (int y = 0; y < out.Height; ++y) {
        const std::uint8_t* row = Data + bitsOffset + rowBytes * static_cast<std::size_t>(topDown ? y : out.Height - 1 - y);
        TPixel* dst = out.Pixels.data() + static_cast<std::size_t>(y) * out.Width;
        for (int x = 0; x < out.Width; ++x) {
            switch (bpp) {
            case 1: dst[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: dst[x] = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
            case 8: dst[x] = palette[row[x]]; break;
            case 24: dst[x] = 0xFF000000u | static_cast<TPixel>(row[x * 3 + 2]) << 16 | static_cast<TPixel>(row[x * 3 + 1]) << 8 | row[x * 3]; break;
            default: {
                const std::uint32_t v = bpp == 16 ? U16(row + x * 2) : U32(row + x * 4);
                dst[x] = 0xFF000000u | Channel(v, maskR, 0) << 16 | Channel(v, maskG, 0) << 8 | Channel(v, maskB, 0);
            }
            }
        }
    }
    return out;
}

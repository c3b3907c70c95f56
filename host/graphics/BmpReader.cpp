#include "host/graphics/BmpReader.h"

#include <algorithm>
#include <bit>
#include <string>

#include "host/core/Types.h"
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

namespace {

// What the headers say: the image's size and format and where its parts lie. Everything but the
// colour masks and the palette entries comes from the first DIB header.
struct TBmpLayout {
    std::size_t Dib = 0;
    std::uint32_t HeaderSize = 0;
    bool HasFileHeader = false;
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    bool TopDown = false;
    std::uint32_t Bpp = 0;
    std::uint32_t Compression = BI_RGB;
    std::size_t PaletteEntrySize = 4;
    std::uint32_t PaletteCount = 0;
    std::size_t MasksOffset = 0;
    std::size_t TableOffset = 0;
    std::size_t BitsOffset = 0;
    std::size_t RowBytes = 0;
    // One past the last byte the image needs.
    std::uint64_t End() const
    {
        return std::max<std::uint64_t>(BitsOffset + std::uint64_t{RowBytes} * static_cast<std::uint64_t>(Height),
                                       TableOffset);
    }
};

// Reads the headers; Size must cover the file header and the whole DIB header.
TBmpLayout ParseLayout(const std::uint8_t* Data, std::size_t Size)
{
    TBmpLayout l;
    if (!Data || Size < 12) Fail("too short");
    l.HasFileHeader = Data[0] == 'B' && Data[1] == 'M';
    if (l.HasFileHeader) {
        if (Size < FileHeaderSize + 12) Fail("too short");
        l.Dib = FileHeaderSize;
        l.BitsOffset = U32(Data + 10);
    }
    l.HeaderSize = U32(Data + l.Dib);
    if (l.HeaderSize != 12 && l.HeaderSize < 40) Fail("unknown header size " + std::to_string(l.HeaderSize));
    if (l.HeaderSize > Size - l.Dib) Fail("header extends past the end");

    const std::uint8_t* h = Data + l.Dib;
    std::uint32_t colorsUsed = 0;
    if (l.HeaderSize == 12) {
        l.Width = U16(h + 4);
        l.Height = static_cast<std::int16_t>(U16(h + 6));
        l.Bpp = U16(h + 10);
        l.PaletteEntrySize = 3;
    } else {
        l.Width = static_cast<std::int32_t>(U32(h + 4));
        l.Height = static_cast<std::int32_t>(U32(h + 8));
        l.Bpp = U16(h + 14);
        l.Compression = U32(h + 16);
        colorsUsed = U32(h + 32);
    }
    l.TopDown = l.Height < 0;
    if (l.TopDown) l.Height = -l.Height;
    if (l.Width <= 0 || l.Height <= 0) Fail("empty or negative size");
    if (l.Width > MaxWindowSize || l.Height > MaxWindowSize || l.Width * l.Height > MaxPixels) Fail("too large");
    if (l.Bpp != 1 && l.Bpp != 4 && l.Bpp != 8 && l.Bpp != 16 && l.Bpp != 24 && l.Bpp != 32)
        Fail("unsupported bit count " + std::to_string(l.Bpp));
    if (l.Compression == BI_RLE4 || l.Compression == BI_RLE8) Fail("run-length compression is not supported");
    if (l.Compression != BI_RGB && l.Compression != BI_BITFIELDS) Fail("unsupported compression " + std::to_string(l.Compression));
    if (l.Compression == BI_BITFIELDS && l.Bpp != 16 && l.Bpp != 32) Fail("bit fields need 16 or 32 bits");

    // Colour masks: in the header from version 4 on, else right after a 40-byte header.
    l.TableOffset = l.Dib + l.HeaderSize;
    if (l.Compression == BI_BITFIELDS) {
        l.MasksOffset = l.HeaderSize >= 52 ? l.Dib + 40 : l.TableOffset;
        if (l.HeaderSize == 40) l.TableOffset += 12;
    }
    if (l.Bpp <= 8) {
        const std::uint32_t maxColors = 1u << l.Bpp;
        l.PaletteCount = colorsUsed == 0 ? maxColors : colorsUsed;
        if (l.PaletteCount > maxColors)
            Fail("palette of " + std::to_string(l.PaletteCount) + " colours for " + std::to_string(l.Bpp) + " bits");
    }
    const std::size_t tableEnd = l.TableOffset + l.PaletteCount * l.PaletteEntrySize;
    if (!l.HasFileHeader) l.BitsOffset = tableEnd;
    if (l.BitsOffset < l.Dib + l.HeaderSize) Fail("pixel data overlaps the header");
    l.RowBytes = ((static_cast<std::size_t>(l.Width) * l.Bpp + 31) / 32) * 4;
    l.TableOffset = tableEnd;
    return l;
}

} // namespace

std::uint64_t BmpBytesNeeded(const std::uint8_t* Data, std::size_t Size)
{
    if (!Data || Size < 2) return FileHeaderSize + 4;
    const std::size_t dib = Data[0] == 'B' && Data[1] == 'M' ? FileHeaderSize : 0;
    if (Size < dib + 4) return dib + 4;
    const std::uint64_t headers = std::uint64_t{dib} + std::max<std::uint32_t>(U32(Data + dib), 12) + 12;
    if (Size < headers) return headers;
    return ParseLayout(Data, Size).End();
}

TDecodedBitmap DecodeBMP(const std::uint8_t* Data, std::size_t Size)
{
    const TBmpLayout l = ParseLayout(Data, Size);
    const std::int64_t width = l.Width, height = l.Height;
    const std::uint32_t bpp = l.Bpp;
    const bool topDown = l.TopDown;

    std::uint32_t maskR = 0x00FF0000, maskG = 0x0000FF00, maskB = 0x000000FF;
    if (bpp == 16) maskR = 0x7C00, maskG = 0x03E0, maskB = 0x001F;
    if (l.Compression == BI_BITFIELDS) {
        if (l.MasksOffset + 12 > Size) Fail("colour masks extend past the end");
        maskR = U32(Data + l.MasksOffset), maskG = U32(Data + l.MasksOffset + 4), maskB = U32(Data + l.MasksOffset + 8);
    }

    std::vector<TPixel> palette;
    if (bpp <= 8) {
        if (l.TableOffset > Size) Fail("palette extends past the end");
        palette.resize(std::size_t{1} << bpp, 0xFF000000u);
        const std::size_t first = l.TableOffset - l.PaletteCount * l.PaletteEntrySize;
        for (std::uint32_t i = 0; i < l.PaletteCount; ++i) {
            const std::uint8_t* p = Data + first + i * l.PaletteEntrySize;
            palette[i] = 0xFF000000u | static_cast<TPixel>(p[2]) << 16 | static_cast<TPixel>(p[1]) << 8 | p[0];
        }
    }

    const std::size_t rowBytes = l.RowBytes, bitsOffset = l.BitsOffset;
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

#pragma once
// Decoding of the Windows bitmap format into 32-bit pixels.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/graphics/Color.h"

struct TDecodedBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<TPixel> Pixels; // rows top to bottom, opaque
};

// Reads a bitmap file ("BM" header) or a bare device-independent bitmap (info header first),
// of 1, 4, 8, 16, 24 or 32 bits, uncompressed or with bit fields. Every size and offset is
// checked; malformed or unsupported data raises EInvalidGraphic saying what is wrong.
TDecodedBitmap DecodeBMP(const std::uint8_t* Data, std::size_t Size);

// How many bytes from the start the bitmap in Data needs, as far as the Size bytes there tell:
// the headers' end while they are incomplete, then the end of its pixel data. A reader reads
// up to that and asks again; headers that are malformed or announce an image larger than a
// window can be raise EInvalidGraphic.
std::uint64_t BmpBytesNeeded(const std::uint8_t* Data, std::size_t Size);

#pragma once
// PNG export of any 32-bit surface (bitmaps, window captures).
#include <string>

#include "host/graphics/Color.h"

// Writes Width x Height pixels, rows Stride pixels apart, as an opaque RGB PNG file.
// EInvalidGraphic when the file cannot be written or the size is not positive.
void SaveSurfaceToPNG(const std::string& FileName, const TPixel* Bits, int Width, int Height, int Stride);

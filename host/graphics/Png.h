#pragma once
// PNG export of any 32-bit surface (bitmaps, window captures).
#include <string>

#include "host/graphics/Color.h"

// Writes Width x Height pixels, rows Stride pixels apart, as an opaque RGB PNG file.
// EInvalidGraphic when the file cannot be written or the size is not positive.
void SaveSurfaceToPNG(const std::string& FileName, const TPixel* Bits, int Width, int Height, int Stride);

class TBitmap;
// Reads a PNG file into Bitmap (opaque pixels; alpha is dropped). EInvalidGraphic when the file
// is missing, not a PNG or larger than a window may be (16,384 pixels each way).
void LoadPNGFile(const std::string& FileName, TBitmap& Bitmap);

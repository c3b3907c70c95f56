#pragma once
// Blending one row of a glyph's coverage mask into pixels in a solid colour: coverage 0 leaves a
// pixel as it is, 255 writes Color, anything between mixes the two, rounded to nearest; every
// pixel written becomes opaque.
#include "host/graphics/Color.h"

// One pixel at a time; the reference.
void BlendRowScalar(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color);
// The whole row at once where the machine allows (SSE2), the scalar loop elsewhere; the same
// pixels either way.
void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color);

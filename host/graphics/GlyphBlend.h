#pragma once
// Blending one row of a glyph's coverage mask into pixels in a solid colour: coverage 0 leaves a
// pixel as it is, 255 writes Color, anything between mixes the two, rounded to nearest; every
// pixel written becomes opaque.
#include "host/graphics/Color.h"

// One pixel at a time; the reference.
void BlendRowScalar(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color);
// The whole row at once where the machine allows (AVX2 when the processor has it, else SSE2),
// the scalar loop elsewhere; the same pixels either way.
void BlendRow(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color);

// Text over a known background: entry A of a colour pair's table is what BlendRow makes of a
// Background pixel at coverage A (entry 0 is Background, entry 255 Color). Writing Table[A]
// covers a pixel and draws its glyph in one store, with no read of the pixel.
void MakeBlendTable(TPixel Background, TPixel Color, TPixel* Table);
// The table of a pair from a small cache of this thread's last pairs (striped rows switch the
// background every row); valid until the next call.
const TPixel* BlendTableFor(TPixel Background, TPixel Color);
// Out[i] = Table[Coverage[i]]; the reference loop and the widest the machine has (AVX2 gathers,
// SSE2 stores of the background where four coverages are 0).
void MapCoverageRowScalar(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table);
void MapCoverageRow(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table);

// The vector paths the two dispatchers above choose between, so that tests hold each of them to
// the scalar loop. The AVX2 ones may be called only where HasAvx2() answers true.
#if defined(__SSE2__)
#define ZEL_BLEND_VECTOR 1
bool HasAvx2();
void BlendRowSse2(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color);
void BlendRowAvx2(TPixel* Out, const unsigned char* Coverage, int Count, TPixel Color);
void MapCoverageRowSse2(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table);
void MapCoverageRowAvx2(TPixel* Out, const unsigned char* Coverage, int Count, const TPixel* Table);
#endif

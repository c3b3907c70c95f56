// The whole-row glyph blending gives exactly the pixels of the one-at-a-time loop.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "host/graphics/GlyphBlend.h"

TEST(GlyphBlendTest, RowBlendingMatchesThePixelLoopForEveryCoverageAndLength)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<unsigned> byte(0, 255);
    const TPixel colours[] = {0xFF000000u, 0xFFFFFFFFu, 0xFF12AB7Fu, 0xFFFDFFFFu};
    for (TPixel colour : colours) {
        for (int length = 0; length <= 37; ++length) {
            for (int round = 0; round < 40; ++round) {
                std::vector<unsigned char> coverage(static_cast<std::size_t>(length));
                // Runs of the special values 0 and 255 as well as everything between.
                for (auto& c : coverage) {
                    const unsigned kind = byte(random) % 4;
                    c = static_cast<unsigned char>(kind == 0 ? 0 : kind == 1 ? 255 : byte(random));
                }
                std::vector<TPixel> expected(static_cast<std::size_t>(length));
                // Destinations of any alpha: coverage 0 must leave even a transparent pixel alone.
                for (auto& p : expected) p = byte(random) << 24 | byte(random) << 16 | byte(random) << 8 | byte(random);
                std::vector<TPixel> actual = expected;
                BlendRowScalar(expected.data(), coverage.data(), length, colour);
                BlendRow(actual.data(), coverage.data(), length, colour);
                ASSERT_EQ(actual, expected) << "length " << length << ", colour " << std::hex << colour;
            }
        }
    }
    // Every coverage against every destination level of one channel.
    std::vector<unsigned char> coverage(256);
    for (int a = 0; a < 256; ++a) coverage[static_cast<std::size_t>(a)] = static_cast<unsigned char>(a);
    for (unsigned d = 0; d < 256; ++d) {
        std::vector<TPixel> expected(256, 0xFF000000u | d << 16 | (255 - d) << 8 | d);
        std::vector<TPixel> actual = expected;
        BlendRowScalar(expected.data(), coverage.data(), 256, 0xFF8040C0u);
        BlendRow(actual.data(), coverage.data(), 256, 0xFF8040C0u);
        ASSERT_EQ(actual, expected) << d;
    }
}

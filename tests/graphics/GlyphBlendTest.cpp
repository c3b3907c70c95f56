// The whole-row glyph blending and the blend tables give exactly the pixels of the one-at-a-time
// loop.
#include <gtest/gtest.h>

#include <algorithm>
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

// Each vector path the dispatch may take (AVX2 only where the processor has it), and text over a
// known background written through a colour pair's table, against the pixel loop.
TEST(GlyphBlendTest, EveryVectorPathAndTheBlendTableMatchThePixelLoop)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<unsigned> byte(0, 255);
    const auto coverageOf = [&](int Length) {
        std::vector<unsigned char> coverage(static_cast<std::size_t>(Length));
        for (auto& c : coverage) {
            const unsigned kind = byte(random) % 4;
            c = static_cast<unsigned char>(kind == 0 ? 0 : kind == 1 ? 255 : byte(random));
        }
        return coverage;
    };
    const TPixel colours[] = {0xFF000000u, 0xFFFFFFFFu, 0xFF12AB7Fu, 0xFFFDFFFFu};
    std::vector<TPixel> table(256);
    for (TPixel colour : colours) {
        for (TPixel background : colours) {
            MakeBlendTable(background, colour, table.data());
            // Every entry is what blending that coverage over the background gives.
            std::vector<unsigned char> every(256);
            for (int a = 0; a < 256; ++a) every[static_cast<std::size_t>(a)] = static_cast<unsigned char>(a);
            std::vector<TPixel> blended(256, background);
            BlendRowScalar(blended.data(), every.data(), 256, colour);
            ASSERT_EQ(table, blended) << std::hex << colour << " over " << background;
            ASSERT_TRUE(std::equal(table.begin(), table.end(), BlendTableFor(background, colour)));
        }
        for (int length = 0; length <= 41; ++length) {
            for (int round = 0; round < 20; ++round) {
                const std::vector<unsigned char> coverage = coverageOf(length);
                std::vector<TPixel> expected(static_cast<std::size_t>(length));
                for (auto& p : expected) p = byte(random) << 24 | byte(random) << 16 | byte(random) << 8 | byte(random);
                const std::vector<TPixel> before = expected;
                BlendRowScalar(expected.data(), coverage.data(), length, colour);
                std::vector<TPixel> mapped(static_cast<std::size_t>(length)), mappedExpected(mapped.size());
                MapCoverageRowScalar(mappedExpected.data(), coverage.data(), length, table.data());
#if defined(ZEL_BLEND_VECTOR)
                std::vector<TPixel> actual = before;
                BlendRowSse2(actual.data(), coverage.data(), length, colour);
                ASSERT_EQ(actual, expected) << "SSE2, length " << length;
                MapCoverageRowSse2(mapped.data(), coverage.data(), length, table.data());
                ASSERT_EQ(mapped, mappedExpected) << "SSE2 map, length " << length;
                if (HasAvx2()) {
                    actual = before;
                    BlendRowAvx2(actual.data(), coverage.data(), length, colour);
                    ASSERT_EQ(actual, expected) << "AVX2, length " << length;
                    MapCoverageRowAvx2(mapped.data(), coverage.data(), length, table.data());
                    ASSERT_EQ(mapped, mappedExpected) << "AVX2 map, length " << length;
                }
#endif
                MapCoverageRow(mapped.data(), coverage.data(), length, table.data());
                ASSERT_EQ(mapped, mappedExpected) << "map, length " << length;
            }
        }
    }
}

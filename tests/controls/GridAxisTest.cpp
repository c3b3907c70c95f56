#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "host/controls/GridAxis.h"
#include "host/core/Exceptions.h"

namespace {

// The same axis kept as a plain array: the reference the sparse axis must agree with.
struct TDenseAxis {
    std::vector<int> Sizes;
    std::vector<bool> Own; // written with a size other than the default of that moment
    int Line;
    std::int64_t Extent(int I) const { return Sizes[I] > 0 ? Sizes[I] + Line : 0; }
    std::int64_t Position(int I) const
    {
        std::int64_t p = 0;
        for (int k = 0; k < I; ++k) p += Extent(k);
        return p;
    }
    int IndexAt(std::int64_t Offset) const
    {
        std::int64_t p = 0;
        for (int k = 0; k < static_cast<int>(Sizes.size()); ++k) {
            if (Offset >= p && Offset < p + Extent(k)) return k;
            p += Extent(k);
        }
        return -1;
    }
};

void ExpectSame(const TGridAxis& Axis, const TDenseAxis& Dense)
{
    const int n = static_cast<int>(Dense.Sizes.size());
    ASSERT_EQ(Axis.Count(), n);
    for (int i = 0; i < n; ++i) ASSERT_EQ(Axis.Size(i), Dense.Sizes[i]) << "size of " << i;
    for (int i = 0; i <= n; ++i) ASSERT_EQ(Axis.Position(i), Dense.Position(i)) << "position of " << i;
    const std::int64_t total = Dense.Position(n);
    for (std::int64_t off = -1; off <= total + 1; ++off) ASSERT_EQ(Axis.IndexAt(off), Dense.IndexAt(off)) << "offset " << off;
}

} // namespace

TEST(GridAxis, DefaultCellsArePlacedEveryExtent)
{
    TGridAxis axis(10, 24, 1);
    EXPECT_EQ(axis.Position(0), 0);
    EXPECT_EQ(axis.Position(3), 75);
    EXPECT_EQ(axis.Total(), 250);
    EXPECT_EQ(axis.IndexAt(74), 2);
    EXPECT_EQ(axis.IndexAt(75), 3);
    EXPECT_EQ(axis.IndexAt(250), -1);
    EXPECT_EQ(axis.IndexAt(-1), -1);
}

TEST(GridAxis, HiddenCellsTakeNoSpaceAndNoLine)
{
    TGridAxis axis(4, 64, 1);
    axis.SetSize(1, 0);
    axis.SetSize(2, -1);
    EXPECT_EQ(axis.Size(2), -1) << "the written value reads back";
    EXPECT_EQ(axis.Extent(1), 0);
    EXPECT_EQ(axis.Position(3), 65);
    EXPECT_EQ(axis.IndexAt(65), 3) << "the offset after column 0 belongs to the next visible one";
    EXPECT_EQ(axis.NextVisible(1), 3);
    EXPECT_EQ(axis.PriorVisible(2), 0);
    axis.SetSize(3, 0);
    EXPECT_EQ(axis.NextVisible(1), -1);
}

TEST(GridAxis, WritingTheDefaultSizeDropsTheOverride)
{
    TGridAxis axis(100, 20, 1);
    axis.SetSize(50, 30);
    EXPECT_EQ(axis.OverrideCount(), 1);
    axis.SetSize(50, 20);
    EXPECT_EQ(axis.OverrideCount(), 0);
    EXPECT_EQ(axis.Position(100), 2100);
}

TEST(GridAxis, ShrinkingTheCountForgetsSizesBeyondIt)
{
    TGridAxis axis(10, 20, 1);
    axis.SetSize(8, 50);
    axis.SetCount(5);
    axis.SetCount(10);
    EXPECT_EQ(axis.Size(8), 20);
    EXPECT_THROW(axis.Size(10), EInvalidGridOperation);
    EXPECT_THROW(axis.SetSize(-1, 5), EInvalidGridOperation);
}

TEST(GridAxis, ChangingTheDefaultKeepsOverrides)
{
    TGridAxis axis(5, 20, 1);
    axis.SetSize(1, 40);
    axis.SetDefaultSize(10);
    EXPECT_EQ(axis.Size(1), 40);
    EXPECT_EQ(axis.Position(5), 11 * 4 + 41);
    axis.ResetSizes();
    EXPECT_EQ(axis.Size(1), 10);
}

TEST(GridAxis, MoveCarriesTheSizeAndShiftsTheCellsBetween)
{
    TGridAxis axis(5, 10, 0);
    axis.SetSize(1, 11);
    axis.SetSize(2, 12);
    axis.SetSize(4, 14);
    axis.Move(1, 3);
    EXPECT_EQ(axis.Size(1), 12);
    EXPECT_EQ(axis.Size(2), 10);
    EXPECT_EQ(axis.Size(3), 11);
    EXPECT_EQ(axis.Size(4), 14);
    axis.Move(3, 0);
    EXPECT_EQ(axis.Size(0), 11);
    EXPECT_EQ(axis.Size(1), 10);
    EXPECT_EQ(axis.Size(2), 12);
}

TEST(GridAxis, LargestCountDoesNotOverflow)
{
    TGridAxis axis(INT_MAX, 2000, 1);
    const std::int64_t last = std::int64_t{INT_MAX - 1} * 2001;
    EXPECT_EQ(axis.Position(INT_MAX - 1), last);
    EXPECT_EQ(axis.IndexAt(last), INT_MAX - 1);
    EXPECT_EQ(axis.IndexAt(last + 2001), -1);
    axis.SetSize(INT_MAX - 1, INT_MAX);
    EXPECT_EQ(axis.Total(), last + std::int64_t{INT_MAX} + 1);
    EXPECT_EQ(axis.IndexAt(axis.Total() - 1), INT_MAX - 1);
}

TEST(GridAxis, TenMillionCellsCostNoMoreThanAThousand)
{
    TGridAxis small(1000, 24, 1), large(10'000'000, 24, 1);
    small.SetSize(0, 30);
    large.SetSize(0, 30);
    EXPECT_EQ(sizeof(small), sizeof(large));
    EXPECT_EQ(small.MemoryUse(), large.MemoryUse());
}

TEST(GridAxis, RandomEditsAgreeWithAPlainArray)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        const int n = 1 + static_cast<int>(rng() % 30);
        const int def = static_cast<int>(rng() % 5); // the default may itself be hidden (0)
        const int line = static_cast<int>(rng() % 3);
        TGridAxis axis(n, def, line);
        TDenseAxis dense{std::vector<int>(static_cast<std::size_t>(n), def), std::vector<bool>(static_cast<std::size_t>(n)), line};
        for (int step = 0; step < 40; ++step) {
            const int i = static_cast<int>(rng() % static_cast<unsigned>(n));
            switch (rng() % 5) {
            case 0:
            case 1: {
                const int v = static_cast<int>(rng() % 9) - 2;
                axis.SetSize(i, v);
                dense.Sizes[static_cast<std::size_t>(i)] = v;
                dense.Own[static_cast<std::size_t>(i)] = v != axis.DefaultSize();
                break;
            }
            case 2: {
                const int j = static_cast<int>(rng() % static_cast<unsigned>(n));
                axis.Move(i, j);
                const int v = dense.Sizes[static_cast<std::size_t>(i)];
                const bool own = dense.Own[static_cast<std::size_t>(i)];
                dense.Sizes.erase(dense.Sizes.begin() + i);
                dense.Sizes.insert(dense.Sizes.begin() + j, v);
                dense.Own.erase(dense.Own.begin() + i);
                dense.Own.insert(dense.Own.begin() + j, own);
                break;
            }
            case 3: {
                // A run of sizes written in one step, as the layout pass does.
                const int count = 1 + static_cast<int>(rng() % static_cast<unsigned>(n - i));
                std::vector<int> sizes;
                bool changes = false;
                for (int k = 0; k < count; ++k) {
                    const int v = static_cast<int>(rng() % 9) - 2;
                    const auto at = static_cast<std::size_t>(i + k);
                    sizes.push_back(v);
                    changes = changes || dense.Sizes[at] != v;
                    dense.Sizes[at] = v;
                    dense.Own[at] = v != axis.DefaultSize();
                }
                ASSERT_EQ(axis.SetSizes(i, sizes), changes);
                ASSERT_FALSE(axis.SetSizes(i, sizes));
                EXPECT_THROW(axis.SetSizes(n - count + 1, sizes), EInvalidGridOperation);
                break;
            }
            default: {
                const int d = static_cast<int>(rng() % 5);
                for (std::size_t k = 0; k < dense.Sizes.size(); ++k)
                    if (!dense.Own[k]) dense.Sizes[k] = d;
                axis.SetDefaultSize(d);
                break;
            }
            }
            ExpectSame(axis, dense);
            for (int k = 0; k < n; ++k) {
                int next = -1, prior = -1;
                for (int m = k; m < n && next < 0; ++m)
                    if (dense.Extent(m) > 0) next = m;
                for (int m = k; m >= 0 && prior < 0; --m)
                    if (dense.Extent(m) > 0) prior = m;
                ASSERT_EQ(axis.NextVisible(k), next);
                ASSERT_EQ(axis.PriorVisible(k), prior);
            }
        }
    }
}

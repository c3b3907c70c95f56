#include <gtest/gtest.h>

#include "host/core/Sets.h"

namespace {

enum TOption : unsigned char { opA, opB, opC, opD, opE, opF, opG, opH, opI, opJ, opK, opL, opM };
using TOptions = TSet<TOption, std::uint16_t>;

} // namespace

TEST(Sets, MemberNSitsAtBitValueTwoToTheN)
{
    constexpr TOptions options{opA, opC, opM};
    static_assert(sizeof(TOptions) == 2);
    EXPECT_EQ(options.ToBits(), 0x1005);
    EXPECT_EQ(TOptions::FromBits(6397), (TOptions{opA, opC, opD, opE, opF, opG, opH, opL, opM}));
}

TEST(Sets, IncludeExcludeAndContains)
{
    TOptions options;
    EXPECT_TRUE(options.Empty());
    options.Include(opB).Include(opB).Include(opL);
    EXPECT_TRUE(options.Contains(opL));
    options.Exclude(opB).Exclude(opC);
    EXPECT_EQ(options, TOptions{opL});
}

TEST(Sets, UnionDifferenceIntersectionAndSubset)
{
    constexpr TOptions a{opA, opB, opC};
    constexpr TOptions b{opB, opC, opD};
    EXPECT_EQ(a + b, (TOptions{opA, opB, opC, opD}));
    EXPECT_EQ(a - b, TOptions{opA});
    EXPECT_EQ(a * b, (TOptions{opB, opC}));
    EXPECT_TRUE((TOptions{opB}) <= a);
    EXPECT_FALSE(b <= a);
    TOptions c = a;
    c -= TOptions{opA, opM};
    EXPECT_EQ(c, (TOptions{opB, opC}));
    static_assert(a + opM == TOptions{opA, opB, opC, opM} && a - opB == TOptions{opA, opC} && a - opM == a);
}

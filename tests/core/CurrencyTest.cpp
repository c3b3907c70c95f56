#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "host/core/Currency.h"

TEST(Currency, TextDropsTrailingZerosAndKeepsTheSign)
{
    EXPECT_EQ(Currency::FromRaw(125000).ToString(), "12.5");
    EXPECT_EQ(Currency::FromUnits(-3).ToString(), "-3");
    EXPECT_EQ(Currency::FromRaw(-1).ToString(), "-0.0001");
    EXPECT_EQ(Currency::FromRaw(0).ToString(), "0");
    EXPECT_EQ(Currency::FromRaw(INT64_MIN).ToString(), "-922337203685477.5808");
}

TEST(Currency, FromDoubleRoundsToTenThousandths)
{
    EXPECT_EQ(Currency::FromDouble(1.23456).Value, 12346);
    EXPECT_EQ(Currency::FromDouble(-0.00005).Value, -1);
    EXPECT_DOUBLE_EQ(Currency::FromRaw(25).ToDouble(), 0.0025);
}

TEST(Currency, ValuesThatDoNotFitRaiseInsteadOfWrapping)
{
    EXPECT_THROW(Currency::FromDouble(1e300), EOverflow);
    EXPECT_THROW(Currency::FromDouble(std::numeric_limits<double>::quiet_NaN()), EOverflow);
    EXPECT_THROW(Currency::FromUnits(INT64_MAX / 1000), EOverflow);
    const Currency big = Currency::FromRaw(INT64_MAX - 1);
    EXPECT_THROW(big + Currency::FromRaw(2), EOverflow);
    EXPECT_THROW(Currency::FromRaw(INT64_MIN) - Currency::FromRaw(1), EOverflow);
    Currency sum = big;
    EXPECT_THROW(sum += Currency::FromRaw(5), EOverflow);
    EXPECT_EQ(sum, big);
}

#include <gtest/gtest.h>

#include <cstdint>

#include "apps/zelgrid-demo/DemoFormat.h"

TEST(DemoFormat, AmountsFollowTheirFormat)
{
    struct TCase {
        std::int64_t Raw;
        const char* Format;
        const char* Shown;
    } cases[] = {
        {12345000, "0.00", "1234.50"},      {12345000, "#,##0.00", "1,234.50"}, {-12345678, "#,##0.00", "-1,234.57"},
        {12345, "0.00", "1.23"},            {12355, "0.00", "1.24"},           {-49, "0.00", "0.00"},
        {1234567890000, "#,##0", "123,456,789"}, {15000, "0", "2"},            {12345, "0.0000", "1.2345"},
        {INT64_MIN, "#,##0.00", "-922,337,203,685,477.58"}, {5, "", "0"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FormatDemoAmount(Currency::FromRaw(c.Raw), c.Format), c.Shown) << c.Raw << " " << c.Format;
}

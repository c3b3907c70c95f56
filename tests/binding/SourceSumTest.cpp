#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "binding/GeneratedOrdersSource.h"
#include "binding/SourceValues.h"

namespace {

// Column Col of every record read as text and added up, in ten-thousandths.
std::string ReadSum(TTableSource& Source, int Col)
{
    __extension__ __int128 total = 0;
    std::vector<TSourceRow> rows;
    for (std::int64_t first = 0; first < Source.RowCount(); first += 1000) {
        Source.ReadRows(first, 1000, rows);
        for (const TSourceRow& row : rows) {
            Currency value;
            if (ParseSourceCurrency(row[static_cast<std::size_t>(Col)], value)) total += value.Value;
        }
    }
    return std::to_string(static_cast<long long>(total));
}

} // namespace

// The generated source adds its amounts up from the record numbers; after every kind of change
// the total is the one its records show.
TEST(GeneratedSourceSum, AgreesWithTheRecordsThroughEditsDeletesAndAppends)
{
    TGeneratedOrdersSource source(5000);
    constexpr int Amount = 3;
    std::string sum;
    ASSERT_TRUE(source.SumColumn(Amount, sum));
    EXPECT_EQ(sum, ReadSum(source, Amount));
    EXPECT_FALSE(source.SumColumn(0, sum)) << "only the amounts are added up";
    std::int64_t row = -1;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"an edited amount", [&] { ASSERT_EQ(source.UpdateCell(10, Amount, "-12345.5"), ""); }},
        {"an edited record deleted", [&] { ASSERT_EQ(source.DeleteRecord(10), ""); }},
        {"a generated record deleted", [&] { ASSERT_EQ(source.DeleteRecord(0), ""); }},
        {"an append", [&] { ASSERT_EQ(source.InsertRecord(row), ""); }},
        {"the append's amount", [&] { ASSERT_EQ(source.UpdateCell(row, Amount, "99999999999999.9999"), ""); }},
        {"another append, deleted", [&] {
             ASSERT_EQ(source.InsertRecord(row), "");
             ASSERT_EQ(source.UpdateCell(row, Amount, "7"), "");
             ASSERT_EQ(source.DeleteRecord(row), "");
         }},
        {"sorted by amount", [&] { source.SetOrder(Amount, TSortDirection::Descending); }},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        step();
        ASSERT_TRUE(source.SumColumn(Amount, sum));
        EXPECT_EQ(sum, ReadSum(source, Amount));
    }
}

#include "apps/zelgrid-demo/DemoTable.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "apps/zelgrid-demo/CsvReader.h"
#include "apps/zelgrid-demo/DemoFormat.h"
#include "binding/ChangeLog.h"
#include "apps/zelgrid-demo/ReplaceFile.h"

namespace {

const char* const Customers[] = {"Abernathy Ltd", "Brightwater & Sons", "Cobalt Works", "Dunmore Trading",
                                 "Eastgate Foods", "Fairfield, Inc.", "Greystone Mills", "Harbour Lights",
                                 "Ivy Lane Books", "Juniper Garden"};
const char* const Statuses[] = {"New", "Confirmed", "Shipped", "Delivered", "Cancelled"};
const char* const Tags[] = {"urgent", "gift", "export", "fragile"};
const char* const Notes[] = {
    "Deliver to the side entrance; the front door is closed on Mondays.",
    "Customer asked for one invoice per parcel and a copy of each by mail.",
    "Fragile goods: pack in double cartons, keep upright, and call before delivery.",
    "Regular order.",
};
const char* const GeneratedColumns[] = {"Number", "Date", "Customer", "Amount", "Status", "Paid", "Tags", "Note"};

// A cheap, fixed mix of the record number, so that every field varies without a random source.
std::uint32_t Mix(std::uint32_t x, std::uint32_t salt)
{
    x ^= salt * 0x9E3779B9u;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}


// The date of a generated record, as GeneratedCell writes it.
void GeneratedDate(std::uint32_t Record, int& Year, int& Month, int& Day)
{
    const std::uint32_t m = Mix(Record, 1);
    Year = 2020 + static_cast<int>(m % 6);
    Month = 1 + static_cast<int>((m >> 4) % 12);
    Day = 1 + static_cast<int>((m >> 8) % static_cast<std::uint32_t>(DaysIn(Year, Month)));
}

Currency GeneratedAmount(std::uint32_t Record)
{
    return Currency::FromRaw(static_cast<std::int64_t>(Mix(Record, 3) % 500000) * 100 + 100);
}

bool ParseWhole(std::string_view Text, std::int64_t& Value)
{
    const char* end = Text.data() + Text.size();
    auto [stop, ec] = std::from_chars(Text.data(), end, Value);
    return ec == std::errc() && stop == end && !Text.empty();
}

// Text order as people read it: letters ignoring case ("alpha" and "Alpha" are equal).
bool TextBefore(std::string_view A, std::string_view B)
{
    const std::size_t n = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int a = std::tolower(static_cast<unsigned char>(A[i])), b = std::tolower(static_cast<unsigned char>(B[i]));
        if (a != b) return a < b;
    }
    return A.size() < B.size();
}

} // namespace

bool ParseDemoDate(const std::string& Text, int& Year, int& Month, int& Day)
{
    if (Text.size() != 10 || Text[4] != '-' || Text[7] != '-') return false;
    auto number = [&](int from, int len, int& out) {
        const char* first = Text.data() + from;
        auto [end, ec] = std::from_chars(first, first + len, out);
        return ec == std::errc() && end == first + len && std::isdigit(static_cast<unsigned char>(*first));
    };
    if (!number(0, 4, Year) || !number(5, 2, Month) || !number(8, 2, Day)) return false;
    return Year >= 1 && Month >= 1 && Month <= 12 && Day >= 1 && Day <= DaysIn(Year, Month);
}

bool ParseDemoAmount(std::string_view Text, Currency& Value)
{
    std::size_t i = 0;
    const bool negative = i < Text.size() && Text[i] == '-';
    if (negative) ++i;
    std::int64_t units = 0;
    int digits = 0;
    for (; i < Text.size() && std::isdigit(static_cast<unsigned char>(Text[i])); ++i, ++digits) {
        if (digits >= 14) return false; // beyond what a Currency holds
        units = units * 10 + (Text[i] - '0');
    }
    std::int64_t frac = 0;
    int fracDigits = 0;
    if (i < Text.size() && Text[i] == '.') {
        for (++i; i < Text.size() && std::isdigit(static_cast<unsigned char>(Text[i])); ++i, ++fracDigits) {
            if (fracDigits >= 4) return false;
            frac = frac * 10 + (Text[i] - '0');
        }
    }
    if (i != Text.size() || digits + fracDigits == 0) return false;
    for (int k = fracDigits; k < 4; ++k) frac *= 10;
    const std::int64_t raw = units * Currency::Scale + frac;
    Value = Currency::FromRaw(negative ? -raw : raw);
    return true;
}

TDemoTable::TDemoTable(std::vector<std::string> Columns) : FColumns(std::move(Columns))
{
    if (FColumns.empty() || FColumns.size() > 0xFFFF) throw std::invalid_argument("a table needs 1 to 65535 columns");
    DetectKinds();
}

TDemoTable TDemoTable::Generated(int Count)
{
    TDemoTable table(std::vector<std::string>(std::begin(GeneratedColumns), std::end(GeneratedColumns)));
    Count = std::max(Count, 0);
    table.FGenerated = static_cast<std::uint32_t>(Count);
    table.FLoaded = table.FGenerated;
    table.FRows.resize(table.FGenerated);
    for (std::uint32_t r = 0; r < table.FGenerated; ++r) {
        table.FRows[r] = r;
        table.FTotal += table.AmountOf(r).Value;
    }
    table.FNextNumber = static_cast<long long>(Count) + 1;
    return table;
}

void TDemoTable::DetectKinds()
{
    FKinds.assign(FColumns.size(), dckText);
    for (std::size_t c = 0; c < FColumns.size(); ++c) {
        const std::string name = Lower(FColumns[c]);
        if (name == "number") FKinds[c] = dckNumber;
        else if (name == "date") FKinds[c] = dckDate;
        else if (name == "amount") FKinds[c] = dckAmount;
        if (FKinds[c] == dckAmount && FAmountCol < 0) FAmountCol = static_cast<int>(c);
        if (FKinds[c] == dckNumber && FNumberCol < 0) FNumberCol = static_cast<int>(c);
    }
}

Currency TDemoTable::AmountTotal() const
{
    constexpr std::int64_t top = std::numeric_limits<std::int64_t>::max(), bottom = std::numeric_limits<std::int64_t>::min();
    return Currency::FromRaw(FTotal > top ? top : FTotal < bottom ? bottom : static_cast<std::int64_t>(FTotal));
}

bool TDemoTable::AmountTotalInRange() const
{
    return FTotal >= std::numeric_limits<std::int64_t>::min() && FTotal <= std::numeric_limits<std::int64_t>::max();
}

int TDemoTable::FindColumn(const std::string& Name) const
{
    const std::string wanted = Lower(Name);
    for (int c = 0; c < ColCount(); ++c)
        if (Lower(FColumns[c]) == wanted) return c;
    return -1;
}

std::string TDemoTable::GeneratedCell(int Col, std::uint32_t Record) const
{
    const std::uint32_t m = Mix(Record, static_cast<std::uint32_t>(Col));
    switch (Col) {
    case 0: return std::to_string(Record + 1);
    case 1: {
        int year, month, day;
        GeneratedDate(Record, year, month, day);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
        return buf;
    }
    case 2: return Customers[m % std::size(Customers)];
    case 3: return FormatDemoAmount(AmountOf(Record), "0.00");
    case 4: return Statuses[m % std::size(Statuses)];
    case 5: return m % 3 ? "Yes" : "No";
    case 6: {
        std::string tags;
        for (std::size_t t = 0; t < std::size(Tags); ++t)
            if ((m >> (t * 3)) % 5 == 0) {
                if (!tags.empty()) tags += ',';
                tags += Tags[t];
            }
        return tags;
    }
    default: return Notes[m % std::size(Notes)];
    }
}

Currency TDemoTable::AmountOf(std::uint32_t Record) const
{
    if (FAmountCol < 0) return {};
    if (auto it = FEdits.find(Key(FAmountCol, Record)); it != FEdits.end()) {
        Currency c;
        return ParseDemoAmount(it->second, c) ? c : Currency{};
    }
    if (Record < FGenerated) return GeneratedAmount(Record);
    Currency c;
    return ParseDemoAmount(StoredCell(FAmountCol, Record), c) ? c : Currency{};
}

std::string_view TDemoTable::StoredView(int Col, std::uint32_t Record) const
{
    const std::size_t cell = static_cast<std::size_t>(Record - FGenerated) * FColumns.size() + static_cast<std::size_t>(Col);
    const std::uint32_t begin = cell ? FEnds[cell - 1] : 0;
    return std::string_view(FText).substr(begin, FEnds[cell] - begin);
}

std::string TDemoTable::StoredCell(int Col, std::uint32_t Record) const { return std::string(StoredView(Col, Record)); }

std::string TDemoTable::RecordCell(int Col, std::uint32_t Record) const
{
    if (auto it = FEdits.find(Key(Col, Record)); it != FEdits.end()) return it->second;
    return Record < FGenerated ? GeneratedCell(Col, Record) : StoredCell(Col, Record);
}

std::string TDemoTable::Cell(int Col, int Row) const
{
    if (Col < 0 || Col >= ColCount() || Row < 0 || Row >= RowCount()) return {};
    return RecordCell(Col, FRows[static_cast<std::size_t>(Row)]);
}

std::string TDemoTable::SetCell(int Col, int Row, const std::string& Value)
{
    if (Col < 0 || Col >= ColCount() || Row < 0 || Row >= RowCount()) return "There is no such cell.";
    int y, m, d;
    Currency amount;
    switch (FKinds[Col]) {
    case dckNumber: return "The record number cannot be changed.";
    case dckDate:
        if (!ParseDemoDate(Value, y, m, d)) return "'" + Value + "' is not a valid date (YYYY-MM-DD).";
        break;
    case dckAmount:
        if (!ParseDemoAmount(Value, amount)) return "'" + Value + "' is not a valid amount.";
        break;
    case dckText: break;
    }
    const std::uint32_t record = FRows[static_cast<std::size_t>(Row)];
    const Currency old = Col == FAmountCol ? AmountOf(record) : Currency{};
    FEdits[Key(Col, record)] = Value;
    if (Col == FAmountCol) FTotal += TWideSum{amount.Value} - old.Value;
    ++FRevision;
    return {};
}

void TDemoTable::AddRow(const std::vector<std::string>& Fields)
{
    if (Fields.size() != FColumns.size()) throw std::invalid_argument("a record needs one field per column");
    std::size_t size = FText.size();
    for (const std::string& f : Fields) size += f.size();
    if (size > UINT32_MAX) throw std::length_error("the table is larger than 4 GiB");
    // A failed allocation leaves the table as it was.
    const std::size_t oldText = FText.size(), oldEnds = FEnds.size();
    try {
        for (const std::string& f : Fields) {
            FText += f;
            FEnds.push_back(static_cast<std::uint32_t>(FText.size()));
        }
        FRows.push_back(static_cast<std::uint32_t>(FGenerated + FEnds.size() / FColumns.size() - 1));
    } catch (...) {
        FText.resize(oldText);
        FEnds.resize(oldEnds);
        throw;
    }
    const std::uint32_t record = FRows.back();
    FTotal += AmountOf(record).Value;
    long long number = 0;
    const std::string_view text = FNumberCol >= 0 ? std::string_view(Fields[FNumberCol]) : std::string_view();
    if (!text.empty() && std::from_chars(text.data(), text.data() + text.size(), number).ec == std::errc()) {
        if (number == std::numeric_limits<long long>::max()) FNumbersTopped = true;
        else FNextNumber = std::max(FNextNumber, number + 1);
        if (!FUsedNumbers.empty()) FUsedNumbers.insert(number);
    }
    FLoaded = record + 1;
}

long long TDemoTable::TakeNumber()
{
    if (!FNumbersTopped) return FNextNumber;
    // Every number any record has, deleted ones included, gathered once.
    if (FUsedNumbers.empty()) {
        const std::uint32_t records = static_cast<std::uint32_t>(FGenerated + FEnds.size() / FColumns.size());
        for (std::uint32_t r = 0; r < records; ++r) {
            const std::string text = r < FGenerated ? GeneratedCell(FNumberCol, r) : StoredCell(FNumberCol, r);
            long long number = 0;
            if (std::from_chars(text.data(), text.data() + text.size(), number).ec == std::errc()) FUsedNumbers.insert(number);
        }
    }
    while (FUsedNumbers.count(FFreeNumber)) ++FFreeNumber;
    return FFreeNumber;
}

int TDemoTable::AppendRow()
{
    std::vector<std::string> fields(FColumns.size());
    const long long number = FNumberCol >= 0 ? TakeNumber() : 0;
    for (int c = 0; c < ColCount(); ++c) {
        if (FKinds[c] == dckNumber) fields[c] = std::to_string(number);
        else if (FKinds[c] == dckAmount) fields[c] = "0.00";
        else if (FKinds[c] == dckDate) fields[c] = "2026-01-01";
    }
    const std::uint32_t loaded = FLoaded;
    AddRow(fields);
    FLoaded = loaded;
    ++FRevision;
    return RowCount() - 1;
}

void TDemoTable::DeleteRow(int Row)
{
    if (Row < 0 || Row >= RowCount()) return;
    const std::uint32_t record = FRows[static_cast<std::size_t>(Row)];
    FDeleted.push_back(record);
    FRows.erase(FRows.begin() + Row);
    FTotal -= AmountOf(record).Value;
    ++FRevision;
}

bool TDemoTable::HasChanges() const
{
    return !FEdits.empty() || !FDeleted.empty() || FRows.size() + FDeleted.size() != FLoaded;
}

std::string TDemoTable::ChangesCsv() const
{
    std::vector<std::string> header{"change"};
    header.insert(header.end(), FColumns.begin(), FColumns.end());
    std::string out = CsvLine(header);
    auto record = [&](const char* change, std::uint32_t r) {
        std::vector<std::string> fields{change};
        for (int c = 0; c < ColCount(); ++c) {
            auto it = FEdits.find(Key(c, r));
            fields.push_back(it != FEdits.end() ? it->second : r < FGenerated ? GeneratedCell(c, r) : StoredCell(c, r));
        }
        out += CsvLine(fields);
    };
    std::vector<std::uint32_t> edited;
    for (const auto& [key, value] : FEdits) edited.push_back(static_cast<std::uint32_t>(key >> 16));
    std::sort(edited.begin(), edited.end());
    edited.erase(std::unique(edited.begin(), edited.end()), edited.end());
    std::vector<std::uint32_t> deleted = FDeleted;
    std::sort(deleted.begin(), deleted.end());
    for (std::uint32_t r : edited)
        if (r < FLoaded && !std::binary_search(deleted.begin(), deleted.end(), r)) record("changed", r);
    for (std::uint32_t r : FRows)
        if (r >= FLoaded) record("appended", r);
    for (std::uint32_t r : deleted)
        if (r < FLoaded) record("deleted", r);
    return out;
}

void TDemoTable::SaveChanges(const std::string& FileName) const
{
    const std::string problem = ReplaceFileContents(FileName, ChangesCsv());
    if (!problem.empty()) throw std::runtime_error("cannot save the changes to " + FileName + ": " + problem);
}

bool TDemoTable::IsBlankRecord(std::uint32_t Record) const
{
    if (Record < FLoaded) return false;
    for (int c = 0; c < ColCount(); ++c)
        if (FEdits.count(Key(c, Record))) return false;
    return true;
}

bool TDemoTable::IsBlankRow(int Row) const
{
    return Row >= 0 && Row < RowCount() && IsBlankRecord(FRows[static_cast<std::size_t>(Row)]);
}

bool TDemoTable::DropBlankRow(int Row)
{
    if (!IsBlankRow(Row)) return false;
    const std::uint32_t record = FRows[static_cast<std::size_t>(Row)];
    const std::size_t records = FEnds.size() / FColumns.size();
    // Only the record appended last is taken back whole; another one is deleted as the user
    // would delete it.
    if (record != FGenerated + records - 1) {
        DeleteRow(Row);
        return true;
    }
    FTotal -= AmountOf(record).Value;
    long long number = 0;
    const std::string_view text = FNumberCol >= 0 ? StoredView(FNumberCol, record) : std::string_view();
    const bool numbered = !text.empty() && std::from_chars(text.data(), text.data() + text.size(), number).ec == std::errc();
    FRows.erase(FRows.begin() + Row);
    const std::size_t firstCell = (records - 1) * FColumns.size();
    FText.resize(firstCell ? FEnds[firstCell - 1] : 0);
    FEnds.resize(firstCell);
    if (numbered) {
        if (!FNumbersTopped && number == FNextNumber - 1) FNextNumber = number;
        if (FUsedNumbers.erase(number)) FFreeNumber = std::min(FFreeNumber, number);
    }
    ++FRevision;
    return true;
}

void TDemoTable::SortKeys(int Col, std::vector<std::int64_t>& Keys, std::vector<char>& Valid) const
{
    const std::size_t n = FRows.size();
    Keys.assign(n, 0);
    Valid.assign(n, 1);
    const TDemoColumnKind kind = FKinds[static_cast<std::size_t>(Col)];
    const bool edits = !FEdits.empty();
    if (kind == dckText) {
        // Each distinct text gets its rank among the distinct texts: the records then sort by a
        // number, and a column of few values (a status, a customer) costs one pass.
        std::unordered_map<std::string, std::uint32_t> ids;
        std::vector<const std::string*> distinct;
        for (std::size_t i = 0; i < n; ++i) {
            std::string text = RecordCell(Col, FRows[i]);
            if (text.empty()) {
                Valid[i] = 0;
                continue;
            }
            auto [it, added] = ids.try_emplace(std::move(text), static_cast<std::uint32_t>(distinct.size()));
            if (added) distinct.push_back(&it->first);
            Keys[i] = it->second;
        }
        std::vector<std::uint32_t> order(distinct.size());
        for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return TextBefore(*distinct[a], *distinct[b]); });
        std::vector<std::int64_t> rank(order.size());
        std::int64_t next = 0;
        for (std::uint32_t k = 0; k < order.size(); ++k) {
            if (k && TextBefore(*distinct[order[k - 1]], *distinct[order[k]])) ++next;
            rank[order[k]] = next;
        }
        for (std::size_t i = 0; i < n; ++i)
            if (Valid[i]) Keys[i] = rank[static_cast<std::size_t>(Keys[i])];
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t record = FRows[i];
        const auto edit = edits ? FEdits.find(Key(Col, record)) : FEdits.end();
        std::int64_t& key = Keys[i];
        int y = 0, m = 0, d = 0;
        Currency amount;
        if (edit == FEdits.end() && record < FGenerated) {
            // A generated record's typed fields come from its number, without text.
            if (kind == dckDate) GeneratedDate(record, y, m, d);
            key = kind == dckNumber ? static_cast<std::int64_t>(record) + 1
                  : kind == dckDate ? (y * 100 + m) * 100 + d
                                    : GeneratedAmount(record).Value;
            continue;
        }
        const std::string_view text = edit != FEdits.end() ? std::string_view(edit->second) : StoredView(Col, record);
        if (kind == dckNumber) {
            Valid[i] = ParseWhole(text, key);
        } else if (kind == dckDate) {
            Valid[i] = ParseDemoDate(std::string(text), y, m, d);
            key = (y * 100 + m) * 100 + d;
        } else {
            Valid[i] = ParseDemoAmount(text, amount);
            key = amount.Value;
        }
    }
}

int TDemoTable::SortBy(int Col, bool Descending, int Follow)
{
    const std::uint32_t followed = Follow >= 0 && Follow < RowCount() ? FRows[static_cast<std::size_t>(Follow)] : UINT32_MAX;
    if (Col < 0 || Col >= ColCount()) return followed == UINT32_MAX ? -1 : Follow;
    std::vector<std::int64_t> keys;
    std::vector<char> valid;
    SortKeys(Col, keys, valid);
    struct TItem {
        std::int64_t Key;
        std::uint32_t Pos;
        unsigned char Group; // 0 a value, 1 empty or unreadable, 2 a blank appended record
    };
    std::vector<TItem> items(FRows.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const unsigned char group = FRows[i] >= FLoaded && IsBlankRecord(FRows[i]) ? 2 : valid[i] ? 0 : 1;
        items[i] = {Descending ? -1 - keys[i] : keys[i], static_cast<std::uint32_t>(i), group};
    }
    // The position decides between equal keys: a total order, so the plain sort is stable.
    std::sort(items.begin(), items.end(), [](const TItem& a, const TItem& b) {
        if (a.Group != b.Group) return a.Group < b.Group;
        if (a.Group == 0 && a.Key != b.Key) return a.Key < b.Key;
        return a.Pos < b.Pos;
    });
    std::vector<std::uint32_t> rows(FRows.size());
    int followedRow = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        rows[i] = FRows[items[i].Pos];
        if (rows[i] == followed) followedRow = static_cast<int>(i);
    }
    FRows.swap(rows);
    return followedRow;
}

#include "binding/GeneratedOrdersSource.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <new>

#include "binding/SourceValues.h"

namespace {

// The field rules of the generated orders: each field a fixed mix of the record number. Tests pin
// the texts they give, so that a saved layout or a benchmark sees the same records every time.
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
const char* const PaidTexts[] = {"No", "Yes"};

enum { colNumber, colDate, colCustomer, colAmount, colStatus, colPaid, colTags, colNote, colCount };

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

// Fields of the record the demo numbers Record (0-based; the shown number is Record + 1).
void GeneratedDate(std::uint32_t Record, int& Year, int& Month, int& Day)
{
    const std::uint32_t m = Mix(Record, 1);
    Year = 2020 + static_cast<int>(m % 6);
    Month = 1 + static_cast<int>((m >> 4) % 12);
    Day = 1 + static_cast<int>((m >> 8) % static_cast<std::uint32_t>(DaysIn(Year, Month)));
}

// Whole cents from 1.00 to 5000.99.
std::uint32_t GeneratedCents(std::uint32_t Record) { return Mix(Record, 3) % 500000 + 1; }

unsigned TagMask(std::uint32_t Record)
{
    const std::uint32_t m = Mix(Record, colTags);
    unsigned mask = 0;
    for (unsigned t = 0; t < std::size(Tags); ++t)
        if ((m >> (t * 3)) % 5 == 0) mask |= 1u << t;
    return mask;
}

std::string TagText(unsigned Mask)
{
    std::string tags;
    for (unsigned t = 0; t < std::size(Tags); ++t)
        if (Mask & (1u << t)) {
            if (!tags.empty()) tags += ',';
            tags += Tags[t];
        }
    return tags;
}

// The index of a text column's value in its list of possible values.
unsigned TextChoice(int Col, std::uint32_t Record)
{
    const std::uint32_t m = Mix(Record, static_cast<std::uint32_t>(Col));
    switch (Col) {
    case colCustomer: return m % std::size(Customers);
    case colStatus: return m % std::size(Statuses);
    case colPaid: return m % 3 ? 1 : 0;
    case colTags: return TagMask(Record);
    default: return m % std::size(Notes);
    }
}

std::string GeneratedCell(int Col, std::uint32_t Record)
{
    switch (Col) {
    case colNumber: return std::to_string(static_cast<std::uint64_t>(Record) + 1);
    case colDate: {
        int year, month, day;
        GeneratedDate(Record, year, month, day);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
        return buf;
    }
    case colAmount: {
        const std::uint32_t cents = GeneratedCents(Record);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%u.%02u", cents / 100, cents % 100);
        return buf;
    }
    case colCustomer: return Customers[TextChoice(Col, Record)];
    case colStatus: return Statuses[TextChoice(Col, Record)];
    case colPaid: return PaidTexts[TextChoice(Col, Record)];
    case colTags: return TagText(TextChoice(Col, Record));
    default: return Notes[TextChoice(Col, Record)];
    }
}

// The demo's checks of an edited date and amount.
bool ParseOrderDate(const std::string& Text)
{
    if (Text.size() != 10 || Text[4] != '-' || Text[7] != '-') return false;
    auto number = [&](int from, int len, int& out) {
        const char* first = Text.data() + from;
        auto [end, ec] = std::from_chars(first, first + len, out);
        return ec == std::errc() && end == first + len && std::isdigit(static_cast<unsigned char>(*first));
    };
    int year = 0, month = 0, day = 0;
    if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day)) return false;
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysIn(year, month);
}

bool ParseOrderAmount(std::string_view Text)
{
    std::size_t i = Text.size() && Text[0] == '-' ? 1 : 0;
    int digits = 0, fracDigits = 0;
    for (; i < Text.size() && std::isdigit(static_cast<unsigned char>(Text[i])); ++i, ++digits)
        if (digits >= 14) return false; // beyond what a Currency holds
    if (i < Text.size() && Text[i] == '.')
        for (++i; i < Text.size() && std::isdigit(static_cast<unsigned char>(Text[i])); ++i, ++fracDigits)
            if (fracDigits >= 4) return false;
    return i == Text.size() && digits + fracDigits > 0;
}

// Sort keys of generated fields as small numbers, in the order CompareSourceValues gives their
// texts, so that a column sorts by counting: dates and amounts have a few thousand and half a
// million values, text columns at most sixteen.
struct TKeyTable {
    std::array<std::array<std::uint32_t, 16>, colCount> Rank{};
    TKeyTable()
    {
        for (int col : {colCustomer, colStatus, colPaid, colTags, colNote}) {
            std::vector<std::string> texts;
            const unsigned n = col == colCustomer ? std::size(Customers) : col == colStatus ? std::size(Statuses)
                               : col == colPaid   ? 2u
                               : col == colTags   ? 16u
                                                  : std::size(Notes);
            for (unsigned i = 0; i < n; ++i)
                texts.push_back(col == colCustomer ? Customers[i] : col == colStatus ? Statuses[i]
                                : col == colPaid   ? PaidTexts[i]
                                : col == colTags   ? TagText(i)
                                                   : Notes[i]);
            for (unsigned i = 0; i < n; ++i)
                for (unsigned j = 0; j < n; ++j)
                    if (CompareSourceValues(TSourceColumnKind::Text, texts[j], texts[i]) < 0) ++Rank[col][i];
        }
    }
};

const TKeyTable& Keys()
{
    static const TKeyTable table;
    return table;
}

std::uint32_t KeyRange(int Col) { return Col == colDate ? 6 * 372 : Col == colAmount ? 500000 : 16; }

std::uint32_t GeneratedKey(int Col, std::uint32_t Record)
{
    switch (Col) {
    case colNumber: return Record;
    case colDate: {
        int year, month, day;
        GeneratedDate(Record, year, month, day);
        return static_cast<std::uint32_t>((year - 2020) * 372 + (month - 1) * 31 + day - 1);
    }
    case colAmount: return GeneratedCents(Record) - 1;
    default: return Keys().Rank[static_cast<std::size_t>(Col)][TextChoice(Col, Record)];
    }
}

std::string Grouped(std::int64_t Value)
{
    const std::string digits = std::to_string(Value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

TGeneratedOrdersSource::TGeneratedOrdersSource(std::int64_t Count) : FCount(Count)
{
    if (Count < 0 || Count > MaxRecords)
        throw ESourceError("A generated table holds 0 to " + Grouped(MaxRecords) + " records, not " + std::to_string(Count));
    FColumns = {{"Number", TSourceColumnKind::Integer}, {"Date", TSourceColumnKind::Date},
                {"Customer", TSourceColumnKind::Text},  {"Amount", TSourceColumnKind::Number},
                {"Status", TSourceColumnKind::Text},    {"Paid", TSourceColumnKind::Text},
                {"Tags", TSourceColumnKind::Text},      {"Note", TSourceColumnKind::Text}};
}

std::string TGeneratedOrdersSource::Description() const
{
    return "generated orders, " + Grouped(FCount) + " records";
}

std::string TGeneratedOrdersSource::Cell(std::uint32_t Record, int Col) const
{
    if (Record > FCount) return FAppended[Record - static_cast<std::uint32_t>(FCount) - 1][static_cast<std::size_t>(Col)];
    if (!FEdited.empty())
        if (auto at = FEdited.find(Record); at != FEdited.end()) return at->second[static_cast<std::size_t>(Col)];
    return GeneratedCell(Col, Record - 1);
}

void TGeneratedOrdersSource::ReadRecord(std::uint32_t Record, TSourceRow& Row) const
{
    Row.resize(FColumns.size());
    for (int c = 0; c < colCount; ++c) Row[static_cast<std::size_t>(c)] = Cell(Record, c);
}

std::int64_t TGeneratedOrdersSource::RecordAt(std::int64_t Row) const
{
    if (Row < 0 || Row >= RecordTotal() - static_cast<std::int64_t>(FDeleted.size())) return 0;
    if (FDirection != TSortDirection::None) return FIndex[static_cast<std::size_t>(Row)];
    // Numbers start at 1: 0, never deleted, is the 0th.
    return UndeletedNumber(FDeleted, Row + 1);
}

std::int64_t TGeneratedOrdersSource::NaturalPosition(std::uint32_t Record) const
{
    return static_cast<std::int64_t>(Record) - 1 - (std::lower_bound(FDeleted.begin(), FDeleted.end(), Record) - FDeleted.begin());
}

void TGeneratedOrdersSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    Rows.clear();
    const std::int64_t rows = RowCount();
    if (Count <= 0 || First >= rows || First <= -Count) return;
    const std::int64_t from = std::max<std::int64_t>(First, 0), to = std::min(First + Count, rows);
    for (std::int64_t row = from; row < to; ++row) {
        Rows.emplace_back();
        ReadRecord(static_cast<std::uint32_t>(RecordAt(row)), Rows.back());
    }
}

bool TGeneratedOrdersSource::Before(std::uint32_t Record, std::uint32_t Other) const
{
    const auto isGenerated = [&](std::uint32_t r) { return r <= FCount && (FEdited.empty() || !FEdited.count(r)); };
    int c = 0;
    if (isGenerated(Record) && isGenerated(Other)) {
        const std::uint32_t a = GeneratedKey(FOrderCol, Record - 1), b = GeneratedKey(FOrderCol, Other - 1);
        c = a < b ? -1 : a > b;
    } else {
        c = CompareSourceValues(FColumns[static_cast<std::size_t>(FOrderCol)].Kind, Cell(Record, FOrderCol), Cell(Other, FOrderCol));
    }
    if (c == 0) c = Record < Other ? -1 : Record > Other;
    return FDirection == TSortDirection::Descending ? c > 0 : c < 0;
}

std::int64_t TGeneratedOrdersSource::PlaceInIndex(std::uint32_t Record)
{
    const auto at = std::lower_bound(FIndex.begin(), FIndex.end(), Record,
                                     [this](std::uint32_t A, std::uint32_t B) { return Before(A, B); });
    return FIndex.insert(at, Record) - FIndex.begin();
}

std::string TGeneratedOrdersSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    if (Col < 0 || Col >= colCount) return "There is no column " + std::to_string(Col);
    const std::int64_t record = RecordAt(Row);
    if (!record) return "There is no row " + std::to_string(Row);
    if (Col == colNumber) return "The record number cannot be changed.";
    if (Col == colDate && !ParseOrderDate(Value)) return "'" + Value + "' is not a valid date (YYYY-MM-DD).";
    if (Col == colAmount && !ParseOrderAmount(Value)) return "'" + Value + "' is not a valid amount.";
    const auto r = static_cast<std::uint32_t>(record);
    const bool moves = FDirection != TSortDirection::None && Col == FOrderCol;
    TSourceRow* cells = nullptr;
    if (r > FCount) {
        cells = &FAppended[r - static_cast<std::uint32_t>(FCount) - 1];
    } else {
        auto at = FEdited.find(r);
        if (at == FEdited.end()) {
            TSourceRow generated;
            ReadRecord(r, generated);
            at = FEdited.emplace(r, std::move(generated)).first;
        }
        cells = &at->second;
    }
    std::string& cell = (*cells)[static_cast<std::size_t>(Col)];
    ++FRevision;
    if (!moves) {
        cell = Value;
        return {};
    }
    // The record leaves the sorted index and comes back at its new place; the index keeps its
    // capacity, so putting it back cannot fail.
    FIndex.erase(FIndex.begin() + Row);
    cell = Value;
    PlaceInIndex(r);
    return {};
}

bool TGeneratedOrdersSource::SumColumn(int Col, std::string& Sum)
{
    if (Col != colAmount) return false;
    __extension__ typedef __int128 TWide;
    const auto value = [](const std::string& Text) {
        Currency amount;
        return TWide{ParseSourceCurrency(Text, amount) ? amount.Value : 0};
    };
    const auto generated = [](std::uint32_t Record) { return TWide{GeneratedCents(Record - 1)} * 100; };
    TWide total = 0;
    for (std::uint32_t record = 1; record <= static_cast<std::uint32_t>(FCount); ++record) total += generated(record);
    // Then the records the user changed: edits replace, deletes remove, appends add.
    for (const auto& [record, row] : FEdited) total += value(row[colAmount]) - generated(record);
    // A deleted appended record keeps no cells, and counts in neither loop.
    for (std::uint32_t record : FDeleted) {
        if (record > FCount) continue;
        if (auto edited = FEdited.find(record); edited != FEdited.end()) total -= value(edited->second[colAmount]);
        else total -= generated(record);
    }
    for (const TSourceRow& row : FAppended)
        if (!row.empty()) total += value(row[colAmount]);
    const bool negative = total < 0;
    std::string digits;
    for (TWide rest = negative ? -total : total; rest > 0 || digits.empty(); rest /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
    Sum = negative ? "-" + digits : digits;
    return true;
}

std::string TGeneratedOrdersSource::InsertRecord(std::int64_t& Row)
{
    if (RecordTotal() >= MaxRecords) return "The table is full: it holds " + Grouped(MaxRecords) + " records";
    const auto record = static_cast<std::uint32_t>(RecordTotal() + 1);
    TSourceRow cells(FColumns.size());
    cells[colNumber] = std::to_string(record);
    cells[colDate] = "2026-01-01";
    cells[colAmount] = "0.00";
    if (FDirection != TSortDirection::None && FIndex.size() == FIndex.capacity()) FIndex.reserve(FIndex.size() + FIndex.size() / 2 + 16);
    FAppended.push_back(std::move(cells));
    ++FRevision;
    Row = FDirection != TSortDirection::None ? PlaceInIndex(record) : NaturalPosition(record);
    return {};
}

std::string TGeneratedOrdersSource::DeleteRecord(std::int64_t Row)
{
    const std::int64_t record = RecordAt(Row);
    if (!record) return "There is no row " + std::to_string(Row);
    const auto r = static_cast<std::uint32_t>(record);
    FDeleted.insert(std::upper_bound(FDeleted.begin(), FDeleted.end(), r), r);
    if (FDirection != TSortDirection::None) FIndex.erase(FIndex.begin() + Row);
    ++FRevision;
    // An appended record that is deleted is in no change; an edited one is written as it was.
    if (r > FCount) TSourceRow().swap(FAppended[r - static_cast<std::uint32_t>(FCount) - 1]);
    return {};
}

void TGeneratedOrdersSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress)
{
    if (Direction != TSortDirection::None && (Col < 0 || Col >= colCount))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    if (Progress && !Progress(0)) throw ESourceCancelled();
    if (Direction == TSortDirection::None) {
        FOrderCol = -1;
        FDirection = Direction;
        std::vector<std::uint32_t>().swap(FIndex);
        if (Progress) Progress(1);
        return;
    }
    const std::int64_t rows = RowCount();
    if (rows > FSortLimit)
        throw ESourceError("Sorting " + Grouped(rows) + " records would take " + Grouped(rows * 4 >> 20) +
                           " MB for its index; this table sorts up to " + Grouped(FSortLimit) + " records");
    // Built aside, so that a cancel or a failed allocation leaves the order as it was.
    const int oldCol = FOrderCol;
    const TSortDirection oldDirection = FDirection;
    FOrderCol = Col;
    FDirection = Direction;
    try {
        std::vector<std::uint32_t> index(static_cast<std::size_t>(rows));
        // Records that are not as generated (edited or appended) are sorted by their texts and
        // merged in at the end; the generated ones sort by counting their small keys.
        std::vector<std::uint32_t> changed;
        for (const auto& [record, cells] : FEdited)
            if (!std::binary_search(FDeleted.begin(), FDeleted.end(), record)) changed.push_back(record);
        for (std::size_t i = 0; i < FAppended.size(); ++i) {
            const auto record = static_cast<std::uint32_t>(FCount + 1 + static_cast<std::int64_t>(i));
            if (!std::binary_search(FDeleted.begin(), FDeleted.end(), record)) changed.push_back(record);
        }
        std::sort(changed.begin(), changed.end(), [this](std::uint32_t A, std::uint32_t B) { return Before(A, B); });
        const bool descending = Direction == TSortDirection::Descending;
        constexpr std::uint32_t step = 1u << 20;
        // Calls f for each generated record shown as generated, in number order, reporting
        // progress from Start to Start + Span.
        const auto eachGenerated = [&](double Start, double Span, auto&& F) {
            auto deleted = FDeleted.begin();
            auto edited = FEdited.begin();
            for (std::uint32_t r = 1; r <= FCount; ++r) {
                if (r % step == 0 && Progress && !Progress(Start + Span * r / static_cast<double>(FCount)))
                    throw ESourceCancelled();
                while (deleted != FDeleted.end() && *deleted < r) ++deleted;
                while (edited != FEdited.end() && edited->first < r) ++edited;
                if ((deleted != FDeleted.end() && *deleted == r) || (edited != FEdited.end() && edited->first == r)) continue;
                F(r);
            }
        };
        const std::size_t generated = index.size() - changed.size();
        std::uint32_t* out = index.data() + changed.size();
        if (Col == colNumber) {
            std::size_t n = 0;
            eachGenerated(0, 0.9, [&](std::uint32_t r) { out[descending ? generated - 1 - n++ : n++] = r; });
        } else {
            const std::uint32_t range = KeyRange(Col);
            std::vector<std::uint64_t> start(range + 1, 0);
            eachGenerated(0, 0.45, [&](std::uint32_t r) { ++start[GeneratedKey(Col, r - 1) + 1]; });
            for (std::uint32_t k = 1; k <= range; ++k) start[k] += start[k - 1];
            // Descending places each record at the mirror of its ascending place, ties included.
            eachGenerated(0.45, 0.45, [&](std::uint32_t r) {
                const std::uint64_t at = start[GeneratedKey(Col, r - 1)]++;
                out[descending ? generated - 1 - at : at] = r;
            });
        }
        // Merges forward into the front: the write position never passes the generated read one.
        std::size_t w = 0, g = changed.size(), c = 0;
        while (c < changed.size()) {
            if (g < index.size() && !Before(changed[c], index[g])) index[w++] = index[g++];
            else index[w++] = changed[c++];
        }
        if (Progress && !Progress(1)) throw ESourceCancelled();
        FIndex.swap(index);
    } catch (const std::bad_alloc&) {
        FOrderCol = oldCol;
        FDirection = oldDirection;
        throw ESourceError("Not enough memory to sort " + Grouped(rows) + " records");
    } catch (...) {
        FOrderCol = oldCol;
        FDirection = oldDirection;
        throw;
    }
}

std::string TGeneratedOrdersSource::ChangesCsv() const
{
    TChangesCsvWriter out(FColumns);
    const auto deleted = [&](std::uint32_t Record) { return std::binary_search(FDeleted.begin(), FDeleted.end(), Record); };
    for (const auto& [record, cells] : FEdited)
        if (!deleted(record)) out.Add("changed", cells);
    for (std::size_t i = 0; i < FAppended.size(); ++i)
        if (!deleted(static_cast<std::uint32_t>(FCount + 1 + static_cast<std::int64_t>(i)))) out.Add("appended", FAppended[i]);
    TSourceRow generated;
    for (const std::uint32_t record : FDeleted) {
        if (record > FCount) continue;
        const auto edited = FEdited.find(record);
        if (edited == FEdited.end()) ReadRecord(record, generated);
        out.Add("deleted", edited != FEdited.end() ? edited->second : generated);
    }
    return out.Text();
}

void TGeneratedOrdersSource::Refresh(const TSourceProgress& Progress)
{
    if (Progress && !Progress(0)) throw ESourceCancelled();
    if (Progress) Progress(1);
}

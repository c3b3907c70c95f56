// The CSV source's order: a sort of the file's records on keys taken from the mapping, with the
// records changed here merged in, and the placing of one record when its value changes.
#include "binding/CsvSource.h"

#include <algorithm>
#include <bit>
#include <string>
#include <utility>

#include "binding/CsvSourceImpl.h"
#include "binding/SourceValues.h"

using namespace ZelCsvDetail;

namespace {

// A double as an unsigned key that orders as the double does.
std::uint64_t OrderedBits(double Value)
{
    if (Value == 0) Value = 0; // -0 and 0 are one value
    const auto bits = std::bit_cast<std::uint64_t>(Value);
    return bits & (1ull << 63) ? ~bits : bits | (1ull << 63);
}

char Folded(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

// The length of the prefix Text shares with First (folded), no longer than Common; the first
// text met becomes First.
std::size_t CommonFoldedPrefix(std::string& First, std::string_view Text, std::size_t Common, bool& FirstSet)
{
    if (!FirstSet) {
        FirstSet = true;
        First.assign(Text);
        for (char& c : First) c = Folded(c);
        return First.size();
    }
    std::size_t n = 0;
    const std::size_t most = std::min(Common, Text.size());
    while (n < most && Folded(Text[n]) == First[n]) ++n;
    return n;
}

// The first eight bytes of Text, ASCII letters in lower case, as a big-endian key.
std::uint64_t TextPrefix(std::string_view Text)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        unsigned char c = i < Text.size() ? static_cast<unsigned char>(Text[i]) : 0;
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
        key = key << 8 | c;
    }
    return key;
}

// The text of field Col of a record as written (doubled quotes made single).
std::string_view FieldOf(std::string_view Record, int Col, std::string& Scratch)
{
    std::string_view text;
    int at = 0;
    EachField(Record, [&](std::string_view Raw, bool Quoted) {
        if (at++ < Col) return true;
        text = Unquoted(Raw, Quoted, Scratch);
        return false;
    });
    return text;
}

} // namespace

std::string_view TCsvSource::SortText(std::int64_t Record, int Col, std::string& Scratch) const
{
    if (!FEdits.empty())
        if (const auto at = FEdits.find(EditKey(Record, Col)); at != FEdits.end()) return at->second;
    if (Record >= FileRecords()) return {};
    return FieldOf(RecordText(Record), Col, Scratch);
}

bool TCsvSource::AscendingBefore(std::int64_t Record, std::int64_t Other) const
{
    std::string scratchA, scratchB;
    const int c = CompareSourceValues(FColumns[static_cast<std::size_t>(FOrderCol)].Kind, SortText(Record, FOrderCol, scratchA),
                                      SortText(Other, FOrderCol, scratchB));
    return c != 0 ? c < 0 : Record < Other;
}

std::int64_t TCsvSource::PlaceInOrder(std::int64_t Record)
{
    const bool descending = FDirection == TSortDirection::Descending;
    const auto at = std::lower_bound(FOrder.begin(), FOrder.end(), Record, [&](std::uint32_t A, std::int64_t B) {
        return descending ? AscendingBefore(B, A) : AscendingBefore(A, B);
    });
    return FOrder.insert(at, static_cast<std::uint32_t>(Record)) - FOrder.begin();
}

void TCsvSource::Sort(int Col, TSortDirection Direction, std::vector<std::uint32_t>& Order,
                      const TSourceProgress& Progress) const
{
    Order.clear();
    if (Direction == TSortDirection::None) return;
    CheckFileIntact();
    // Each record's key, and where its field lies in the mapping for the comparisons the key
    // cannot decide (the top bits of Where hold the rank and whether the field has doubled quotes).
    struct TEntry {
        std::uint64_t Key;
        std::uint64_t Where;
        std::uint32_t Length;
        std::uint32_t Record;
    };
    constexpr int RankShift = 62;
    constexpr std::uint64_t DoubledQuotes = 1ull << 61, OffsetMask = DoubledQuotes - 1;
    const TSourceColumnKind kind = FColumns[static_cast<std::size_t>(Col)].Kind;
    const auto records = static_cast<std::size_t>(FileRecords());
    if (Progress && !Progress(0)) throw ESourceCancelled();
    // Records whose value is not the file's (edited in this column, or appended) are placed
    // among the others after these are sorted; deleted ones are left out.
    std::vector<std::uint32_t> changed;
    for (const auto& [key, value] : FEdits)
        if (static_cast<int>(key & 0xFFFF) == Col && !IsDeleted(static_cast<std::int64_t>(key >> 16)))
            changed.push_back(static_cast<std::uint32_t>(key >> 16));
    const std::size_t editedFileRecords =
        static_cast<std::size_t>(std::lower_bound(changed.begin(), changed.end(), records) - changed.begin());
    for (std::int64_t record = FileRecords(); record < RecordTotal(); ++record)
        if (!IsDeleted(record) && !FEdits.count(EditKey(record, Col))) changed.push_back(static_cast<std::uint32_t>(record));
    std::vector<TEntry> entries;
    entries.reserve(records);
    auto deleted = FDeleted.begin();
    auto edited = changed.begin();
    const auto editedEnd = changed.begin() + static_cast<std::ptrdiff_t>(editedFileRecords);
    std::string scratch;
    // The prefix, without regard to case, that every non-empty text of the column shares.
    std::string first;
    bool firstSet = false;
    std::size_t common = 0;
    for (std::size_t r = 0; r < records; ++r) {
        if (r % (1 << 20) == (1 << 20) - 1 && Progress && !Progress(0.5 * static_cast<double>(r) / static_cast<double>(records)))
            throw ESourceCancelled();
        while (deleted != FDeleted.end() && *deleted < r) ++deleted;
        while (edited != editedEnd && *edited < r) ++edited;
        if ((deleted != FDeleted.end() && *deleted == r) || (edited != editedEnd && *edited == r)) continue;
        std::string_view raw;
        bool quoted = false;
        int at = 0;
        EachField(RecordText(static_cast<std::int64_t>(r)), [&](std::string_view Raw, bool Quoted) {
            if (at++ < Col) return true;
            raw = Raw;
            quoted = Quoted;
            return false;
        });
        const bool doubled = quoted && raw.find('"') != std::string_view::npos;
        const std::string_view text = doubled ? Unquoted(raw, true, scratch) : raw;
        TEntry& e = entries.emplace_back();
        e.Record = static_cast<std::uint32_t>(r);
        e.Length = static_cast<std::uint32_t>(std::min<std::size_t>(raw.size(), UINT32_MAX));
        e.Key = 0;
        std::uint64_t rank = 0;
        if (kind == TSourceColumnKind::Text) {
            rank = text.empty() ? 0 : 1;
            if (!text.empty()) common = CommonFoldedPrefix(first, text, common, firstSet);
        } else {
            const TSourceSortKey key = SourceSortKey(kind, text);
            rank = static_cast<std::uint64_t>(key.Rank);
            e.Key = key.Rank == 1 ? OrderedBits(key.Number) : 0;
        }
        const auto offset = static_cast<std::uint64_t>(raw.data() - FMap.Data);
        e.Where = rank << RankShift | (doubled ? DoubledQuotes : 0) | offset;
    }
    std::string scratchA, scratchB;
    const auto text = [&](const TEntry& E, std::string& Scratch) {
        const std::string_view raw(FMap.Data + (E.Where & OffsetMask), E.Length);
        return E.Where & DoubledQuotes ? Unquoted(raw, true, Scratch) : raw;
    };
    // Texts key on the bytes after the prefix they all share ("Customer 1042" on "1042"), so
    // that the key decides nearly every comparison.
    if (kind == TSourceColumnKind::Text)
        for (TEntry& e : entries) {
            const std::string_view value = text(e, scratchA);
            e.Key = TextPrefix(value.substr(std::min(common, value.size())));
        }
    const auto compare = [&](const TEntry& A, const TEntry& B) {
        const std::uint64_t rankA = A.Where >> RankShift, rankB = B.Where >> RankShift;
        if (rankA != rankB) return rankA < rankB ? -1 : 1;
        if (rankA == 0) return 0;
        if (kind != TSourceColumnKind::Text && rankA == 1) return A.Key < B.Key ? -1 : A.Key > B.Key;
        if (A.Key != B.Key) return A.Key < B.Key ? -1 : 1;
        // Equal keys that hold the whole of two texts of one length: the texts are equal.
        if (kind == TSourceColumnKind::Text && A.Length == B.Length && A.Length <= common + 8 &&
            !((A.Where | B.Where) & DoubledQuotes))
            return 0;
        // Texts whose prefixes tie, and values not of the kind, compare in full.
        return CompareSourceValues(TSourceColumnKind::Text, text(A, scratchA), text(B, scratchB));
    };
    std::sort(entries.begin(), entries.end(), [&](const TEntry& A, const TEntry& B) {
        const int c = compare(A, B);
        return c != 0 ? c < 0 : A.Record < B.Record;
    });
    if (Progress && !Progress(0.9)) throw ESourceCancelled();
    Order.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) Order[i] = entries[i].Record;
    std::vector<TEntry>().swap(entries);
    if (!changed.empty()) {
        // Each changed record goes where a search of the sorted ones puts it.
        const auto before = [&](std::int64_t A, std::int64_t B) {
            std::string a, b;
            const int c = CompareSourceValues(kind, SortText(A, Col, a), SortText(B, Col, b));
            return c != 0 ? c < 0 : A < B;
        };
        std::sort(changed.begin(), changed.end(), before);
        std::vector<std::uint32_t> merged;
        merged.reserve(Order.size() + changed.size());
        auto from = Order.begin();
        for (const std::uint32_t record : changed) {
            const auto at = std::lower_bound(from, Order.end(), record, before);
            merged.insert(merged.end(), from, at);
            merged.push_back(record);
            from = at;
        }
        merged.insert(merged.end(), from, Order.end());
        Order.swap(merged);
    }
    // Descending is the exact reverse of ascending, ties included.
    if (Direction == TSortDirection::Descending) std::reverse(Order.begin(), Order.end());
}

void TCsvSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress)
{
    if (Direction != TSortDirection::None && (Col < 0 || Col >= static_cast<int>(FColumns.size())))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    std::vector<std::uint32_t> order;
    Sort(Col, Direction, order, Progress);
    FOrder = std::move(order);
    FOrderCol = Direction == TSortDirection::None ? -1 : Col;
    FDirection = Direction;
}

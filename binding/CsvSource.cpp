// The CSV source. Indexing is one pass over the mapped file: 64 bytes at a time are compared
// with the four bytes that matter (comma, quote, CR, LF) and only those positions are walked
// by the record state machine, which checks every record as it goes.
#include "binding/CsvSource.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "binding/SourceValues.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The offset of the first byte that does not belong to a well-formed UTF-8 sequence (overlong
// forms, surrogates and code points past U+10FFFF included), or npos.
std::size_t InvalidUtf8At(std::string_view Text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t n = Text.size();
    std::size_t i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0, least = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
            least = 0x10000;
        } else {
            return i;
        }
        if (n - i < len) return i;
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return i;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
        i += len;
    }
    return std::string_view::npos;
}

std::string Latin1ToUtf8(std::string_view Text)
{
    std::string out;
    out.reserve(Text.size() + Text.size() / 4);
    for (const char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
            continue;
        }
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string BaseName(const std::string& Path)
{
    const std::size_t slash = Path.find_last_of('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

// The record's text without its line break.
std::string_view WithoutLineBreak(std::string_view Text)
{
    if (!Text.empty() && Text.back() == '\n') Text.remove_suffix(1);
    if (!Text.empty() && Text.back() == '\r') Text.remove_suffix(1);
    return Text;
}

// Walks the fields of one record (checked when indexed): Visit(Raw, Quoted) for each, where a
// quoted field's Raw is the text between its quotes with doubled quotes still doubled.
template <class TVisit>
void EachField(std::string_view Record, TVisit&& Visit)
{
    std::size_t pos = 0;
    const std::size_t n = Record.size();
    for (;;) {
        if (pos < n && Record[pos] == '"') {
            std::size_t at = pos + 1;
            for (;;) {
                const void* q = std::memchr(Record.data() + at, '"', n - at);
                if (!q) {
                    at = n;
                    break;
                }
                at = static_cast<std::size_t>(static_cast<const char*>(q) - Record.data());
                if (at + 1 < n && Record[at + 1] == '"') {
                    at += 2;
                    continue;
                }
                break;
            }
            if (!Visit(Record.substr(pos + 1, at - pos - 1), true)) return;
            pos = std::min(n, at + 1);
        } else {
            const void* c = std::memchr(Record.data() + pos, ',', n - pos);
            const std::size_t end = c ? static_cast<std::size_t>(static_cast<const char*>(c) - Record.data()) : n;
            if (!Visit(Record.substr(pos, end - pos), false)) return;
            pos = end;
        }
        // Past the separator; a record ends at its last field.
        if (pos >= n) return;
        ++pos;
    }
}

// A quoted field's text with its doubled quotes made single.
std::string_view Unquoted(std::string_view Raw, bool Quoted, std::string& Scratch)
{
    if (!Quoted || Raw.find('"') == std::string_view::npos) return Raw;
    Scratch.clear();
    for (std::size_t i = 0; i < Raw.size(); ++i) {
        Scratch += Raw[i];
        if (Raw[i] == '"' && i + 1 < Raw.size() && Raw[i + 1] == '"') ++i;
    }
    return Scratch;
}

struct TIndexError {
    std::size_t Offset;
    std::string Reason;
};

// What indexing found: the header's fields and where each data record starts.
struct TIndexResult {
    std::size_t HeaderBegin = 0, HeaderEnd = 0;
    std::vector<std::uint64_t> Offsets;
};

// The record state machine over the positions of the bytes that matter.
class TCsvIndexer {
public:
    TCsvIndexer(const char* Data, std::size_t Size, std::size_t Begin, TIndexResult& Result)
        : D(Data), N(Size), FRecordStart(Begin), FFieldStart(Begin), FOffsets(Result.Offsets), FResult(Result)
    {
        FResult.HeaderBegin = Begin;
    }

    void Run(const TSourceProgress& Progress)
    {
        if (Progress && !Progress(0)) throw ESourceCancelled();
        ReserveByEstimate();
        std::size_t p = FRecordStart;
        std::size_t nextReport = p + ReportEvery;
#if defined(__SSE2__)
        const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"'), cr = _mm_set1_epi8('\r'),
                      lf = _mm_set1_epi8('\n');
        const auto specials = [&](const char* At) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(At));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)),
                                             _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit)));
        };
        for (; p + 64 <= N; p += 64) {
            std::uint64_t mask = specials(D + p) | specials(D + p + 16) << 16 | specials(D + p + 32) << 32 |
                                 specials(D + p + 48) << 48;
            while (mask) {
                Handle(p + static_cast<std::size_t>(std::countr_zero(mask)));
                mask &= mask - 1;
            }
            if (p >= nextReport) {
                if (Progress && !Progress(static_cast<double>(p) / static_cast<double>(N))) throw ESourceCancelled();
                nextReport = p + ReportEvery;
            }
        }
#endif
        for (; p < N; ++p) {
            const char c = D[p];
            if (c == ',' || c == '"' || c == '\r' || c == '\n') Handle(p);
        }
        Finish();
    }

private:
    static constexpr std::size_t ReportEvery = std::size_t{32} << 20;

    // Reserves the index for the record length the start of the file shows, so that a large
    // file's index is not copied while it grows.
    void ReserveByEstimate()
    {
        const std::size_t probe = std::min<std::size_t>(N - FRecordStart, 1 << 20);
        const auto lines = static_cast<std::size_t>(std::count(D + FRecordStart, D + FRecordStart + probe, '\n'));
        if (lines < 2 || probe < (1 << 20)) return;
        FOffsets.reserve((N - FRecordStart) / (probe / lines) * 9 / 8 + 16);
    }

    [[noreturn]] void Fail(std::size_t Offset, std::string Reason) { throw TIndexError{Offset, std::move(Reason)}; }

    void Handle(std::size_t P)
    {
        if (P == FIgnore) return;
        const char c = D[P];
        if (FInQuotes) {
            if (c != '"') return;
            if (P + 1 < N && D[P + 1] == '"') {
                FIgnore = P + 1;
                return;
            }
            FInQuotes = false;
            if (P + 1 < N && D[P + 1] != ',' && D[P + 1] != '\n' && D[P + 1] != '\r')
                Fail(P + 1, "text after the closing quote of a field");
            return;
        }
        switch (c) {
        case '"':
            if (P != FFieldStart) Fail(P, "a quote inside an unquoted field");
            FInQuotes = true;
            FQuoteStart = P;
            break;
        case ',':
            ++FFields;
            FFieldStart = P + 1;
            break;
        case '\r':
            if (P + 1 >= N || D[P + 1] != '\n') Fail(P, "a carriage return without a line feed");
            break;
        default: // '\n'
            EndRecord(P + 1);
            break;
        }
    }

    void EndRecord(std::size_t Next)
    {
        if (FColumns == 0) {
            bool unnamed = false;
            EachField(WithoutLineBreak(std::string_view(D + FRecordStart, Next - FRecordStart)), [&](std::string_view Raw, bool) {
                unnamed = unnamed || Raw.empty();
                return !unnamed;
            });
            if (unnamed) Fail(FRecordStart, "a column without a name in the header");
            if (FFields > 0xFFFF) Fail(FRecordStart, "more than 65535 columns");
            FColumns = FFields;
            FResult.HeaderEnd = Next;
            FOffsets.push_back(Next);
        } else {
            if (FFields != FColumns)
                Fail(FRecordStart, std::to_string(FFields) + " fields where the header names " + std::to_string(FColumns));
            FOffsets.push_back(Next);
        }
        FRecordStart = FFieldStart = Next;
        FFields = 1;
    }

    void Finish()
    {
        if (FInQuotes) Fail(FQuoteStart, "a quoted field is never closed");
        // The last record may end without a line break.
        if (FRecordStart < N || FColumns == 0) EndRecord(N);
        if (FOffsets.size() - 1 > UINT32_MAX) Fail(N, "more than 4294967295 records");
        if (FOffsets.capacity() > FOffsets.size() + FOffsets.size() / 4) FOffsets.shrink_to_fit();
    }

    const char* D;
    std::size_t N;
    std::size_t FRecordStart, FFieldStart;
    std::size_t FFields = 1;
    std::size_t FColumns = 0; // 0 while reading the header
    std::size_t FIgnore = SIZE_MAX;
    std::size_t FQuoteStart = 0;
    bool FInQuotes = false;
    std::vector<std::uint64_t>& FOffsets;
    TIndexResult& FResult;
};

int LineAt(const char* Data, std::size_t Offset)
{
    return 1 + static_cast<int>(std::count(Data, Data + Offset, '\n'));
}

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

const char* const ReadOnlyReason = "CSV files are shown read-only; the file was not changed";

} // namespace

std::string CsvFieldText(std::string_view Text)
{
    if (InvalidUtf8At(Text) == std::string_view::npos) return std::string(Text);
    return Latin1ToUtf8(Text);
}

void TCsvSource::TMapping::Release()
{
    if (Data) ::munmap(const_cast<char*>(Data), Size);
    if (Fd >= 0) ::close(Fd);
    *this = TMapping{};
}

TCsvSource::TCsvSource(std::string FileName, const TSourceProgress& Progress) : FFileName(std::move(FileName))
{
    Load(Progress);
}

TCsvSource::~TCsvSource() { FMap.Release(); }

std::string TCsvSource::Description() const { return BaseName(FFileName) + ", CSV file"; }

void TCsvSource::Load(const TSourceProgress& Progress)
{
    TMapping map;
    struct TGuard {
        TMapping& Map;
        ~TGuard() { Map.Release(); }
    } guard{map};
    // Opened without waiting for a writer, so that a fifo is refused instead of hanging.
    map.Fd = ::open(FFileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (map.Fd < 0) throw ESourceError("Cannot open " + FFileName + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(map.Fd, &st) != 0) throw ESourceError("Cannot read " + FFileName + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw ESourceError(FFileName + " is not a regular file");

    map.Size = static_cast<std::size_t>(st.st_size);
    const auto empty = [&] {
        return ESourceError(FFileName + ", line 1: the file is empty; the first line must name the columns");
    };
    if (map.Size == 0) throw empty();
    void* data = ::mmap(nullptr, map.Size, PROT_READ, MAP_PRIVATE, map.Fd, 0);
    if (data == MAP_FAILED) throw ESourceError("Cannot map " + FFileName + ": " + std::strerror(errno));
    map.Data = static_cast<const char*>(data);
    ::madvise(data, map.Size, MADV_SEQUENTIAL);

    const std::size_t begin = map.Size >= 3 && std::memcmp(map.Data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    if (begin == map.Size) throw empty();
    TIndexResult index;
    try {
        TCsvIndexer(map.Data, map.Size, begin, index).Run(Progress);
    } catch (const TIndexError& E) {
        throw ESourceError(FFileName + ", line " + std::to_string(LineAt(map.Data, E.Offset)) + ": " + E.Reason);
    }
    ::madvise(data, map.Size, MADV_NORMAL);

    std::vector<TSourceColumn> columns;
    std::string scratch;
    const std::string_view header =
        WithoutLineBreak(std::string_view(map.Data + index.HeaderBegin, index.HeaderEnd - index.HeaderBegin));
    EachField(header, [&](std::string_view Raw, bool Quoted) {
        columns.push_back({CsvFieldText(Unquoted(Raw, Quoted, scratch)), TSourceColumnKind::Text});
        return true;
    });

    // Everything is read: the new state replaces the old one.
    std::swap(FMap, map);
    FOffsets = std::move(index.Offsets);
    FColumns = std::move(columns);
    GuessKinds();
}

void TCsvSource::GuessKinds()
{
    // A sample spread over the file; each column keeps what all its values could be.
    struct TGuess {
        bool Integer = true, Number = true, Date = true, Any = false;
    };
    std::vector<TGuess> guesses(FColumns.size());
    const std::int64_t records = RowCount();
    const std::int64_t samples = std::min<std::int64_t>(records, 200);
    std::string scratch;
    for (std::int64_t i = 0; i < samples; ++i) {
        std::size_t col = 0;
        EachField(RecordText(i * records / samples), [&](std::string_view Raw, bool Quoted) {
            if (col >= guesses.size()) return false;
            TGuess& g = guesses[col++];
            const std::string_view text = Unquoted(Raw, Quoted, scratch);
            if (text.empty() || !(g.Integer || g.Number || g.Date)) return true;
            g.Any = true;
            const TSourceColumnKind kind = GuessColumnKind({text});
            g.Integer = g.Integer && kind == TSourceColumnKind::Integer;
            g.Number = g.Number && (kind == TSourceColumnKind::Integer || kind == TSourceColumnKind::Number);
            g.Date = g.Date && kind == TSourceColumnKind::Date;
            return true;
        });
    }
    for (std::size_t c = 0; c < FColumns.size(); ++c) {
        const TGuess& g = guesses[c];
        FColumns[c].Kind = !g.Any      ? TSourceColumnKind::Text
                           : g.Integer ? TSourceColumnKind::Integer
                           : g.Number  ? TSourceColumnKind::Number
                           : g.Date    ? TSourceColumnKind::Date
                                       : TSourceColumnKind::Text;
    }
}

std::string_view TCsvSource::RecordText(std::int64_t Record) const
{
    const auto r = static_cast<std::size_t>(Record);
    const std::uint64_t begin = FOffsets[r], end = FOffsets[r + 1];
    return WithoutLineBreak(std::string_view(FMap.Data + begin, end - begin));
}

void TCsvSource::DecodeRecord(std::int64_t Record, TSourceRow& Row) const
{
    Row.resize(FColumns.size());
    std::size_t col = 0;
    std::string scratch;
    EachField(RecordText(Record), [&](std::string_view Raw, bool Quoted) {
        if (col >= Row.size()) return false;
        Row[col++] = CsvFieldText(Unquoted(Raw, Quoted, scratch));
        return true;
    });
    for (; col < Row.size(); ++col) Row[col].clear();
}

void TCsvSource::CheckFileIntact() const
{
    struct stat st {};
    if (::fstat(FMap.Fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < FMap.Size)
        throw ESourceError(FFileName + " was shortened by another program; refresh to read it again");
}

std::int64_t TCsvSource::RecordAt(std::int64_t Row) const
{
    return FOrder.empty() ? Row : static_cast<std::int64_t>(FOrder[static_cast<std::size_t>(Row)]);
}

void TCsvSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    Rows.clear();
    const std::int64_t rows = RowCount();
    First = std::max<std::int64_t>(First, 0);
    if (Count <= 0 || First >= rows) return;
    CheckFileIntact();
    const std::int64_t last = std::min(rows, First + Count);
    Rows.resize(static_cast<std::size_t>(last - First));
    for (std::int64_t row = First; row < last; ++row) DecodeRecord(RecordAt(row), Rows[static_cast<std::size_t>(row - First)]);
}

std::string TCsvSource::UpdateCell(std::int64_t, int, const std::string&) { return ReadOnlyReason; }
std::string TCsvSource::InsertRecord(std::int64_t&) { return ReadOnlyReason; }
std::string TCsvSource::DeleteRecord(std::int64_t) { return ReadOnlyReason; }

std::size_t TCsvSource::IndexBytes() const
{
    return FOffsets.capacity() * sizeof(std::uint64_t) + FOrder.capacity() * sizeof(std::uint32_t);
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
    const std::size_t records = FOffsets.size() - 1;
    if (Progress && !Progress(0)) throw ESourceCancelled();
    std::vector<TEntry> entries(records);
    std::string scratch;
    // The prefix, without regard to case, that every non-empty text of the column shares.
    std::string first;
    bool firstSet = false;
    std::size_t common = 0;
    for (std::size_t r = 0; r < records; ++r) {
        if (r % (1 << 20) == (1 << 20) - 1 && Progress && !Progress(0.5 * static_cast<double>(r) / static_cast<double>(records)))
            throw ESourceCancelled();
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
        TEntry& e = entries[r];
        e.Record = static_cast<std::uint32_t>(r);
        e.Length = static_cast<std::uint32_t>(std::min<std::size_t>(raw.size(), UINT32_MAX));
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
        // Texts whose prefixes tie, and values not of the column's kind, compare in full.
        return CompareSourceValues(TSourceColumnKind::Text, text(A, scratchA), text(B, scratchB));
    };
    const bool descending = Direction == TSortDirection::Descending;
    std::sort(entries.begin(), entries.end(), [&](const TEntry& A, const TEntry& B) {
        const int c = compare(A, B);
        if (c != 0) return descending ? c > 0 : c < 0;
        return A.Record < B.Record;
    });
    if (Progress && !Progress(0.9)) throw ESourceCancelled();
    Order.resize(records);
    for (std::size_t i = 0; i < records; ++i) Order[i] = entries[i].Record;
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

void TCsvSource::Refresh(const TSourceProgress& Progress)
{
    // The new file is read beside the old state, which stays until the new one is complete.
    TCsvSource fresh(FFileName, Progress);
    if (FDirection != TSortDirection::None && FOrderCol < static_cast<int>(fresh.FColumns.size()))
        fresh.SetOrder(FOrderCol, FDirection, Progress);
    std::swap(FMap, fresh.FMap);
    FOffsets = std::move(fresh.FOffsets);
    FColumns = std::move(fresh.FColumns);
    FOrder = std::move(fresh.FOrder);
    FOrderCol = fresh.FOrderCol;
    FDirection = fresh.FDirection;
}

// The CSV source. Indexing is one pass over the mapped file: 64 bytes at a time are compared
// with the four bytes that matter (comma, quote, CR, LF) and only those positions are walked
// by the record state machine, which checks every record as it goes. The same pass notes which
// records hold a byte past ASCII; only those are checked for UTF-8.
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
#include <iterator>
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
    // Fields and records that are not valid UTF-8, and the offset of the first such byte.
    std::int64_t Latin1Fields = 0, Latin1Records = 0;
    std::size_t FirstLatin1 = 0;
};

// The bytes of a block of up to 64 that matter to the record state machine (comma, quote, CR,
// LF), and those past ASCII, as bit masks.
struct TBlockMasks {
    std::uint64_t Specials = 0, High = 0;
};

TBlockMasks ScanBlock(const char* At, std::size_t Length)
{
    TBlockMasks masks;
#if defined(__SSE2__)
    if (Length == 64) {
        const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"'), cr = _mm_set1_epi8('\r'),
                      lf = _mm_set1_epi8('\n');
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(At + 16 * k));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)),
                                             _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
            masks.Specials |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * k);
            masks.High |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v))) << (16 * k);
        }
        return masks;
    }
#endif
    for (std::size_t i = 0; i < Length; ++i) {
        const char c = At[i];
        if (c == ',' || c == '"' || c == '\r' || c == '\n') masks.Specials |= std::uint64_t{1} << i;
        if (static_cast<unsigned char>(c) >= 0x80) masks.High |= std::uint64_t{1} << i;
    }
    return masks;
}

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
        std::size_t nextReport = FRecordStart + ReportEvery;
        for (std::size_t p = FRecordStart; p < N; p += 64) {
            const TBlockMasks masks = ScanBlock(D + p, std::min<std::size_t>(64, N - p));
            FBlock = p;
            FBlockHigh = masks.High;
            for (std::uint64_t mask = masks.Specials; mask; mask &= mask - 1)
                Handle(p + static_cast<std::size_t>(std::countr_zero(mask)));
            if (masks.High) FHighEnd = p + 64 - static_cast<std::size_t>(std::countl_zero(masks.High));
            FBlockHigh = 0;
            if (p >= nextReport) {
                if (Progress && !Progress(static_cast<double>(p) / static_cast<double>(N))) throw ESourceCancelled();
                nextReport = p + ReportEvery;
            }
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

    // Whether a byte past ASCII lies in [Begin, End): in a block before the current one, or in
    // the current one (End is at most its end).
    bool HasHighByte(std::size_t Begin, std::size_t End) const
    {
        if (FHighEnd > Begin) return true;
        if (!FBlockHigh || End <= FBlock) return false;
        const std::size_t low = Begin > FBlock ? Begin - FBlock : 0, high = End - FBlock;
        if (low >= high) return false;
        std::uint64_t mask = high >= 64 ? FBlockHigh : FBlockHigh & ((std::uint64_t{1} << high) - 1);
        return (mask >> low) != 0;
    }

    // Counts the fields of a record holding bytes past ASCII that are not valid UTF-8.
    void CheckUtf8(std::size_t Begin, std::size_t End)
    {
        const std::string_view record = WithoutLineBreak(std::string_view(D + Begin, End - Begin));
        if (InvalidUtf8At(record) == std::string_view::npos) return;
        ++FResult.Latin1Records;
        EachField(record, [&](std::string_view Raw, bool) {
            const std::size_t bad = InvalidUtf8At(Raw);
            if (bad == std::string_view::npos) return true;
            if (FResult.Latin1Fields++ == 0) FResult.FirstLatin1 = static_cast<std::size_t>(Raw.data() - D) + bad;
            return true;
        });
    }

    void EndRecord(std::size_t Next)
    {
        if (HasHighByte(FRecordStart, Next)) CheckUtf8(FRecordStart, Next);
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
    // The block being walked and its bytes past ASCII; one past the last such byte before it.
    std::size_t FBlock = 0;
    std::uint64_t FBlockHigh = 0;
    std::size_t FHighEnd = 0;
    std::vector<std::uint64_t>& FOffsets;
    TIndexResult& FResult;
};

std::int64_t LineAt(const char* Data, std::size_t Offset)
{
    return 1 + static_cast<std::int64_t>(std::count(Data, Data + Offset, '\n'));
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

// Why Value does not suit a column of Kind, or empty; an empty value suits every kind.
std::string KindProblem(TSourceColumnKind Kind, const std::string& Value)
{
    if (Value.empty()) return {};
    std::int64_t whole = 0;
    double number = 0;
    switch (Kind) {
    case TSourceColumnKind::Text: return {};
    case TSourceColumnKind::Integer:
        return ParseSourceInteger(Value, whole) ? "" : "'" + Value + "' is not a valid whole number.";
    case TSourceColumnKind::Number:
        return ParseSourceNumber(Value, number) ? "" : "'" + Value + "' is not a valid number.";
    case TSourceColumnKind::Date:
        return ParseSourceDate(Value, whole) ? "" : "'" + Value + "' is not a valid date (YYYY-MM-DD).";
    }
    return {};
}

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

    TCsvLatin1Notes latin1;
    latin1.Fields = index.Latin1Fields;
    latin1.Records = index.Latin1Records;
    if (latin1.Fields) latin1.FirstLine = LineAt(map.Data, index.FirstLatin1);

    // Everything is read: the new state replaces the old one.
    std::swap(FMap, map);
    FOffsets = std::move(index.Offsets);
    FColumns = std::move(columns);
    FLatin1 = latin1;
    GuessKinds();
}

void TCsvSource::GuessKinds()
{
    // A sample spread over the file; each column keeps what all its values could be.
    struct TGuess {
        bool Integer = true, Number = true, Date = true, Any = false;
    };
    std::vector<TGuess> guesses(FColumns.size());
    const std::int64_t records = FileRecords();
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
            // Only the kinds still open are tried: a wide file's sample is most of the file.
            std::int64_t whole = 0;
            double number = 0;
            const bool integer = g.Integer && ParseSourceInteger(text, whole);
            const bool isNumber = integer || (g.Number && ParseSourceNumber(text, number));
            g.Integer = integer;
            g.Number = g.Number && isNumber;
            g.Date = !isNumber && g.Date && ParseSourceDate(text, whole);
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
    if (Record < FileRecords()) {
        std::string scratch;
        EachField(RecordText(Record), [&](std::string_view Raw, bool Quoted) {
            if (col >= Row.size()) return false;
            Row[col++] = CsvFieldText(Unquoted(Raw, Quoted, scratch));
            return true;
        });
    }
    for (; col < Row.size(); ++col) Row[col].clear();
    if (FEdits.empty()) return;
    const auto end = FEdits.lower_bound(EditKey(Record + 1, 0));
    for (auto at = FEdits.lower_bound(EditKey(Record, 0)); at != end; ++at) Row[at->first & 0xFFFF] = at->second;
}

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

bool TCsvSource::IsDeleted(std::int64_t Record) const
{
    return std::binary_search(FDeleted.begin(), FDeleted.end(), static_cast<std::uint32_t>(Record));
}

std::string TCsvSource::FileProblem() const
{
    struct stat st {};
    if (::fstat(FMap.Fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < FMap.Size)
        return FFileName + " was shortened by another program; refresh to read it again";
    return {};
}

void TCsvSource::CheckFileIntact() const
{
    if (std::string problem = FileProblem(); !problem.empty()) throw ESourceError(problem);
}

std::int64_t TCsvSource::RecordAt(std::int64_t Row) const
{
    if (FDirection != TSortDirection::None) return FOrder[static_cast<std::size_t>(Row)];
    return UndeletedNumber(FDeleted, Row);
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

std::string TCsvSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    if (!FKeepChanges) return ReadOnlyReason;
    if (Col < 0 || Col >= static_cast<int>(FColumns.size())) return "There is no column " + std::to_string(Col);
    if (Row < 0 || Row >= RowCount()) return "There is no row " + std::to_string(Row);
    if (std::string problem = KindProblem(FColumns[static_cast<std::size_t>(Col)].Kind, Value); !problem.empty())
        return problem;
    const bool moves = FDirection != TSortDirection::None && Col == FOrderCol;
    // Placing the record again compares it with others in the file.
    if (const std::string problem = moves ? FileProblem() : std::string(); !problem.empty()) return problem;
    const std::int64_t record = RecordAt(Row);
    FEdits.insert_or_assign(EditKey(record, Col), std::string(Value));
    ++FRevision;
    if (!moves) return {};
    // The record leaves the order and comes back at its new place; the order keeps its capacity,
    // so putting it back cannot fail.
    FOrder.erase(FOrder.begin() + Row);
    PlaceInOrder(record);
    return {};
}

std::string TCsvSource::InsertRecord(std::int64_t& Row)
{
    if (!FKeepChanges) return ReadOnlyReason;
    if (RecordTotal() >= UINT32_MAX) return "The table is full: it holds 4,294,967,295 records";
    const std::int64_t record = RecordTotal();
    if (FDirection == TSortDirection::None) {
        ++FAppended;
        Row = RowCount() - 1;
    } else {
        if (const std::string problem = FileProblem(); !problem.empty()) return problem;
        if (FOrder.size() == FOrder.capacity()) FOrder.reserve(FOrder.size() + FOrder.size() / 2 + 16);
        ++FAppended;
        Row = PlaceInOrder(record);
    }
    ++FRevision;
    return {};
}

std::string TCsvSource::DeleteRecord(std::int64_t Row)
{
    if (!FKeepChanges) return ReadOnlyReason;
    if (Row < 0 || Row >= RowCount()) return "There is no row " + std::to_string(Row);
    const std::int64_t record = RecordAt(Row);
    const auto r = static_cast<std::uint32_t>(record);
    FDeleted.insert(std::upper_bound(FDeleted.begin(), FDeleted.end(), r), r);
    if (FDirection != TSortDirection::None) FOrder.erase(FOrder.begin() + Row);
    // An appended record deleted again is in no list of changes: what it held goes.
    if (record >= FileRecords()) FEdits.erase(FEdits.lower_bound(EditKey(record, 0)), FEdits.lower_bound(EditKey(record + 1, 0)));
    ++FRevision;
    return {};
}

std::string TCsvSource::ChangesCsv() const
{
    CheckFileIntact();
    TChangesCsvWriter out(FColumns);
    TSourceRow row;
    const auto write = [&](const char* Change, std::int64_t Record) {
        DecodeRecord(Record, row);
        out.Add(Change, row);
    };
    const std::int64_t fileRecords = FileRecords();
    for (auto at = FEdits.begin(); at != FEdits.end();) {
        const auto record = static_cast<std::int64_t>(at->first >> 16);
        if (record >= fileRecords) break;
        if (!IsDeleted(record)) write("changed", record);
        at = FEdits.lower_bound(EditKey(record + 1, 0));
    }
    for (std::int64_t record = fileRecords; record < RecordTotal(); ++record)
        if (!IsDeleted(record)) write("appended", record);
    for (const std::uint32_t record : FDeleted) {
        if (record >= fileRecords) break;
        write("deleted", record);
    }
    return out.Text();
}

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

void TCsvSource::Refresh(const TSourceProgress& Progress)
{
    // The new file is read beside the old state, which stays until the new one is complete.
    TCsvSource fresh(FFileName, Progress);
    if (HasChanges()) {
        bool sameColumns = fresh.FColumns.size() == FColumns.size();
        for (std::size_t c = 0; sameColumns && c < FColumns.size(); ++c) sameColumns = fresh.FColumns[c].Name == FColumns[c].Name;
        if (!sameColumns)
            throw ESourceError(FFileName +
                               " now has other columns; the changes made here are kept with the old ones until they are saved");
        // The highest record of the file that a change refers to.
        const std::int64_t oldRecords = FileRecords(), newRecords = fresh.FileRecords();
        std::int64_t highest = -1;
        if (const auto at = FEdits.lower_bound(EditKey(oldRecords, 0)); at != FEdits.begin())
            highest = static_cast<std::int64_t>(std::prev(at)->first >> 16);
        const auto deletedEnd = std::lower_bound(FDeleted.begin(), FDeleted.end(), static_cast<std::uint32_t>(oldRecords));
        if (deletedEnd != FDeleted.begin()) highest = std::max<std::int64_t>(highest, *(deletedEnd - 1));
        if (highest >= newRecords)
            throw ESourceError(FFileName + " now holds " + std::to_string(newRecords) +
                               " records, fewer than the changes made here refer to; they are kept with the old file "
                               "until they are saved");
        if (newRecords + FAppended >= UINT32_MAX)
            throw ESourceError(FFileName + " now holds too many records to add the ones appended here");
        // Appended records follow the new file's last one.
        const auto renumbered = [&](std::int64_t Record) {
            return Record < oldRecords ? Record : Record - oldRecords + newRecords;
        };
        for (const auto& [key, value] : FEdits) {
            const std::int64_t record = renumbered(static_cast<std::int64_t>(key >> 16));
            fresh.FEdits.emplace_hint(fresh.FEdits.end(), EditKey(record, static_cast<int>(key & 0xFFFF)), value);
        }
        for (const std::uint32_t record : FDeleted) fresh.FDeleted.push_back(static_cast<std::uint32_t>(renumbered(record)));
        fresh.FAppended = FAppended;
    }
    if (FDirection != TSortDirection::None && FOrderCol < static_cast<int>(fresh.FColumns.size()))
        fresh.SetOrder(FOrderCol, FDirection, Progress);
    std::swap(FMap, fresh.FMap);
    FOffsets = std::move(fresh.FOffsets);
    FColumns = std::move(fresh.FColumns);
    FLatin1 = fresh.FLatin1;
    FOrder = std::move(fresh.FOrder);
    FOrderCol = fresh.FOrderCol;
    FDirection = fresh.FDirection;
    FEdits = std::move(fresh.FEdits);
    FDeleted = std::move(fresh.FDeleted);
}

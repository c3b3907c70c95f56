// The CSV source's indexing. It is one pass over the mapped file: 64 bytes at a time are compared
// with the four bytes that matter (comma, quote, CR, LF) and only those positions are walked
// by the record state machine, which checks every record as it goes. The same pass notes which
// records hold a byte past ASCII; only those are checked for UTF-8.
#include "binding/CsvSource.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "binding/CsvSourceImpl.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace ZelCsvDetail;

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

} // namespace

void ZelCsvDetail::IndexCsv(const char* Data, std::size_t Size, std::size_t Begin, TIndexResult& Result,
                            const TSourceProgress& Progress)
{
    TCsvIndexer(Data, Size, Begin, Result).Run(Progress);
}

std::string CsvFieldText(std::string_view Text)
{
    if (InvalidUtf8At(Text) == std::string_view::npos) return std::string(Text);
    return Latin1ToUtf8(Text);
}

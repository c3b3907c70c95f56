#pragma once
// The CSV source's own parsing helpers, shared by its files (CsvSource.cpp, CsvIndex.cpp,
// CsvSort.cpp); not part of the source's interface.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "binding/TableSource.h"

namespace ZelCsvDetail {

// The record's text without its line break.
inline std::string_view WithoutLineBreak(std::string_view Text)
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
inline std::string_view Unquoted(std::string_view Raw, bool Quoted, std::string& Scratch)
{
    if (!Quoted || Raw.find('"') == std::string_view::npos) return Raw;
    Scratch.clear();
    for (std::size_t i = 0; i < Raw.size(); ++i) {
        Scratch += Raw[i];
        if (Raw[i] == '"' && i + 1 < Raw.size() && Raw[i + 1] == '"') ++i;
    }
    return Scratch;
}

// Where indexing found a malformed record, and why.
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

// Indexes the mapped file Data[0, Size) from Begin (past a byte order mark) into Result: checks
// every record, TIndexError for the first malformed one, ESourceCancelled when Progress asks.
void IndexCsv(const char* Data, std::size_t Size, std::size_t Begin, TIndexResult& Result, const TSourceProgress& Progress);

} // namespace ZelCsvDetail

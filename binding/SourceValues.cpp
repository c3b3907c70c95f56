#include "binding/SourceValues.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view Text)
{
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t')) Text.remove_suffix(1);
    return Text;
}

// Reads exactly Count digits at Text[At].
bool Digits(std::string_view Text, std::size_t At, int Count, int& Value)
{
    if (At + static_cast<std::size_t>(Count) > Text.size()) return false;
    Value = 0;
    for (int i = 0; i < Count; ++i) {
        const char c = Text[At + static_cast<std::size_t>(i)];
        if (!IsDigit(c)) return false;
        Value = Value * 10 + (c - '0');
    }
    return true;
}

// Days from 0001-01-01 in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int Y, int M, int D)
{
    Y -= M <= 2;
    const int era = Y / 400;
    const int yoe = Y - era * 400;
    const int doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + doe;
}

int DaysInMonth(int Y, int M)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
    return M == 2 && leap ? 29 : days[M - 1];
}

int CompareText(std::string_view A, std::string_view B)
{
    const std::size_t n = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(A[i]), b = static_cast<unsigned char>(B[i]);
        if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
        if (a != b) return a < b ? -1 : 1;
    }
    if (A.size() != B.size()) return A.size() < B.size() ? -1 : 1;
    return 0;
}

} // namespace

bool ParseSourceNumber(std::string_view Text, double& Value)
{
    Text = Trimmed(Text);
    if (Text.empty()) return false;
    std::size_t i = 0;
    if (Text[i] == '+' || Text[i] == '-') ++i;
    std::size_t digits = 0;
    while (i < Text.size() && IsDigit(Text[i])) ++i, ++digits;
    if (i < Text.size() && Text[i] == '.') {
        ++i;
        while (i < Text.size() && IsDigit(Text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < Text.size() && (Text[i] == 'e' || Text[i] == 'E')) {
        ++i;
        if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) ++i;
        std::size_t exp = 0;
        while (i < Text.size() && IsDigit(Text[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    if (i != Text.size()) return false;
    // from_chars takes no leading '+'.
    const std::string_view body = Text[0] == '+' ? Text.substr(1) : Text;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), Value);
    if (result.ec == std::errc::result_out_of_range) {
        Value = body[0] == '-' ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return true;
    }
    return result.ec == std::errc() && result.ptr == body.data() + body.size();
}

bool ParseSourceInteger(std::string_view Text, std::int64_t& Value)
{
    Text = Trimmed(Text);
    if (!Text.empty() && Text[0] == '+') Text.remove_prefix(1);
    if (Text.empty() || Text[0] == '+') return false;
    const auto result = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    return result.ec == std::errc() && result.ptr == Text.data() + Text.size();
}

bool ParseSourceDate(std::string_view Text, std::int64_t& Seconds)
{
    Text = Trimmed(Text);
    int y = 0, m = 0, d = 0;
    if (!Digits(Text, 0, 4, y) || Text.size() < 10 || Text[4] != '-' || !Digits(Text, 5, 2, m) || Text[7] != '-' ||
        !Digits(Text, 8, 2, d))
        return false;
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
    int hh = 0, mm = 0, ss = 0;
    if (Text.size() > 10) {
        if ((Text[10] != ' ' && Text[10] != 'T') || !Digits(Text, 11, 2, hh) || Text.size() < 16 || Text[13] != ':' ||
            !Digits(Text, 14, 2, mm))
            return false;
        if (Text.size() > 16 && (Text.size() != 19 || Text[16] != ':' || !Digits(Text, 17, 2, ss))) return false;
        if (hh > 23 || mm > 59 || ss > 59) return false;
    }
    Seconds = DaysFromCivil(y, m, d) * 86400 + hh * 3600 + mm * 60 + ss;
    return true;
}

bool ParseSourceCurrency(std::string_view Text, Currency& Value)
{
    Text = Trimmed(Text);
    bool negative = false;
    if (!Text.empty() && (Text[0] == '+' || Text[0] == '-')) {
        negative = Text[0] == '-';
        Text.remove_prefix(1);
    }
    std::int64_t raw = 0;
    std::size_t i = 0, digits = 0;
    const auto push = [&raw](int Digit) {
        return !__builtin_mul_overflow(raw, 10, &raw) && !__builtin_add_overflow(raw, Digit, &raw);
    };
    for (; i < Text.size() && IsDigit(Text[i]); ++i, ++digits)
        if (!push(Text[i] - '0')) return false;
    int fraction = 0;
    if (i < Text.size() && Text[i] == '.') {
        for (++i; i < Text.size() && IsDigit(Text[i]); ++i, ++digits) {
            if (fraction == 4) return false;
            if (!push(Text[i] - '0')) return false;
            ++fraction;
        }
    }
    if (digits == 0 || i != Text.size()) return false;
    for (; fraction < 4; ++fraction)
        if (!push(0)) return false;
    Value = Currency::FromRaw(negative ? -raw : raw);
    return true;
}

TSourceColumnKind GuessColumnKind(const std::vector<std::string_view>& Samples)
{
    bool integer = true, number = true, date = true, any = false;
    for (const std::string_view text : Samples) {
        if (Trimmed(text).empty()) continue;
        any = true;
        std::int64_t i = 0, seconds = 0;
        double d = 0;
        integer = integer && ParseSourceInteger(text, i);
        number = number && ParseSourceNumber(text, d);
        date = date && ParseSourceDate(text, seconds);
        if (!integer && !number && !date) return TSourceColumnKind::Text;
    }
    if (!any) return TSourceColumnKind::Text;
    if (integer) return TSourceColumnKind::Integer;
    if (number) return TSourceColumnKind::Number;
    return date ? TSourceColumnKind::Date : TSourceColumnKind::Text;
}

TSourceSortKey SourceSortKey(TSourceColumnKind Kind, std::string_view Text)
{
    TSourceSortKey key;
    if (Trimmed(Text).empty()) return key;
    key.Rank = 2;
    if (Kind == TSourceColumnKind::Date) {
        std::int64_t seconds = 0;
        if (!ParseSourceDate(Text, seconds)) return key;
        key.Number = static_cast<double>(seconds);
    } else if (!ParseSourceNumber(Text, key.Number) || std::isnan(key.Number)) {
        return key;
    }
    key.Rank = 1;
    return key;
}

int CompareSourceValues(TSourceColumnKind Kind, std::string_view A, std::string_view B)
{
    if (Kind == TSourceColumnKind::Text) return CompareText(A, B);
    const TSourceSortKey a = SourceSortKey(Kind, A), b = SourceSortKey(Kind, B);
    if (a.Rank != b.Rank) return a.Rank < b.Rank ? -1 : 1;
    if (a.Rank == 1) return a.Number < b.Number ? -1 : a.Number > b.Number;
    return a.Rank == 2 ? CompareText(A, B) : 0;
}

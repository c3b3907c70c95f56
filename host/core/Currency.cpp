#include "host/core/Currency.h"

#include <cmath>
#include <cstdlib>

Currency Currency::FromDouble(double d)
{
    const double scaled = std::round(d * Scale);
    // 2^63 is exact in a double; anything from there up (and NaN) has no currency value.
    if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
        throw EOverflow("Currency value out of range");
    return FromRaw(static_cast<std::int64_t>(scaled));
}

std::string Currency::ToString() const
{
    const bool negative = Value < 0;
    // Work on the unsigned magnitude so that the smallest value does not overflow.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(Value) : static_cast<std::uint64_t>(Value);
    std::string text = std::to_string(magnitude / Scale);
    std::uint64_t fraction = magnitude % Scale;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 4 - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return negative ? "-" + text : text;
}

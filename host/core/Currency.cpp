#include "host/core/Currency.h"

#include <cmath>
#include <cstdlib>

Currency Currency::FromDouble(double d)
{
    return FromRaw(static_cast<std::int64_t>(std::llround(d * Scale)));
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

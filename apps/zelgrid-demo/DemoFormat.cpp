#include "apps/zelgrid-demo/DemoFormat.h"

#include <algorithm>
#include <cstdint>

std::string GroupDigits(const std::string& Digits)
{
    std::string out;
    const std::size_t n = Digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i && (n - i) % 3 == 0) out += ',';
        out += Digits[i];
    }
    return out;
}

std::string FormatDemoAmount(Currency Value, std::string_view Format)
{
    const std::size_t point = Format.find('.');
    int decimals = 0;
    if (point != std::string_view::npos)
        for (std::size_t i = point + 1; i < Format.size() && (Format[i] == '0' || Format[i] == '#'); ++i) ++decimals;
    decimals = std::min(decimals, 4);
    const bool grouped = Format.substr(0, point).find(',') != std::string_view::npos;
    const bool negative = Value.Value < 0;
    const std::uint64_t raw = negative ? 0 - static_cast<std::uint64_t>(Value.Value) : static_cast<std::uint64_t>(Value.Value);
    std::uint64_t unit = 1, scale = 1;
    for (int k = decimals; k < 4; ++k) unit *= 10;
    for (int k = 0; k < decimals; ++k) scale *= 10;
    const std::uint64_t shown = (raw + unit / 2) / unit;
    const std::string whole = std::to_string(shown / scale);
    std::string out = negative && shown ? "-" : "";
    out += grouped ? GroupDigits(whole) : whole;
    if (decimals == 0) return out;
    std::string fraction = std::to_string(shown % scale);
    out += '.';
    out.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    return out + fraction;
}

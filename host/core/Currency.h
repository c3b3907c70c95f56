#pragma once
// The host's fixed-point currency: a 64-bit count of ten-thousandths.
#include <compare>
#include <cstdint>
#include <string>

struct Currency {
    static constexpr std::int64_t Scale = 10000;
    std::int64_t Value = 0; // ten-thousandths

    constexpr Currency() = default;
    static constexpr Currency FromRaw(std::int64_t Raw) { Currency c; c.Value = Raw; return c; }
    static constexpr Currency FromUnits(std::int64_t Units) { return FromRaw(Units * Scale); }
    static Currency FromDouble(double d);
    double ToDouble() const { return static_cast<double>(Value) / Scale; }
    // Decimal text with up to four fraction digits, trailing zeros dropped ("12.5", "-3").
    std::string ToString() const;

    constexpr Currency operator+(Currency o) const { return FromRaw(Value + o.Value); }
    constexpr Currency operator-(Currency o) const { return FromRaw(Value - o.Value); }
    constexpr Currency& operator+=(Currency o) { Value += o.Value; return *this; }
    constexpr auto operator<=>(const Currency&) const = default;
};

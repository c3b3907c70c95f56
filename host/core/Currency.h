#pragma once
// The host's fixed-point currency: a 64-bit count of ten-thousandths.
#include <compare>
#include <cstdint>
#include <string>

#include "host/core/Exceptions.h"

struct Currency {
    static constexpr std::int64_t Scale = 10000;
    std::int64_t Value = 0; // ten-thousandths

    constexpr Currency() = default;
    static constexpr Currency FromRaw(std::int64_t Raw) { Currency c; c.Value = Raw; return c; }
    // EOverflow when the value does not fit (also for the arithmetic below).
    static constexpr Currency FromUnits(std::int64_t Units)
    {
        std::int64_t raw = 0;
        if (__builtin_mul_overflow(Units, Scale, &raw)) OverflowError();
        return FromRaw(raw);
    }
    static Currency FromDouble(double d);
    double ToDouble() const { return static_cast<double>(Value) / Scale; }
    // Decimal text with up to four fraction digits, trailing zeros dropped ("12.5", "-3").
    std::string ToString() const;

    constexpr Currency operator+(Currency o) const
    {
        std::int64_t raw = 0;
        if (__builtin_add_overflow(Value, o.Value, &raw)) OverflowError();
        return FromRaw(raw);
    }
    constexpr Currency operator-(Currency o) const
    {
        std::int64_t raw = 0;
        if (__builtin_sub_overflow(Value, o.Value, &raw)) OverflowError();
        return FromRaw(raw);
    }
    constexpr Currency& operator+=(Currency o) { return *this = *this + o; }
    constexpr auto operator<=>(const Currency&) const = default;

    [[noreturn]] static void OverflowError() { throw EOverflow("Currency value out of range"); }
};

#pragma once
// A set over an enumeration held in a fixed number of bits, member n at bit value 2^n.
#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <typename E, typename Bits = std::uint16_t>
class TSet {
    static_assert(std::is_enum_v<E>);
    static_assert(std::is_unsigned_v<Bits>);

public:
    using Enum = E;
    using Storage = Bits;

    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> Members) {
        for (E m : Members) FBits |= Bit(m);
    }
    static constexpr TSet FromBits(Bits Value) { TSet s; s.FBits = Value; return s; }

    constexpr Bits ToBits() const { return FBits; }
    constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr TSet& Include(E m) { FBits |= Bit(m); return *this; }
    constexpr TSet& Exclude(E m) { FBits &= static_cast<Bits>(~Bit(m)); return *this; }

    constexpr TSet operator+(TSet o) const { return FromBits(static_cast<Bits>(FBits | o.FBits)); }
    constexpr TSet operator-(TSet o) const { return FromBits(static_cast<Bits>(FBits & ~o.FBits)); }
    constexpr TSet operator*(TSet o) const { return FromBits(static_cast<Bits>(FBits & o.FBits)); }
    // One member added or taken away: Options() + dgRowSelect.
    constexpr TSet operator+(E m) const { return FromBits(static_cast<Bits>(FBits | Bit(m))); }
    constexpr TSet operator-(E m) const { return FromBits(static_cast<Bits>(FBits & ~Bit(m))); }
    constexpr TSet& operator+=(TSet o) { FBits |= o.FBits; return *this; }
    constexpr TSet& operator-=(TSet o) { FBits &= static_cast<Bits>(~o.FBits); return *this; }
    constexpr TSet& operator*=(TSet o) { FBits &= o.FBits; return *this; }
    constexpr bool operator==(const TSet&) const = default;
    // Subset test, as the host's <= on sets.
    constexpr bool operator<=(TSet o) const { return (FBits & ~o.FBits) == 0; }

private:
    static constexpr Bits Bit(E m) {
        const auto n = static_cast<unsigned>(m);
        return n < sizeof(Bits) * 8 ? static_cast<Bits>(Bits{1} << n) : Bits{0};
    }
    Bits FBits = 0;
};

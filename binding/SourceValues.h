#pragma once
// The typed reading of cell texts that every source shares: what kind a column holds (guessed
// from a sample), how two values of a kind compare, and a number as the grid's Currency.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/TableSource.h"
#include "host/core/Currency.h"

// A decimal number: optional sign, digits, an optional fraction and exponent ("-12.5", "3e4").
bool ParseSourceNumber(std::string_view Text, double& Value);
// A whole number that fits 64 bits, optional sign.
bool ParseSourceInteger(std::string_view Text, std::int64_t& Value);
// "YYYY-MM-DD", optionally followed by " hh:mm[:ss]" or "Thh:mm[:ss]": seconds since 0001-01-01.
bool ParseSourceDate(std::string_view Text, std::int64_t& Seconds);
// A decimal number with up to four fraction digits as a Currency; false past its range.
bool ParseSourceCurrency(std::string_view Text, Currency& Value);

// The kind all non-empty Samples share: Integer, then Number, then Date; Text otherwise (and for
// a sample with no value at all).
TSourceColumnKind GuessColumnKind(const std::vector<std::string_view>& Samples);

// Orders two texts of a column of Kind: numbers numerically, dates by date, text without regard
// to ASCII case; empty texts first and texts that are not of the kind last, as a database orders
// NULL, numbers and text. Returns <0, 0 (a tie, which the caller breaks by key) or >0.
int CompareSourceValues(TSourceColumnKind Kind, std::string_view A, std::string_view B);

// A value's sort key for numeric and date kinds: Rank 0 empty, 1 a value, 2 not of the kind.
struct TSourceSortKey {
    int Rank = 0;
    double Number = 0;
};
TSourceSortKey SourceSortKey(TSourceColumnKind Kind, std::string_view Text);

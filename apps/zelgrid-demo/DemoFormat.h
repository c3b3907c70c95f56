#pragma once
// How the demo writes numbers: counts with thousands grouped, amounts in a column's format.
#include <string>
#include <string_view>

#include "host/core/Currency.h"

// Digits grouped by thousands: "1234567" -> "1,234,567".
std::string GroupDigits(const std::string& Digits);
// An amount in a number format: the zeros and hashes after the point give the decimals (none:
// whole units), a comma before it groups thousands ("0.00": "1234.50", "#,##0.00": "1,234.50").
// Rounded half away from zero.
std::string FormatDemoAmount(Currency Value, std::string_view Format);

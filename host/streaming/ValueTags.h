#pragma once
// The fixed quantities of the binary form format that the writer and the reader share: the
// value tags, the flags of a component's prefix byte, the signature and the limits a read
// enforces; and the tag a string or an integer is written with.
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The value tags of the binary form format.
enum TValueType : unsigned char {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6,
    vaIdent = 7, vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13,
    vaCollection = 14, vaCurrency = 16, vaDate = 17, vaInt64 = 19, vaUTF8String = 20
};

static_assert(LDBL_MANT_DIG == 64, "the extended value is the 80-bit x87 format");

// Flags of a component's prefix byte.
enum TFilerFlag : unsigned char { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

inline constexpr std::string_view FormSignature = "TPF0";
// A component's class name comes first; a length byte of 0xF0 or more would read as the prefix
// byte, so longer class names cannot be stored.
inline constexpr std::size_t MaxClassNameLength = 0xEF;
inline constexpr int MaxFormNesting = 256;
// Collection items and components one read may create: a column or a grid costs far more
// memory than the few bytes that describe it, so their counts are bounded, not the file size.
inline constexpr int MaxFormObjects = 1 << 18;
inline constexpr int MaxFormComponents = 10000;

// The tag a string is written with: ASCII in a short or long string; other bytes that form
// valid UTF-8 as a UTF-8 string; anything else as the 8-bit bytes they are.
TValueType StringValueType(std::string_view S);
// The smallest integer tag that holds Value.
TValueType IntegerValueType(std::int64_t Value);
// Whether Value is one of the tags above (the unused numbers between them are not).
bool IsValueTag(TValueType Value);

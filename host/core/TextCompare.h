#pragma once
// Names (classes, properties, events, keywords) compare without regard to ASCII case.
#include <string_view>
#include <strings.h>

inline bool SameText(std::string_view A, std::string_view B)
{
    return A.size() == B.size() && strncasecmp(A.data(), B.data(), A.size()) == 0;
}

#pragma once
// The module's named resources: the files of resources/ (glyph bitmaps, dialog forms) embedded
// at build time as constant byte arrays and found by name, case-insensitively ("ZGARROW").
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TResourceEntry {
    const char* Name; // upper case
    const std::uint8_t* Data;
    std::size_t Size;
};

// Every embedded resource, sorted by name (generated from resources/ at build time).
std::span<const TResourceEntry> ResourceTable();

// The bytes of a named resource, or an empty span when there is none.
std::span<const std::uint8_t> FindResource(std::string_view Name);
// As FindResource, but EResNotFound ("Resource ZGARROW not found") when there is none.
std::span<const std::uint8_t> LoadResource(std::string_view Name);
// Every resource name, in upper case and sorted.
std::vector<std::string> ResourceNames();

#include "host/streaming/Resources.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/core/Exceptions.h"
#include "host/graphics/Bitmap.h"

namespace {

std::string Upper(std::string_view S)
{
    std::string out(S);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char C) { return static_cast<char>(std::toupper(C)); });
    return out;
}

} // namespace

std::span<const std::uint8_t> FindResource(std::string_view Name)
{
    const std::string key = Upper(Name);
    const auto table = ResourceTable();
    const auto it = std::lower_bound(table.begin(), table.end(), key,
                                     [](const TResourceEntry& E, const std::string& K) { return std::strcmp(E.Name, K.c_str()) < 0; });
    if (it == table.end() || key != it->Name) return {};
    return {it->Data, it->Size};
}

std::span<const std::uint8_t> LoadResource(std::string_view Name)
{
    const auto data = FindResource(Name);
    if (data.empty()) throw EResNotFound("Resource " + std::string(Name) + " not found");
    return data;
}

std::vector<std::string> ResourceNames()
{
    std::vector<std::string> names;
    for (const TResourceEntry& e : ResourceTable()) names.emplace_back(e.Name);
    return names;
}

// A member of TBitmap that lives here: the graphics layer sits below the resources.
void TBitmap::LoadFromResourceName(const std::string& Name)
{
    const auto data = LoadResource(Name);
    LoadFromBMP(data.data(), data.size());
}

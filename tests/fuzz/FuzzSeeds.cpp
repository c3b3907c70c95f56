// Writes the seed corpora of the fuzz targets: the sample bitmaps, property texts (a
// property-picking byte and a text) of every form the conversions read, and random grid scripts.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/fuzz/GridScript.h"
#include "tests/graphics/BmpSamples.h"
#include "tests/streaming/PropertyTextProbe.h"

namespace {

void WriteFile(const std::filesystem::path& Path, const void* Data, std::size_t Size)
{
    std::ofstream out(Path, std::ios::binary);
    out.write(static_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    if (!out) throw std::runtime_error("cannot write " + Path.string());
}

} // namespace

int main(int Argc, char** Argv)
{
    if (Argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", Argv[0]);
        return 2;
    }
    const std::filesystem::path root = Argv[1];
    std::filesystem::create_directories(root / "bmp");
    std::filesystem::create_directories(root / "property");
    std::filesystem::create_directories(root / "grid");
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        const std::vector<std::uint8_t> script = RandomGridScript(seed, 8 + static_cast<int>(seed) * 2);
        WriteFile(root / "grid" / ("script" + std::to_string(seed)), script.data(), script.size());
    }
    for (const TBmpSample& sample : BmpSamples())
        WriteFile(root / "bmp" / (sample.Name + ".bmp"), sample.Bytes.data(), sample.Bytes.size());

    const std::vector<std::string> texts{"-2147483648", "$80000005", "+17", " 255 ", "True", "clWindow",
                                         "EASTEUROPE_CHARSET", "taCenter", "[fsBold, fsStrikeOut]", "[]", "Tahoma"};
    TTextProbeSet probes;
    const std::size_t count = probes.Targets().size();
    for (std::size_t i = 0; i < count; ++i) {
        std::string seed(1, static_cast<char>(i));
        seed += texts[i % texts.size()];
        WriteFile(root / "property" / ("seed" + std::to_string(i)), seed.data(), seed.size());
    }
    return 0;
}

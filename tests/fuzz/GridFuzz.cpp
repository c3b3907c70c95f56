// Fuzz target of the grid: each input is a script of property writes, layout and column edits,
// row count changes, keys, mouse, scrolling and painting (tests/fuzz/GridScript.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/GridScript.h"

namespace {

TGridStage& Stage()
{
    static TGridStage stage;
    return stage;
}

} // namespace

// The window system and the font engine start before the first input, so that what they keep
// for the life of the process (fontconfig's configuration among it) is not charged to an input.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Stage();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string fault = Stage().Run(Data, Size);
    if (fault.empty()) return 0;
    std::fprintf(stderr, "grid fuzz: %s\n", fault.c_str());
    std::abort();
}

// Fuzz target of the grid: each input is a script of property writes, layout and column edits,
// row count changes, keys, mouse, scrolling and painting (tests/fuzz/GridScript.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/GridScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    static TGridStage stage;
    const std::string fault = stage.Run(Data, Size);
    if (fault.empty()) return 0;
    std::fprintf(stderr, "grid fuzz: %s\n", fault.c_str());
    std::abort();
}

// The grid fuzz target's scripts from fixed seeds, in the normal suite: property writes of any
// value through the registry, layout and column edits, keys, mouse, scrolling and painting leave
// the grid consistent, with no sanitizer report.
#include <gtest/gtest.h>

#include "tests/fuzz/GridScript.h"

TEST(GridScriptReplayTest, RandomScriptsLeaveTheGridConsistent)
{
    TGridStage stage;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        const std::vector<std::uint8_t> script = RandomGridScript(seed, 40);
        ASSERT_EQ(stage.Run(script.data(), script.size()), "") << "seed " << seed;
    }
}

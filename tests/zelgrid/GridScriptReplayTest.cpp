// The grid fuzz target's scripts from fixed seeds, in the normal suite: property writes of any
// value through the registry, layout and column edits, keys, mouse, scrolling and painting leave
// the grid consistent, with no sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/fuzz/GridScript.h"

TEST(GridScriptReplayTest, RandomScriptsLeaveTheGridConsistent)
{
    TGridStage stage;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        const std::vector<std::uint8_t> script = RandomGridScript(seed, 40);
        ASSERT_EQ(stage.Run(script.data(), script.size()), "") << "seed " << seed;
    }
}

TEST(GridScriptReplayTest, InputsTheFuzzerFoundFaultsWithPassNow)
{
    TGridStage stage;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZEL_GRID_REGRESSIONS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> script{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(stage.Run(script.data(), script.size()), "") << entry.path().filename();
        ++replayed;
    }
    EXPECT_GE(replayed, 3);
}

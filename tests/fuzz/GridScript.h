#pragma once
// A grid session driven by bytes: the grid fuzz target and its fixed-seed replay in the normal
// suite both run inputs through this. The bytes build a TZelGrid on a small headless form, set
// published properties of the grid, its fonts, layouts, columns and titles through the property
// registry, add and remove layouts and columns, change the record count, and scroll, press keys,
// click and paint. Host exceptions are expected answers to bad values; anything else, and a grid
// left inconsistent after a step, is a fault.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

// The headless window system and the 200 x 120 form the scripts run on; making them costs more
// than most inputs, so they stay from one input to the next, and each input gets a new grid.
class TGridStage {
public:
    TGridStage();
    ~TGridStage();
    TGridStage(const TGridStage&) = delete;
    TGridStage& operator=(const TGridStage&) = delete;

    // Runs one input; returns an empty string, or what went wrong.
    std::string Run(const std::uint8_t* Data, std::size_t Size);

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

// A script of Steps random steps from a fixed seed: the seed corpus of the fuzz target and the
// inputs its replay in the normal suite runs. Each step is a step byte and the bytes it reads.
inline std::vector<std::uint8_t> RandomGridScript(std::uint32_t Seed, int Steps)
{
    std::mt19937 random(Seed);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < Steps; ++i)
        for (int n = 1 + static_cast<int>(random() % 12); n > 0; --n) bytes.push_back(static_cast<std::uint8_t>(random()));
    return bytes;
}

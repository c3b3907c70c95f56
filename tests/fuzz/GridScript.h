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
#include <string>

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

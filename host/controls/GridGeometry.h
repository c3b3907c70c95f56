#pragma once
// The screen geometry of one grid axis: fixed cells at the start, then the scrolled cells from
// the first scrolled one (LeftCol or TopRow), all inside a client extent. Pixel coordinates are
// relative to the client edge and computed from 64-bit positions, so they stay in int however
// far the axis is scrolled. Every query is O(log k) in the axis's overrides.
#include <cstdint>

#include "host/controls/GridAxis.h"

struct TGridAxisView {
    const TGridAxis* Axis;
    int Fixed;  // number of fixed cells
    int First;  // first scrolled cell shown (>= Fixed)
    int Extent; // client pixels along the axis

    // Pixels taken by the fixed cells (clipped to the client).
    int FixedBoundary() const;
    // Whether any part of the cell is on screen.
    bool IsVisible(int Index) const;
    // Client pixel where a visible cell starts.
    int Start(int Index) const;
    // The span [Lo, Hi) of the on-screen parts of cells From..To, without the trailing grid line;
    // false when none of them shows.
    bool Span(int From, int To, int& Lo, int& Hi) const;
    // The cell under a client pixel, -1 outside every cell.
    int CoordAt(int Pixel) const;

    // The last scrolled cell with any pixel on screen, or First - 1 when none shows.
    int LastVisible() const;
    // Scrolled cells that fit entirely, grid line included.
    int FullVisibleCount() const;
    // The largest First that still fills the client with the last cells.
    int MaxFirst() const;
    // The First that shows Index entirely with as little scrolling as possible.
    int FirstToShow(int Index) const;

private:
    std::int64_t ScrolledRoom() const;
    // The smallest index whose position is at least Offset (Count when none).
    int FirstAtOrAfter(std::int64_t Offset) const;
};

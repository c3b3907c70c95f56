#pragma once
// One axis of a grid (its columns or its rows): a cell count, a default size and sparse per-cell
// overrides. Positions are 64-bit sums, so an axis of 2,147,483,647 cells of any size never
// overflows; memory grows only with the number of overrides, never with the count. Every
// query is O(log k) in the number k of overrides; changing a size is O(k).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class TGridAxis {
public:
    TGridAxis(int Count, int DefaultSize, int LineWidth);

    int Count() const { return FCount; }
    // Cells at or beyond the new count lose their overrides; new cells take the default size.
    void SetCount(int Value);
    int DefaultSize() const { return FDefaultSize; }
    // Changes the size of every cell without an override; overrides keep their values.
    void SetDefaultSize(int Value);
    // The gap after each cell of positive size (the grid line); hidden cells have none.
    int LineWidth() const { return FLineWidth; }
    void SetLineWidth(int Value);

    // The size as last written (0 or less hides the cell).
    int Size(int Index) const;
    void SetSize(int Index, int Value);
    // Sets the sizes of the cells from First on to Sizes in one O(k + n) step (SetSize per cell
    // would cost O(k) each). Whether any size changed.
    bool SetSizes(int First, std::span<const int> Sizes);
    // Drops every override: all cells take the default size again.
    void ResetSizes();
    // Pixels the cell takes on the axis: its size plus the line, or 0 for a hidden cell.
    std::int64_t Extent(int Index) const;
    std::int64_t DefaultExtent() const { return ExtentOf(FDefaultSize); }

    // Sum of the extents of the cells before Index (0 <= Index <= Count).
    std::int64_t Position(int Index) const;
    std::int64_t Total() const { return Position(FCount); }
    // The visible cell whose extent holds Offset, or -1 when Offset lies outside every cell.
    int IndexAt(std::int64_t Offset) const;
    // The first cell at or after Index with a positive extent, or -1.
    int NextVisible(int Index) const;
    // The last cell at or before Index with a positive extent, or -1.
    int PriorVisible(int Index) const;

    // Moves the size of cell From to cell To; the cells between shift by one towards From.
    void Move(int From, int To);

    int OverrideCount() const { return static_cast<int>(FOverrides.size()); }
    // Heap bytes held by the overrides (what a huge axis costs beyond its fixed part).
    std::size_t MemoryUse() const { return FOverrides.capacity() * sizeof(TOverride); }

private:
    struct TOverride {
        int Index;
        int Size;
        // Sum of (extent - default extent) over this override and every one before it.
        std::int64_t DeltaThrough;
    };

    std::int64_t ExtentOf(int Size) const { return Size > 0 ? std::int64_t{Size} + FLineWidth : 0; }
    // Position of the cell that the override at array slot Slot describes.
    std::int64_t SlotPosition(std::size_t Slot) const;
    std::int64_t DeltaBefore(std::size_t Slot) const { return Slot == 0 ? 0 : FOverrides[Slot - 1].DeltaThrough; }
    std::size_t LowerSlot(int Index) const;
    void RecomputeDeltas(std::size_t FromSlot);
    void CheckIndex(int Index) const;

    int FCount;
    int FDefaultSize;
    int FLineWidth;
    std::vector<TOverride> FOverrides; // sorted by Index
};

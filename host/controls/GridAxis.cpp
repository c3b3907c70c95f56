#include "host/controls/GridAxis.h"

#include <algorithm>

#include "host/core/Exceptions.h"

TGridAxis::TGridAxis(int Count, int DefaultSize, int LineWidth)
    : FCount(std::max(0, Count)), FDefaultSize(DefaultSize), FLineWidth(std::max(0, LineWidth))
{
}

void TGridAxis::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= FCount) throw EInvalidGridOperation("Grid index out of range");
}

std::size_t TGridAxis::LowerSlot(int Index) const
{
    const auto it = std::lower_bound(FOverrides.begin(), FOverrides.end(), Index,
                                     [](const TOverride& O, int I) { return O.Index < I; });
    return static_cast<std::size_t>(it - FOverrides.begin());
}

void TGridAxis::RecomputeDeltas(std::size_t FromSlot)
{
    const std::int64_t defaultExtent = DefaultExtent();
    std::int64_t sum = DeltaBefore(FromSlot);
    for (std::size_t s = FromSlot; s < FOverrides.size(); ++s) {
        sum += ExtentOf(FOverrides[s].Size) - defaultExtent;
        FOverrides[s].DeltaThrough = sum;
    }
}

void TGridAxis::SetCount(int Value)
{
    Value = std::max(0, Value);
    FCount = Value;
    FOverrides.erase(FOverrides.begin() + static_cast<std::ptrdiff_t>(LowerSlot(Value)), FOverrides.end());
}

void TGridAxis::SetDefaultSize(int Value)
{
    if (Value == FDefaultSize) return;
    FDefaultSize = Value;
    RecomputeDeltas(0);
}

void TGridAxis::SetLineWidth(int Value)
{
    Value = std::max(0, Value);
    if (Value == FLineWidth) return;
    FLineWidth = Value;
    RecomputeDeltas(0);
}

int TGridAxis::Size(int Index) const
{
    CheckIndex(Index);
    const std::size_t slot = LowerSlot(Index);
    if (slot < FOverrides.size() && FOverrides[slot].Index == Index) return FOverrides[slot].Size;
    return FDefaultSize;
}

void TGridAxis::SetSize(int Index, int Value)
{
    CheckIndex(Index);
    const std::size_t slot = LowerSlot(Index);
    const bool present = slot < FOverrides.size() && FOverrides[slot].Index == Index;
    if (Value == FDefaultSize) {
        if (!present) return;
        FOverrides.erase(FOverrides.begin() + static_cast<std::ptrdiff_t>(slot));
    } else if (present) {
        FOverrides[slot].Size = Value;
    } else {
        FOverrides.insert(FOverrides.begin() + static_cast<std::ptrdiff_t>(slot), TOverride{Index, Value, 0});
    }
    RecomputeDeltas(slot);
}

bool TGridAxis::SetSizes(int First, std::span<const int> Sizes)
{
    if (Sizes.empty()) return false;
    CheckIndex(First);
    CheckIndex(static_cast<int>(First + static_cast<std::int64_t>(Sizes.size()) - 1));
    const std::size_t lo = LowerSlot(First);
    const std::size_t hi = LowerSlot(static_cast<int>(First + Sizes.size()));
    std::vector<TOverride> range;
    bool changed = false;
    std::size_t old = lo;
    for (std::size_t i = 0; i < Sizes.size(); ++i) {
        const int index = First + static_cast<int>(i);
        int before = FDefaultSize;
        if (old < hi && FOverrides[old].Index == index) before = FOverrides[old++].Size;
        changed = changed || Sizes[i] != before;
        if (Sizes[i] != FDefaultSize) range.push_back(TOverride{index, Sizes[i], 0});
    }
    if (!changed) return false;
    const auto at = FOverrides.erase(FOverrides.begin() + static_cast<std::ptrdiff_t>(lo),
                                     FOverrides.begin() + static_cast<std::ptrdiff_t>(hi));
    FOverrides.insert(at, range.begin(), range.end());
    RecomputeDeltas(lo);
    return true;
}

void TGridAxis::ResetSizes()
{
    FOverrides.clear();
    FOverrides.shrink_to_fit();
}

std::int64_t TGridAxis::Extent(int Index) const
{
    return ExtentOf(Size(Index));
}

std::int64_t TGridAxis::SlotPosition(std::size_t Slot) const
{
    return std::int64_t{FOverrides[Slot].Index} * DefaultExtent() + DeltaBefore(Slot);
}

std::int64_t TGridAxis::Position(int Index) const
{
    Index = std::clamp(Index, 0, FCount);
    return std::int64_t{Index} * DefaultExtent() + DeltaBefore(LowerSlot(Index));
}

int TGridAxis::IndexAt(std::int64_t Offset) const
{
    if (Offset < 0) return -1;
    // The last override that starts at or before Offset (positions grow with the slot).
    std::size_t lo = 0, hi = FOverrides.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (SlotPosition(mid) <= Offset) lo = mid + 1;
        else hi = mid;
    }
    int start = 0;
    std::int64_t startPos = 0;
    if (lo > 0) {
        const std::size_t slot = lo - 1;
        const std::int64_t pos = SlotPosition(slot);
        const std::int64_t extent = ExtentOf(FOverrides[slot].Size);
        if (Offset < pos + extent) return FOverrides[slot].Index;
        start = FOverrides[slot].Index + 1;
        startPos = pos + extent;
    }
    // Between that override and the next one every cell has the default extent.
    const std::int64_t defaultExtent = DefaultExtent();
    if (defaultExtent == 0) return -1;
    const std::int64_t index = start + (Offset - startPos) / defaultExtent;
    return index < FCount ? static_cast<int>(index) : -1;
}

int TGridAxis::NextVisible(int Index) const
{
    if (Index < 0) Index = 0;
    std::size_t slot = LowerSlot(Index);
    const bool defaultVisible = DefaultExtent() > 0;
    while (Index < FCount) {
        const bool overridden = slot < FOverrides.size() && FOverrides[slot].Index == Index;
        if (!overridden) {
            if (defaultVisible) return Index;
            // Only overrides can be visible: jump to the next one.
            if (slot >= FOverrides.size()) return -1;
            Index = FOverrides[slot].Index;
            continue;
        }
        if (FOverrides[slot].Size > 0) return Index;
        ++slot;
        ++Index;
    }
    return -1;
}

int TGridAxis::PriorVisible(int Index) const
{
    if (Index >= FCount) Index = FCount - 1;
    if (Index < 0) return -1;
    std::size_t slot = LowerSlot(Index + 1); // one past the last override at or before Index
    const bool defaultVisible = DefaultExtent() > 0;
    while (Index >= 0) {
        const bool overridden = slot > 0 && FOverrides[slot - 1].Index == Index;
        if (!overridden) {
            if (defaultVisible) return Index;
            if (slot == 0) return -1;
            Index = FOverrides[slot - 1].Index;
            continue;
        }
        if (FOverrides[slot - 1].Size > 0) return Index;
        --slot;
        --Index;
    }
    return -1;
}

void TGridAxis::Move(int From, int To)
{
    CheckIndex(From);
    CheckIndex(To);
    if (From == To) return;
    const int step = From < To ? -1 : 1; // how the cells between shift
    const int lo = std::min(From, To), hi = std::max(From, To);
    for (TOverride& o : FOverrides) {
        if (o.Index == From) o.Index = To;
        else if (o.Index >= lo && o.Index <= hi) o.Index += step;
    }
    std::sort(FOverrides.begin(), FOverrides.end(), [](const TOverride& A, const TOverride& B) { return A.Index < B.Index; });
    RecomputeDeltas(0);
}

#include "host/controls/GridGeometry.h"

#include <algorithm>
#include <climits>

namespace {

int ClampToInt(std::int64_t Value)
{
    return static_cast<int>(std::clamp<std::int64_t>(Value, INT_MIN, INT_MAX));
}

} // namespace

int TGridAxisView::FixedBoundary() const
{
    return ClampToInt(std::min<std::int64_t>(Axis->Position(Fixed), std::max(0, Extent)));
}

std::int64_t TGridAxisView::ScrolledRoom() const
{
    return std::max(0, Extent - FixedBoundary());
}

int TGridAxisView::FirstAtOrAfter(std::int64_t Offset) const
{
    if (Offset <= 0) return 0;
    if (Offset > Axis->Total()) return Axis->Count();
    // The visible cell holding Offset - 1 ends at or after Offset; the next index starts there.
    return Axis->IndexAt(Offset - 1) + 1;
}

bool TGridAxisView::IsVisible(int Index) const
{
    if (Index < 0 || Index >= Axis->Count() || Axis->Size(Index) <= 0) return false;
    if (Index < Fixed) return Axis->Position(Index) < Extent;
    if (Index < First) return false;
    return FixedBoundary() + Axis->Position(Index) - Axis->Position(First) < Extent;
}

int TGridAxisView::Start(int Index) const
{
    if (Index < Fixed) return ClampToInt(Axis->Position(Index));
    return ClampToInt(FixedBoundary() + Axis->Position(Index) - Axis->Position(First));
}

bool TGridAxisView::Span(int From, int To, int& Lo, int& Hi) const
{
    From = std::max(From, 0);
    To = std::min(To, Axis->Count() - 1);
    std::int64_t lo = INT64_MAX, hi = INT64_MIN;
    const int line = Axis->LineWidth();
    if (From <= To && From < Fixed) {
        const int last = std::min(To, Fixed - 1);
        const std::int64_t s = Axis->Position(From), e = Axis->Position(last + 1);
        if (e > s) {
            lo = std::min(lo, s);
            hi = std::max(hi, e - line);
        }
    }
    const int from = std::max(From, First);
    if (from <= To) {
        const std::int64_t origin = FixedBoundary() - Axis->Position(First);
        const std::int64_t s = origin + Axis->Position(from), e = origin + Axis->Position(To + 1);
        if (e > s && s < Extent) {
            lo = std::min(lo, s);
            hi = std::max(hi, e - line);
        }
    }
    hi = std::min<std::int64_t>(hi, Extent);
    if (lo >= hi) return false;
    Lo = ClampToInt(lo);
    Hi = ClampToInt(hi);
    return true;
}

int TGridAxisView::CoordAt(int Pixel) const
{
    if (Pixel < 0 || Pixel >= Extent) return -1;
    const int fixedBoundary = FixedBoundary();
    if (Pixel < fixedBoundary) return Axis->IndexAt(Pixel);
    const int index = Axis->IndexAt(Axis->Position(First) + (Pixel - fixedBoundary));
    return index >= First ? index : -1;
}

int TGridAxisView::LastVisible() const
{
    const std::int64_t room = ScrolledRoom();
    if (room <= 0 || First >= Axis->Count()) return First - 1;
    const int index = Axis->IndexAt(Axis->Position(First) + room - 1);
    if (index >= 0) return index;
    const int last = Axis->PriorVisible(Axis->Count() - 1);
    return last >= First ? last : First - 1;
}

int TGridAxisView::FullVisibleCount() const
{
    const std::int64_t limit = Axis->Position(First) + ScrolledRoom();
    const int end = limit >= Axis->Total() ? Axis->Count() : Axis->IndexAt(limit);
    return std::max(0, end - First);
}

int TGridAxisView::MaxFirst() const
{
    const int count = Axis->Count();
    if (count <= Fixed) return Fixed;
    const int first = FirstAtOrAfter(Axis->Total() - ScrolledRoom());
    return std::clamp(first, Fixed, count - 1);
}

int TGridAxisView::FirstToShow(int Index) const
{
    if (Index < Fixed || Index >= Axis->Count()) return First;
    if (Index <= First) return Index;
    const int first = FirstAtOrAfter(Axis->Position(Index + 1) - ScrolledRoom());
    return std::clamp(first, First, Index);
}

#pragma once
// TRegion: an area made of rectangles, as clip and update regions are. It is kept in a canonical
// form (horizontal bands, sorted, non-overlapping, coalesced), so equal areas compare equal.
#include <vector>

#include "host/core/Types.h"

class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const TRect& R);

    bool IsEmpty() const { return FRects.empty(); }
    // The smallest rectangle holding the whole region; all zero when empty.
    TRect Bounds() const { return FBounds; }
    bool Contains(TPoint P) const;
    bool Contains(int X, int Y) const { return Contains(TPoint{X, Y}); }
    // True when some part of R lies inside the region.
    bool Intersects(const TRect& R) const;
    // The region's rectangles: disjoint, ordered top to bottom and left to right.
    const std::vector<TRect>& Rects() const { return FRects; }
    auto begin() const { return FRects.begin(); }
    auto end() const { return FRects.end(); }
    int RectCount() const { return static_cast<int>(FRects.size()); }

    void Clear();
    void Union(const TRect& R);
    void Union(const TRegion& R);
    void Intersect(const TRect& R);
    void Intersect(const TRegion& R);
    void Subtract(const TRect& R);
    void Subtract(const TRegion& R);
    void Offset(int DX, int DY);

    bool operator==(const TRegion& Other) const { return FRects == Other.FRects; }

private:
    enum class TOp { Union, Intersect, Subtract };
    void Combine(const TRegion& Other, TOp Op);
    void UpdateBounds();

    std::vector<TRect> FRects;
    TRect FBounds;
};

#include "host/graphics/Region.h"

#include <algorithm>

namespace {

struct TSpan {
    int Left;
    int Right;
    bool operator==(const TSpan&) const = default;
};

// The spans of a canonical region that cover the band [Top, Bottom); Rects is banded, so a rect
// either covers a whole band or none of it.
void BandSpans(const std::vector<TRect>& Rects, int Top, int Bottom, std::vector<TSpan>& Out)
{
    Out.clear();
    for (const TRect& r : Rects) {
        if (r.Top >= Bottom) break;
        if (r.Top <= Top && r.Bottom >= Bottom) Out.push_back({r.Left, r.Right});
    }
}

} // namespace

TRegion::TRegion(const TRect& R)
{
    if (R.IsEmpty()) return;
    FRects.push_back(R);
    FBounds = R;
}

bool TRegion::Contains(TPoint P) const
{
    if (!FBounds.Contains(P)) return false;
    return std::any_of(FRects.begin(), FRects.end(), [&](const TRect& r) { return r.Contains(P); });
}

bool TRegion::Intersects(const TRect& R) const
{
    if (IntersectRect(FBounds, R).IsEmpty()) return false;
    return std::any_of(FRects.begin(), FRects.end(), [&](const TRect& r) { return !IntersectRect(r, R).IsEmpty(); });
}

void TRegion::Clear()
{
    FRects.clear();
    FBounds = {};
}

void TRegion::Union(const TRect& R)
{
    if (R.IsEmpty()) return;
    if (FRects.empty()) {
        *this = TRegion(R);
        return;
    }
    Combine(TRegion(R), TOp::Union);
}

void TRegion::Union(const TRegion& R)
{
    if (R.IsEmpty()) return;
    if (IsEmpty()) {
        *this = R;
        return;
    }
    Combine(R, TOp::Union);
}

void TRegion::Intersect(const TRect& R)
{
    if (FRects.size() == 1) {
        *this = TRegion(IntersectRect(FRects[0], R));
        return;
    }
    Combine(TRegion(R), TOp::Intersect);
}

void TRegion::Intersect(const TRegion& R)
{
    Combine(R, TOp::Intersect);
}

void TRegion::Subtract(const TRect& R)
{
    if (R.IsEmpty() || IntersectRect(FBounds, R).IsEmpty()) return;
    Combine(TRegion(R), TOp::Subtract);
}

void TRegion::Subtract(const TRegion& R)
{
    if (R.IsEmpty() || IntersectRect(FBounds, R.FBounds).IsEmpty()) return;
    Combine(R, TOp::Subtract);
}

void TRegion::Offset(int DX, int DY)
{
    for (TRect& r : FRects) r = r.Offset(DX, DY);
    if (!FRects.empty()) FBounds = FBounds.Offset(DX, DY);
}

// Sweeps the horizontal bands made by every top and bottom edge of both regions, combines the
// spans of each band and merges a band into the one above when their spans are equal.
void TRegion::Combine(const TRegion& Other, TOp Op)
{
    std::vector<int> ys;
    ys.reserve((FRects.size() + Other.FRects.size()) * 2);
    for (const TRect& r : FRects) ys.insert(ys.end(), {r.Top, r.Bottom});
    for (const TRect& r : Other.FRects) ys.insert(ys.end(), {r.Top, r.Bottom});
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    std::vector<TRect> out;
    std::vector<TSpan> a, b, spans, previous;
    std::vector<int> xs;
    std::size_t previousStart = 0;
    int previousBottom = 0;
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        const int top = ys[i], bottom = ys[i + 1];
        BandSpans(FRects, top, bottom, a);
        BandSpans(Other.FRects, top, bottom, b);
        xs.clear();
        for (const TSpan& s : a) xs.insert(xs.end(), {s.Left, s.Right});
        for (const TSpan& s : b) xs.insert(xs.end(), {s.Left, s.Right});
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());

        spans.clear();
        std::size_t ia = 0, ib = 0;
        for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
            const int x0 = xs[k], x1 = xs[k + 1];
            while (ia < a.size() && a[ia].Right <= x0) ++ia;
            while (ib < b.size() && b[ib].Right <= x0) ++ib;
            const bool inA = ia < a.size() && a[ia].Left <= x0;
            const bool inB = ib < b.size() && b[ib].Left <= x0;
            const bool in = Op == TOp::Union ? (inA || inB) : Op == TOp::Intersect ? (inA && inB) : (inA && !inB);
            if (!in) continue;
            if (!spans.empty() && spans.back().Right == x0)
                spans.back().Right = x1;
            else
                spans.push_back({x0, x1});
        }
        if (spans.empty()) continue;

        if (previousBottom == top && spans == previous && !out.empty()) {
            for (std::size_t k = previousStart; k < out.size(); ++k) out[k].Bottom = bottom;
        } else {
            previousStart = out.size();
            for (const TSpan& s : spans) out.push_back({s.Left, top, s.Right, bottom});
            previous = spans;
        }
        previousBottom = bottom;
    }
    FRects = std::move(out);
    UpdateBounds();
}

void TRegion::UpdateBounds()
{
    FBounds = {};
    for (const TRect& r : FRects) FBounds = UnionRect(FBounds, r);
}

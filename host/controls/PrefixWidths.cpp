#include "host/controls/PrefixWidths.h"

#include "host/graphics/Canvas.h"

#include <algorithm>
#include <string_view>

namespace {

bool StartsCharacter(char C)
{
    return (static_cast<unsigned char>(C) & 0xC0) != 0x80;
}

int Measure(TCanvas& Canvas, const std::string& Text, int From, int To)
{
    return Canvas.TextWidth(
        std::string_view(Text).substr(static_cast<std::size_t>(From), static_cast<std::size_t>(To - From)));
}

} // namespace

void TPrefixWidths::Cover(TCanvas& Canvas, const std::string& Text, int Pos)
{
    const HFONT font = Canvas.Font()->Handle();
    if (font != FFont) {
        FPoints.clear();
        FFont = font;
    }
    if (FPoints.empty()) FPoints.push_back({ 0, 0 });
    Extend(Canvas, Text, Pos);
}

void TPrefixWidths::Extend(TCanvas& Canvas, const std::string& Text, int Pos)
{
    const int size = static_cast<int>(Text.size());
    while (Pos - FPoints.back().Pos > Step) {
        const TPoint last = FPoints.back();
        // The first byte from Step on that starts a character (within three bytes in UTF-8); a
        // run of stray continuation bytes is passed over.
        int next = last.Pos + Step;
        while (next < size && !StartsCharacter(Text[static_cast<std::size_t>(next)])) ++next;
        if (next >= Pos) return;
        FPoints.push_back({ next, last.Width + Measure(Canvas, Text, last.Pos, next) });
    }
}

const TPrefixWidths::TPoint& TPrefixWidths::PointBefore(int Pos) const
{
    const auto after = std::upper_bound(
        FPoints.begin(), FPoints.end(), Pos, [](int P, const TPoint& Point) { return P < Point.Pos; });
    return *(after - 1);
}

int TPrefixWidths::WidthTo(TCanvas& Canvas, const std::string& Text, int Pos)
{
    Pos = std::clamp(Pos, 0, static_cast<int>(Text.size()));
    Cover(Canvas, Text, Pos);
    const TPoint& point = PointBefore(Pos);
    return point.Width + Measure(Canvas, Text, point.Pos, Pos);
}

int TPrefixWidths::StartBefore(TCanvas& Canvas, const std::string& Text, int From, int X)
{
    From = std::clamp(From, 0, static_cast<int>(Text.size()));
    Cover(Canvas, Text, static_cast<int>(Text.size()));
    // Widths grow with the offset: the last checkpoint within X, if it is not before From.
    const auto after = std::upper_bound(
        FPoints.begin(), FPoints.end(), X, [](int W, const TPoint& Point) { return W < Point.Width; });
    if (after == FPoints.begin()) return From;
    return std::max(From, (after - 1)->Pos);
}

void TPrefixWidths::Replaced(TCanvas& Canvas, const std::string& Text, int Start, int Removed, int Inserted)
{
    if (FPoints.empty()) return;
    if (Canvas.Font()->Handle() != FFont) {
        FPoints.clear();
        return;
    }
    // Before Start the widths stand; in the removed bytes the checkpoints go; after them they
    // move with their bytes (the first checkpoint, at 0, always stands).
    const auto byPos = [](const TPoint& Point, int P) { return Point.Pos < P; };
    const auto kept = std::max(FPoints.begin() + 1, std::lower_bound(FPoints.begin(), FPoints.end(), Start, byPos));
    const auto moved = std::max(kept, std::lower_bound(FPoints.begin(), FPoints.end(), Start + Removed, byPos));
    std::vector<TPoint> tail(moved, FPoints.end());
    FPoints.erase(kept, FPoints.end());
    if (tail.empty()) return;
    const int shift = Inserted - Removed;
    const int oldWidth = tail.front().Width;
    const int first = tail.front().Pos + shift;
    // Checkpoints in what was inserted, then the change of width for all that moved.
    Extend(Canvas, Text, first);
    const int delta = FPoints.back().Width + Measure(Canvas, Text, FPoints.back().Pos, first) - oldWidth;
    for (TPoint& point : tail) FPoints.push_back({ point.Pos + shift, point.Width + delta });
}

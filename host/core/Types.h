#pragma once
// Points, sizes and rectangles in integer device pixels. A rectangle holds Left..Right-1 and
// Top..Bottom-1, as the window system's rectangles do.
#include <algorithm>
#include <cstdint>

// The largest coordinate a control or window takes, either way: far beyond any screen, yet the
// sum of a window's position, size and a few levels of parents stays well inside int.
constexpr int MaxCoord = 1 << 24;
// The largest width and height of a window and of its back buffer: memory follows what can be
// shown, never what a caller asks for.
constexpr int MaxWindowSize = 16384;

// Value held to Lo..Hi, computed without overflow for any 64-bit value.
constexpr int ClampToInt(std::int64_t Value, int Lo, int Hi)
{
    return static_cast<int>(std::clamp<std::int64_t>(Value, Lo, Hi));
}

// A + B, saturated at the ends of int.
constexpr int SatAdd(int A, std::int64_t B)
{
    return ClampToInt(std::int64_t{A} + B, INT32_MIN, INT32_MAX);
}

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }
    constexpr TRect Offset(int DX, int DY) const { return {Left + DX, Top + DY, Right + DX, Bottom + DY}; }
    constexpr TRect Inflate(int DX, int DY) const { return {Left - DX, Top - DY, Right + DX, Bottom + DY}; }
    constexpr bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int Left, int Top, int Right, int Bottom) { return {Left, Top, Right, Bottom}; }
constexpr TPoint Point(int X, int Y) { return {X, Y}; }

// The overlap of two rectangles; an empty rectangle (all zero) when they do not overlap.
constexpr TRect IntersectRect(const TRect& A, const TRect& B)
{
    TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

// The smallest rectangle holding both; an empty operand is ignored.
constexpr TRect UnionRect(const TRect& A, const TRect& B)
{
    if (A.IsEmpty()) return B;
    if (B.IsEmpty()) return A;
    return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom)};
}

// Horizontal text alignment, one byte as the host stores and streams it.
enum TAlignment : unsigned char { taLeftJustify, taRightJustify, taCenter };

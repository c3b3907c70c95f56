#include "host/graphics/Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "host/graphics/Bitmap.h"
#include "host/graphics/FontEngine.h"
#include "host/graphics/PixelRow.h"

TCanvas::TCanvas()
{
    FFont.OnChange = [this](TObject*) { FontChanged(); };
    FBrush.OnChange = [this](TObject*) { BrushChanged(); };
    FTextColor = FFont.Color();
    BrushChanged();
}

TCanvas::TCanvas(TPixel* Bits, int Width, int Height, int Stride, int RowShift) : TCanvas()
{
    SetSurface(Bits, Width, Height, Stride, RowShift);
}

TCanvas::~TCanvas() = default;

void TCanvas::SetSurface(TPixel* Bits, int Width, int Height, int Stride, int RowShift)
{
    FBits = Bits;
    FWidth = Bits ? std::max(0, Width) : 0;
    FHeight = Bits ? std::max(0, Height) : 0;
    FStride = Stride;
    FRowShift = FHeight > 0 ? RowShift : 0;
    FOrigin = {};
    FHasClipRgn = false;
    FClipRgn.Clear();
    ResetClip();
}

void TCanvas::ResetClip()
{
    FDeviceClip = TRegion(TRect{0, 0, FWidth, FHeight});
    RecomputeClip();
}

void TCanvas::RecomputeClip()
{
    FClip = FDeviceClip;
    if (!FHasClipRgn) return;
    TRegion user = FClipRgn;
    user.Offset(FOrigin.X, FOrigin.Y);
    FClip.Intersect(user);
}

void TCanvas::SetOrigin(TPoint Value)
{
    if (Value == FOrigin) return;
    FOrigin = Value;
    RecomputeClip();
}

void TCanvas::SetDeviceClip(const TRegion& SurfaceRegion)
{
    FDeviceClip = SurfaceRegion;
    FDeviceClip.Intersect(TRect{0, 0, FWidth, FHeight});
    RecomputeClip();
}

void TCanvas::SelectClipRgn(const TRegion* Region)
{
    FHasClipRgn = Region != nullptr;
    if (Region)
        FClipRgn = *Region;
    else
        FClipRgn.Clear();
    RecomputeClip();
}

bool TCanvas::GetClipRgn(TRegion& Region) const
{
    if (!FHasClipRgn) return false;
    Region = FClipRgn;
    return true;
}

void TCanvas::IntersectClipRect(const TRect& R)
{
    if (FHasClipRgn) {
        FClipRgn.Intersect(R);
    } else {
        FClipRgn = TRegion(R);
        FHasClipRgn = true;
    }
    RecomputeClip();
}

void TCanvas::ExcludeClipRect(const TRect& R)
{
    if (!FHasClipRgn) {
        FClipRgn = FDeviceClip;
        FClipRgn.Offset(-FOrigin.X, -FOrigin.Y);
        FHasClipRgn = true;
    }
    FClipRgn.Subtract(R);
    RecomputeClip();
}

TRect TCanvas::ClipRect() const
{
    return FClip.IsEmpty() ? TRect{} : FClip.Bounds().Offset(-FOrigin.X, -FOrigin.Y);
}

void TCanvas::BrushChanged()
{
    FBkColor = FBrush.Color();
    FBkMode = FBrush.Style() == bsClear ? TRANSPARENT : OPAQUE;
}

// A change of colour alone keeps the face: painters assign the same font cell after cell.
void TCanvas::FontChanged()
{
    FTextColor = FFont.Color();
    if (FFace && FFaceName == FFont.Name() && FFaceHeight == FFont.Height() && FFaceStyle == FFont.Style() &&
        FFaceCharset == FFont.Charset() && FFacePitch == FFont.Pitch())
        return;
    FFace = nullptr;
}

TFaceSize& TCanvas::Face()
{
    if (FFace) return *FFace;
    FFace = &FaceForFont(FFont);
    FFaceName = FFont.Name();
    FFaceHeight = FFont.Height();
    FFaceStyle = FFont.Style();
    FFaceCharset = FFont.Charset();
    FFacePitch = FFont.Pitch();
    return *FFace;
}

int TCanvas::SetBkMode(int Mode)
{
    const int old = FBkMode;
    if (Mode == TRANSPARENT || Mode == OPAQUE) FBkMode = Mode;
    return old;
}

TColor TCanvas::SetBkColor(TColor Color)
{
    return std::exchange(FBkColor, Color);
}

TColor TCanvas::SetTextColor(TColor Color)
{
    return std::exchange(FTextColor, Color);
}

unsigned TCanvas::SetTextAlign(unsigned Align)
{
    const unsigned horizontal = Align & TA_CENTER;
    return std::exchange(FTextAlign, horizontal == TA_RIGHT || horizontal == TA_CENTER ? horizontal : TA_LEFT);
}

TCanvasState TCanvas::SaveState() const
{
    TCanvasState state;
    state.Font = std::make_unique<TFont>();
    state.Font->Assign(const_cast<TFont*>(&FFont));
    state.Brush = std::make_unique<TBrush>();
    state.Brush->Assign(const_cast<TBrush*>(&FBrush));
    state.Pen = std::make_unique<TPen>();
    state.Pen->Assign(const_cast<TPen*>(&FPen));
    state.PenPos = FPenPos;
    state.BkMode = FBkMode;
    state.BkColor = FBkColor;
    state.TextColor = FTextColor;
    state.TextAlign = FTextAlign;
    state.Origin = FOrigin;
    state.HasClipRgn = FHasClipRgn;
    state.ClipRgn = FClipRgn;
    return state;
}

void TCanvas::RestoreState(const TCanvasState& State)
{
    FFont.Assign(State.Font.get());
    FBrush.Assign(State.Brush.get());
    FPen.Assign(State.Pen.get());
    FPenPos = State.PenPos;
    FBkMode = State.BkMode;
    FBkColor = State.BkColor;
    FTextColor = State.TextColor;
    FTextAlign = State.TextAlign;
    FOrigin = State.Origin;
    FHasClipRgn = State.HasClipRgn;
    FClipRgn = State.ClipRgn;
    RecomputeClip();
}

void TCanvas::FillSurfaceRect(const TRect& SurfaceRect, TPixel Pixel)
{
    if (SurfaceRect.IsEmpty() || !FBits) return;
    NoteDrawn(SurfaceRect);
    for (const TRect& clip : FClip) {
        if (clip.Top >= SurfaceRect.Bottom) break;
        const TRect r = IntersectRect(clip, SurfaceRect);
        if (r.IsEmpty()) continue;
        // A line one pixel wide (cell lines, bevels) is a store per row.
        if (r.Width() == 1) {
            for (int y = r.Top; y < r.Bottom; ++y) Row(y)[r.Left] = Pixel;
            continue;
        }
        for (int y = r.Top; y < r.Bottom; ++y)
            FillRow(Row(y) + r.Left, r.Width(), Pixel);
    }
}

void TCanvas::FillLogicalRect(const TRect& R, TColor Color)
{
    FillSurfaceRect(ToSurface(R), ColorToPixel(Color));
}

void TCanvas::FillRect(const TRect& R)
{
    if (FBrush.Style() == bsClear) return;
    FillLogicalRect(R, FBrush.Color());
}

void TCanvas::FillChecker(const TRect& R, TColor A, TColor B)
{
    const TRect target = ToSurface(R);
    if (target.IsEmpty() || !FBits) return;
    const TPixel pixels[2] = {ColorToPixel(A), ColorToPixel(B)};
    NoteDrawn(target);
    for (const TRect& clip : FClip) {
        if (clip.Top >= target.Bottom) break;
        const TRect r = IntersectRect(clip, target);
        for (int y = r.Top; y < r.Bottom; ++y) {
            TPixel* row = Row(y);
            // Parity in logical coordinates, so the pattern does not depend on the origin.
            const int parity = (y - FOrigin.Y) - FOrigin.X;
            for (int x = r.Left; x < r.Right; ++x) row[x] = pixels[(x + parity) & 1];
        }
    }
}

void TCanvas::FrameRect(const TRect& R)
{
    if (R.IsEmpty() || FBrush.Style() == bsClear) return;
    const TColor c = FBrush.Color();
    FillLogicalRect({R.Left, R.Top, R.Right, R.Top + 1}, c);
    FillLogicalRect({R.Left, R.Bottom - 1, R.Right, R.Bottom}, c);
    FillLogicalRect({R.Left, R.Top + 1, R.Left + 1, R.Bottom - 1}, c);
    FillLogicalRect({R.Right - 1, R.Top + 1, R.Right, R.Bottom - 1}, c);
}

TPixel TCanvas::Pixel(int X, int Y) const
{
    const int x = X + FOrigin.X, y = Y + FOrigin.Y;
    if (!FBits || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    return Row(y)[x];
}

void TCanvas::SetPixel(int X, int Y, TColor Color)
{
    const int x = X + FOrigin.X, y = Y + FOrigin.Y;
    if (!FBits || !FClip.Contains(x, y)) return;
    NoteDrawn({x, y, x + 1, y + 1});
    Row(y)[x] = ColorToPixel(Color);
}

void TCanvas::MoveTo(int X, int Y)
{
    FPenPos = {X, Y};
}

namespace {

// On and off runs of the styled pens, in pixels.
struct TDashPattern {
    int Count;
    int Runs[6];
};

const TDashPattern& PatternOf(TPenStyle Style)
{
    static const TDashPattern patterns[] = {
        {0, {}}, {2, {18, 6}}, {2, {3, 3}}, {4, {9, 6, 3, 6}}, {6, {9, 3, 3, 3, 3, 3}}, {0, {}},
    };
    return patterns[Style];
}

bool PatternOn(const TDashPattern& Pattern, int Step)
{
    if (Pattern.Count == 0) return true;
    int period = 0;
    for (int i = 0; i < Pattern.Count; ++i) period += Pattern.Runs[i];
    int s = Step % period;
    for (int i = 0; i < Pattern.Count; ++i) {
        if (s < Pattern.Runs[i]) return i % 2 == 0;
        s -= Pattern.Runs[i];
    }
    return true;
}

} // namespace

void TCanvas::LineTo(int X, int Y)
{
    const TPoint from = FPenPos;
    FPenPos = {X, Y};
    if (FPen.Style() == psClear || !FBits) return;
    const TPixel pixel = ColorToPixel(FPen.Color());
    const int width = std::max(1, FPen.Width());
    const int half = width / 2;
    const TDashPattern& pattern = PatternOf(FPen.Style());

    // Straight solid lines are rectangles.
    if (pattern.Count == 0 && (from.X == X || from.Y == Y)) {
        if (from.X == X && from.Y == Y) return;
        const TRect line = from.Y == Y ? TRect{std::min(from.X, X + 1), from.Y, std::max(from.X + 1, X), from.Y + 1}
                              : TRect{from.X, std::min(from.Y, Y + 1), from.X + 1, std::max(from.Y + 1, Y)};
        FillSurfaceRect(ToSurface({line.Left - half, line.Top - half, line.Right - half + width - 1, line.Bottom - half + width - 1}), pixel);
        return;
    }

    // Bresenham, the end point excluded as the window system draws it.
    int x = from.X, y = from.Y;
    const int dx = std::abs(X - x), sx = x < X ? 1 : -1;
    const int dy = -std::abs(Y - y), sy = y < Y ? 1 : -1;
    int error = dx + dy;
    for (int step = 0; x != X || y != Y; ++step) {
        if (PatternOn(pattern, step))
            FillSurfaceRect(ToSurface({x - half, y - half, x - half + width, y - half + width}), pixel);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void TCanvas::Polyline(const std::vector<TPoint>& Points)
{
    if (Points.empty()) return;
    const TPoint saved = FPenPos;
    FPenPos = Points.front();
    for (std::size_t i = 1; i < Points.size(); ++i) LineTo(Points[i].X, Points[i].Y);
    FPenPos = saved;
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    if (X2 - X1 < 1 || Y2 - Y1 < 1) return;
    const bool outline = FPen.Style() != psClear;
    if (FBrush.Style() != bsClear) {
        const int inset = outline ? std::max(1, FPen.Width()) : 0;
        FillLogicalRect({X1 + inset, Y1 + inset, X2 - inset, Y2 - inset}, FBrush.Color());
    }
    if (!outline) return;
    const TPoint saved = FPenPos;
    FPenPos = {X1, Y1};
    LineTo(X2 - 1, Y1);
    LineTo(X2 - 1, Y2 - 1);
    LineTo(X1, Y2 - 1);
    LineTo(X1, Y1);
    FPenPos = saved;
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect)
{
    if (Dest.IsEmpty() || SourceRect.IsEmpty() || !FBits || !Source.FBits) return;
    const TRect dst = ToSurface(Dest);
    const TRect src = Source.ToSurface(SourceRect);
    const int dw = dst.Width(), dh = dst.Height(), sw = src.Width(), sh = src.Height();
    NoteDrawn(dst);

    // Copies from the same surface may overlap: read the source from a snapshot. Rows are
    // addressed from the source area's left column.
    std::vector<TPixel> snapshot;
    TRect srcArea = {0, 0, Source.FWidth, Source.FHeight};
    if (Source.FBits == FBits) {
        srcArea = IntersectRect(src, srcArea);
        if (srcArea.IsEmpty()) return;
        snapshot.resize(static_cast<std::size_t>(srcArea.Width()) * srcArea.Height());
        for (int y = srcArea.Top; y < srcArea.Bottom; ++y)
            std::copy_n(Row(y) + srcArea.Left, srcArea.Width(),
                        snapshot.data() + static_cast<std::size_t>(y - srcArea.Top) * srcArea.Width());
    }
    const auto sourceRow = [&](int SY) -> const TPixel* {
        if (!snapshot.empty()) return snapshot.data() + static_cast<std::size_t>(SY - srcArea.Top) * srcArea.Width();
        return Source.Row(SY);
    };

    for (const TRect& clip : FClip) {
        const TRect r = IntersectRect(clip, dst);
        if (r.IsEmpty()) continue;
        for (int y = r.Top; y < r.Bottom; ++y) {
            const int sy = src.Top + static_cast<int>(static_cast<long long>(y - dst.Top) * sh / dh);
            if (sy < srcArea.Top || sy >= srcArea.Bottom) continue;
            TPixel* out = Row(y);
            const TPixel* in = sourceRow(sy);
            if (sw == dw) {
                const int x0 = std::max(r.Left, srcArea.Left - src.Left + dst.Left);
                const int x1 = std::min(r.Right, srcArea.Right - src.Left + dst.Left);
                if (x1 > x0)
                    std::memmove(out + x0, in + (x0 - dst.Left + src.Left - srcArea.Left),
                                 static_cast<std::size_t>(x1 - x0) * sizeof(TPixel));
                continue;
            }
            for (int x = r.Left; x < r.Right; ++x) {
                const int sx = src.Left + static_cast<int>(static_cast<long long>(x - dst.Left) * sw / dw);
                if (sx >= srcArea.Left && sx < srcArea.Right) out[x] = in[sx - srcArea.Left];
            }
        }
    }
}

void TCanvas::Draw(int X, int Y, const TBitmap& Bitmap)
{
    if (Bitmap.Empty() || !FBits) return;
    const TRect dst = ToSurface({X, Y, X + Bitmap.Width(), Y + Bitmap.Height()});
    const bool transparent = Bitmap.Transparent();
    const TPixel key = ColorToPixel(Bitmap.TransparentColor());
    NoteDrawn(dst);
    for (const TRect& clip : FClip) {
        const TRect r = IntersectRect(clip, dst);
        if (r.IsEmpty()) continue;
        for (int y = r.Top; y < r.Bottom; ++y) {
            const TPixel* in = Bitmap.ScanLine(y - dst.Top);
            TPixel* out = Row(y);
            for (int x = r.Left; x < r.Right; ++x) {
                const TPixel p = in[x - dst.Left] | 0xFF000000u;
                if (!transparent || p != key) out[x] = p;
            }
        }
    }
}

#pragma once
// TCanvas: drawing on a 32-bit pixel surface (TPixel 0xAARRGGBB) that the canvas does not own.
//
// Coordinates: every drawing call takes logical coordinates; the surface pixel is the logical
// point plus Origin (a child window draws into its top-level window's surface at its position).
// Clipping: the device clip (surface coordinates, set by the window system: the visible part of
// a window or its update region) intersected with the optional clip region selected by the
// caller (logical coordinates, as SelectClipRgn, IntersectClipRect and ExcludeClipRect use).
//
// Text state follows the classic device context: the text colour comes from Font.Color and the
// background colour and mode from the brush (solid: OPAQUE in the brush colour, clear:
// TRANSPARENT) whenever they change; SetTextColor, SetBkColor and SetBkMode override them until
// the next such change.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/Types.h"
#include "host/graphics/Brush.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "host/graphics/Region.h"

class TBitmap;
class TFaceSize;
struct TGlyph;
struct TTextRun;

// DrawText format flags (values of the window system's API).
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                   DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
                   DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200,
                   DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000,
                   DT_EDITCONTROL = 0x2000, DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000,
                   DT_MODIFYSTRING = 0x10000, DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000;
// ExtTextOut options. ETO_BREAKSASSPACES is this host's own: each line break ("\n", "\r\n" or a
// lone "\r") reads as one space, for text that is shown on one line.
constexpr unsigned ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_BREAKSASSPACES = 0x40000000;
// DrawEdge edges and flags.
constexpr unsigned BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4,
                   BDR_SUNKENINNER = 0x8, BDR_OUTER = 0x3, BDR_INNER = 0xC, BDR_RAISED = 0x5,
                   BDR_SUNKEN = 0xA;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
                   EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
                   EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
                   EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8,
                   BF_TOPLEFT = BF_TOP | BF_LEFT, BF_TOPRIGHT = BF_TOP | BF_RIGHT,
                   BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT, BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
                   BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM, BF_DIAGONAL = 0x10,
                   BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000,
                   BF_MONO = 0x8000;
// Background modes.
constexpr int TRANSPARENT = 1, OPAQUE = 2;
// Text alignment (SetTextAlign): where the X of TextOut and ExtTextOut lies on the text.
constexpr unsigned TA_LEFT = 0x0, TA_RIGHT = 0x2, TA_CENTER = 0x6;

// Everything SaveState captures: attributes, text state, origin and the caller's clip region.
struct TCanvasState;

class TCanvas {
public:
    // A canvas with no surface: drawing does nothing, text measuring works.
    TCanvas();
    // A canvas over Width x Height pixels whose rows are Stride pixels apart. With a RowShift,
    // row Y lies at memory row (Y + RowShift) mod Height: a surface scrolled by turning it.
    TCanvas(TPixel* Bits, int Width, int Height, int Stride, int RowShift = 0);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Binds another surface; resets the origin to (0, 0), the device clip to the whole surface
    // and drops the caller's clip region.
    void SetSurface(TPixel* Bits, int Width, int Height, int Stride, int RowShift = 0);
    // Follows a turn of the surface's rows, keeping origin and clip.
    void SetRowShift(int Value) { FRowShift = Value; }
    int RowShift() const { return FRowShift; }
    TPixel* Bits() const { return FBits; }
    int SurfaceWidth() const { return FWidth; }
    int SurfaceHeight() const { return FHeight; }
    int Stride() const { return FStride; }

    // Where logical (0, 0) lies on the surface.
    TPoint Origin() const { return FOrigin; }
    void SetOrigin(TPoint Value);

    // The device clip in surface coordinates (clipped to the surface); the window system's part.
    const TRegion& DeviceClip() const { return FDeviceClip; }
    void SetDeviceClip(const TRegion& SurfaceRegion);
    // The caller's clip region, in logical coordinates. SelectClipRgn(nullptr) removes it.
    // GetClipRgn answers false when none is selected.
    void SelectClipRgn(const TRegion* Region);
    bool GetClipRgn(TRegion& Region) const;
    void IntersectClipRect(const TRect& R);
    void ExcludeClipRect(const TRect& R);
    // The area drawing reaches: in surface coordinates, and its bounds in logical coordinates.
    const TRegion& EffectiveClip() const { return FClip; }
    TRect ClipRect() const;
    // Collects the surface area each drawing call may have changed (within the clip's bounds),
    // so that a window drawn into outside a paint shows again only what changed.
    void TrackDrawing(bool Value) { FTracking = Value; FDrawn.Clear(); }
    bool Tracking() const { return FTracking; }
    const TRegion& Drawn() const { return FDrawn; }

    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    TBrush* Brush() { return &FBrush; }
    void SetBrush(TBrush* Value) { FBrush.Assign(Value); }
    TPen* Pen() { return &FPen; }
    void SetPen(TPen* Value) { FPen.Assign(Value); }
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(TPoint Value) { FPenPos = Value; }

    // Device-context text state; each returns the previous value.
    int SetBkMode(int Mode);
    int BkMode() const { return FBkMode; }
    TColor SetBkColor(TColor Color);
    TColor BkColor() const { return FBkColor; }
    TColor SetTextColor(TColor Color);
    TColor TextColor() const { return FTextColor; }
    // TA_LEFT: X is the text's left end; TA_RIGHT: its right end; TA_CENTER: its middle
    // (the left end at X minus half the width). A right-aligned text is measured only from its
    // end back to the clip, however long it is.
    unsigned SetTextAlign(unsigned Align);
    unsigned TextAlign() const { return FTextAlign; }

    TCanvasState SaveState() const;
    void RestoreState(const TCanvasState& State);

    // Fills with the brush (nothing for bsClear).
    void FillRect(const TRect& R);
    // Fills R with a one-pixel checkerboard: A where X + Y is even, B where it is odd.
    void FillChecker(const TRect& R, TColor A, TColor B);
    // A one-pixel frame in the brush colour just inside R.
    void FrameRect(const TRect& R);
    void MoveTo(int X, int Y);
    // A line in the pen from the pen position to (X, Y), end point excluded; moves the pen.
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint>& Points);
    // Outline in the pen, inside filled with the brush; (X2, Y2) excluded.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    TPixel Pixel(int X, int Y) const;
    void SetPixel(int X, int Y, TColor Color);

    // Text is UTF-8; bytes that are not valid UTF-8 are read as Latin-1.
    int TextWidth(std::string_view Text);
    int TextHeight(std::string_view Text);
    TSize TextExtent(std::string_view Text);
    // Ascent plus descent of the current font, the height of one line.
    int LineHeight();
    // Writes Text with its top at Y (placed on X as TextAlign says) and moves the pen to its end.
    // Text output reads and draws only as far as its glyphs can reach the clip: the cost of a
    // clipped text follows what is shown, and nothing is allocated for its length.
    void TextOut(int X, int Y, std::string_view Text);
    // Writes Text at (X, Y) clipped to R; R is first filled with the brush unless it is bsClear.
    void TextRect(const TRect& R, int X, int Y, std::string_view Text);
    // The window system's ExtTextOut: ETO_OPAQUE fills Rect with the background colour,
    // ETO_CLIPPED clips the text to Rect; Rect may be null when neither is given.
    bool ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, std::string_view Text);
    // Formatted text in R (see the DT_ flags). Answers the height of the text; with
    // DT_CALCRECT draws nothing and sets R.Right and R.Bottom to the text's extent. Lines are
    // laid out only down to the bottom of the clip: the height then counts the lines to there.
    int DrawText(std::string_view Text, TRect& R, unsigned Format);
    // A box, relative to the pen at the top of a line, that holds every glyph of the font:
    // what a caller that draws part of a long text must keep of it at the clip's edges.
    TRect GlyphReach();

    // A bevel of one or two pixels (the BDR_/EDGE_ values) on the sides chosen by the BF_
    // flags; BF_ADJUST moves R inside the edge. Answers false for an edge of no kind.
    bool DrawEdge(TRect& R, unsigned Edge, unsigned Flags);

    // Copies Source's SourceRect (its logical coordinates) into Dest, scaled when sizes differ.
    void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect);
    // Draws a bitmap with its top-left at (X, Y), skipping its transparent colour when
    // the bitmap is Transparent.
    void Draw(int X, int Y, const TBitmap& Bitmap);

private:
    void ResetClip();
    void RecomputeClip();
    void BrushChanged();
    void FontChanged();
    TFaceSize& Face();
    TRect ToSurface(const TRect& R) const { return R.Offset(FOrigin.X, FOrigin.Y); }
    void NoteDrawn(const TRect& SurfaceRect)
    {
        if (FTracking) FDrawn.Union(IntersectRect(SurfaceRect, FClip.Bounds()));
    }
    void FillSurfaceRect(const TRect& SurfaceRect, TPixel Pixel);
    void FillLogicalRect(const TRect& R, TColor Color);
    // Draws the characters of Run with the pen from logical (X, Y) on the top of the line, inside
    // SurfaceBound; stops where no further glyph can reach the clip. The font's underline and
    // strike-out start at LineLeft. Answers the pen at the end (or where it stopped, right of
    // the clip).
    std::int64_t DrawChars(std::int64_t X, int Y, TTextRun& Run, const TRect& SurfaceBound, int TabWidth,
                           std::int64_t LineLeft);
    void BlendGlyph(int SX, int SY, const TGlyph& Glyph, TPixel Color, const TRect& Bound);
    // DrawChars on SurfaceBound filled with the background colour first, in one pass: each
    // pixel of the rectangle is written once, from the glyphs' coverage through the colour
    // pair's blend table.
    std::int64_t DrawOpaqueChars(std::int64_t X, int Y, TTextRun& Run, const TRect& SurfaceBound, std::int64_t LineLeft);

    // The pixels of surface row Y.
    TPixel* Row(int Y) const
    {
        int r = Y + FRowShift;
        if (r >= FHeight) r -= FHeight;
        return FBits + static_cast<std::ptrdiff_t>(r) * FStride;
    }

    TPixel* FBits = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    int FStride = 0;
    int FRowShift = 0;
    TPoint FOrigin;
    TRegion FDeviceClip;
    bool FHasClipRgn = false;
    TRegion FClipRgn;
    TRegion FClip;
    bool FTracking = false;
    TRegion FDrawn;

    TFont FFont;
    TBrush FBrush;
    TPen FPen;
    TPoint FPenPos;
    int FBkMode = OPAQUE;
    TColor FBkColor = clWhite;
    TColor FTextColor = clWindowText;
    unsigned FTextAlign = TA_LEFT;
    TFaceSize* FFace = nullptr;
    // The font attributes FFace was found for (all but the colour).
    std::string FFaceName;
    int FFaceHeight = 0;
    TFontStyles FFaceStyle;
    TFontCharset FFaceCharset = 0;
    TFontPitch FFacePitch = fpDefault;
};

struct TCanvasState {
    std::unique_ptr<TFont> Font;
    std::unique_ptr<TBrush> Brush;
    std::unique_ptr<TPen> Pen;
    TPoint PenPos;
    int BkMode;
    TColor BkColor;
    TColor TextColor;
    unsigned TextAlign;
    TPoint Origin;
    bool HasClipRgn;
    TRegion ClipRgn;
};

// Restores a canvas's attributes, text state, origin and clip region on leaving the scope, also
// when an exception passes (the window system's SaveDC/RestoreDC).
class TCanvasStateGuard {
public:
    explicit TCanvasStateGuard(TCanvas& Canvas) : FCanvas(Canvas), FState(Canvas.SaveState()) {}
    ~TCanvasStateGuard() { FCanvas.RestoreState(FState); }
    TCanvasStateGuard(const TCanvasStateGuard&) = delete;
    TCanvasStateGuard& operator=(const TCanvasStateGuard&) = delete;

private:
    TCanvas& FCanvas;
    TCanvasState FState;
};

// DrawEdge: the one- and two-pixel bevels of the classic 3D look. Each edge value (bits 0-1 the
// outer ring, raised or sunken; bits 2-3 the inner ring) picks a system colour for the left and
// top sides and one for the right and bottom sides of each ring:
//
//   ring    raised outer   sunken outer   raised inner   sunken inner
//   LT      3DLight        BtnShadow      BtnHighlight   3DDkShadow
//   RB      3DDkShadow     BtnHighlight   BtnShadow      3DLight
//
// An inner edge given alone is drawn in the outer ring with its own colours. BF_SOFT swaps the
// raised outer and inner light colours, BF_FLAT draws BtnShadow over BtnFace, BF_MONO
// WindowFrame over Window. The right and bottom sides are drawn after the left and top ones,
// so they own the top-right and bottom-left corner pixels.
#include "host/graphics/Canvas.h"

namespace {

constexpr TColor None = clNone;
constexpr TColor Hi = clBtnHighlight, Lt = cl3DLight, Sh = clBtnShadow, Dk = cl3DDkShadow, Face = clBtnFace,
                 Frame = clWindowFrame, Win = clWindow;

// Indexed by the edge value & 0xF.
constexpr TColor LTInnerNormal[16] = {None, None, None, None, None, Hi, Hi, None, None, Dk, Dk, None, None, None, None, None};
constexpr TColor LTOuterNormal[16] = {None, Lt, Sh, None, Hi, Lt, Sh, None, Dk, Lt, Sh, None, None, Lt, Sh, None};
constexpr TColor RBInnerNormal[16] = {None, None, None, None, None, Sh, Sh, None, None, Lt, Lt, None, None, None, None, None};
constexpr TColor RBOuterNormal[16] = {None, Dk, Hi, None, Sh, Dk, Hi, None, Lt, Dk, Hi, None, None, Dk, Hi, None};
constexpr TColor LTInnerSoft[16] = {None, None, None, None, None, Lt, Lt, None, None, Sh, Sh, None, None, None, None, None};
constexpr TColor LTOuterSoft[16] = {None, Hi, Dk, None, Lt, Hi, Dk, None, Sh, Hi, Dk, None, None, Hi, Dk, None};
constexpr TColor OuterFlat[16] = {None, Sh, Sh, Sh, Face, Sh, Sh, Sh, Face, Sh, Sh, Sh, Face, Sh, Sh, Sh};
constexpr TColor InnerFlat[16] = {None, None, None, None, None, Face, Face, Face, None, Face, Face, Face, None, Face, Face, Face};
constexpr TColor OuterMono[16] = {None, Frame, Frame, Frame, Win, Frame, Frame, Frame, Win, Frame, Frame, Frame, Win, Frame, Frame, Frame};
constexpr TColor InnerMono[16] = {None, None, None, None, None, Win, Win, Win, None, Win, Win, Win, None, Win, Win, Win};

} // namespace

bool TCanvas::DrawEdge(TRect& R, unsigned Edge, unsigned Flags)
{
    if (Flags & BF_DIAGONAL) return false;
    const unsigned kind = Edge & (BDR_INNER | BDR_OUTER);
    TColor ltInner, ltOuter, rbInner, rbOuter;
    if (Flags & BF_MONO) {
        ltInner = rbInner = InnerMono[kind];
        ltOuter = rbOuter = OuterMono[kind];
    } else if (Flags & BF_FLAT) {
        ltInner = rbInner = InnerFlat[kind];
        ltOuter = rbOuter = OuterFlat[kind];
    } else if (Flags & BF_SOFT) {
        ltInner = LTInnerSoft[kind];
        ltOuter = LTOuterSoft[kind];
        rbInner = RBInnerNormal[kind];
        rbOuter = RBOuterNormal[kind];
    } else {
        ltInner = LTInnerNormal[kind];
        ltOuter = LTOuterNormal[kind];
        rbInner = RBInnerNormal[kind];
        rbOuter = RBOuterNormal[kind];
    }

    const TRect r = R;
    const bool left = Flags & BF_LEFT, top = Flags & BF_TOP, right = Flags & BF_RIGHT, bottom = Flags & BF_BOTTOM;
    // Inner lines start one pixel in where the outer ring turns the corner.
    const int ltPlus = (Flags & BF_TOPLEFT) == BF_TOPLEFT, rtPlus = (Flags & BF_TOPRIGHT) == BF_TOPRIGHT;
    const int lbPlus = (Flags & BF_BOTTOMLEFT) == BF_BOTTOMLEFT, rbPlus = (Flags & BF_BOTTOMRIGHT) == BF_BOTTOMRIGHT;

    if (ltOuter != None) {
        if (top) FillLogicalRect({r.Left, r.Top, r.Right, r.Top + 1}, ltOuter);
        if (left) FillLogicalRect({r.Left, r.Top, r.Left + 1, r.Bottom}, ltOuter);
    }
    if (rbOuter != None) {
        if (bottom) FillLogicalRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, rbOuter);
        if (right) FillLogicalRect({r.Right - 1, r.Top, r.Right, r.Bottom}, rbOuter);
    }
    if (ltInner != None) {
        if (top) FillLogicalRect({r.Left + ltPlus, r.Top + 1, r.Right - rtPlus, r.Top + 2}, ltInner);
        if (left) FillLogicalRect({r.Left + 1, r.Top + ltPlus, r.Left + 2, r.Bottom - lbPlus}, ltInner);
    }
    if (rbInner != None) {
        if (bottom) FillLogicalRect({r.Left + lbPlus, r.Bottom - 2, r.Right - rbPlus, r.Bottom - 1}, rbInner);
        if (right) FillLogicalRect({r.Right - 2, r.Top + rtPlus, r.Right - 1, r.Bottom - rbPlus}, rbInner);
    }

    const bool valid = (kind & BDR_INNER) != BDR_INNER && (kind & BDR_OUTER) != BDR_OUTER;
    if ((Flags & (BF_MIDDLE | BF_ADJUST)) == 0) return valid;
    const int rings = (OuterMono[kind] != None ? 1 : 0) + (InnerMono[kind] != None ? 1 : 0);
    TRect inner = r;
    if (left) inner.Left += rings;
    if (right) inner.Right -= rings;
    if (top) inner.Top += rings;
    if (bottom) inner.Bottom -= rings;
    if ((Flags & BF_MIDDLE) && valid) FillLogicalRect(inner, Flags & BF_MONO ? clWindow : clBtnFace);
    if (Flags & BF_ADJUST) R = inner;
    return valid;
}

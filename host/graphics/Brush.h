#pragma once
// TBrush and TPen: the fill and line attributes of a canvas. Every change is reported through
// OnChange, which the owning canvas uses to update its drawing state.
#include "host/core/Persistent.h"
#include "host/graphics/Color.h"

enum TBrushStyle : unsigned char { bsSolid, bsClear };
enum TPenStyle : unsigned char { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

class TBrush : public TPersistent {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { if (Value == FColor) return; FColor = Value; Changed(); }
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value) { if (Value == FStyle) return; FStyle = Value; Changed(); }

    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;

private:
    void Changed() { if (OnChange) OnChange(this); }

    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TPen : public TPersistent {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { if (Value == FColor) return; FColor = Value; Changed(); }
    // Width in pixels; values below 1 draw as 1.
    int Width() const { return FWidth; }
    void SetWidth(int Value) { if (Value == FWidth) return; FWidth = Value; Changed(); }
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value) { if (Value == FStyle) return; FStyle = Value; Changed(); }

    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;

private:
    void Changed() { if (OnChange) OnChange(this); }

    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
};

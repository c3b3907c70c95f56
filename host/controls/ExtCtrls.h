#pragma once
// TPanel: a container with an outer and an inner bevel, a border between them, and a caption
// centred (or aligned) in what is left. Aligned child controls fill the inside of the bevels.
#include "host/controls/WinControl.h"

enum TPanelBevel : unsigned char { bvNone, bvLowered, bvRaised };

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);

    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel Value);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel Value);
    int BevelWidth() const { return FBevelWidth; }
    // At least 1 and at most 64 pixels.
    void SetBevelWidth(int Value);
    // The gap between the outer and the inner bevel, 0 to 64 pixels.
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    // What the bevels and the border leave, in client coordinates.
    TRect InnerRect() const;

protected:
    void Paint() override;
    void AlignControls(TRect& Rect) override;
    void CMTextChanged(TMessage& Message) override;

private:
    void Changed();

    TPanelBevel FBevelInner = bvNone;
    TPanelBevel FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

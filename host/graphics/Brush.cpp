#include "host/graphics/Brush.h"

void TBrush::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TBrush*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source->FColor == FColor && source->FStyle == FStyle) return;
    FColor = source->FColor;
    FStyle = source->FStyle;
    Changed();
}

void TPen::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TPen*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source->FColor == FColor && source->FWidth == FWidth && source->FStyle == FStyle) return;
    FColor = source->FColor;
    FWidth = source->FWidth;
    FStyle = source->FStyle;
    Changed();
}

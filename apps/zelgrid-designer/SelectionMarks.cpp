#include "apps/zelgrid-designer/SelectionMarks.h"

#include "host/controls/WinControl.h"

class TMark : public TCustomControl {
public:
    TMark() : TCustomControl(nullptr) { SetVisible(false); }

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clHighlight);
        Canvas()->FillRect(ClientRect());
    }
};

TSelectionMarks::TSelectionMarks()
{
    for (auto& mark : FMarks) mark = std::make_unique<TMark>();
}

TSelectionMarks::~TSelectionMarks() = default;

void TSelectionMarks::Mark(TControl* Control)
{
    TWinControl* parent = Control ? Control->Parent() : nullptr;
    if (!parent) {
        for (auto& mark : FMarks) mark->SetVisible(false);
        return;
    }
    const TRect r = Control->BoundsRect();
    const int xs[3] = {r.Left - Size / 2, r.Left + r.Width() / 2 - Size / 2, r.Right - Size / 2};
    const int ys[3] = {r.Top - Size / 2, r.Top + r.Height() / 2 - Size / 2, r.Bottom - Size / 2};
    std::size_t i = 0;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            if (row == 1 && col == 1) continue;
            TMark* mark = FMarks[i++].get();
            mark->SetParent(parent);
            mark->SetBounds(xs[col], ys[row], Size, Size);
            mark->SetVisible(true);
            mark->BringToFront();
        }
}

bool TSelectionMarks::Visible() const { return FMarks[0]->Visible(); }

#include "zelgrid/CustomZelGrid.h"

#include "host/core/Exceptions.h"

TCustomZelGrid::TCustomZelGrid(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()), FTitleFont(std::make_unique<TFont>())
{
    SetColCount(2);
}

TCustomZelGrid::~TCustomZelGrid() = default;

void TCustomZelGrid::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TCustomZelGrid::SetTitleFont(TFont* Value)
{
    FTitleFont->Assign(Value);
}

void TCustomZelGrid::SetColor(TColor Value)
{
    FColor = Value;
}

void TCustomZelGrid::SetFixedColor(TColor Value)
{
    FFixedColor = Value;
}

void TCustomZelGrid::SetDefaultColWidth(int Value)
{
    FDefaultColWidth = Value;
}

void TCustomZelGrid::BeginLayout()
{
    if (FUpdateLock < 255) ++FUpdateLock;
    if (FLayoutLock < 255) ++FLayoutLock;
}

void TCustomZelGrid::EndLayout()
{
    if (FLayoutLock == 0) return;
    if (FLayoutLock == 1) {
        try {
            InternalLayout();
        } catch (const std::exception&) {
            // A failing pass simply ends; the brackets below are still closed.
        }
    }
    --FLayoutLock;
    if (FUpdateLock > 0) --FUpdateLock;
}

void TCustomZelGrid::LayoutChanged()
{
    if (FUpdateLock != 0 || FLayoutLock != 0) return;
    BeginLayout();
    EndLayout();
}

void TCustomZelGrid::InternalLayout() {}

void TCustomZelGrid::GetSummary(TObject* Sender, int ACol, Currency& Summary)
{
    if (OnGetSummary) OnGetSummary(Sender, ACol, Summary);
}

void TCustomZelGrid::InvalidateCol(int) {}

void TCustomZelGrid::SetColCount(int Value)
{
    if (Value < 0) Value = 0;
    FColWidths.resize(static_cast<size_t>(Value), FDefaultColWidth);
}

int TCustomZelGrid::ColWidths(int ACol) const
{
    if (ACol < 0 || ACol >= ColCount()) ListIndexError(ACol);
    return FColWidths[static_cast<size_t>(ACol)];
}

void TCustomZelGrid::SetColWidths(int ACol, int Width)
{
    if (ACol < 0 || ACol >= ColCount()) ListIndexError(ACol);
    FColWidths[static_cast<size_t>(ACol)] = Width;
}

#include "examples/grid-demo/CoordinateGrid.h"

#include <string>

namespace {

// Spreadsheet-style column names: A..Z, AA, AB, ...
std::string ColumnName(int Index)
{
    std::string name;
    for (++Index; Index > 0; Index = (Index - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (Index - 1) % 26));
    return name;
}

// Row numbers with thousands separators, so that 9,999,999 reads at a glance.
std::string Grouped(int Value)
{
    std::string digits = std::to_string(Value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

} // namespace

TCoordinateGrid::TCoordinateGrid(TComponent* AOwner) : TCustomGrid(AOwner)
{
    SetColCount(12);
    SetRowCount(10'000'001);
    SetDefaultColWidth(96);
    SetDefaultRowHeight(20);
    SetColWidths(0, 80);
    SetOptions(Options() + TGridOptions{goColSizing, goColMoving, goTabs, goThumbTracking});
}

void TCoordinateGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    TCanvas& canvas = *Canvas();
    std::string text;
    if (ACol == 0 && ARow == 0) return;
    if (ARow == 0) text = ColumnName(ACol - 1);
    else if (ACol == 0) text = Grouped(ARow);
    else text = ColumnName(ACol - 1) + ":" + Grouped(ARow);
    if (!AState.Contains(gdSelected) || AState.Contains(gdFocused)) canvas.Font()->SetColor(clWindowText);
    TRect r = ARect.Inflate(-3, 0);
    const unsigned align = AState.Contains(gdFixed) && ARow == 0 ? DT_CENTER : (ACol == 0 ? DT_RIGHT : DT_LEFT);
    canvas.SetBkMode(TRANSPARENT);
    canvas.DrawText(text, r, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

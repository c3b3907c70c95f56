// events-demo: a TZelGrid showing 2,000,000 records that exist only as answers to its events
// (OnGetRowCount, OnGetDataCell): striped rows, a right-aligned amount column and a word-wrapped
// remark column. Opens a window on the X display when there is one; otherwise, or with --png,
// renders the form headless to a PNG with the current row at --row (the last one by default).
//
//   events-demo [--png FILE] [--row N]
#include <algorithm>
#include <string>

#include "examples/common/ExampleMain.h"
#include "host/controls/Forms.h"
#include "zelgrid/Zelgrid.h"

namespace {

constexpr int Records = 2'000'000;

const char* const Cities[] = {"Oslo", "Lisbon", "Tallinn", "Porto", "Turku", "Bergen", "Riga", "Gdansk"};
const char* const Remarks[] = {"", "call back before noon", "paid", "", "address changed last month", "on hold"};

// The application's answer for one cell: every value follows from the record number.
void RecordCell(int ACol, int ARow, std::string& AValue)
{
    const unsigned mix = static_cast<unsigned>(ARow) * 2654435761u;
    switch (ACol) {
    case 0: AValue = std::to_string(ARow + 1); break;
    case 1: AValue = "Customer " + std::to_string(100000 + mix % 900000); break;
    case 2: AValue = Cities[mix % 8]; break;
    case 3: {
        const unsigned cents = mix % 1000000;
        AValue = std::to_string(cents / 100) + "." + (cents % 100 < 10 ? "0" : "") + std::to_string(cents % 100);
        break;
    }
    case 4: AValue = Remarks[(mix >> 8) % 6]; break;
    default: break;
    }
}

TZelColumn* AddColumn(TZelGrid* Grid, const char* Caption, int Width, TAlignment Alignment = taLeftJustify)
{
    TZelColumn* column = Grid->Columns()->Add();
    column->Title()->SetCaption(Caption);
    column->SetWidth(Width);
    column->SetAlignment(Alignment);
    column->Title()->SetAlignment(Alignment);
    return column;
}

// The form with its grid; freed with the form.
TForm* MakeForm(int Row)
{
    auto* form = new TForm(nullptr);
    form->SetCaption("TZelGrid demo: 2,000,000 records");
    form->SetBounds(80, 80, 720, 440);
    auto* grid = new TZelGrid(form);
    grid->SetAlign(alClient);
    grid->OnGetRowCount = [](int& ARowCount) { ARowCount = Records; };
    grid->OnGetDataCell = RecordCell;
    grid->BeginLayout();
    AddColumn(grid, "Record", 70, taRightJustify);
    AddColumn(grid, "Customer", 150);
    AddColumn(grid, "City", 90);
    AddColumn(grid, "Amount", 90, taRightJustify);
    AddColumn(grid, "Remark", 150)->SetWordWrap(true);
    grid->SetDefRowHeight(30);
    grid->SetBlindedColor(RGB(0xEE, 0xF3, 0xFA));
    grid->SetBlinded(true);
    grid->EndLayout();
    grid->SetParent(form);
    form->SetActiveControl(grid);
    form->Show();
    if (Row >= 0) grid->SetCurrentRow(std::min(Row, grid->RowCount() - 1));
    return form;
}

} // namespace

int main(int argc, char** argv)
{
    return RunExample(argc, argv, "events-demo", MakeForm, 1, Records);
}

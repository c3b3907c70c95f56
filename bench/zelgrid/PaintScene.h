#pragma once
// The grid on screen at scale: a 1280 x 800 form whose client area a grid fills, over 1,000,000
// records, 20 columns of 64 px, 18 px rows, titles, indicator, stripes, texts like R123456C7
// from OnGetDataCell, DejaVu Sans 12 px.
#include "bench/common/PaintBound.h"
#include "host/controls/Forms.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "zelgrid/Zelgrid.h"

namespace PaintBench {

constexpr int Records = 1'000'000;

// A form of the scene's size, not shown yet.
inline TForm* SceneForm()
{
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, Width, Height);
    return form;
}

// The scene's grid on Form, filling its client area; RecordCount answers OnGetRowCount.
inline TZelGrid* SceneGrid(TForm* Form, const int& RecordCount)
{
    auto* grid = new TZelGrid(Form);
    grid->SetAlign(alClient);
    SetTextFont(grid->Font());
    grid->OnGetRowCount = [&RecordCount](int& ARowCount) { ARowCount = RecordCount; };
    grid->OnGetDataCell = CellText;
    grid->BeginLayout();
    for (int i = 0; i < Columns; ++i) grid->Columns()->Add()->SetWidth(ColumnWidth);
    grid->SetDefRowHeight(RowHeight);
    grid->SetBlindedColor(RGB(0xEE, 0xF3, 0xFA));
    grid->SetBlinded(true);
    grid->EndLayout();
    grid->SetParent(Form);
    return grid;
}

// A shown form whose client area the grid fills, painted once.
struct TScene {
    int RecordCount;
    TForm* Form;
    TZelGrid* Grid;

    explicit TScene(int Count = Records) : RecordCount(Count), Form(SceneForm()), Grid(SceneGrid(Form, RecordCount))
    {
        Form->Show();
        ProcessMessages();
        UpdateWindow(Grid->Handle());
    }
    ~TScene() { delete Form; }
    TScene(const TScene&) = delete;
    TScene& operator=(const TScene&) = delete;
};

} // namespace PaintBench

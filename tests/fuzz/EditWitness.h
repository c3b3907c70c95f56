#pragma once
// Watches a grid's in-place editor from the application's side: which column object and record
// the editor was loaded for, and whether each commit names exactly that cell. A commit must
// never name a record the grid was told is gone, nor a column other than the one typed in.
#include <string>

#include "host/core/ObjectWatch.h"
#include "zelgrid/Zelgrid.h"

class TEditWitness {
public:
    explicit TEditWitness(TCustomZelGrid* Grid) : FGrid(Grid) {}

    // Wraps the editor's text question once the grid has made its editor; call after every step.
    void Attach()
    {
        TOutInplaceEdit* editor = FGrid->Editor();
        if (!editor || FAttached.Get() == editor) return;
        FAttached.Set(editor);
        // The load that made the editor went unseen: it is taken from the cell the editor holds.
        if (FGrid->EditorCol() == FGrid->Col() && FGrid->EditorRow() == FGrid->Row()) Loaded();
        auto ask = editor->OnGetEditData;
        editor->OnGetEditData = [this, ask](TCustomInplaceEdit* Sender, std::string& Value, bool& Flag) {
            Loaded();
            if (ask) ask(Sender, Value, Flag);
        };
    }

    // The record count the grid was last given: by OnGetRowCount, or by a write of RowCount.
    void Told(int Records) { FTold = Records < 1 ? 1 : Records; }

    // Checks one OnValidateData call; an empty answer when it names the loaded cell.
    std::string Commit(int ACol, int ARow) const
    {
        if (!FLoaded) return {};
        if (ARow != FRecord)
            return "a commit for record " + std::to_string(ARow) + ", typed into record " + std::to_string(FRecord);
        if (ARow >= FTold) return "a commit for record " + std::to_string(ARow) + " of " + std::to_string(FTold);
        if (!FBound) return {};
        const TZelColumn* typed = FColumn.Get();
        if (!typed) return "a commit for a column that is gone";
        TZelGridColumns* shown = FGrid->Columns();
        if (typed->Collection() != shown || typed->Index() != ACol)
            return "a commit for data column " + std::to_string(ACol) + ", typed into another column";
        return {};
    }

private:
    void Loaded()
    {
        TZelGridColumns* shown = FGrid->Columns();
        const int data = FGrid->RawToDataColumn(FGrid->Col());
        TZelColumn* column = shown && data >= 0 && data < shown->Count() ? shown->GeTZelColumn(data) : nullptr;
        FColumn.Set(column);
        FBound = column != nullptr;
        FRecord = FGrid->Row() - FGrid->TitleRows();
        FLoaded = true;
    }

    TCustomZelGrid* FGrid;
    TWatchedPtr<TOutInplaceEdit> FAttached;
    TWatchedPtr<TZelColumn> FColumn;
    bool FBound = false;
    bool FLoaded = false;
    int FRecord = 0;
    int FTold = 1;
};

#pragma once
// TGridBinding: shows a table source in a grid. It answers the grid's data events from the
// source (row count, cells, edits, appends, deletes, summaries, title clicks), builds the
// grid's columns from the source's, and keeps the rows around the view in a cache of pages, so
// that painting a frame reads at most a few pages from the source and scrolling back reads none.
//
// Everything runs on the GUI thread, where the grid lives. The source must outlive the binding;
// the grid may be freed first, and a binding freed first takes its handlers back from the grid.
#include <cstdint>
#include <string>
#include <vector>

#include "binding/TableSource.h"
#include "host/core/ObjectWatch.h"
#include "zelgrid/Zelgrid.h"

class TGridBinding {
public:
    static constexpr int PageRows = 64;
    // Enough pages for the tallest window (16,384 pixels) and the pages scrolled past.
    static constexpr int MaxPages = 32;

    // Takes the grid's data events; builds its columns from the source when the shown layout
    // has none.
    TGridBinding(TCustomZelGrid* Grid, TTableSource& Source);
    ~TGridBinding();
    TGridBinding(const TGridBinding&) = delete;
    TGridBinding& operator=(const TGridBinding&) = delete;

    TTableSource& Source() const { return FSource; }
    // Makes the shown layout one column per source column: captions from the names, widths
    // from a sample of the data, numbers right-aligned. A column's Flags holds its source column
    // plus one, so that a layout stored and read back keeps showing the same fields.
    void BuildLayout();
    // The source column shown at data column DataCol of the shown layout, or -1.
    int SourceColumnAt(int DataCol) const;
    // The text of source column Col at Row, through the cache ("" where there is none).
    const std::string& CellText(std::int64_t Row, int Col);
    // Reads again what another program may have changed and shows it.
    void Refresh();
    // Orders by the field at data column DataCol: ascending, or descending when ascending by it
    // already.
    void SortByColumn(int DataCol);
    // Forgets every cached row and summary (after a change the grid did not make through the
    // binding).
    void DropCache();

    // The cache at work, for tests and the status line.
    int PagesRead() const { return FPagesRead; }
    int CachedPages() const { return static_cast<int>(FPages.size()); }
    // The last refusal or error the binding showed, or kept because the grid was painting.
    const std::string& LastError() const { return FLastError; }

private:
    struct TPage {
        std::int64_t Index = -1;
        std::uint64_t LastUse = 0;
        std::vector<TSourceRow> Rows;
    };
    struct TSum {
        int Col = -1;
        Currency Value;
    };

    void Attach();
    // Forgets the cached rows and the row count; the sums stay, kept up to date by the writes.
    void ForgetRows();
    std::int64_t RowCount();
    const TSourceRow* RowAt(std::int64_t Row);
    void ValidateData(int ACol, int ARow, const std::string& NewVal, bool& ACancel);
    void AppendRecord();
    void DeleteRecord(int ARow);
    Currency Summary(int DataCol);
    Currency ComputeSum(int Col);
    // Shows a source's refusal; false when the grid was freed meanwhile.
    bool Refused(const std::string& Reason);
    // Changes a kept sum by the value a write removed and the one it stored.
    void AdjustSums(int Col, const std::string& Removed, const std::string& Added);
    void AdjustSums(const TSourceRow& Removed);

    TCustomZelGrid* FGrid;
    TObjectWatch FGridAlive;
    TTableSource& FSource;
    std::vector<TPage> FPages;
    std::uint64_t FUseClock = 0;
    int FPagesRead = 0;
    std::int64_t FRowCount = -1; // -1: ask the source
    std::vector<TSum> FSums;
    std::string FLastError;
    std::vector<TSourceRow> FReadBuffer;
};

#pragma once
// TCustomZelGrid: the grid control. For now only what the column model calls on it; this class
// grows into the full grid on the base grid TCustomGrid.
#include <functional>
#include <memory>
#include <vector>

#include "host/core/Currency.h"
#include "host/core/Persistent.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"

// Asks the application for the summary of data column Acol; Sender is the column.
using TGetSummaryEvent = std::function<void(TObject* Sender, int Acol, Currency& aSummary)>;

class TCustomZelGrid : public TComponent {
public:
    explicit TCustomZelGrid(TComponent* AOwner);
    ~TCustomZelGrid() override;

    // The grid's own font: the default font of every column.
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    // The font of the title row: the default font of every column title.
    TFont* TitleFont() const { return FTitleFont.get(); }
    void SetTitleFont(TFont* Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value);

    // The whole grid is read-only: every column then reads as read-only.
    bool ReadOnly = false;

    // Layout brackets: a burst of changes inside nested brackets gives one layout pass, when
    // the outermost bracket closes.
    void BeginLayout();
    void EndLayout();
    // Asks for a layout pass now, or nothing while a bracket is open.
    virtual void LayoutChanged();
    int DataToRawColumn(int DataCol) const { return DataCol + FIndicatorCols; }

    // Hands a summary request to OnGetSummary when it is assigned.
    virtual void GetSummary(TObject* Sender, int ACol, Currency& Summary);
    TGetSummaryEvent OnGetSummary;

    // Base grid services the column model uses.
    virtual void InvalidateCol(int ACol);
    int ColCount() const { return static_cast<int>(FColWidths.size()); }
    void SetColCount(int Value);
    int ColWidths(int ACol) const;
    // Sets the width of raw column ACol; the host's list index error outside 0..ColCount-1.
    virtual void SetColWidths(int ACol, int Width);

protected:
    // The layout pass; runs only from the outermost EndLayout. Exceptions it raises are dropped.
    virtual void InternalLayout();

    unsigned char FLayoutLock = 0;
    unsigned char FUpdateLock = 0;
    unsigned char FIndicatorCols = 1;

private:
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TFont> FTitleFont;
    TColor FColor = clWindow;
    TColor FFixedColor = clBtnFace;
    int FDefaultColWidth = 64;
    std::vector<int> FColWidths;
};

// Closes a layout bracket also when an exception passes.
class TLayoutGuard {
public:
    explicit TLayoutGuard(TCustomZelGrid* Grid) : FGrid(Grid)
    {
        if (FGrid) FGrid->BeginLayout();
    }
    ~TLayoutGuard()
    {
        if (FGrid) FGrid->EndLayout();
    }
    TLayoutGuard(const TLayoutGuard&) = delete;
    TLayoutGuard& operator=(const TLayoutGuard&) = delete;

private:
    TCustomZelGrid* FGrid;
};

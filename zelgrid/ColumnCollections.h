#pragma once
// The two levels of column collections: TZelColLayout holds the grid's layouts, each layout
// (TZelLayoutItem) owns one TZelGridColumns, which passes every change of its columns on to
// the grid when it is the shown layout's: one changed column is repainted and resized, a change
// of the whole collection asks the grid for a layout pass. A layout that is not shown changes
// nothing in the grid; the pass that shows it takes up its state.
//
// Ownership: every layout item owns exactly one column collection for its whole life, and a
// column collection is never shared. SeTZelColumns and TZelLayoutItem::Assign therefore copy
// the other collection's columns exactly (values, assigned-value bookkeeping, type, visibility
// and creation index) into the item's own collection; the caller keeps what it passed. So each
// collection is freed exactly once, by its item, and no reference to a freed one remains.
//
// Grid references: a column collection inside a layout collection belongs to that layout
// collection's grid, whichever collection the item has moved into; a layout collection refers
// to its grid through a reference that reads nullptr once the grid is destroyed.
#include <memory>

#include "host/core/Collection.h"
#include "zelgrid/Column.h"
#include "zelgrid/ColumnTypes.h"

class TCustomZelGrid;
class TZelColLayout;
class TReader;
class TWriter;

// A grid as the column model refers to it without owning it: the grid clears the shared cell
// when it is destroyed, so the reference then reads nullptr instead of freed memory.
using TGridReference = std::shared_ptr<TCustomZelGrid*>;

class TZelGridColumns : public TCollection {
public:
    TZelGridColumns(TCustomZelGrid* Grid, TZelColLayout* Layout, TCollectionItemClass ItemClass);

    TZelColumn* Add();
    // The column at Index; the host's list index error outside 0..Count-1.
    TZelColumn* GeTZelColumn(int Index) const;
    // Assigns Value to the column at Index (TZelColumn::Assign).
    void SeTZelColumn(int Index, TZelColumn* Value);

    // csDefault when empty or when the first column is a TPassthroughColumn.
    TZelGridColumnsState GetState() const;
    // Empties the collection when Value differs from the state.
    void SetState(TZelGridColumnsState Value);
    // The last column created at Position, or nullptr.
    TZelColumn* GeTZelColumnOnOrdPosition(int Position) const;
    // Restores every column's defaults inside one update bracket.
    void RestoreDefaults();
    void RebuildColumns();

    // The grid of the layout collection this collection's item is in; without one, the grid
    // given to the constructor while it lives.
    TCustomZelGrid* OwnerGrid() const;
    TZelColLayout* Layout() const { return FLayout; }
    // The grid when this is the collection its shown layout holds, otherwise nullptr.
    TCustomZelGrid* ShownGrid() const;

protected:
    void Update(TCollectionItem* Item) override;
    // A column that joins or leaves after its construction learns its column collection.
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    friend class TZelColLayout;
    TGridReference FOwnerGrid;
    TZelColLayout* FLayout;
};

class TZelLayoutItem : public TCollectionItem {
public:
    explicit TZelLayoutItem(TCollection* Collection);
    ~TZelLayoutItem() override;

    TZelGridColumns* GeTZelColumns() const { return FColumns.get(); }
    // Makes this layout's columns an exact copy of Value's; nullptr is ignored.
    void SeTZelColumns(TZelGridColumns* Value);
    // Takes over Source's columns as SeTZelColumns does, inside the layout collection's
    // update bracket.
    void Assign(TPersistent* Source) override;
    // A new column collection for this item's layout collection, or nullptr without one.
    TZelGridColumns* CreateColumns();

private:
    std::unique_ptr<TZelGridColumns> FColumns;
};

class TZelColLayout : public TCollection {
public:
    // Starts with one layout holding an empty column collection.
    TZelColLayout(TCustomZelGrid* Grid, TCollectionItemClass ItemClass);

    TZelLayoutItem* Add();
    // nullptr beyond the last layout; the host's list index error below 0.
    TZelLayoutItem* GetItem(int Index) const;
    // EInvalidGridOperation "Cannot Assign Columns to this index" beyond the last layout.
    void SetItem(int Index, TZelLayoutItem* Value);

    TCustomZelGrid* OwnerGrid() const { return FOwnerGrid ? *FOwnerGrid : nullptr; }

    // The defined "Layout" property (LayoutStreaming.cpp): every layout's columns as one value.
    void DefineProperties(TFiler* Filer) override;
    void WriteLayout(TWriter& Writer);
    // Reads what WriteLayout writes, in place of the layouts held.
    void ReadLayout(TReader& Reader);

protected:
    // Layout changes reach the grid only through its own layout operations.
    void Update(TCollectionItem*) override {}
    // A layout item that joins takes its column collection along; one that leaves takes it away.
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    // The grid adopting this collection (SeTZelColLayout); its column collections follow.
    friend class TCustomZelGrid;
    void SetOwnerGrid(TCustomZelGrid* Grid);

    TGridReference FOwnerGrid;
};

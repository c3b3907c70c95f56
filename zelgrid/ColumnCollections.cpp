#include "zelgrid/ColumnCollections.h"

#include <typeinfo>

#include "host/core/Exceptions.h"
#include "zelgrid/CustomZelGrid.h"

namespace {
// A new item of the collection's class as the type the collection hands out; an item of another
// class (a collection made with the wrong item class) is freed again and refused.
template <class T>
T* TypedItem(TCollectionItem* Item, const char* Collection)
{
    if (auto* typed = dynamic_cast<T*>(Item)) return typed;
    const std::string name = Item->ClassName();
    delete Item;
    throw EInvalidCast(std::string("A ") + Collection + " cannot hold a " + name);
}
}

namespace {
TGridReference ReferenceTo(TCustomZelGrid* Grid)
{
    return Grid ? Grid->SelfReference() : nullptr;
}
} // namespace

TZelGridColumns::TZelGridColumns(TCustomZelGrid* Grid, TZelColLayout* Layout, TCollectionItemClass ItemClass)
    : TCollection(ItemClass), FOwnerGrid(ReferenceTo(Grid)), FLayout(Layout)
{
}

TCustomZelGrid* TZelGridColumns::OwnerGrid() const
{
    if (FLayout) return FLayout->OwnerGrid();
    return FOwnerGrid ? *FOwnerGrid : nullptr;
}

TCustomZelGrid* TZelGridColumns::ShownGrid() const
{
    TCustomZelGrid* grid = OwnerGrid();
    return grid && grid->GeTZelColumns() == this ? grid : nullptr;
}

// The pass a new column asks for runs once the column is built, not inside its constructor: a
// handler of the pass may free the column, or the grid and the column with it (then the answer
// is null).
TZelColumn* TZelGridColumns::Add()
{
    TCustomZelGrid* grid = ShownGrid();
    TObjectWatch gridAlive(grid);
    if (grid) grid->BeginLayout();
    TZelColumn* column = nullptr;
    try {
        column = TypedItem<TZelColumn>(TCollection::Add(), "column collection");
    } catch (...) {
        if (grid && gridAlive) grid->EndLayout();
        throw;
    }
    TObjectWatch columnAlive(column);
    if (grid && gridAlive) grid->EndLayout();
    return columnAlive ? column : nullptr;
}

TZelColumn* TZelGridColumns::GeTZelColumn(int Index) const
{
    TCollectionItem* item = GetItem(Index);
    // The plain class first: a dynamic_cast across TZelColumn's two bases costs more than the
    // rest of reading a column, and the layout pass reads every one.
    if (typeid(*item) == typeid(TZelColumn)) return static_cast<TZelColumn*>(item);
    auto* column = dynamic_cast<TZelColumn*>(item);
    if (!column) throw EInvalidCast("Item " + std::to_string(Index) + " of a column collection is a " + item->ClassName());
    return column;
}

void TZelGridColumns::SeTZelColumn(int Index, TZelColumn* Value)
{
    GeTZelColumn(Index)->Assign(Value);
}

TZelGridColumnsState TZelGridColumns::GetState() const
{
    if (Count() == 0 || dynamic_cast<TPassthroughColumn*>(GetItem(0))) return csDefault;
    return csCustomized;
}

void TZelGridColumns::SetState(TZelGridColumnsState Value)
{
    if (Value == GetState()) return;
    if (Value == csDefault) Clear();
    else RebuildColumns();
}

TZelColumn* TZelGridColumns::GeTZelColumnOnOrdPosition(int Position) const
{
    TZelColumn* found = nullptr;
    for (int i = 0; i < Count(); ++i)
        if (GeTZelColumn(i)->OrdPosition() == Position) found = GeTZelColumn(i);
    return found;
}

void TZelGridColumns::RestoreDefaults()
{
    TCollectionUpdateGuard update(this);
    for (int i = 0; i < Count(); ++i) GeTZelColumn(i)->RestoreDefaults();
}

void TZelGridColumns::RebuildColumns()
{
    Clear();
}

void TZelGridColumns::Notify(TCollectionItem* Item, TCollectionNotification Action)
{
    if (auto* column = dynamic_cast<TZelColumn*>(Item)) column->FColumns = Action == cnAdded ? this : nullptr;
}

void TZelGridColumns::Update(TCollectionItem* Item)
{
    TCustomZelGrid* grid = ShownGrid();
    if (!grid || grid->ComponentState.Contains(csLoading)) return;
    if (!Item) {
        grid->LayoutChanged();
        return;
    }
    auto* column = dynamic_cast<TZelColumn*>(Item);
    if (!column) return;
    const int raw = grid->DataToRawColumn(column->Index());
    grid->InvalidateCol(raw);
    grid->SetColWidths(raw, column->GetWidth());
}

TZelLayoutItem::TZelLayoutItem(TCollection* Collection) : TCollectionItem(Collection)
{
    FColumns.reset(CreateColumns());
}

TZelLayoutItem::~TZelLayoutItem()
{
    FColumns.reset();
}

TZelGridColumns* TZelLayoutItem::CreateColumns()
{
    TCollection* collection = Collection();
    if (!collection) return nullptr;
    auto* layouts = dynamic_cast<TZelColLayout*>(collection);
    return new TZelGridColumns(layouts ? layouts->OwnerGrid() : nullptr, layouts, ItemClassOf<TZelColumn>);
}

void TZelLayoutItem::SeTZelColumns(TZelGridColumns* Value)
{
    if (!Value || Value == FColumns.get()) return;
    if (!FColumns) FColumns = std::make_unique<TZelGridColumns>(nullptr, nullptr, ItemClassOf<TZelColumn>);
    // One layout pass for the whole copy, not one per new column.
    TLayoutGuard layout(FColumns->OwnerGrid());
    TCollectionUpdateGuard update(FColumns.get());
    FColumns->Clear();
    for (int i = 0; i < Value->Count(); ++i) FColumns->Add()->AssignExactly(Value->GeTZelColumn(i));
}

void TZelLayoutItem::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TZelLayoutItem*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    TCollectionUpdateGuard update(Collection());
    SeTZelColumns(source->GeTZelColumns());
}

TZelColLayout::TZelColLayout(TCustomZelGrid* Grid, TCollectionItemClass ItemClass)
    : TCollection(ItemClass), FOwnerGrid(ReferenceTo(Grid))
{
    Add();
}

void TZelColLayout::Notify(TCollectionItem* Item, TCollectionNotification Action)
{
    auto* layout = dynamic_cast<TZelLayoutItem*>(Item);
    TZelGridColumns* columns = layout ? layout->GeTZelColumns() : nullptr;
    if (!columns) return;
    columns->FLayout = Action == cnAdded ? this : nullptr;
    columns->FOwnerGrid = nullptr;
}

void TZelColLayout::SetOwnerGrid(TCustomZelGrid* Grid)
{
    FOwnerGrid = ReferenceTo(Grid);
}

TZelLayoutItem* TZelColLayout::Add()
{
    return TypedItem<TZelLayoutItem>(TCollection::Add(), "layout collection");
}

TZelLayoutItem* TZelColLayout::GetItem(int Index) const
{
    if (Index > Count() - 1) return nullptr;
    TCollectionItem* item = TCollection::GetItem(Index);
    // The plain class first: the grid reads its shown layout for every cell it paints.
    if (typeid(*item) == typeid(TZelLayoutItem)) return static_cast<TZelLayoutItem*>(item);
    auto* layout = dynamic_cast<TZelLayoutItem*>(item);
    if (!layout) throw EInvalidCast("Item " + std::to_string(Index) + " of a layout collection is a " + item->ClassName());
    return layout;
}

void TZelColLayout::SetItem(int Index, TZelLayoutItem* Value)
{
    if (Index > Count() - 1) throw EInvalidGridOperation("Cannot Assign Columns to this index");
    GetItem(Index)->Assign(Value);
}

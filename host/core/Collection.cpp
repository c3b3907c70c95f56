#include "host/core/Collection.h"

#include <algorithm>
#include <cassert>

#include "host/core/Exceptions.h"

TCollectionItem::TCollectionItem(TCollection* Collection)
{
    SetCollection(Collection);
}

TCollectionItem::~TCollectionItem()
{
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* Value)
{
    if (FCollection == Value) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

void TCollectionItem::SetIndex(int Value)
{
    const int current = Index();
    if (current < 0 || current == Value) return;
    FCollection->MoveItem(current, Value);
    Changed(true);
}

std::string TCollectionItem::GetDisplayName() const
{
    return ClassName();
}

void TCollectionItem::SetDisplayName(const std::string&)
{
    Changed(false);
}

void TCollectionItem::Changed(bool AllItems)
{
    if (!FCollection || FCollection->FUpdateCount != 0) return;
    FCollection->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection()
{
    // Items are freed without reporting changes: the collection is going away.
    ++FUpdateCount;
    while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Add()
{
    return FItemClass(this);
}

void TCollection::Clear()
{
    if (FItems.empty()) return;
    BeginUpdate();
    try {
        while (!FItems.empty()) delete FItems.back();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Delete(int Index)
{
    delete GetItem(Index);
}

TCollectionItem* TCollection::GetItem(int Index) const
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const
{
    for (TCollectionItem* item : FItems)
        if (item->FID == ID) return item;
    return nullptr;
}

void TCollection::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TCollection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    TCollectionUpdateGuard guard(this);
    Clear();
    for (TCollectionItem* item : source->FItems) Add()->Assign(item);
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::SetItemName(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed()
{
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item)
{
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FIndex = Count() - 1;
    Item->FID = FNextID++;
    SetItemName(Item);
    Notify(Item, cnAdded);
    Changed();
}

// Removing the last item (as Clear and the destructor do) moves nothing, so freeing a whole
// collection is linear.
void TCollection::RemoveItem(TCollectionItem* Item)
{
    Notify(Item, cnExtracting);
    const int index = Item->FIndex;
    assert(index >= 0 && index < Count() && FItems[static_cast<size_t>(index)] == Item && "item index out of step");
    FItems.erase(FItems.begin() + index);
    Renumber(index, Count() - 1);
    Item->FCollection = nullptr;
    Item->FIndex = -1;
    Changed();
}

void TCollection::MoveItem(int CurIndex, int NewIndex)
{
    if (NewIndex < 0 || NewIndex >= Count()) ListIndexError(NewIndex);
    TCollectionItem* item = FItems[static_cast<size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
    Renumber(std::min(CurIndex, NewIndex), std::max(CurIndex, NewIndex));
}

void TCollection::Renumber(int First, int Last)
{
    for (int i = First; i <= Last; ++i) FItems[static_cast<size_t>(i)]->FIndex = i;
}

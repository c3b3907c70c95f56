#pragma once
// TCollection and TCollectionItem: an owned, ordered list of persistent items that reports
// every change to the collection's virtual Update, except while an update bracket is open.
#include <string>
#include <vector>

#include "host/core/Persistent.h"

class TCollection;
class TCollectionItem;

// What happens to an item, as TCollection::Notify reports it.
enum TCollectionNotification : unsigned char { cnAdded, cnExtracting };

// Makes a new item of one class inside a collection (the host's item class reference).
using TCollectionItemClass = TCollectionItem* (*)(TCollection* Collection);

template <class T>
TCollectionItem* ItemClassOf(TCollection* Collection)
{
    return new T(Collection);
}

class TCollectionItem : public TPersistent {
public:
    // Inserts the new item at the end of Collection (when given), which then owns it.
    explicit TCollectionItem(TCollection* Collection);
    // Removes the item from its collection, which then reports a change.
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return FCollection; }
    // Moves the item into another collection (or out of any with nullptr).
    void SetCollection(TCollection* Value);
    int ID() const { return FID; }
    // Position in the collection, -1 without one.
    int Index() const { return FCollection ? FIndex : -1; }
    // Moves the item to position Value; the whole collection reports a change.
    virtual void SetIndex(int Value);
    virtual std::string GetDisplayName() const;
    virtual void SetDisplayName(const std::string& Value);

protected:
    // Reports a change of this item (AllItems false) or of the whole collection.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
    // Kept by the collection, so that Index needs no search.
    int FIndex = -1;
};

class TCollection : public TPersistent {
public:
    explicit TCollection(TCollectionItemClass ItemClass);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    TCollectionItem* Add();
    void Clear();
    void Delete(int Index);
    int Count() const { return static_cast<int>(FItems.size()); }
    // The item at Index; the host's list index error outside 0..Count-1.
    TCollectionItem* GetItem(int Index) const;
    TCollectionItem* Items(int Index) const { return GetItem(Index); }
    TCollectionItem* FindItemID(int ID) const;
    TCollectionItemClass ItemClass() const { return FItemClass; }

    // Replaces the items by copies of Source's items, inside one update bracket.
    void Assign(TPersistent* Source) override;

    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

protected:
    // Called after an item changed (Item) or after the whole collection changed (nullptr),
    // never while an update bracket is open.
    virtual void Update(TCollectionItem* Item);
    virtual void SetItemName(TCollectionItem* Item);
    // Called after Item joined the collection (cnAdded) and before it leaves it (cnExtracting),
    // whether it is created, freed or moved with SetCollection. During the item's own
    // construction and destruction it is seen as a plain TCollectionItem.
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);
    void MoveItem(int CurIndex, int NewIndex);
    // Gives the items from First to Last (inclusive) their positions again.
    void Renumber(int First, int Last);

    TCollectionItemClass FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};

// Closes a collection's update bracket also when an exception passes.
class TCollectionUpdateGuard {
public:
    explicit TCollectionUpdateGuard(TCollection* Collection) : FCollection(Collection), FAlive(Collection)
    {
        if (FCollection) FCollection->BeginUpdate();
    }
    // A collection freed inside the bracket (its grid freed by a handler) is left alone.
    ~TCollectionUpdateGuard()
    {
        if (FCollection && FAlive) FCollection->EndUpdate();
    }
    TCollectionUpdateGuard(const TCollectionUpdateGuard&) = delete;
    TCollectionUpdateGuard& operator=(const TCollectionUpdateGuard&) = delete;

private:
    TCollection* FCollection;
    TObjectWatch FAlive;
};

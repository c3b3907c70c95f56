#include <gtest/gtest.h>

#include "host/core/Collection.h"
#include "host/core/Exceptions.h"

namespace {

class TCountingCollection : public TCollection {
public:
    TCountingCollection() : TCollection(ItemClassOf<TItem>) {}
    std::vector<TCollectionItem*> Updates;

    class TItem : public TCollectionItem {
    public:
        using TCollectionItem::TCollectionItem;
        using TCollectionItem::Changed;
        int Value = 0;
        void Assign(TPersistent* Source) override
        {
            auto* item = dynamic_cast<TItem*>(Source);
            if (!item) return TCollectionItem::Assign(Source);
            Value = item->Value;
        }
    };

    TItem* AddItem() { return static_cast<TItem*>(Add()); }
    TItem* Item(int Index) const { return static_cast<TItem*>(GetItem(Index)); }

    // Every Notify as (item, action).
    std::vector<std::pair<TCollectionItem*, TCollectionNotification>> Notified;

protected:
    void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override { Notified.emplace_back(Item, Action); }
};

using TItem = TCountingCollection::TItem;

} // namespace

TEST(Collection, AddReportsAWholeCollectionChange)
{
    TCountingCollection c;
    c.Add();
    ASSERT_EQ(c.Updates.size(), 1u);
    EXPECT_EQ(c.Updates[0], nullptr);
}

TEST(Collection, ItemChangeReportsTheItemOrTheWholeCollection)
{
    TCountingCollection c;
    TItem* item = c.AddItem();
    c.Updates.clear();
    item->Changed(false);
    item->Changed(true);
    EXPECT_EQ(c.Updates, (std::vector<TCollectionItem*>{item, nullptr}));
}

TEST(Collection, NothingIsReportedInsideAnUpdateBracketAndOnceAtItsEnd)
{
    TCountingCollection c;
    TItem* item = c.AddItem();
    c.Updates.clear();
    c.BeginUpdate();
    c.BeginUpdate();
    item->Changed(false);
    c.Add();
    c.Delete(0);
    c.EndUpdate();
    EXPECT_TRUE(c.Updates.empty());
    c.EndUpdate();
    EXPECT_EQ(c.Updates, std::vector<TCollectionItem*>{nullptr});
    EXPECT_EQ(c.UpdateCount(), 0);
}

TEST(Collection, RemovalAndClearReportOnce)
{
    TCountingCollection c;
    c.Add();
    c.Add();
    c.Add();
    c.Updates.clear();
    c.Delete(1);
    EXPECT_EQ(c.Updates.size(), 1u);
    c.Updates.clear();
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Updates.size(), 1u);
}

TEST(Collection, SettingIndexMovesTheItem)
{
    TCountingCollection c;
    TItem* first = c.AddItem();
    TItem* second = c.AddItem();
    TItem* third = c.AddItem();
    c.Updates.clear();
    first->SetIndex(2);
    EXPECT_EQ(c.Item(0), second);
    EXPECT_EQ(c.Item(1), third);
    EXPECT_EQ(first->Index(), 2);
    EXPECT_EQ(c.Updates, std::vector<TCollectionItem*>{nullptr});
}

TEST(Collection, BadIndexesRaiseTheListErrorAndChangeNothing)
{
    TCountingCollection c;
    TItem* first = c.AddItem();
    TItem* second = c.AddItem();
    try {
        c.GetItem(2);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    EXPECT_THROW(c.Delete(-1), EListError);
    EXPECT_THROW(second->SetIndex(5), EListError);
    EXPECT_EQ(c.Item(0), first);
    EXPECT_EQ(c.Item(1), second);
}

TEST(Collection, ItemsMoveBetweenCollectionsAndLeaveOnDestruction)
{
    TCountingCollection a;
    TCountingCollection b;
    TItem* item = a.AddItem();
    item->SetCollection(&b);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(b.Count(), 1);
    delete item;
    EXPECT_EQ(b.Count(), 0);
    TItem loose(nullptr);
    EXPECT_EQ(loose.Index(), -1);
}

TEST(Collection, AssignCopiesTheItemsInOneUpdate)
{
    TCountingCollection source;
    source.AddItem()->Value = 4;
    source.AddItem()->Value = 5;
    TCountingCollection dest;
    dest.AddItem();
    dest.Updates.clear();
    dest.Assign(&source);
    ASSERT_EQ(dest.Count(), 2);
    EXPECT_EQ(dest.Item(1)->Value, 5);
    EXPECT_EQ(dest.Updates, std::vector<TCollectionItem*>{nullptr});
    EXPECT_THROW(dest.Assign(source.Item(0)), EConvertError);
}

// Index is kept by the collection rather than searched: after every kind of change each item's
// Index is its position, and the collection hears each item join and leave.
TEST(Collection, IndexFollowsEveryChangeAndJoiningAndLeavingAreNotified)
{
    TCountingCollection c;
    TCountingCollection other;
    std::vector<TItem*> items;
    for (int i = 0; i < 6; ++i) items.push_back(c.AddItem());
    auto expectPositions = [](const TCountingCollection& Collection) {
        for (int i = 0; i < Collection.Count(); ++i) EXPECT_EQ(Collection.GetItem(i)->Index(), i) << "item " << i;
    };
    expectPositions(c);

    c.Delete(2);                       // from the middle
    expectPositions(c);
    items[0]->SetIndex(3);             // forwards
    items[5]->SetIndex(0);             // backwards
    expectPositions(c);
    items[1]->SetCollection(&other);   // moved away
    other.AddItem();
    expectPositions(c);
    expectPositions(other);
    EXPECT_EQ(items[1]->Index(), 0);
    delete c.GetItem(c.Count() - 1);   // from the end
    expectPositions(c);
    EXPECT_EQ(c.Count(), 3);

    using N = std::pair<TCollectionItem*, TCollectionNotification>;
    EXPECT_EQ(c.Notified.size(), 6u + 3u);
    EXPECT_EQ(c.Notified[6], (N{items[2], cnExtracting}));
    EXPECT_EQ(c.Notified[7], (N{items[1], cnExtracting}));
    EXPECT_EQ(other.Notified.front(), (N{items[1], cnAdded}));
}

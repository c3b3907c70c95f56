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

protected:
    void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
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

#include <gtest/gtest.h>

#include "host/core/Collection.h"
#include "host/core/Exceptions.h"

namespace {

class TCountingCollection : public TCollection {
public:
    TCountingCollection() : TCollection(ItemClassOf<TCollectionItem>) {}
    std::vector<TCollectionItem*> Updates;

protected:
    void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
};

} // namespace

TEST(Collection, AddReportsAWholeCollectionChange)
{
    TCountingCollection c;
    c.Add();
    ASSERT_EQ(c.Updates.size(), 1u);
    EXPECT_EQ(c.Updates[0], nullptr);
}

#include <gtest/gtest.h>

#include "host/core/Exceptions.h"
#include "host/core/Persistent.h"

namespace {

class TApple : public TPersistent {};
class TPear : public TPersistent {};

// A component that counts its destruction, to prove it is freed exactly once.
class TCounted : public TComponent {
public:
    TCounted(TComponent* AOwner, int& Destroyed) : TComponent(AOwner), FDestroyed(Destroyed) {}
    ~TCounted() override { ++FDestroyed; }

private:
    int& FDestroyed;
};

class TWatching : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::pair<TComponent*, TOperation>> Seen;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override { Seen.emplace_back(AComponent, Operation); }
};

} // namespace

TEST(Persistent, UnsupportedAssignNamesBothClasses)
{
    TApple apple;
    TPear pear;
    try {
        apple.Assign(&pear);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TPear to a TApple");
    }
    try {
        apple.Assign(nullptr);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TApple");
    }
}

TEST(Component, OwnerFreesWhatItOwnsExactlyOnce)
{
    int destroyed = 0;
    auto* owner = new TComponent(nullptr);
    auto* child = new TCounted(owner, destroyed);
    new TCounted(child, destroyed);
    new TCounted(owner, destroyed);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(destroyed, 3);
}

TEST(Component, FreeingAnOwnedComponentRemovesItFromItsOwner)
{
    int destroyed = 0;
    TWatching owner(nullptr);
    auto* child = new TCounted(&owner, destroyed);
    delete child;
    EXPECT_EQ(owner.ComponentCount(), 0);
    ASSERT_EQ(owner.Seen.size(), 2u);
    EXPECT_EQ(owner.Seen[0].second, opInsert);
    EXPECT_EQ(owner.Seen[1].second, opRemove);
    EXPECT_THROW(owner.Components(0), EListError);
}

TEST(Component, InsertingMovesAComponentBetweenOwners)
{
    TComponent first(nullptr);
    TComponent second(nullptr);
    auto* child = new TComponent(&first);
    second.InsertComponent(child);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(child->Owner(), &second);
}

TEST(Component, FindsOwnedComponentsByNameInAnyCase)
{
    TComponent owner(nullptr);
    auto* grid = new TComponent(&owner);
    grid->SetName("ZelGrid1");
    EXPECT_EQ(owner.FindComponent("zelgrid1"), grid);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.FindComponent("Other"), nullptr);
}

TEST(Component, DesigningReachesOwnedComponentsAndLoadingEndsWithLoaded)
{
    TComponent owner(nullptr);
    auto* child = new TComponent(&owner);
    owner.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState.Contains(csDesigning));
    auto* later = new TComponent(&owner);
    EXPECT_TRUE(later->ComponentState.Contains(csDesigning));

    owner.BeginLoading();
    EXPECT_TRUE(owner.ComponentState.Contains(csLoading));
    owner.Loaded();
    EXPECT_FALSE(owner.ComponentState.Contains(csLoading));
    EXPECT_TRUE(owner.ComponentState.Contains(csDesigning));
}

#include <gtest/gtest.h>

#include <memory>

#include "host/core/Persistent.h"

// Watches on the same and on other objects, nested and freed in any order.
TEST(ObjectWatch, SeesOnlyTheDestructionOfItsOwnObject)
{
    auto a = std::make_unique<TComponent>(nullptr);
    auto b = std::make_unique<TComponent>(nullptr);
    TObjectWatch outerA(a.get());
    {
        TObjectWatch watchB(b.get());
        TObjectWatch innerA(a.get());
        a.reset();
        EXPECT_FALSE(innerA);
        EXPECT_TRUE(watchB.Alive());
    }
    EXPECT_FALSE(outerA.Alive());
    TObjectWatch late(b.get());
    b.reset();
    EXPECT_FALSE(late);
}

// An owner freed from a handler frees what it owns: watches on the owned objects see it too.
TEST(ObjectWatch, OwnedComponentsFreedWithTheirOwnerAreSeenGone)
{
    auto* owner = new TComponent(nullptr);
    auto* child = new TComponent(owner);
    TObjectWatch watchChild(child);
    TObjectWatch watchOwner(owner);
    delete owner;
    EXPECT_FALSE(watchChild);
    EXPECT_FALSE(watchOwner);
}

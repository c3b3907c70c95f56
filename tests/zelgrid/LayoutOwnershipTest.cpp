// Layout collections and layout items passed between grids: each collection has one owner, and
// columns always refer to the grid that holds them, never to a freed one (the sanitizer build
// catches any use after free here).
#include <gtest/gtest.h>

#include <memory>

#include "host/core/Exceptions.h"
#include "zelgrid/Zelgrid.h"

namespace {

struct TwoGrids : ::testing::Test {
    std::unique_ptr<TZelGrid> A = std::make_unique<TZelGrid>(nullptr);
    std::unique_ptr<TZelGrid> B = std::make_unique<TZelGrid>(nullptr);

    static TZelGridColumns* ColumnsOf(TZelColLayout* Layouts, int Index) { return Layouts->GetItem(Index)->GeTZelColumns(); }
};

} // namespace

TEST_F(TwoGrids, AdoptedLayoutsBelongToTheAdopterAndOutliveTheirMaker)
{
    TZelColLayout* made = A->CreateLayout();
    ColumnsOf(made, 0)->Add();
    made->Add()->GeTZelColumns()->Add();

    B->SeTZelColLayout(made);
    EXPECT_EQ(B->Layout(), made);
    EXPECT_EQ(made->OwnerGrid(), B.get());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ColumnsOf(made, i)->OwnerGrid(), B.get());
        EXPECT_EQ(ColumnsOf(made, i)->GeTZelColumn(0)->GetGrid(), B.get());
    }

    A.reset();
    B->LayoutChanged();
    ColumnsOf(made, 0)->GeTZelColumn(0)->SetWidth(90);
    EXPECT_EQ(B->ColWidths(1), 90);

    // A collection made by a grid that is gone has no grid, and its columns work without one.
    auto orphan = std::unique_ptr<TZelColLayout>(B->CreateLayout());
    B.reset();
    EXPECT_EQ(orphan->OwnerGrid(), nullptr);
    TZelColumn* column = ColumnsOf(orphan.get(), 0)->Add();
    column->SetWidth(70);
    EXPECT_EQ(column->GetGrid(), nullptr);
    EXPECT_EQ(column->DefaultWidth(), 64);
}

TEST_F(TwoGrids, AnotherGridsHeldLayoutsAreRefusedAndTheHeldOneOrNoneChangeNothing)
{
    TZelColLayout* aLayouts = A->Layout();
    TZelColLayout* bLayouts = B->Layout();
    ColumnsOf(aLayouts, 0)->Add();
    EXPECT_THROW(B->SeTZelColLayout(aLayouts), EInvalidGridOperation);
    B->SeTZelColLayout(bLayouts);
    B->SeTZelColLayout(nullptr);
    EXPECT_EQ(A->Layout(), aLayouts);
    EXPECT_EQ(B->Layout(), bLayouts);
    EXPECT_EQ(aLayouts->OwnerGrid(), A.get());
    EXPECT_EQ(ColumnsOf(aLayouts, 0)->GeTZelColumn(0)->GetGrid(), A.get());
}

TEST_F(TwoGrids, ALayoutItemTakesItsColumnsAlongWhereverItMoves)
{
    TZelLayoutItem* item = A->Layout()->Add();
    TZelGridColumns* columns = item->GeTZelColumns();
    columns->Add();

    item->SetCollection(B->Layout());
    EXPECT_EQ(columns->Layout(), B->Layout());
    EXPECT_EQ(columns->GeTZelColumn(0)->GetGrid(), B.get());
    A.reset();
    B->SetLayoutIndex(1);
    columns->GeTZelColumn(0)->SetWidth(80);
    EXPECT_EQ(B->ColWidths(1), 80);

    // Out of every collection it has no grid, and it is the caller's to free.
    std::unique_ptr<TZelLayoutItem> loose(item);
    item->SetCollection(nullptr);
    EXPECT_EQ(columns->OwnerGrid(), nullptr);
    columns->GeTZelColumn(0)->SetWidth(60);
    EXPECT_EQ(B->ColWidths(1), 80);
}

// The shown columns stay in their update state for the whole bracket; wherever they went in
// between (another grid, or freed), the bracket's end neither leaves them stuck nor touches freed
// memory.
TEST_F(TwoGrids, ABracketReleasesItsHeldColumnsWhereverTheyWent)
{
    TZelLayoutItem* shown = A->Layout()->GetItem(0);
    TZelGridColumns* held = shown->GeTZelColumns();
    A->BeginLayout();
    EXPECT_EQ(held->UpdateCount(), 1);
    shown->SetCollection(B->Layout());
    A->EndLayout();
    EXPECT_EQ(held->UpdateCount(), 0);
    EXPECT_EQ(A->LayoutLock(), 0);

    TZelLayoutItem* next = A->Layout()->GetItem(0);
    A->BeginLayout();
    delete next;
    A->EndLayout();
    EXPECT_EQ(A->LayoutLock(), 0);
    EXPECT_EQ(A->UpdateLock(), 0);
    EXPECT_NE(A->Columns(), nullptr) << "the pass brings back a shown layout";
}

TEST_F(TwoGrids, AColumnMovedWithSetCollectionFollowsItsNewCollection)
{
    TZelColumn* column = A->Columns()->Add();
    column->SetWidth(40);
    column->SetCollection(B->Columns());
    EXPECT_EQ(column->GetGrid(), B.get());
    A.reset();
    B->LayoutChanged();
    EXPECT_EQ(B->ColWidths(1), 40);
    column->SetWidth(45);
    EXPECT_EQ(B->ColWidths(1), 45);

    // In a collection of another kind, or in none, it has no grid.
    TCollection plain(ItemClassOf<TZelColumn>);
    column->SetCollection(&plain);
    EXPECT_EQ(column->GetGrid(), nullptr);
    EXPECT_EQ(column->DefaultWidth(), 64);
    column->SetCollection(nullptr);
    std::unique_ptr<TZelColumn> loose(column);
    EXPECT_EQ(column->GetGrid(), nullptr);
}

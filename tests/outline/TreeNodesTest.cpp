// The node list on its own: building, walking, deleting under a selection, moving.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/core/ObjectWatch.h"
#include "outline/TreeNodes.h"

namespace {
class TRecorder : public TTreeNodesListener {
public:
    std::vector<std::string> Log;
    void NodesChanged() override { ++Changes; }
    void NodeDeleting(TTreeNode* Node) override { Log.push_back("deleting " + Node->Text()); }
    void SelectionChanging() override { Log.push_back("changing"); }
    void SelectionChanged() override { Log.push_back("changed"); }
    int Changes = 0;
};

// The captions of a level in order, "a(a1 a2) b" style.
std::string Shape(const TTreeNode* First)
{
    std::string s;
    for (const TTreeNode* n = First; n; n = n->getNextSibling()) {
        if (!s.empty()) s += ' ';
        s += n->Text();
        if (n->HasChildren()) s += "(" + Shape(n->getFirstChild()) + ")";
    }
    return s;
}

class TreeNodesTest : public ::testing::Test {
protected:
    TRecorder Listener;
    TTreeNodes Items{&Listener};
    TTreeNode *A = nullptr, *A1 = nullptr, *A2 = nullptr, *A3 = nullptr, *B = nullptr, *B1 = nullptr, *C = nullptr;

    void Build()
    {
        Items.Clear();
        A = Items.Add(nullptr, "a");
        B = Items.Add(A, "b");
        C = Items.Add(nullptr, "c");
        A1 = Items.AddChild(A, "a1");
        A2 = Items.AddChild(A, "a2");
        A3 = Items.AddChild(A, "a3");
        B1 = Items.AddChild(B, "b1");
    }
    std::string Shape() const { return ::Shape(Items.GetFirstNode()); }
};
} // namespace

TEST_F(TreeNodesTest, BuildingAndWalking)
{
    Build();
    Items.AddFirst(A2, "a0");
    Items.Insert(C, "bc");
    Items.AddChildFirst(C, "c0");
    TTreeNode* data = Items.AddChildObject(C, "c1", this);
    EXPECT_EQ(Shape(), "a(a0 a1 a2 a3) b(b1) bc c(c0 c1)");
    EXPECT_EQ(Items.Count(), 11);
    EXPECT_EQ(Items.TopCount(), 4);
    EXPECT_EQ(data->Data(), this);
    EXPECT_EQ(A2->Index(), 2);
    EXPECT_EQ(A2->Parent(), A);
    EXPECT_EQ(A->Parent(), nullptr);
    EXPECT_EQ(A2->Level(), 1);
    EXPECT_EQ(A->Level(), 0);
    EXPECT_EQ(A->Count(), 4);
    EXPECT_EQ(A->Item(3), A3);
    EXPECT_EQ(A3->getNextSibling(), nullptr);
    EXPECT_EQ(A3->getPrevSibling(), A2);
    EXPECT_EQ(B->getPrevSibling(), A);
    EXPECT_THROW(A->Item(4), EListError);
    EXPECT_THROW(A->Item(-1), EListError);
    EXPECT_EQ(A3->GetNext(), B);
    EXPECT_EQ(Items.Item(5), B);
    EXPECT_EQ(Items.Item(10)->Text(), "c1");
    EXPECT_THROW(Items.Item(11), EListError);
    EXPECT_EQ(A->OverlayIndex(), -1);
    A->SetOverlayIndex(18);
    EXPECT_EQ(A->OverlayIndex(), 18);
}

TEST_F(TreeNodesTest, DeletingNeverLeavesTheSelectionDangling)
{
    struct Case {
        const char* Selected;
        const char* Deleted;
        const char* SelectedAfter; // "" for none
        const char* ShapeAfter;
    };
    const Case cases[] = {
        {"a2", "a2", "a3", "a(a1 a3) b(b1) c"},   // the next sibling
        {"a3", "a3", "a2", "a(a1 a2) b(b1) c"},   // else the previous one
        {"b1", "b1", "b", "a(a1 a2 a3) b c"},     // else the parent
        {"a2", "a", "b", "b(b1) c"},              // an ancestor goes
        {"c", "c", "b", "a(a1 a2 a3) b(b1)"},
        {"a1", "a3", "a1", "a(a1 a2) b(b1) c"},   // another node goes: the selection stays
        {"a2", "a*", "a", "a b(b1) c"},           // DeleteChildren
        {"b1", "b1!", "b", "a(a1 a2 a3) b c"},    // freed directly
        {"a2", "clear", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Selected) + " / " + c.Deleted);
        Build();
        TTreeNode* byName[] = {A, A1, A2, A3, B, B1, C};
        const auto find = [&](std::string Name) -> TTreeNode* {
            for (TTreeNode* n : byName)
                if (n->Text() == Name) return n;
            return nullptr;
        };
        Items.SetSelected(find(c.Selected));
        EXPECT_TRUE(find(c.Selected)->Selected());
        const std::string deleted = c.Deleted;
        TObjectWatch watch(find(deleted.substr(0, deleted.find_first_of("*!"))));
        if (deleted == "clear") Items.Clear();
        else if (deleted.back() == '*') find(deleted.substr(0, deleted.size() - 1))->DeleteChildren();
        else if (deleted.back() == '!') delete find(deleted.substr(0, deleted.size() - 1));
        else find(deleted)->Delete();
        EXPECT_EQ(Shape(), c.ShapeAfter);
        const TTreeNode* selected = Items.Selected();
        EXPECT_EQ(selected ? selected->Text() : "", c.SelectedAfter);
        if (deleted.back() != '*' && deleted != "clear") {
            EXPECT_FALSE(watch.Alive());
        }
        int count = 0;
        for (TTreeNode* n = Items.GetFirstNode(); n; n = n->GetNext()) ++count;
        EXPECT_EQ(Items.Count(), count);
    }
}

TEST_F(TreeNodesTest, ListenerHearsOfDeletionsAndSelection)
{
    Build();
    Items.SetSelected(A2);
    Listener.Log.clear();
    A->Delete();
    // The selection moves off the node before the view hears of it, without an edit to end.
    EXPECT_EQ(Listener.Log, (std::vector<std::string>{"deleting a", "changed"}));
    Listener.Log.clear();
    Listener.Changes = 0;
    {
        TTreeNodesUpdate update(&Items);
        for (int i = 0; i < 100; ++i) Items.AddChild(C, "x");
        EXPECT_EQ(Listener.Changes, 0);
    }
    EXPECT_EQ(Listener.Changes, 1);
}

TEST_F(TreeNodesTest, SelectingExpandsAndCollapsingTakesTheSelectionUp)
{
    Build();
    B1->SetSelected(true);
    EXPECT_TRUE(B->Expanded());
    EXPECT_TRUE(B1->IsVisible());
    EXPECT_FALSE(A1->IsVisible());
    B->Collapse(false);
    EXPECT_EQ(Items.Selected(), B);
    EXPECT_FALSE(B->Expanded());
    A->Expand(true);
    EXPECT_TRUE(A1->IsVisible());
    B->SetSelected(false);
    EXPECT_EQ(Items.Selected(), nullptr);
}

TEST_F(TreeNodesTest, MovingNodes)
{
    Build();
    // Move up: before the previous sibling; move down: the next sibling before this one.
    A2->MoveTo(A1, naInsert);
    EXPECT_EQ(Shape(), "a(a2 a1 a3) b(b1) c");
    A3->MoveTo(A1, naInsert);
    EXPECT_EQ(Shape(), "a(a2 a3 a1) b(b1) c");
    C->MoveTo(A, naInsert);
    EXPECT_EQ(Shape(), "c a(a2 a3 a1) b(b1)");
    A1->MoveTo(B, naAddChildFirst);
    EXPECT_EQ(Shape(), "c a(a2 a3) b(a1 b1)");
    A1->MoveTo(B1, naAdd);
    EXPECT_EQ(Shape(), "c a(a2 a3) b(b1 a1)");
    A->MoveTo(nullptr, naAdd);
    EXPECT_EQ(Shape(), "c b(b1 a1) a(a2 a3)");
    B1->MoveTo(A3, naAddFirst);
    EXPECT_EQ(Shape(), "c b(a1) a(b1 a2 a3)");
    C->MoveTo(A, naAddChild);
    EXPECT_EQ(Shape(), "b(a1) a(b1 a2 a3 c)");
    A->MoveTo(A, naInsert);
    EXPECT_EQ(Shape(), "b(a1) a(b1 a2 a3 c)");
    EXPECT_EQ(C->Index(), 3);
    EXPECT_EQ(C->Level(), 1);
    EXPECT_EQ(Items.Count(), 7);
    // Into its own subtree: refused, nothing changes.
    EXPECT_THROW(A->MoveTo(A2, naAddChild), ETreeViewError);
    EXPECT_THROW(A->MoveTo(A, naAddChild), ETreeViewError);
    EXPECT_EQ(Shape(), "b(a1) a(b1 a2 a3 c)");
    // A selected node moved under a collapsed parent stays in view.
    A2->SetSelected(true);
    B->Collapse(false);
    A2->MoveTo(B, naAddChild);
    EXPECT_TRUE(A2->IsVisible());
}

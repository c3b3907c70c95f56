#include "outline/TreeNodes.h"

#include <cassert>

#include "host/core/ObjectWatch.h"

namespace {
int SubtreeSize(const TTreeNode* Node)
{
    int size = 1;
    for (int i = 0; i < Node->Count(); ++i) size += SubtreeSize(Node->Item(i));
    return size;
}
} // namespace

// ----- TTreeNode ----------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* AOwner, const std::string& AText) : FOwner(AOwner), FText(AText) {}

TTreeNode::~TTreeNode()
{
    // Freed directly rather than through Delete: leave the tree first.
    if (FParent) {
        FOwner->Unlink(this);
        FOwner->Changed();
    }
    FreeChildren();
}

int TTreeNode::FreeChildren()
{
    int freed = 0;
    std::vector<TTreeNode*> children;
    children.swap(FChildren);
    for (TTreeNode* child : children) {
        child->FParent = nullptr;
        freed += 1 + child->FreeChildren();
        delete child;
    }
    return freed;
}

void TTreeNode::Attach(TTreeNode* Child, int Index)
{
    assert(Index >= 0 && Index <= Count() && "attach index out of range");
    FChildren.insert(FChildren.begin() + Index, Child);
    Child->FParent = this;
    for (int i = Index; i < Count(); ++i) FChildren[static_cast<std::size_t>(i)]->FIndex = i;
}

void TTreeNode::Detach(TTreeNode* Child)
{
    assert(Child->FParent == this && "detaching a node from another parent");
    FChildren.erase(FChildren.begin() + Child->FIndex);
    for (int i = Child->FIndex; i < Count(); ++i) FChildren[static_cast<std::size_t>(i)]->FIndex = i;
    Child->FParent = nullptr;
}

TTreeNode* TTreeNode::Parent() const
{
    return FParent == FOwner->FRoot.get() ? nullptr : FParent;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
    return level;
}

void TTreeNode::SetText(const std::string& Value)
{
    if (Value == FText) return;
    FText = Value;
    FOwner->Changed();
}

TTreeNode* TTreeNode::Item(int Index) const
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    return FChildren[static_cast<std::size_t>(Index)];
}

TTreeNode* TTreeNode::getNextSibling() const
{
    if (!FParent || FIndex + 1 >= FParent->Count()) return nullptr;
    return FParent->FChildren[static_cast<std::size_t>(FIndex + 1)];
}

TTreeNode* TTreeNode::getPrevSibling() const
{
    if (!FParent || FIndex == 0) return nullptr;
    return FParent->FChildren[static_cast<std::size_t>(FIndex - 1)];
}

TTreeNode* TTreeNode::GetNext() const
{
    if (HasChildren()) return FChildren.front();
    for (const TTreeNode* n = this; n; n = n->Parent())
        if (TTreeNode* next = n->getNextSibling()) return next;
    return nullptr;
}

bool TTreeNode::IsAncestorOf(const TTreeNode* Node) const
{
    for (; Node; Node = Node->FParent)
        if (Node == this) return true;
    return false;
}

bool TTreeNode::IsVisible() const
{
    for (const TTreeNode* p = Parent(); p; p = p->Parent())
        if (!p->FExpanded) return false;
    return FParent != nullptr;
}

void TTreeNode::SetExpanded(bool Value)
{
    if (Value == FExpanded) return;
    // Collapsing hides the selection: it moves up to this node first (and may be refused).
    if (!Value && FOwner->FSelected && FOwner->FSelected != this && IsAncestorOf(FOwner->FSelected)) {
        TObjectWatch alive(this);
        FOwner->SetSelected(this);
        if (!alive || FOwner->FSelected != this) return;
    }
    FExpanded = Value;
    FOwner->Changed();
}

void TTreeNode::Expand(bool Recurse)
{
    TTreeNodesUpdate update(FOwner);
    SetExpanded(true);
    if (Recurse)
        for (TTreeNode* child : FChildren) child->Expand(true);
}

void TTreeNode::Collapse(bool Recurse)
{
    TTreeNodesUpdate update(FOwner);
    if (Recurse)
        for (TTreeNode* child : FChildren) child->Collapse(true);
    SetExpanded(false);
}

bool TTreeNode::Selected() const { return FOwner->FSelected == this; }

void TTreeNode::SetSelected(bool Value)
{
    if (Value) FOwner->SetSelected(this);
    else if (Selected()) FOwner->SetSelected(nullptr);
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren()
{
    if (FChildren.empty()) return;
    TTreeNodesUpdate update(FOwner);
    while (!FChildren.empty()) FOwner->Delete(FChildren.back());
}

void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode)
{
    TTreeNode* root = FOwner->FRoot.get();
    TTreeNode* parent = root;
    int index = 0;
    switch (Mode) {
    case naAdd:
    case naAddFirst:
        parent = Destination ? Destination->FParent : root;
        index = Mode == naAdd ? parent->Count() : 0;
        break;
    case naAddChild:
    case naAddChildFirst:
        parent = FOwner->ParentOrRoot(Destination);
        index = Mode == naAddChild ? parent->Count() : 0;
        break;
    case naInsert:
        parent = Destination ? Destination->FParent : root;
        index = Destination ? Destination->FIndex : parent->Count();
        break;
    }
    if (IsAncestorOf(parent)) throw ETreeViewError("Cannot move a node into itself");
    if (parent == FParent && index > FIndex) --index;
    FParent->Detach(this);
    parent->Attach(this, index);
    // A selection that moved along stays in view.
    if (TTreeNode* selected = FOwner->FSelected; selected && IsAncestorOf(selected))
        for (TTreeNode* p = selected->Parent(); p; p = p->Parent()) p->FExpanded = true;
    FOwner->Changed();
}

// ----- TTreeNodes ---------------------------------------------------------------------------

TTreeNodes::TTreeNodes(TTreeNodesListener* AListener)
    : FRoot(new TTreeNode(this, std::string())), FListener(AListener)
{
    FRoot->FExpanded = true;
}

TTreeNodes::~TTreeNodes()
{
    // The listener is going too: nothing is reported while the nodes are freed.
    FListener = nullptr;
    FSelected = nullptr;
    FRoot->FreeChildren();
}

TTreeNode* TTreeNodes::Item(int Index) const
{
    if (Index < 0 || Index >= FCount) ListIndexError(Index);
    TTreeNode* node = GetFirstNode();
    for (int i = 0; i < Index; ++i) node = node->GetNext();
    return node;
}

TTreeNode* TTreeNodes::AddAt(TTreeNode* Parent, int Index, const std::string& S, void* Ptr)
{
    auto* node = new TTreeNode(this, S);
    node->FData = Ptr;
    Parent->Attach(node, Index);
    ++FCount;
    Changed();
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr)
{
    TTreeNode* parent = Sibling ? Sibling->FParent : FRoot.get();
    return AddAt(parent, parent->Count(), S, Ptr);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S)
{
    return AddAt(Sibling ? Sibling->FParent : FRoot.get(), 0, S, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr)
{
    TTreeNode* parent = ParentOrRoot(Parent);
    return AddAt(parent, parent->Count(), S, Ptr);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S)
{
    return AddAt(ParentOrRoot(Parent), 0, S, nullptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S)
{
    if (!Sibling) return Add(nullptr, S);
    return AddAt(Sibling->FParent, Sibling->FIndex, S, nullptr);
}

void TTreeNodes::Unlink(TTreeNode* Node)
{
    bool selectionMoved = false;
    if (FSelected && Node->IsAncestorOf(FSelected)) {
        TTreeNode* next = Node->getNextSibling();
        if (!next) next = Node->getPrevSibling();
        if (!next) next = Node->Parent();
        FSelected = next;
        selectionMoved = true;
    }
    if (FListener) FListener->NodeDeleting(Node);
    Node->FParent->Detach(Node);
    FCount -= SubtreeSize(Node);
    if (selectionMoved && FListener) FListener->SelectionChanged();
}

void TTreeNodes::Delete(TTreeNode* Node)
{
    if (!Node || Node == FRoot.get()) return;
    assert(Node->FOwner == this && "deleting a node of another tree");
    Unlink(Node);
    delete Node;
    Changed();
}

void TTreeNodes::Clear()
{
    if (FRoot->Count() == 0) return;
    const bool hadSelection = FSelected != nullptr;
    FSelected = nullptr;
    if (FListener)
        for (TTreeNode* node : FRoot->FChildren) FListener->NodeDeleting(node);
    FRoot->FreeChildren();
    FCount = 0;
    if (hadSelection && FListener) FListener->SelectionChanged();
    Changed();
}

void TTreeNodes::SetSelected(TTreeNode* Node)
{
    if (Node == FSelected) return;
    assert((!Node || Node->FOwner == this) && "selecting a node of another tree");
    if (FListener) {
        TObjectWatch alive(this);
        FListener->SelectionChanging();
        if (!alive) return;
    }
    FSelected = Node;
    if (Node)
        for (TTreeNode* p = Node->Parent(); p; p = p->Parent()) p->FExpanded = true;
    Changed();
    if (FListener) FListener->SelectionChanged();
}

void TTreeNodes::BeginUpdate() { ++FUpdateCount; }

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0 && FChangedInUpdate) {
        FChangedInUpdate = false;
        if (FListener) FListener->NodesChanged();
    }
}

void TTreeNodes::Changed()
{
    if (FUpdateCount > 0) {
        FChangedInUpdate = true;
        return;
    }
    if (FListener) FListener->NodesChanged();
}

#pragma once
// TTreeNodes and TTreeNode: the node list of a tree view. Every node owns its children; the list
// owns the top-level nodes (children of a hidden root, so that every node has a parent inside).
// A node keeps its index among its siblings, so sibling steps and Item are O(1); adding at the
// end is O(1), inserting, deleting and moving are linear in the number of siblings only.
//
// The view listens through TTreeNodesListener: it hears of every change that alters the rows
// shown, and of every node before it is freed, so that it never keeps a pointer to a freed node.
#include <memory>
#include <string>
#include <vector>

#include "host/core/Exceptions.h"
#include "host/core/Persistent.h"

class TTreeNode;
class TTreeNodes;
class TOutlineTreeView;

// Where MoveTo and the adding functions place a node relative to another.
enum TNodeAttachMode : unsigned char {
    naAdd,           // last sibling of the destination
    naAddFirst,      // first sibling of the destination
    naAddChild,      // last child of the destination
    naAddChildFirst, // first child of the destination
    naInsert         // just before the destination
};

class ETreeViewError : public Exception {
public:
    explicit ETreeViewError(const std::string& Msg) : Exception(Msg) {}
};

class TTreeNodesListener {
public:
    // Nodes were added, moved, renamed, expanded or collapsed.
    virtual void NodesChanged() = 0;
    // Node and all its descendants are about to be freed (the selection is already off them).
    virtual void NodeDeleting(TTreeNode* Node) = 0;
    // The selection is about to move: an edit in progress ends here (and may refuse by raising).
    virtual void SelectionChanging() = 0;
    virtual void SelectionChanged() = 0;

protected:
    ~TTreeNodesListener() = default;
};

class TTreeNode : public TPersistent {
public:
    ~TTreeNode() override;
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    TTreeNodes* Owner() const { return FOwner; }
    // The parent node; null for a top-level node.
    TTreeNode* Parent() const;
    // 0 for a top-level node.
    int Level() const;
    // Position among the siblings.
    int Index() const { return FIndex; }

    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    // What the application hangs on the node; not owned.
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    // A tag the application may use freely; the view draws nothing for it.
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int Value) { FOverlayIndex = Value; }

    int Count() const { return static_cast<int>(FChildren.size()); }
    bool HasChildren() const { return !FChildren.empty(); }
    // The child at Index; EListError when out of range.
    TTreeNode* Item(int Index) const;
    TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
    TTreeNode* getNextSibling() const;
    TTreeNode* getPrevSibling() const;
    // The next node in tree order (depth first), or null after the last.
    TTreeNode* GetNext() const;
    // Node is this node or one of its descendants.
    bool IsAncestorOf(const TTreeNode* Node) const;

    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    // The node is shown: every ancestor is expanded.
    bool IsVisible() const;
    // Whether the node is the tree's selected node; selecting expands its ancestors.
    bool Selected() const;
    void SetSelected(bool Value);

    // Frees the node with all its descendants.
    void Delete();
    void DeleteChildren();
    // Moves the node (with its descendants) to a place relative to Destination. A null
    // Destination with naAdd or naAddFirst means the top level. Moving a node into its own
    // subtree raises ETreeViewError.
    void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);

private:
    friend class TTreeNodes;
    friend class TOutlineTreeView;
    TTreeNode(TTreeNodes* AOwner, const std::string& AText);
    // Takes Child into the children at Index and renumbers the siblings after it.
    void Attach(TTreeNode* Child, int Index);
    // Removes Child from the children (without freeing it) and renumbers.
    void Detach(TTreeNode* Child);
    // Frees the children without notices; answers how many nodes went.
    int FreeChildren();

    TTreeNodes* FOwner;
    TTreeNode* FParent = nullptr;
    std::vector<TTreeNode*> FChildren;
    int FIndex = 0;
    std::string FText;
    void* FData = nullptr;
    int FOverlayIndex = -1;
    bool FExpanded = false;
    // Row of the node in the view's last list of shown rows; the view checks it before use.
    int FRow = -1;
};

class TTreeNodes : public TPersistent {
public:
    explicit TTreeNodes(TTreeNodesListener* AListener = nullptr);
    ~TTreeNodes() override;
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // Every node of the tree, at any level.
    int Count() const { return FCount; }
    int TopCount() const { return FRoot->Count(); }
    TTreeNode* TopItem(int Index) const { return FRoot->Item(Index); }
    TTreeNode* GetFirstNode() const { return FRoot->getFirstChild(); }
    // The node at position Index in tree order (depth first); linear in Index.
    TTreeNode* Item(int Index) const;

    // A node after the last sibling of Sibling (the top level for a null Sibling).
    TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
    TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
    TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
    // A node after the last child of Parent (the top level for a null Parent).
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
    TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
    TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
    // A node just before Sibling (at the end of the top level for a null Sibling).
    TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);

    // The selected node, or null. Selecting expands the node's ancestors. When the selected node
    // or an ancestor of it is deleted, the selection moves to the deleted node's next sibling,
    // else its previous sibling, else its parent (null at the top level).
    TTreeNode* Selected() const { return FSelected; }
    void SetSelected(TTreeNode* Node);

    // Frees Node with its descendants.
    void Delete(TTreeNode* Node);
    void Clear();

    // Changes between the brackets reach the listener once, when the last bracket closes.
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TTreeNode;
    TTreeNode* AddAt(TTreeNode* Parent, int Index, const std::string& S, void* Ptr);
    // The hidden root stands for a null parent.
    TTreeNode* ParentOrRoot(TTreeNode* Parent) const { return Parent ? Parent : FRoot.get(); }
    void Changed();
    // Takes Node out of the tree (not freeing it), moving the selection off it first.
    void Unlink(TTreeNode* Node);

    std::unique_ptr<TTreeNode> FRoot;
    TTreeNodesListener* FListener;
    TTreeNode* FSelected = nullptr;
    int FCount = 0;
    int FUpdateCount = 0;
    bool FChangedInUpdate = false;
};

// Keeps the node list in an update bracket for a scope, also when an exception passes.
class TTreeNodesUpdate {
public:
    explicit TTreeNodesUpdate(TTreeNodes* Nodes) : FNodes(Nodes) { FNodes->BeginUpdate(); }
    ~TTreeNodesUpdate() { FNodes->EndUpdate(); }
    TTreeNodesUpdate(const TTreeNodesUpdate&) = delete;
    TTreeNodesUpdate& operator=(const TTreeNodesUpdate&) = delete;

private:
    TTreeNodes* FNodes;
};

// A ListNode that also owns a list of children and knows its parent: the
// base of every tree of the program. Its own links chain it to its
// siblings. Document order is pre-order: a node, then its children's
// subtrees from first to last.
//
// Ownership: a node owns its children and deletes them (and so their
// subtrees) when it is deleted. A node that is still a child is detached
// before it is deleted. A root may sit in some other NodeList; the walks
// below never step from a root to such list-mates.
#pragma once
#include "core/ListNode.h"

class TreeNode : public ListNode {
public:
    TreeNode() = default;
    ~TreeNode() override;

    TreeNode* Parent() const { return parent_; }
    TreeNode* FirstChild() const { return static_cast<TreeNode*>(children_.First()); }
    TreeNode* LastChild() const { return static_cast<TreeNode*>(children_.Last()); }
    // Siblings; null for a root, whatever list it may sit in.
    TreeNode* NextSibling() const { return parent_ ? static_cast<TreeNode*>(Next()) : nullptr; }
    TreeNode* PrevSibling() const { return parent_ ? static_cast<TreeNode*>(Prev()) : nullptr; }
    const NodeList& Children() const { return children_; }
    unsigned ChildCount() const { return children_.Count(); }
    // The number of ancestors; 0 for a root.
    unsigned Depth() const;

    // Links the node as the parent's last child.
    void AppendToParent(TreeNode& parent);
    // Link the node directly after / before the sibling, under the
    // sibling's parent (none when the sibling is a root).
    void InsertAfterSibling(TreeNode& sibling);
    void InsertBeforeSibling(TreeNode& sibling);
    // Unlinks the node from its siblings and clears its parent.
    void Detach();

    // True when the other node is this node or lies in its subtree.
    bool Contains(const TreeNode* other) const;
    // True when this node's branch comes before the other's in document
    // order below their nearest common ancestor. An ancestor is never
    // before its descendant here, nor a node before one of another tree.
    bool IsBefore(const TreeNode* other) const;

    // The next node in document order; with skipChildren the node's own
    // subtree is passed over. Null past the end of the tree.
    TreeNode* NextInOrder(bool skipChildren) const;
    // With previous set, the node before this one in document order (null
    // for a root); without it, the last node of this node's own subtree.
    TreeNode* PrevInOrder(bool previous) const;
    // The next / previous childless node outside this node's subtree, never
    // an ancestor; null once the walk would climb to the root.
    TreeNode* NextLeaf() const;
    TreeNode* PrevLeaf() const;
    // Down the first / last children to a childless node; the node itself
    // when it has no children.
    TreeNode* FirstLeaf() const;
    TreeNode* LastDescendant() const;

private:
    NodeList children_;
    TreeNode* parent_ = nullptr;
};

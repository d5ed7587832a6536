#include "core/TreeNode.h"

TreeNode::~TreeNode() {
    // Read the first child again after each deletion: a child's destructor
    // may detach or delete its siblings.
    while (TreeNode* child = FirstChild()) {
        child->Remove();
        child->parent_ = nullptr;
        delete child;
    }
}

unsigned TreeNode::Depth() const {
    unsigned depth = 0;
    for (const TreeNode* node = parent_; node; node = node->parent_) ++depth;
    return depth;
}

void TreeNode::AppendToParent(TreeNode& parent) {
    AppendTo(parent.children_);
    parent_ = &parent;
}

void TreeNode::InsertAfterSibling(TreeNode& sibling) {
    // A root in no list has no ring to join.
    if (&sibling == this || !sibling.IsLinked()) return;
    InsertAfter(sibling);
    parent_ = sibling.parent_;
}

void TreeNode::InsertBeforeSibling(TreeNode& sibling) {
    if (&sibling == this || !sibling.IsLinked()) return;
    InsertBefore(sibling);
    parent_ = sibling.parent_;
}

void TreeNode::Detach() {
    Remove();
    parent_ = nullptr;
}

bool TreeNode::Contains(const TreeNode* other) const {
    for (const TreeNode* node = other; node; node = node->parent_) {
        if (node == this) return true;
    }
    return false;
}

bool TreeNode::IsBefore(const TreeNode* other) const {
    if (!other || other == this) return false;
    const TreeNode* mine = this;
    const TreeNode* theirs = other;
    const TreeNode* myBranch = nullptr;
    const TreeNode* theirBranch = nullptr;
    unsigned myDepth = Depth();
    unsigned theirDepth = other->Depth();
    for (; myDepth > theirDepth; --myDepth) {
        myBranch = mine;
        mine = mine->parent_;
    }
    for (; theirDepth > myDepth; --theirDepth) {
        theirBranch = theirs;
        theirs = theirs->parent_;
    }
    while (mine != theirs) {
        myBranch = mine;
        mine = mine->parent_;
        theirBranch = theirs;
        theirs = theirs->parent_;
    }
    // No branch on a side: one node is an ancestor of the other. A branch
    // without a parent: the nodes lie in different trees.
    if (!myBranch || !theirBranch || !myBranch->parent_) return false;
    for (const TreeNode* node = myBranch->NextSibling(); node; node = node->NextSibling()) {
        if (node == theirBranch) return true;
    }
    return false;
}

TreeNode* TreeNode::NextInOrder(bool skipChildren) const {
    const TreeNode* current = this;
    for (;;) {
        if (!skipChildren && current->FirstChild()) return current->FirstChild();
        if (!current->parent_) return nullptr;
        if (TreeNode* next = current->NextSibling()) return next;
        current = current->parent_;
        skipChildren = true;
    }
}

TreeNode* TreeNode::PrevInOrder(bool previous) const {
    const TreeNode* current = this;
    if (previous) {
        if (!current->parent_) return nullptr;
        TreeNode* prev = current->PrevSibling();
        if (!prev) return current->parent_;
        current = prev;
    }
    return current->LastDescendant();
}

TreeNode* TreeNode::NextLeaf() const {
    for (const TreeNode* current = this; current->parent_; current = current->parent_) {
        if (TreeNode* next = current->NextSibling()) return next->FirstLeaf();
    }
    return nullptr;
}

TreeNode* TreeNode::PrevLeaf() const {
    for (const TreeNode* current = this; current->parent_; current = current->parent_) {
        if (TreeNode* prev = current->PrevSibling()) return prev->LastDescendant();
    }
    return nullptr;
}

TreeNode* TreeNode::FirstLeaf() const {
    const TreeNode* node = this;
    while (TreeNode* child = node->FirstChild()) node = child;
    return const_cast<TreeNode*>(node);
}

TreeNode* TreeNode::LastDescendant() const {
    const TreeNode* node = this;
    while (TreeNode* child = node->LastChild()) node = child;
    return const_cast<TreeNode*>(node);
}

// Intrusive doubly linked rings.
//
// A class whose objects live in a list derives from ListNode; the owner of
// the list holds a NodeList, the head of the ring. The head has the same link
// layout as a node, so the first node's prev and the last node's next point
// at the NodeList itself, and an empty list points both links at itself.
// Linking and unlinking change pointers in place and never allocate.
//
// Ownership: a NodeList does not own its nodes. An owner that owns them
// calls NodeList::Clear before the list goes away; one whose nodes live on
// removes them first. A node is unlinked before it is deleted.
#pragma once

class ListNode;
class NodeList;

// The common base of nodes and list heads: the two ring links.
class ListLink {
public:
    ListLink() = default;
    ListLink(const ListLink&) = delete;
    ListLink& operator=(const ListLink&) = delete;
    virtual ~ListLink() = default;

    // The node this link belongs to, or null for a list head.
    virtual ListNode* Self() { return nullptr; }

protected:
    // Both null while a node is unlinked.
    ListLink* next_ = nullptr;
    ListLink* prev_ = nullptr;

    friend class ListNode;
    friend class NodeList;
};

class ListNode : public ListLink {
public:
    ListNode() = default;
    // Does not unlink: the node must already be unlinked.
    ~ListNode() override = default;

    ListNode* Self() override { return this; }
    // The key string by which a HashedListTable files the node; null unless
    // a class stored in such a table overrides it.
    virtual const char* Key() const { return nullptr; }

    bool IsLinked() const { return next_ != nullptr; }
    // Null when unlinked or at the end of the list.
    ListNode* Next() const { return next_ ? next_->Self() : nullptr; }
    ListNode* Prev() const { return prev_ ? prev_->Self() : nullptr; }

    // Joins the neighbours to each other and clears both links. An unlinked
    // node is left as it is.
    void Remove();
    // Links the node as the last node of the list; answers the list.
    NodeList& AppendTo(NodeList& list);
    // Links the node directly after the link (a node, or a list head, which
    // makes it the first node of that list).
    void InsertAfter(ListLink& link);
    // Links the node directly before the link (before a list head: last);
    // answers the link.
    ListLink& InsertBefore(ListLink& link);

private:
    void LinkBetween(ListLink& before, ListLink& after);
};

class NodeList : public ListLink {
public:
    NodeList() { next_ = prev_ = this; }
    // Neither unlinks nor deletes the nodes (see the ownership note above).
    ~NodeList() override = default;

    ListNode* First() const { return next_->Self(); }
    ListNode* Last() const { return prev_->Self(); }
    bool IsEmpty() const { return next_ == this; }
    // Walks the ring.
    unsigned Count() const;
    // Unlinks and deletes every node, first to last. The first node is read
    // again after each deletion, so a node's destructor may itself unlink or
    // delete further nodes of this list.
    void Clear();
};

#include "core/ListNode.h"

void ListNode::Remove() {
    if (!next_ || !prev_) return;
    prev_->next_ = next_;
    next_->prev_ = prev_;
    next_ = prev_ = nullptr;
}

void ListNode::LinkBetween(ListLink& before, ListLink& after) {
    prev_ = &before;
    next_ = &after;
    before.next_ = this;
    after.prev_ = this;
}

NodeList& ListNode::AppendTo(NodeList& list) {
    InsertBefore(list);
    return list;
}

void ListNode::InsertAfter(ListLink& link) {
    // An unlinked neighbour has no ring to join.
    if (&link == this || !link.next_) return;
    // A node in two rings at once would corrupt both: move it instead.
    Remove();
    LinkBetween(link, *link.next_);
}

ListLink& ListNode::InsertBefore(ListLink& link) {
    if (&link == this || !link.prev_) return link;
    Remove();
    LinkBetween(*link.prev_, link);
    return link;
}

unsigned NodeList::Count() const {
    unsigned count = 0;
    for (ListNode* node = First(); node; node = node->Next()) ++count;
    return count;
}

void NodeList::Clear() {
    while (ListNode* node = First()) {
        node->Remove();
        delete node;
    }
}

#include "core/MessageTargetList.h"

#include <new>

#include "core/DelayedMessageQueue.h"
#include "core/MessageHandler.h"

namespace {

MessageTarget* TargetOf(ListNode* node) {
    return static_cast<MessageTarget*>(node);
}

}  // namespace

MessageTarget* MessageTargetList::Find(const MessageHandler* handler) const {
    for (ListNode* n = NodeList::First(); n; n = n->Next()) {
        if (TargetOf(n)->handler == handler) return TargetOf(n);
    }
    return nullptr;
}

void MessageTargetList::Add(MessageHandler* handler, uint32_t flags) {
    bool isInline = flags & kInline;
    bool flagB = flags & kFlagB;
    bool flagC = flags & kQuiet;
    if (!(flags & kNewEntry)) {
        if (MessageTarget* existing = Find(handler)) {
            existing->isInline = isInline;
            existing->flagB = flagB;
            existing->flagC = flagC;
            return;
        }
    }
    if (!handler) return;
    auto* target = new (std::nothrow) MessageTarget(handler, isInline, flagB, flagC);
    if (!target) return;
    if ((flags & kAppend) || IsEmpty()) {
        target->AppendTo(*this);
    } else {
        target->InsertAfter(*this);
    }
}

void MessageTargetList::Remove(MessageHandler* handler) {
    if (MessageTarget* target = Find(handler)) {
        target->Remove();
        delete target;
    }
}

bool MessageTargetList::Admits(const MessageTarget& target, uint32_t filter) {
    const uint32_t byInline = filter & (kOnlyInline | kOnlyNotInline);
    if (byInline == kOnlyInline && !target.isInline) return false;
    if (byInline == kOnlyNotInline && target.isInline) return false;
    if ((filter & kSkipQuiet) && target.flagC) return false;
    if ((filter & kSkipFlagB) && target.flagB) return false;
    return true;
}

void MessageTargetList::Broadcast(uint32_t message, uint32_t p1, uint32_t p2, uint32_t filter,
                                  uint32_t delayMs) {
    for (ListNode* n = NodeList::First(); n; n = n->Next()) {
        const MessageTarget& target = *TargetOf(n);
        if (!Admits(target, filter)) continue;
        if (delayMs == 0) {
            target.handler->Post(message, p1, p2);
        } else if (g_delayedMessages) {
            g_delayedMessages->Add(target.handler->Window(), message, p1, p2, delayMs);
        }
    }
}

MessageHandler* MessageTargetList::First() const {
    ListNode* n = NodeList::First();
    return n ? TargetOf(n)->handler : nullptr;
}

bool MessageTargetList::Contains(const MessageHandler* handler) const {
    return Find(handler) != nullptr;
}

bool MessageTargetList::ContainsEntry(const MessageHandler* handler, bool isInline, bool flagB,
                                      bool flagC) const {
    for (ListNode* n = NodeList::First(); n; n = n->Next()) {
        const MessageTarget& t = *TargetOf(n);
        if (t.handler == handler && t.isInline == isInline && t.flagB == flagB && t.flagC == flagC)
            return true;
    }
    return false;
}

void MessageTargetList::SetFlagB(bool value) {
    for (ListNode* n = NodeList::First(); n; n = n->Next()) TargetOf(n)->flagB = value;
}

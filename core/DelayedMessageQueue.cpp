#include "core/DelayedMessageQueue.h"

#include <algorithm>
#include <new>

#include "core/MessageHandler.h"

DelayedMessageQueue* g_delayedMessages = nullptr;

namespace {

DelayTimer g_systemTimer;

uint32_t Left(uint32_t remaining, uint32_t elapsed) {
    return remaining > elapsed ? remaining - elapsed : 0;
}

}  // namespace

DelayedMessageQueue::DelayedMessageQueue(HWND mainWindow, DelayTimer* timer)
    : mainWindow_(mainWindow), timer_(timer ? timer : &g_systemTimer) {}

DelayedMessageQueue::~DelayedMessageQueue() {
    if (g_delayedMessages == this) g_delayedMessages = nullptr;
    if (!entries_.IsEmpty()) timer_->Disarm(mainWindow_, kTimerId);
    entries_.Clear();
}

void DelayedMessageQueue::Age(uint32_t elapsed) {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        auto* e = static_cast<DelayedMessage*>(n);
        e->remaining = Left(e->remaining, elapsed);
    }
}

bool DelayedMessageQueue::ArmFor(uint32_t ms) {
    return timer_->Arm(mainWindow_, kTimerId, std::min(ms, kMaxStepMs));
}

uint32_t DelayedMessageQueue::Add(HWND window, uint32_t message, uint32_t p1, uint32_t p2, uint32_t delayMs) {
    auto* entry = new (std::nothrow) DelayedMessage;
    if (!entry) return 0;
    entry->window = window;
    entry->message = message;
    entry->p1 = p1;
    entry->p2 = p2;

    // The unsigned difference stays right when the tick count wraps.
    const uint32_t elapsed = entries_.IsEmpty() ? 0 : timer_->Now() - setTime_;
    ListNode* before = entries_.First();
    while (before && Left(static_cast<DelayedMessage*>(before)->remaining, elapsed) <= delayMs) {
        before = before->Next();
    }
    if (before == entries_.First()) {
        timer_->Disarm(mainWindow_, kTimerId);
        Age(elapsed);
        if (!ArmFor(delayMs)) {
            delete entry;
            Clear();
            return 0;
        }
        setTime_ = timer_->Now();
        entry->remaining = delayMs;
    } else {
        entry->remaining = delayMs + std::min(elapsed, UINT32_MAX - delayMs);
    }
    if (before) {
        entry->InsertBefore(*before);
    } else {
        entry->AppendTo(entries_);
    }
    entry->id = ++lastId_;
    return entry->id;
}

void DelayedMessageQueue::DeleteEntry(DelayedMessage* entry) {
    entry->Remove();
    delete entry;
}

void DelayedMessageQueue::Cancel(HWND window, uint32_t message, uint32_t p1, uint32_t p2) {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        auto* e = static_cast<DelayedMessage*>(n);
        if (e->window == window && e->message == message && e->p1 == p1 && e->p2 == p2) {
            DeleteEntry(e);
            return;
        }
    }
}

void DelayedMessageQueue::CancelById(uint32_t id) {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        auto* e = static_cast<DelayedMessage*>(n);
        if (e->id == id) {
            DeleteEntry(e);
            return;
        }
    }
}

void DelayedMessageQueue::OnTimer() {
    timer_->Disarm(mainWindow_, kTimerId);
    const uint32_t now = timer_->Now();
    Age(now - setTime_);
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        auto* e = static_cast<DelayedMessage*>(n);
        if (e->remaining == 0) continue;
        if (!ArmFor(e->remaining)) {
            Clear();
            return;
        }
        setTime_ = now;
        break;
    }
    while (DelayedMessage* e = First()) {
        if (e->remaining != 0) break;
        e->Remove();
        // Nobody left to take it when the window's handler is gone.
        if (MessageHandler* handler = MessageHandler::ForWindow(e->window)) {
            handler->Post(e->message, e->p1, e->p2);
        }
        delete e;
    }
}

void DelayedMessageQueue::Clear() {
    entries_.Clear();
}

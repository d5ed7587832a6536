#include "core/MessageHandler.h"

#include <new>

#include "core/DelayedMessageQueue.h"
#include "core/InternalMessages.h"

MessageHandler* g_mainHandler = nullptr;

namespace {

MessageHandler::PostFunction g_post = PostMessageA;

NodeList& LiveHandlers() {
    static NodeList live;
    return live;
}

// An ordinary message (anything up to 0x9000, WM_PAINT included) waits in
// this thread's queue. Looked at without removing or yielding.
bool OrdinaryMessageWaits() {
    MSG m;
    return PeekMessageA(&m, nullptr, 0, kLastPromptMessage, PM_NOREMOVE | PM_NOYIELD) != 0;
}

bool PostNow(HWND window, uint32_t message, uint32_t p1, uint32_t p2) {
    return g_post(window, message, WPARAM(p1), LPARAM(p2)) != 0;
}

}  // namespace

void MessageHandler::SetPostFunction(PostFunction post) {
    g_post = post ? post : PostMessageA;
}

MessageHandler::MessageHandler(HWND window) : window_(window) {
    live_.InsertAfter(LiveHandlers());
}

MessageHandler::~MessageHandler() {
    if (g_mainHandler == this) g_mainHandler = nullptr;
    live_.Remove();
    registrations_.Clear();
    deferredQueue_.Clear();
    retryQueue_.Clear();
}

MessageHandler* MessageHandler::ForWindow(HWND window) {
    if (!window) return nullptr;
    if (g_mainHandler && g_mainHandler->window_ == window) return g_mainHandler;
    for (ListNode* n = LiveHandlers().First(); n; n = n->Next()) {
        MessageHandler* handler = static_cast<LiveLink*>(n)->owner;
        if (handler->window_ == window) return handler;
    }
    return nullptr;
}

bool MessageHandler::Register(MessageCallback* callback, uint32_t message, uint32_t id) {
    auto* r = new (std::nothrow) MessageRegistration(callback, message, id);
    if (!r) return false;
    r->AppendTo(registrations_);
    return true;
}

bool MessageHandler::IsRegistered(const MessageCallback* callback, uint32_t message, uint32_t id) const {
    for (ListNode* n = registrations_.First(); n; n = n->Next()) {
        auto* r = static_cast<MessageRegistration*>(n);
        if (!r->removed && r->callback == callback && r->message == message && r->id == id) return true;
    }
    return false;
}

void MessageHandler::Unregister(const MessageCallback* callback, uint32_t message, uint32_t id) {
    for (ListNode* n = registrations_.First(); n; n = n->Next()) {
        auto* r = static_cast<MessageRegistration*>(n);
        if (r->callback == callback && r->message == message && r->id == id) r->removed = true;
    }
}

void MessageHandler::UnregisterAll(const MessageCallback* callback) {
    for (ListNode* n = registrations_.First(); n; n = n->Next()) {
        auto* r = static_cast<MessageRegistration*>(n);
        if (r->callback == callback) r->removed = true;
    }
}

void MessageHandler::Dispatch(uint32_t message, uint32_t p1, uint32_t p2) {
    if (message > kLastPromptMessage && OrdinaryMessageWaits()) {
        // Late messages (repaints after layout, and the like) wait until
        // what the user sees and does has been handled.
        QueuedMessage* q = new (std::nothrow) QueuedMessage(window_, message, p1, p2);
        if (q) q->AppendTo(QueueOwner().deferredQueue_);
        return;
    }
    QueueOwner().RetryPosts();
    ++depth_;
    // From the newest registration to the oldest; the previous one is taken
    // before the current is called, so registrations added meanwhile are
    // not visited. Only the outermost dispatch deletes removed records: an
    // inner one may run while an outer one holds a pointer to them.
    ListNode* n = registrations_.Last();
    while (n) {
        auto* r = static_cast<MessageRegistration*>(n);
        n = n->Prev();
        if (r->removed) {
            if (depth_ == 1) {
                r->Remove();
                delete r;
            }
            continue;
        }
        if (r->message == message && (r->id == 0 || r->id == p1)) r->callback->OnMessage(message, p1, p2);
    }
    --depth_;
}

void MessageHandler::Post(uint32_t message, uint32_t p1, uint32_t p2) {
    MessageHandler& owner = QueueOwner();
    if (owner.RetryPosts() && PostNow(window_, message, p1, p2)) return;
    // A window that is gone will never take it; waiting for it would hold
    // back every later post.
    if (!IsWindow(window_)) return;
    owner.QueuePost(window_, message, p1, p2);
}

LRESULT MessageHandler::Send(uint32_t message, uint32_t p1, uint32_t p2) {
    return SendMessageA(window_, message, WPARAM(p1), LPARAM(p2));
}

uint32_t MessageHandler::PostDelayed(uint32_t message, uint32_t p1, uint32_t p2, uint32_t delayMs) {
    if (delayMs == 0) {
        Post(message, p1, p2);
        return 0;
    }
    return g_delayedMessages ? g_delayedMessages->Add(window_, message, p1, p2, delayMs) : 0;
}

void MessageHandler::CancelDelayed(uint32_t message, uint32_t p1, uint32_t p2) {
    if (g_delayedMessages) g_delayedMessages->Cancel(window_, message, p1, p2);
}

void MessageHandler::CancelDelayedById(uint32_t id) {
    if (g_delayedMessages) g_delayedMessages->CancelById(id);
}

void MessageHandler::PumpDeferred() {
    while (!deferredQueue_.IsEmpty() && !OrdinaryMessageWaits()) {
        auto* q = static_cast<QueuedMessage*>(deferredQueue_.First());
        // Off the queue before delivery: a callback may run a modal loop
        // that pumps again.
        q->Remove();
        if (MessageHandler* handler = q->window == window_ ? this : ForWindow(q->window)) {
            handler->Dispatch(q->message, q->p1, q->p2);
        }
        delete q;
    }
}

bool MessageHandler::RetryPosts() {
    while (auto* q = static_cast<QueuedMessage*>(retryQueue_.First())) {
        if (!PostNow(q->window, q->message, q->p1, q->p2) && IsWindow(q->window)) return false;
        q->Remove();
        delete q;
    }
    return true;
}

void MessageHandler::QueuePost(HWND window, uint32_t message, uint32_t p1, uint32_t p2) {
    if (auto* q = new (std::nothrow) QueuedMessage(window, message, p1, p2)) q->AppendTo(retryQueue_);
}

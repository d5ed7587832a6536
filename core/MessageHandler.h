// Per-window delivery of internal messages.
//
// Every window that takes part in loading owns one MessageHandler; the frame
// window's is the main handler (g_mainHandler). Objects register for a
// message number (and optionally an id, matched against the first
// parameter) and the window procedure hands each internal message to
// Dispatch, which calls them newest registration first.
//
// Posts the system refuses wait in the main handler's retry queue and go
// out, in order, before any later post. Late messages (above 0x9000) wait in
// the main handler's deferred queue until the message loop's PumpDeferred
// finds the queue quiet.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/ListNode.h"
#include "core/MessageCallback.h"

class MessageHandler;

// The frame window's handler; made and destroyed with the frame's global
// objects, null while absent.
extern MessageHandler* g_mainHandler;

// A post waiting for its turn: refused by the system, or a late message
// waiting for a quiet queue.
struct QueuedMessage : ListNode {
    QueuedMessage(HWND window, uint32_t message, uint32_t p1, uint32_t p2)
        : p1(p1), p2(p2), message(message), window(window) {}
    uint32_t p1;
    uint32_t p2;
    uint32_t message;
    HWND window;
};

struct MessageRegistration : ListNode {
    MessageRegistration(MessageCallback* callback, uint32_t message, uint32_t id)
        : callback(callback), message(message), id(id) {}
    // Set by Unregister; the record is deleted by the outermost Dispatch.
    bool removed = false;
    MessageCallback* callback;
    uint32_t message;
    // 0 matches any first parameter.
    uint32_t id;
};

class MessageHandler {
public:
    explicit MessageHandler(HWND window);
    MessageHandler(const MessageHandler&) = delete;
    MessageHandler& operator=(const MessageHandler&) = delete;
    // Deletes every registration, deferred message and queued retry; forgets
    // itself as the main handler when it was that.
    ~MessageHandler();

    HWND Window() const { return window_; }

    // The handler that delivers a window's messages: the main handler for
    // its window, else the newest live handler made for the window; null
    // when there is none.
    static MessageHandler* ForWindow(HWND window);

    // Adds a registration; duplicates are allowed. False when the record
    // could not be made.
    bool Register(MessageCallback* callback, uint32_t message, uint32_t id);
    // True when a live registration has exactly these values (an id of 0
    // matches only 0 here).
    bool IsRegistered(const MessageCallback* callback, uint32_t message, uint32_t id) const;
    // Mark registrations removed: they are not called again, and their
    // records go at the next outermost dispatch. Objects unregister before
    // they are destroyed; registrations never expire by themselves.
    void Unregister(const MessageCallback* callback, uint32_t message, uint32_t id);
    void UnregisterAll(const MessageCallback* callback);

    // Delivers a message to the matching registrations, newest first.
    // Registrations made during the dispatch do not hear it. A late message
    // is deferred instead while an ordinary message waits.
    void Dispatch(uint32_t message, uint32_t p1, uint32_t p2);
    // Posts to this handler's window, after any earlier refused posts.
    void Post(uint32_t message, uint32_t p1, uint32_t p2);
    // Sends to this handler's window at once; answers the window's result.
    LRESULT Send(uint32_t message, uint32_t p1, uint32_t p2);
    // Posts after the delay through the delayed-message queue; a delay of 0
    // posts at once. Answers the delayed message's id, 0 when none was
    // queued.
    uint32_t PostDelayed(uint32_t message, uint32_t p1, uint32_t p2, uint32_t delayMs);
    void CancelDelayed(uint32_t message, uint32_t p1, uint32_t p2);
    void CancelDelayedById(uint32_t id);

    // On the main handler, after every message of the message loop: hands
    // on deferred late messages while no ordinary message waits.
    void PumpDeferred();
    // Posts the refused posts again, oldest first, until one is refused
    // again. Entries whose window is gone are dropped. True when none is
    // left.
    bool RetryPosts();
    // Appends a post to the retry queue.
    void QueuePost(HWND window, uint32_t message, uint32_t p1, uint32_t p2);

    // Fault injection for tests: the function that posts (PostMessageA
    // unless replaced); null restores it.
    using PostFunction = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    static void SetPostFunction(PostFunction post);

private:
    // Links live handlers so that ForWindow can find them.
    struct LiveLink : ListNode {
        explicit LiveLink(MessageHandler* owner) : owner(owner) {}
        MessageHandler* owner;
    };

    // The handler whose queues are used: the main handler, or this one
    // while there is none.
    MessageHandler& QueueOwner() { return g_mainHandler ? *g_mainHandler : *this; }

    HWND window_;
    NodeList retryQueue_;
    NodeList deferredQueue_;
    NodeList registrations_;
    int depth_ = 0;
    LiveLink live_{this};
};

// Internal messages posted after a delay, all behind one system timer of
// the main window.
//
// Entries are kept soonest first; their remaining times count from the
// moment the timer was last armed. The timer is armed for the first entry,
// in steps of at most 65535 ms, and each tick posts what is due through the
// handler of the entry's window. Times are compared as unsigned differences
// of the tick count, so the count wrapping after 49.7 days loses nothing.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/ListNode.h"

class DelayedMessageQueue;

// The one queue of the program, made and destroyed with the frame's global
// objects; null while absent.
extern DelayedMessageQueue* g_delayedMessages;

struct DelayedMessage : ListNode {
    HWND window = nullptr;
    uint32_t message = 0;
    uint32_t p1 = 0;
    uint32_t p2 = 0;
    // Milliseconds from the queue's setTime.
    uint32_t remaining = 0;
    uint32_t id = 0;
};

// The clock and the system timer behind the queue. The base uses the
// system's tick count and window timer; tests replace the clock.
class DelayTimer {
public:
    virtual ~DelayTimer() = default;
    // Milliseconds; wraps after 2^32.
    virtual uint32_t Now() { return GetTickCount(); }
    virtual bool Arm(HWND window, UINT id, uint32_t ms) { return SetTimer(window, id, ms, nullptr) != 0; }
    virtual void Disarm(HWND window, UINT id) { KillTimer(window, id); }
};

class DelayedMessageQueue {
public:
    // The id of the main window's timer; its WM_TIMER calls OnTimer.
    static constexpr UINT kTimerId = 123;
    // The longest a single arming waits.
    static constexpr uint32_t kMaxStepMs = 65535;

    // The timer belongs to mainWindow. The clock, when given, is borrowed and
    // must outlive the queue.
    explicit DelayedMessageQueue(HWND mainWindow, DelayTimer* timer = nullptr);
    DelayedMessageQueue(const DelayedMessageQueue&) = delete;
    DelayedMessageQueue& operator=(const DelayedMessageQueue&) = delete;
    // Stops the timer when entries remain and deletes them; forgets itself as
    // the global queue when it was that.
    ~DelayedMessageQueue();

    // Queues the message for the window's handler, delayMs from now; equal
    // due times keep the order of adding. Answers the new id (the first is
    // 2), or 0 when nothing was queued (the timer could not be armed: then
    // every entry is dropped).
    uint32_t Add(HWND window, uint32_t message, uint32_t p1, uint32_t p2, uint32_t delayMs);
    // Delete the first entry equal in all four values / with the id. The
    // timer is left as it is; a tick that finds nothing due re-arms it.
    void Cancel(HWND window, uint32_t message, uint32_t p1, uint32_t p2);
    void CancelById(uint32_t id);
    // The main window's WM_TIMER for kTimerId.
    void OnTimer();
    void Clear();

    bool IsEmpty() const { return entries_.IsEmpty(); }

private:
    DelayedMessage* First() const { return static_cast<DelayedMessage*>(entries_.First()); }
    // Counts every entry's remaining time down by the elapsed time.
    void Age(uint32_t elapsed);
    bool ArmFor(uint32_t ms);
    void DeleteEntry(DelayedMessage* entry);

    HWND mainWindow_;
    DelayTimer* timer_;
    uint32_t setTime_ = 0;
    NodeList entries_;
    uint32_t lastId_ = 1;
};

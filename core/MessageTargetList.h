// The windows that want to hear about one thing (a URL record's load): each
// entry names a window's MessageHandler and three flags that broadcasts
// filter on. The list owns its entries.
#pragma once
#include <cstdint>

#include "core/ListNode.h"

class MessageHandler;

struct MessageTarget : ListNode {
    MessageTarget(MessageHandler* handler, bool isInline, bool flagB, bool flagC)
        : handler(handler), isInline(isInline), flagB(flagB), flagC(flagC) {}
    MessageHandler* handler;
    // Wants the content as an inline object of a page (an image, an
    // embedded object), not as a document of its own.
    bool isInline;
    // Given by the load request; cleared when the server answers 304.
    bool flagB;
    // Quiet: no data broadcasts and no ready reports.
    bool flagC;
};

class MessageTargetList : public NodeList {
public:
    // Filter bits of Broadcast. With neither or both of the first two, the
    // inline flag does not matter.
    enum : uint32_t {
        kOnlyInline = 1,
        kOnlyNotInline = 2,
        kSkipQuiet = 4,  // entries with flagC
        kSkipFlagB = 8,
    };

    MessageTargetList() = default;
    ~MessageTargetList() override { Clear(); }

    // What Add records and how: the entry's three flags, then where it goes.
    enum AddFlags : uint32_t {
        kInline = 1,    // the entry's isInline
        kFlagB = 2,     // the entry's flagB
        kQuiet = 4,     // the entry's flagC
        kNewEntry = 8,  // a new entry even when the handler has one
        kAppend = 16,   // a new entry goes last (else first)
    };
    static uint32_t EntryFlags(bool isInline, bool flagB, bool quiet) {
        return (isInline ? kInline : 0u) | (flagB ? kFlagB : 0u) | (quiet ? kQuiet : 0u);
    }

    // Without kNewEntry, an entry already there for the handler only gets
    // the new flags. Otherwise a new entry for a non-null handler: first,
    // unless kAppend is set (then last).
    void Add(MessageHandler* handler, uint32_t flags);
    // Deletes the first entry of the handler.
    void Remove(MessageHandler* handler);
    // Posts the message to every admitted entry's handler, after the delay
    // when it is not 0.
    void Broadcast(uint32_t message, uint32_t p1, uint32_t p2, uint32_t filter, uint32_t delayMs);

    // The first entry's handler or null.
    MessageHandler* First() const;
    bool Contains(const MessageHandler* handler) const;
    bool ContainsEntry(const MessageHandler* handler, bool isInline, bool flagB, bool flagC) const;
    void SetFlagB(bool value);

private:
    MessageTarget* Find(const MessageHandler* handler) const;
    static bool Admits(const MessageTarget& target, uint32_t filter);
};

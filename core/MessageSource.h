// The base of objects that report to one target handler: every network
// connection and the local-file reader. Each carries a serial id, sent as
// the first parameter of its reports.
#pragma once
#include <cstdint>

#include "core/MessageCallback.h"

class MessageHandler;

class MessageSource : public MessageCallback {
public:
    // Stores the target as given and takes the next serial (the first
    // object gets 1).
    explicit MessageSource(MessageHandler* target);
    MessageSource(const MessageSource&) = delete;
    MessageSource& operator=(const MessageSource&) = delete;
    ~MessageSource() override = default;

    // Starts the work (a connection connects); 0 when under way, else a
    // status code.
    [[nodiscard]] virtual int Connect() = 0;
    virtual void Close() = 0;
    // Copies up to size bytes of what arrived; answers the count.
    virtual int ReadData(char* buffer, int size) = 0;
    // True when the object may be deleted now (it is not inside a system
    // call that will come back to it).
    virtual bool IsIdle() { return true; }
    // The owner gives the object up.
    virtual void Detach() {}
    // The main handler is stored as no target: a source handed to the main
    // handler reports to nobody.
    virtual void SetTarget(MessageHandler* handler);

    MessageHandler* Target() const { return target_; }
    uint32_t Serial() const { return serial_; }

protected:
    MessageHandler* target_;
    uint32_t serial_;
};

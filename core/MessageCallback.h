// The receiving end of internal messages: documents, URL records and every
// MessageSource derive from it and register with a window's MessageHandler.
#pragma once
#include <cstdint>

class MessageCallback {
public:
    virtual ~MessageCallback() = default;
    // One delivered message with its two parameters (the window message's
    // wParam and lParam).
    virtual void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) = 0;
};

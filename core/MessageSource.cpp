#include "core/MessageSource.h"

#include "core/MessageHandler.h"

namespace {

uint32_t g_nextSerial = 1;

}  // namespace

MessageSource::MessageSource(MessageHandler* target) : target_(target), serial_(g_nextSerial++) {}

void MessageSource::SetTarget(MessageHandler* handler) {
    target_ = handler == g_mainHandler ? nullptr : handler;
}

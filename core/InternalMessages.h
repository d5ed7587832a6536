// Numbers of the program's internal window messages, in one place so that
// no two subsystems pick the same number.
//
// Internal messages are numbered from 0x8001 up and delivered by a window's
// MessageHandler. Numbers above 0x9000 are "late": they are held back while
// any ordinary message (painting, input, timers, internal messages up to
// 0x9000) waits in the queue, and handed on once the queue is quiet.
#pragma once
#include <cstdint>

constexpr uint32_t kFirstInternalMessage = 0x8001;
// The highest number that is never held back.
constexpr uint32_t kLastPromptMessage = 0x9000;

// Posted to the frame window when start-up has finished.
constexpr uint32_t kMsgStartupFinished = 0x9000;

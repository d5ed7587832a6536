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

// Notices of URL records to the windows waiting for them (first parameter
// usually the record's id; see net/UrlStateMachine.cpp).
constexpr uint32_t kMsgLoadNotice = 0x8001;  // p1 a notice code below, p2 the id
constexpr uint32_t kMsgAuthNeeded = 0x8002;  // p1 0-3 (who asks, whether stored ones failed)
constexpr uint32_t kMsgRecipientRefused = 0x8003;
constexpr uint32_t kMsgLoadError = 0x8004;       // p1 error id (string-table id), p2 the id
constexpr uint32_t kMsgSecurityNotice = 0x8005;  // p2 security level
constexpr uint32_t kMsgContentKnown = 0x8023;    // p2 1 the first time the URL is seen
constexpr uint32_t kMsgUploadNotice = 0x8024;
constexpr uint32_t kMsgProgressKnown = 0x8026;  // p2 bytes of this step; length known
constexpr uint32_t kMsgProgressUnknown = 0x8027;
constexpr uint32_t kMsgInlineProgressKnown = 0x8028;
constexpr uint32_t kMsgInlineProgressUnknown = 0x8029;
constexpr uint32_t kMsgLoadStatus = 0x8181;  // p2 load status << 8
constexpr uint32_t kMsgMoreData = 0x8182;    // p2 load status << 8
constexpr uint32_t kMsgContinueDelivery = 0x8188;
constexpr uint32_t kMsgRedirected = 0x8200;  // p2 the id of the new record
constexpr uint32_t kMsgPartReplaces = 0x8201;
constexpr uint32_t kMsgPluginsEnded = 0x8203;
constexpr uint32_t kMsgScriptResult = 0x8220;
constexpr uint32_t kMsgScriptsPending = 0x8221;
constexpr uint32_t kMsgSecurityLevel = 0x8255;  // from a connection: p2 its security level

// Codes of kMsgLoadNotice.
constexpr uint32_t kNoticeContentReady = 3;
constexpr uint32_t kNoticeLoaded = 4;
constexpr uint32_t kNoticeNotModified = 6;
constexpr uint32_t kNoticeLookingUp = 12;
constexpr uint32_t kNoticeConnecting = 13;
constexpr uint32_t kNoticeRequestSent = 14;

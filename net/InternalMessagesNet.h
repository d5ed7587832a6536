// STAND-IN: these numbers move to core/InternalMessages.h once it lands.
#pragma once
#include <cstdint>

constexpr uint32_t kMsgSocketEvent = 0x8170;
constexpr uint32_t kMsgConnectResult = 0x8171;
constexpr uint32_t kMsgLookUpReply = 0x8172;
constexpr uint32_t kMsgSynchronousLookUp = 0x8173;
constexpr uint32_t kMsgIncomingConnection = 0x8174;
constexpr uint32_t kMsgHeadersParsed = 0x8193;
constexpr uint32_t kMsgConnectionFailed = 0x8230;
constexpr uint32_t kMsgDataReady = 0x8231;
constexpr uint32_t kMsgConnectionEnded = 0x8232;
constexpr uint32_t kMsgConnected = 0x8233;
constexpr uint32_t kMsgLookingUp = 0x8234;
constexpr uint32_t kMsgConnecting = 0x8235;
constexpr uint32_t kMsgRequestSent = 0x8236;
constexpr uint32_t kMsgConnectRetry = 0x8238;
constexpr uint32_t kMsgUploadProgress = 0x8319;

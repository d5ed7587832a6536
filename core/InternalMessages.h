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
// To a view: open the URL a script left with the window, when p1 is its id.
constexpr uint32_t kMsgOpenScriptTarget = 0x8006;
constexpr uint32_t kMsgContentKnown = 0x8023;    // p2 1 the first time the URL is seen
constexpr uint32_t kMsgUploadNotice = 0x8024;
constexpr uint32_t kMsgProgressKnown = 0x8026;  // p2 bytes of this step; length known
constexpr uint32_t kMsgProgressUnknown = 0x8027;
constexpr uint32_t kMsgInlineProgressKnown = 0x8028;
constexpr uint32_t kMsgInlineProgressUnknown = 0x8029;
constexpr uint32_t kMsgLoadStatus = 0x8181;  // p2 load status << 8
constexpr uint32_t kMsgMoreData = 0x8182;    // p2 load status << 8
constexpr uint32_t kMsgContinueDelivery = 0x8188;
// An image to the windows that show it: p1 the URL id, p2 the frame number
// (+ 0x10000 when the frame is disposed to the background).
constexpr uint32_t kMsgNextAnimationFrame = 0x8187;
constexpr uint32_t kMsgRedirected = 0x8200;  // p2 the id of the new record
constexpr uint32_t kMsgPartReplaces = 0x8201;
constexpr uint32_t kMsgPluginsEnded = 0x8203;
constexpr uint32_t kMsgScriptResult = 0x8220;
constexpr uint32_t kMsgScriptsPending = 0x8221;
// To a view: a script moves p1 steps in the window's history (p2 a tag).
constexpr uint32_t kMsgScriptHistoryMove = 0x8222;
// A secure connection to itself (p1 its id): start the handshake again.
constexpr uint32_t kMsgSslStartHandshake = 0x8250;
constexpr uint32_t kMsgSecurityLevel = 0x8255;  // from a connection: p2 its security level
// The multipart splitter (net/MultipartSplitter.h) to its record, (0, 0).
constexpr uint32_t kMsgPartBegins = 0x8260;
constexpr uint32_t kMsgPartData = 0x8261;
constexpr uint32_t kMsgPartEnds = 0x8262;

// Codes of kMsgLoadNotice.
constexpr uint32_t kNoticeContentReady = 3;
constexpr uint32_t kNoticeLoaded = 4;
constexpr uint32_t kNoticeNotModified = 6;
constexpr uint32_t kNoticeLookingUp = 12;
constexpr uint32_t kNoticeConnecting = 13;
constexpr uint32_t kNoticeRequestSent = 14;

// The socket layer (net/Connection.h): Winsock's notifications to the main
// handler's window, posted by Winsock or by a connection for itself. The
// first parameter is the socket, the look-up handle or the connection id.
constexpr uint32_t kMsgSocketEvent = 0x8170;    // p2: event | error << 16
constexpr uint32_t kMsgConnectResult = 0x8171;  // p2: error << 16
constexpr uint32_t kMsgLookUpReply = 0x8172;    // p2: length | error << 16
constexpr uint32_t kMsgSynchronousLookUp = 0x8173;
constexpr uint32_t kMsgIncomingConnection = 0x8174;
constexpr uint32_t kMsgConnectRetry = 0x8238;

// Reports of connections to their owners (first parameter the connection
// id; see net/Connection.h and net/HttpConnection.h).
constexpr uint32_t kMsgHeadersParsed = 0x8193;
constexpr uint32_t kMsgConnectionFailed = 0x8230;  // p2 program error code
constexpr uint32_t kMsgDataReady = 0x8231;
constexpr uint32_t kMsgConnectionEnded = 0x8232;
constexpr uint32_t kMsgConnected = 0x8233;
constexpr uint32_t kMsgLookingUp = 0x8234;
constexpr uint32_t kMsgConnecting = 0x8235;
constexpr uint32_t kMsgRequestSent = 0x8236;
constexpr uint32_t kMsgUploadProgress = 0x8319;  // p2 the two progress figures
// The mail client: a recipient was refused (p2: string id << 16 | index).
constexpr uint32_t kMsgRecipientRefusedReport = 0x8291;
// The FTP client: data began to arrive (p2: 1 for a directory listing).
constexpr uint32_t kMsgFtpDataStarted = 0x8300;
// The news client: lines handed on (p2 the count), a request done (p2 0, or
// the number of groups of a group list), a request failed on a connection
// that stays open (p2 the error code).
constexpr uint32_t kMsgNewsProgress = 0x8310;
constexpr uint32_t kMsgNewsDone = 0x8311;
constexpr uint32_t kMsgNewsFailed = 0x8312;

// Posted to the frame window 500 ms after start-up when the command line
// named addresses: the frame opens them.
constexpr uint32_t kMsgOpenStartUrls = 0x8020;
// Sent by the message loop to the window the mouse left (wParam: the window
// it moved into, lParam: the cursor position).
constexpr uint32_t kMsgMouseLeft = 0x9006;
// Closes the splash window.
constexpr uint32_t kMsgCloseSplash = 0x9007;

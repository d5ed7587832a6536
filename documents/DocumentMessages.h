// Internal messages that documents send to their windows and to themselves
// (the URL loader's own are in core/InternalMessages.h).
#pragma once
#include <cstdint>

// Document -> window: a formatting step repainted; p1 the frame id.
constexpr uint32_t kMsgRepainted = 0x8000;
// Codes of kMsgLoadNotice that documents post: the document is finished.
constexpr uint32_t kNoticeDocumentDone = 4;
// Page -> window: progress of the page's referenced loads; p1 the top
// document's URL id, p2 started << 16 | done. The URL loader's
// upload progress shares 0x8024; a window tells them apart by p1, which
// names a record that uploads there and a page's top URL here.
constexpr uint32_t kMsgPageLoadsStarted = 0x8024;
constexpr uint32_t kMsgPageLoadsDone = 0x8025;
// Page -> itself: take the next formatting step (0x8184: all data present);
// p1 the page's URL id.
constexpr uint32_t kMsgFormatMore = 0x8183;
constexpr uint32_t kMsgFormatAll = 0x8184;
// Page -> window: client pull after the refresh delay; p1 URL id, p2 frame id.
constexpr uint32_t kMsgClientPull = 0x8186;
// Page -> window while printing, p1 the number of pages printed so far:
// laid out for the printer, the first page may be printed; a page is done
// and another follows; the last page is done.
constexpr uint32_t kMsgPrintReady = 0x8030;
constexpr uint32_t kMsgPrintPageDone = 0x8031;
constexpr uint32_t kMsgPrintLastPage = 0x8032;

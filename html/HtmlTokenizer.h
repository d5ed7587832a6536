// Cuts the bytes of an HTML page into tokens, in place, one token per call.
// Built for pages that arrive in blocks: every reading function takes the
// position (owned by the caller), the end of the bytes received so far and
// whether more are coming; a token that cannot be finished yet gives -1 and
// leaves the position so that the same call can be made again later.
#pragma once

#include "html/HtmlTables.h"

// Token codes besides the element codes of HtmlTables.h.
constexpr int kTokenNeedMore = -1;
constexpr int kTokenText = kTextNode;
// Sizes past which an unfinished construct stops waiting for more data.
constexpr int kTextPieceSize = 1000;
constexpr int kMaxTagWait = 32000;
constexpr int kMaxCommentWait = 18000;
// The raw-content readers rescan from the start while the content found is
// at most this long, and take it in pieces beyond.
constexpr int kRawRescanLimit = 2000;
// The tree builder's array of attribute slots.
constexpr int kAttributeSlots = 100;

class HtmlTokenizer {
public:
    // Next token: a text run (128, start and length of the run), a known
    // start or end tag (its code, or code + 1024; start and length give the
    // attribute text between the name and ">"), an unknown tag or a comment
    // (341 or 1365, start and length 0), or -1 when more data is needed. The
    // attributes are written into slots (at most slotCount, then a slot with
    // code 0), so the array holds slotCount + 1 slots.
    int NextToken(const char*& position, const char*& start, int& length, AttributeSlot* slots, int slotCount,
                  const char* end, bool more);
    // Content of SCRIPT, STYLE, TEXTAREA or NOSCRIPT up to the end tag of
    // wantedCode (a tag code + 1024). Gives wantedCode with the position after
    // the end tag, or -1 with the content found so far.
    int ScanRawContent(int wantedCode, const char*& position, const char*& start, int& length,
                       const char* end, bool more);
    // Content of PLAINTEXT: everything to the end of the data.
    int NextPlainText(const char*& position, const char*& start, int& length, const char* end, bool more);
    // Keeps one token; the next reading call answers it first.
    void PushBack(int code, const char* start, int length);
    bool HasPushedBack() const { return pushed_; }

    // Whether raw content stopped inside an unfinished comment. A caller that
    // rescans from the start restores the flag it saw before its call.
    bool InComment() const { return inComment_; }
    void SetInComment(bool value) { inComment_ = value; }
    // Drops all state between pages.
    void Reset();

private:
    bool TakePushed(const char*& start, int& length, int& code);

    const char* pushedStart_ = nullptr;
    int pushedLength_ = 0;
    int pushedCode_ = 0;
    bool pushed_ = false;
    bool inComment_ = false;
};

// Reads one attribute at the position. Answers 1 when one was read (its name
// may be empty) and more may follow, 0 at the end of the tag or of the data.
// Strict quotes: only the matching quote ends a quoted value; otherwise ">"
// ends it too.
int ParseAttribute(const char*& position, const char* end, AttributeSlot& slot, bool strictQuotes);

// Trims white space around a writable text, deletes CR and LF inside,
// terminates it and answers its new start; length is updated.
char* TrimAttributeValue(char* text, int& length);

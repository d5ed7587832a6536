#include "html/HtmlTokenizer.h"

#include <cstring>

namespace {

bool IsSpace(const char* p) {
    return IsHtmlSpace(static_cast<unsigned char>(*p));
}
bool IsNameChar(const char* p) {
    unsigned char c = static_cast<unsigned char>(*p);
    return IsAsciiLetter(c) || IsAsciiDigit(c);
}

const char* SkipSpace(const char* p, const char* end) {
    while (p < end && IsSpace(p)) ++p;
    return p;
}

// End of a comment whose body starts at p: a "--" not followed by a third
// "-", optional white space and ">". Answers the byte after ">", or null when
// the data ends first.
const char* FindCommentEnd(const char* p, const char* end) {
    for (; p + 2 <= end; ++p) {
        if (p[0] != '-' || p[1] != '-') continue;
        if (p + 2 == end) return nullptr;
        if (p[2] == '-') continue;
        const char* q = SkipSpace(p + 2, end);
        if (q == end) return nullptr;
        if (*q == '>') return q + 1;
    }
    return nullptr;
}

const char* FindByte(const char* p, const char* end, char c) {
    const void* hit = std::memchr(p, c, end - p);
    return hit ? static_cast<const char*>(hit) : end;
}

// Parses attributes into the slots; answers how it stopped.
enum class TagEnd { kClosed, kDataEnded, kSlotsFull };

TagEnd ParseAttributes(const char*& p, const char* end, AttributeSlot* slots, int slotCount, bool strict) {
    int filled = 0;
    for (;;) {
        if (filled == slotCount) {
            slots[filled].code = 0;
            const char* q = SkipSpace(p, end);
            if (q == end) return TagEnd::kDataEnded;
            if (*q != '>') return TagEnd::kSlotsFull;
            p = q;
            return TagEnd::kClosed;
        }
        AttributeSlot& slot = slots[filled];
        int more = ParseAttribute(p, end, slot, strict);
        if (slot.code != 0) ++filled;
        if (!more) break;
    }
    slots[filled].code = 0;
    return (p < end && *p == '>') ? TagEnd::kClosed : TagEnd::kDataEnded;
}

}  // namespace

int ParseAttribute(const char*& position, const char* end, AttributeSlot& slot, bool strictQuotes) {
    slot = AttributeSlot();
    const char* p = SkipSpace(position, end);
    const char* name = p;
    while (p < end && *p != '>' && *p != '=' && !IsSpace(p)) ++p;
    slot.name = name;
    slot.nameLength = static_cast<int32_t>(p - name);
    slot.code = LookupAttributeCode(name, slot.nameLength);
    p = SkipSpace(p, end);
    position = p;
    if (p == end) {
        // The data ended inside the tag: what was read does not count.
        slot.code = 0;
        return 0;
    }
    if (*p != '=') return (slot.nameLength == 0 && *p == '>') ? 0 : 1;
    p = SkipSpace(p + 1, end);
    if (p == end) {
        slot.code = 0;
        position = p;
        return 0;
    }
    if (*p == '"' || *p == '\'') {
        char quote = *p++;
        const char* value = p;
        while (p < end && *p != quote && (strictQuotes || *p != '>')) ++p;
        if (p == end) {
            slot.code = 0;
            position = p;
            return 0;
        }
        slot.value = value;
        slot.valueLength = static_cast<int32_t>(p - value);
        if (*p == quote) ++p;
    } else {
        const char* value = p;
        while (p < end && *p != '>' && !IsSpace(p)) ++p;
        if (p == end) {
            slot.code = 0;
            position = p;
            return 0;
        }
        slot.value = value;
        slot.valueLength = static_cast<int32_t>(p - value);
    }
    position = p;
    return 1;
}

char* TrimAttributeValue(char* text, int& length) {
    char* start = text;
    char* end = text + length;
    while (start < end && IsSpace(start)) ++start;
    while (end > start && IsSpace(end - 1)) --end;
    char* out = start;
    for (char* p = start; p < end; ++p) {
        if (*p != '\r' && *p != '\n') *out++ = *p;
    }
    *out = '\0';
    length = static_cast<int>(out - start);
    return start;
}

void HtmlTokenizer::Reset() {
    pushed_ = false;
    inComment_ = false;
}

void HtmlTokenizer::PushBack(int code, const char* start, int length) {
    pushedCode_ = code;
    pushedStart_ = start;
    pushedLength_ = length;
    pushed_ = true;
}

bool HtmlTokenizer::TakePushed(const char*& start, int& length, int& code) {
    if (!pushed_) return false;
    pushed_ = false;
    start = pushedStart_;
    length = pushedLength_;
    code = pushedCode_;
    return true;
}

int HtmlTokenizer::NextToken(const char*& position, const char*& start, int& length, AttributeSlot* slots,
                             int slotCount, const char* end, bool more) {
    int code;
    if (TakePushed(start, length, code)) return code;
    start = position;
    length = 0;
    if (position >= end) return kTokenNeedMore;
    const char* p = position;

    // Text up to the next "<".
    const char* lt = FindByte(p, end, '<');
    if (lt > p) {
        const char* cut = lt;
        if (lt == end && more) {
            if (lt - p <= kTextPieceSize) return kTokenNeedMore;
            // Deliver a long run in pieces, but never cut an entity in two.
            for (const char* q = end - 1; q >= end - 6 && q > p; --q) {
                if (*q == ';' || *q == ' ') break;
                if (*q == '&') {
                    cut = q;
                    break;
                }
            }
            if (cut == p) return kTokenNeedMore;
        }
        start = p;
        length = static_cast<int>(cut - p);
        position = cut;
        return kTokenText;
    }

    // A tag or a comment.
    const char* tagStart = p;
    p = SkipSpace(p + 1, end);
    bool endTag = false;
    if (p < end && *p == '/') {
        endTag = true;
        ++p;
    }
    const char* name = p;
    while (p < end && IsNameChar(p)) ++p;
    int nameLength = static_cast<int>(p - name);
    const char* afterName = p;

    if (nameLength == 0 && end - p < 3 && more) return kTokenNeedMore;
    if (nameLength == 0 && end - p >= 3 && std::memcmp(p, "!--", 3) == 0) {
        const char* after = FindCommentEnd(p + 3, end);
        if (!after) {
            if (more && end - tagStart < kMaxCommentWait + 1) return kTokenNeedMore;
            const char* gt = FindByte(tagStart, end, '>');
            if (gt == end) {
                start = tagStart;
                length = static_cast<int>(end - tagStart);
                position = end;
                return kTokenText;
            }
            after = gt + 1;
        }
        position = after;
        return kUnknownTag;
    }

    TagEnd how = ParseAttributes(p, end, slots, slotCount, true);
    if (how == TagEnd::kDataEnded) {
        if (more && end - tagStart < kMaxTagWait + 1) return kTokenNeedMore;
        p = afterName;
        how = ParseAttributes(p, end, slots, slotCount, false);
        if (how == TagEnd::kDataEnded) {
            if (!more || end - tagStart > kMaxTagWait) {
                start = tagStart;
                length = static_cast<int>(end - tagStart);
                position = end;
                return kTokenText;
            }
            return kTokenNeedMore;
        }
    }
    if (how == TagEnd::kSlotsFull) {
        if (more && p - tagStart < kMaxTagWait + 1) return kTokenNeedMore;
        start = tagStart;
        length = static_cast<int>(p - tagStart);
        position = p;
        return kTokenText;
    }
    // Closed on ">".
    position = p + 1;
    code = LookupTagCode(name, nameLength);
    if (code == kUnknownTag) {
        start = nullptr;
        length = 0;
    } else {
        start = afterName;
        length = static_cast<int>(p - afterName);
    }
    return endTag ? code + kEndTagBit : code;
}

int HtmlTokenizer::ScanRawContent(int wantedCode, const char*& position, const char*& start, int& length,
                                  const char* end, bool more) {
    int code;
    if (pushed_) {
        if (TakePushed(start, length, code) && code == wantedCode) return code;
    }
    start = position;
    length = 0;
    if (position >= end) return kTokenNeedMore;
    const char* wantedName = TagName(wantedCode - kEndTagBit);
    const int wantedLength = wantedName ? static_cast<int>(std::strlen(wantedName)) : 0;
    const char* p = position;
    const char* tagLt = end;

    for (;;) {
        if (inComment_) {
            const char* after = FindCommentEnd(p, end);
            if (!after) {
                if (more) {
                    position = end;
                    length = static_cast<int>(end - start);
                    return kTokenNeedMore;
                }
                inComment_ = false;
                p = end;
            } else {
                inComment_ = false;
                p = after;
            }
        }
        const char* lt = FindByte(p, end, '<');
        if (lt == end) {
            position = end;
            length = static_cast<int>(end - start);
            return kTokenNeedMore;
        }
        if (end - lt >= 4 && std::memcmp(lt + 1, "!--", 3) == 0) {
            inComment_ = true;
            p = lt + 4;
            continue;
        }
        length = static_cast<int>(lt - start);
        tagLt = lt;
        const char* q = SkipSpace(lt + 1, end);
        bool endTag = false;
        if (q < end && *q == '/') {
            endTag = true;
            ++q;
        }
        const char* name = q;
        while (q < end && IsNameChar(q)) ++q;
        int nameLength = static_cast<int>(q - name);
        if (q == end) break;  // the data ends inside this tag
        if (!endTag) {
            // A start tag inside raw content is content. Only its "<" and name
            // are passed over: scripts compare with "<" often enough that
            // skipping to the next ">" could pass over the end tag itself.
            p = q;
            continue;
        }
        // An end tag needs a name that starts with a letter: "</" + "b>" in a
        // script has an empty name and must not end the content. A shorter
        // name that begins the wanted one still ends it (</S> ends SCRIPT).
        bool matches = nameLength > 0 && IsAsciiLetter(static_cast<unsigned char>(*name)) &&
                       nameLength <= wantedLength && EqualNoCase(name, wantedName, nameLength);
        if (!matches) {
            p = q;
            continue;
        }
        const char* gt = FindByte(q, end, '>');
        if (gt == end) break;
        position = gt + 1;
        return wantedCode;
    }
    // The data ended inside a tag: keep a short tag for the next call.
    position = (end - tagLt < 24) ? tagLt : end;
    length = static_cast<int>(position - start);
    if (!more && position < end) {
        position = end;
        length = static_cast<int>(end - start);
    }
    return kTokenNeedMore;
}

int HtmlTokenizer::NextPlainText(const char*& position, const char*& start, int& length, const char* end,
                                 bool more) {
    int code;
    if (TakePushed(start, length, code)) return code;
    start = position;
    length = 0;
    if (position >= end) return kTokenNeedMore;
    if (end - position <= kTextPieceSize && more) return kTokenNeedMore;
    start = position;
    length = static_cast<int>(end - position);
    position = end;
    return kTokenText;
}

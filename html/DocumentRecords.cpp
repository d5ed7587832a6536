// Records of the document as a whole: BODY, LINK, FRAME and FRAMESET.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"
#include "html/StyleSheet.h"

using namespace record_slots;

BodyRecord::BodyRecord(const AttributeSlot* slots, const RecordContext& context) {
    static const struct {
        int code;
        int handler;
    } kHandlers[] = {{kAttrOnload, 143},
                     {kAttrOnunload, 144},
                     {kAttrOnblur, 140},
                     {kAttrOnfocus, 142},
                     {kAttrOnerror, 141}};
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrBackground:
                if (!background && NonEmpty(*s)) background = ParseImageUrl(*s, context.page, false);
                break;
            case kAttrBgcolor:
                if (NonEmpty(*s)) TakeText(bgColor, *s, false);
                break;
            case kAttrText:
                if (NonEmpty(*s)) TakeText(text, *s, false);
                break;
            case kAttrLink:
                if (NonEmpty(*s)) TakeText(link, *s, false);
                break;
            case kAttrVlink:
                if (NonEmpty(*s)) TakeText(vlink, *s, false);
                break;
            default:
                for (const auto& h : kHandlers) {
                    if (h.code == s->code && s->value && context.page)
                        context.page->SetEventHandlerText(h.handler, s->value, s->valueLength);
                }
        }
    }
}

LinkRecord::LinkRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        switch (s->code) {
            case kAttrRel:
                TakeText(rel, *s);
                break;
            case kAttrRev:
                TakeText(rev, *s);
                break;
            case kAttrType:
                TakeText(type, *s);
                break;
            case kAttrHref:
                if (!href && s->value) href = ParseUrlAttribute(*s, context.page, nullptr);
                break;
        }
    }
}

LinkRecord::LinkRecord(const LinkRecord& o)
    : TabledRecord(o), type(o.type), rel(o.rel), rev(o.rev), extraWord(o.extraWord) {
    if (o.href) href = NewUrl(*o.href);
}

LinkRecord::~LinkRecord() = default;

FrameRecord::FrameRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool given[3] = {};
    for (const AttributeSlot* s = slots; s->code; ++s) {
        switch (s->code) {
            case kAttrSrc:
                if (!src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrScrolling:
                if (!given[0] && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    scrolling = k == kKeyYes ? 1 : (k == kKeyNo ? 0 : 2);
                    given[0] = true;
                }
                break;
            case kAttrNoresize:
                noResize = 1;
                break;
            case kAttrMarginwidth:
                if (!given[1] && NonEmpty(*s)) {
                    marginWidth = Number(*s) < 1 ? 1 : Number(*s);
                    given[1] = true;
                }
                break;
            case kAttrMarginheight:
                if (!given[2] && NonEmpty(*s)) {
                    marginHeight = Number(*s) < 1 ? 1 : Number(*s);
                    given[2] = true;
                }
                break;
            case kAttrOnload:
                TakeText(onLoad, *s, false);
                break;
            case kAttrOnunload:
                TakeText(onUnload, *s, false);
                break;
        }
    }
}

FramesetRecord::FramesetRecord(const AttributeSlot* slots, const RecordContext&) {
    bool borderGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        switch (s->code) {
            case kAttrRows:
                if (!rows.IsSet() && s->value) {
                    rows = OwnedText(s->value, s->valueLength);
                    if (!cols.IsSet()) rowsFirst = 1;
                }
                break;
            case kAttrCols:
                TakeText(cols, *s, false);
                break;
            case kAttrBorder:
                if (!borderGiven && NonEmpty(*s)) {
                    border = Number(*s);
                    borderGiven = true;
                }
                break;
            case kAttrOnload:
                TakeText(onLoad, *s, false);
                break;
            case kAttrOnunload:
                TakeText(onUnload, *s, false);
                break;
        }
    }
    int size, unit;
    while (rows.IsSet() && GetEntry(rows.Get(), rowCount, size, unit)) ++rowCount;
    while (cols.IsSet() && GetEntry(cols.Get(), colCount, size, unit)) ++colCount;
}

bool FramesetRecord::GetEntry(const char* list, int index, int& size, int& unit) {
    if (!list) return false;
    const char* p = list;
    for (int i = 0; i < index; ++i) {
        p = std::strchr(p, ',');
        if (!p) return false;
        ++p;
    }
    while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '*') {
        size = 1;
        unit = 0;
        return true;
    }
    if (!IsAsciiDigit(static_cast<unsigned char>(*p))) return false;
    size = SlotNumber(p, static_cast<int>(std::strlen(p)));
    while (IsAsciiDigit(static_cast<unsigned char>(*p)) || *p == '.') ++p;
    while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    unit = *p == '*' ? 0 : (*p == '%' ? 1 : 2);
    return true;
}

const RecordTable<BodyRecord>& BodyRecord::Table() {
    using E = DumpEntry<BodyRecord>;
    static const RecordTable<BodyRecord> kTable = {
        {
            {"background", E::kUrl, &BodyRecord::background},
            {"bgcolor", E::kText, &BodyRecord::bgColor},
            {"text", E::kText, &BodyRecord::text},
            {"link", E::kText, &BodyRecord::link},
            {"vlink", E::kText, &BodyRecord::vlink},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<LinkRecord>& LinkRecord::Table() {
    using E = DumpEntry<LinkRecord>;
    static const RecordTable<LinkRecord> kTable = {
        {
            {"rel", E::kText, &LinkRecord::rel},
            {"rev", E::kText, &LinkRecord::rev},
            {"type", E::kText, &LinkRecord::type},
            {"href", E::kUrl, &LinkRecord::href},
        },
        {},
    };
    return kTable;
}

const RecordTable<FrameRecord>& FrameRecord::Table() {
    using E = DumpEntry<FrameRecord>;
    static const RecordTable<FrameRecord> kTable = {
        {
            {"src", E::kUrl, &FrameRecord::src},
            {"name", E::kText, &FrameRecord::name},
            {"scrolling", E::kInt, &FrameRecord::scrolling},
            {"marginwidth", E::kInt, &FrameRecord::marginWidth},
            {"marginheight", E::kInt, &FrameRecord::marginHeight},
            {"noresize", E::kFlag, &FrameRecord::noResize},
        },
        {
            {kEventLoad, &FrameRecord::onLoad},
            {kEventUnload, &FrameRecord::onUnload},
        },
    };
    return kTable;
}

const RecordTable<FramesetRecord>& FramesetRecord::Table() {
    using E = DumpEntry<FramesetRecord>;
    static const RecordTable<FramesetRecord> kTable = {
        {
            {"rows", E::kText, &FramesetRecord::rows},
            {"cols", E::kText, &FramesetRecord::cols},
            {"rowcount", E::kInt, &FramesetRecord::rowCount},
            {"colcount", E::kInt, &FramesetRecord::colCount},
            {"border", E::kInt, &FramesetRecord::border},
        },
        {
            {kEventLoad, &FramesetRecord::onLoad},
            {kEventUnload, &FramesetRecord::onUnload},
        },
    };
    return kTable;
}

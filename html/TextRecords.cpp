// Records of text blocks: paragraphs and headings, lists, breaks, rules,
// fonts, and the plain record of every other tag.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/FontFaces.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"

using namespace record_slots;

BlockRecord::BlockRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool alignGiven = false, clearGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        if (s->code == kAttrAlign && !alignGiven && NonEmpty(*s)) {
            int a = AlignFromKeyword(Keyword(*s));
            if (a) align = a;
            alignGiven = true;
        } else if (s->code == kAttrClear && !clearGiven && NonEmpty(*s)) {
            clear = ClearFromKeyword(Keyword(*s));
            clearGiven = true;
        }
    }
}

ListRecord::ListRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool typeGiven = false, valueGiven = false, clearGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrType:
                if (typeGiven || !NonEmpty(*s)) break;
                typeGiven = true;
                if (s->valueLength == 1) {
                    switch (s->value[0]) {
                        case 'a':
                            type = kMarkerLowerAlpha;
                            break;
                        case 'A':
                            type = kMarkerUpperAlpha;
                            break;
                        case 'i':
                            type = kMarkerLowerRoman;
                            break;
                        case 'I':
                            type = kMarkerUpperRoman;
                            break;
                        case 'n':
                        case 'N':
                            type = kMarkerDecimal;
                            break;
                    }
                } else {
                    switch (Keyword(*s)) {
                        case kKeyDisc:
                            type = kMarkerDisc;
                            break;
                        case kKeyCircle:
                            type = kMarkerCircle;
                            break;
                        case kKeySquare:
                            type = kMarkerSquare;
                            break;
                    }
                }
                break;
            case kAttrValue:
            case kAttrStart:
                if (!valueGiven && NonEmpty(*s)) {
                    value = Number(*s);
                    valueGiven = true;
                }
                break;
            case kAttrClear:
                if (!clearGiven && NonEmpty(*s)) {
                    clear = ClearFromKeyword(Keyword(*s));
                    clearGiven = true;
                }
                break;
        }
    }
}

ClearRecord::ClearRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        if (s->code == kAttrClear && !clear) clear = ClearFromKeyword(Keyword(*s));
    }
}

RuleRecord::RuleRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool alignGiven = false, sizeGiven = false, widthGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrAlign:
                if (!alignGiven && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    align = k == kKeyLeft ? kAlignLeft : (k == kKeyRight ? kAlignRight : 0);
                    alignGiven = true;
                }
                break;
            case kAttrSize:
                if (!sizeGiven && NonEmpty(*s)) {
                    size = Number(*s);
                    sizeGiven = true;
                }
                break;
            case kAttrWidth:
                if (!widthGiven && NonEmpty(*s)) {
                    width = Number(*s);
                    widthUnit = HasPercent(*s) ? 2 : 3;
                    widthGiven = true;
                }
                break;
            case kAttrNoshade:
                noShade = 1;
                break;
        }
    }
}

FontRecord::FontRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool colourTaken = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrSize: {
                if (size != kFontSizeUnset || !NonEmpty(*s)) break;
                char sign = s->value[0];
                if ((sign == '+' || sign == '-') && s->valueLength == 1) break;  // a lone sign is ignored
                int n = Number(*s);
                int base = context.page ? context.page->baseFontSize : 3;
                size = static_cast<uint8_t>(Clamp((sign == '+' || sign == '-') ? base + n : n, 1, 7));
                break;
            }
            case kAttrColor:
                if (!colourTaken && NonEmpty(*s)) {
                    color = ParseColour(s->value, s->valueLength);
                    colourTaken = true;
                }
                break;
            case kAttrFace:
                TakeText(face, *s);
                break;
        }
    }  // The face of the first listed name that the font table knows.
    if (face.IsSet()) {
        const char* p = face.Get();
        while (*p == ',' || IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        const char* end = p;
        while (*end && *end != ',') ++end;
        while (end > p && IsHtmlSpace(static_cast<unsigned char>(end[-1]))) --end;
        if (end > p) faceId = FaceIdForName(p, static_cast<int>(end - p));
    }
}

PlainRecord::PlainRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) TakeCommon(*s, context);
}

const RecordTable<BlockRecord>& BlockRecord::Table() {
    using E = DumpEntry<BlockRecord>;
    static const RecordTable<BlockRecord> kTable = {
        {
            {"align", E::kInt, &BlockRecord::align},
            {"clear", E::kUnless, &BlockRecord::clear, 0},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<ListRecord>& ListRecord::Table() {
    using E = DumpEntry<ListRecord>;
    static const RecordTable<ListRecord> kTable = {
        {
            {"type", E::kInt, &ListRecord::type},
            {"value", E::kUnless, &ListRecord::value, 0},
            {"clear", E::kUnless, &ListRecord::clear, 0},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<ClearRecord>& ClearRecord::Table() {
    using E = DumpEntry<ClearRecord>;
    static const RecordTable<ClearRecord> kTable = {
        {
            {"clear", E::kInt, &ClearRecord::clear},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<RuleRecord>& RuleRecord::Table() {
    using E = DumpEntry<RuleRecord>;
    static const RecordTable<RuleRecord> kTable = {
        {
            {"align", E::kInt, &RuleRecord::align},
            {"size", E::kInt, &RuleRecord::size},
            {"width", E::kInt, &RuleRecord::width},
            {"unit", E::kInt, &RuleRecord::widthUnit},
            {"noshade", E::kFlag, &RuleRecord::noShade},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<FontRecord>& FontRecord::Table() {
    using E = DumpEntry<FontRecord>;
    static const RecordTable<FontRecord> kTable = {
        {
            {"size", E::kInt, &FontRecord::size},
            {"color", E::kHex, &FontRecord::color},
            {"face", E::kText, &FontRecord::face},
            {"faceid", E::kCustom,
             +[](const FontRecord& r, std::string& out) {
                 if (const char* known = FaceNameForId(r.faceId)) AppendField(out, "faceid", known);
             }},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<PlainRecord>& PlainRecord::Table() {
    using E = DumpEntry<PlainRecord>;
    static const RecordTable<PlainRecord> kTable = {
        {
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

// Records of tables and their rows and cells.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"

using namespace record_slots;

CellRecord::CellRecord(const AttributeSlot* slots, const RecordContext& context) {
    implied = context.implied ? 1 : 0;
    bool given[8] = {};
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrAlign:
                if (!given[0] && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    align = static_cast<uint8_t>(k == kKeyMiddle ? kAlignCenter : AlignFromKeyword(k));
                    given[0] = true;
                }
                break;
            case kAttrValign:
                if (!given[1] && NonEmpty(*s)) {
                    switch (Keyword(*s)) {
                        case kKeyTop:
                            valign = 3;
                            break;
                        case kKeyMiddle:
                            valign = 2;
                            break;
                        case kKeyBottom:
                            valign = 1;
                            break;
                        case kKeyBaseline:
                            valign = 9;
                            break;
                        default:
                            valign = 0;
                    }
                    given[1] = true;
                }
                break;
            case kAttrColspan:
                if (!given[2] && NonEmpty(*s)) {
                    colSpan = Number(*s) < 1 ? 1 : Number(*s);
                    given[2] = true;
                }
                break;
            case kAttrRowspan:
                if (!given[3] && NonEmpty(*s)) {
                    rowSpan = Number(*s) < 1 ? 1 : Number(*s);
                    given[3] = true;
                }
                break;
            case kAttrWidth:
                if (!given[4] && NonEmpty(*s)) {
                    width = LengthValue(*s);
                    given[4] = true;
                }
                break;
            case kAttrHeight:
                if (!given[5] && NonEmpty(*s)) {
                    height = LengthValue(*s);
                    given[5] = true;
                }
                break;
            case kAttrNowrap:
                noWrap = 1;
                break;
            case kAttrBorder:
                border = 1;
                break;
            case kAttrBgcolor:
                if (!given[6] && NonEmpty(*s)) {
                    bgColor = ParseColour(s->value, s->valueLength);
                    given[6] = true;
                }
                break;
            case kAttrBackground:
                if (!background && NonEmpty(*s)) background = ParseImageUrl(*s, context.page, false);
                break;
            case kAttrDp:
                if (!given[7] && NonEmpty(*s)) {
                    dp = static_cast<uint8_t>(s->value[0]);
                    given[7] = true;
                }
                break;
        }
    }
}

TableRecord::TableRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool done[8] = {};
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrBorder:
                border = s->value ? Clamp(Number(*s), 0, 255) : 1;
                break;
            case kAttrAlign:
                if (!done[0] && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    align = static_cast<uint8_t>(k == kKeyJustify ? 0 : AlignFromKeyword(k));
                    given |= 1;
                    done[0] = true;
                }
                break;
            case kAttrClear:
                if (!done[1] && NonEmpty(*s)) {
                    clear = ClearFromKeyword(Keyword(*s));
                    given |= 16;
                    done[1] = true;
                }
                break;
            case kAttrWidth:
                if (!done[2] && NonEmpty(*s)) {
                    width = LengthValue(*s);
                    given |= 2;
                    done[2] = true;
                }
                break;
            case kAttrHeight:
                if (!done[3] && NonEmpty(*s)) {
                    height = LengthValue(*s);
                    given |= 4;
                    done[3] = true;
                }
                break;
            case kAttrBgcolor:
                if (bgColor == -1 && s->value) bgColor = ParseColour(s->value, s->valueLength);
                break;
            case kAttrCellpadding:
                if (!done[4] && NonEmpty(*s)) {
                    cellPadding = Number(*s);
                    given |= 64;
                    done[4] = true;
                }
                break;
            case kAttrCellspacing:
                if (!done[5] && NonEmpty(*s)) {
                    cellSpacing = Number(*s);
                    given |= 128;
                    done[5] = true;
                }
                break;
            case kAttrHspace:
                hspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                break;
            case kAttrVspace:
                vspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                break;
            case kAttrNoflow:
                noFlow = 1;
                break;
            case kAttrColspec:
                TakeText(colSpec, *s, false);
                break;
            case kAttrDp:
                if (!done[6] && NonEmpty(*s)) {
                    dp = static_cast<uint8_t>(s->value[0]);
                    given |= 32;
                    done[6] = true;
                }
                break;
        }
    }
}

const RecordTable<CellRecord>& CellRecord::Table() {
    using E = DumpEntry<CellRecord>;
    static const RecordTable<CellRecord> kTable = {
        {
            {"align", E::kInt, &CellRecord::align},
            {"valign", E::kInt, &CellRecord::valign},
            {"colspan", E::kInt, &CellRecord::colSpan},
            {"rowspan", E::kInt, &CellRecord::rowSpan},
            {"width", E::kInt, &CellRecord::width},
            {"height", E::kInt, &CellRecord::height},
            {"bgcolor", E::kHex, &CellRecord::bgColor},
            {"nowrap", E::kFlag, &CellRecord::noWrap},
            {"border", E::kFlag, &CellRecord::border},
            {"dp", E::kChar, &CellRecord::dp, '.'},
            {"implied", E::kFlag, &CellRecord::implied},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

const RecordTable<TableRecord>& TableRecord::Table() {
    using E = DumpEntry<TableRecord>;
    static const RecordTable<TableRecord> kTable = {
        {
            {"border", E::kInt, &TableRecord::border},
            {"align", E::kInt, &TableRecord::align},
            {"width", E::kInt, &TableRecord::width},
            {"height", E::kInt, &TableRecord::height},
            {"cellpadding", E::kInt, &TableRecord::cellPadding},
            {"cellspacing", E::kInt, &TableRecord::cellSpacing},
            {"bgcolor", E::kHex, &TableRecord::bgColor},
            {"hspace", E::kInt, &TableRecord::hspace},
            {"vspace", E::kInt, &TableRecord::vspace},
            {"clear", E::kUnless, &TableRecord::clear, 0},
            {"noflow", E::kFlag, &TableRecord::noFlow},
            {"colspec", E::kText, &TableRecord::colSpec},
            {"dp", E::kChar, &TableRecord::dp, '.'},
            {nullptr, E::kCommon},
        },
        {},
    };
    return kTable;
}

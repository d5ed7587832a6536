#include "layout/ElementAccessors.h"

#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/LayoutElement.h"

namespace {
template <typename Record>
const Record* RecordOf(const HtmlElement* e, int type) {
    return e && e->Type() == type ? e->RecordAs<Record>() : nullptr;
}

template <typename Record>
const Record* RecordOf(const HtmlElement* e, int type1, int type2) {
    return e && (e->Type() == type1 || e->Type() == type2) ? e->RecordAs<Record>() : nullptr;
}

int Space(uint8_t stored) {
    return stored == kSpaceUnset ? 0 : (stored == kSpaceDefault ? 3 : stored);
}

int AtMost255(int32_t v) {
    return v < 1 ? 1 : (v > 255 ? 255 : v);
}

// Bits of a table cell's or a line container's second flag byte.
constexpr uint16_t kHoldsLinesBit = 0x0100;
}  // namespace

HtmlElement* EnclosingAnchor(HtmlElement* element) {
    return EnclosingOfTypes(element, kTagA, kTagA);
}

HtmlElement* EnclosingOfTypes(HtmlElement* element, int low, int high) {
    for (HtmlElement* e = element; e; e = e->Parent()) {
        if (e->Type() >= low && e->Type() <= high) return e;
    }
    return nullptr;
}

LayoutElement* EnclosingLineContainer(LayoutElement* element) {
    for (LayoutElement* e = element; e; e = e->Parent()) {
        LayoutElement* parent = e->Parent();
        if (!parent || parent->GetKind() == LayoutElement::kBlockBox || parent->Has(kHoldsLinesBit)) return e;
    }
    return nullptr;
}

int NextTextLine(const char*& cursor, bool& lineBreak) {
    lineBreak = false;
    if (!cursor) return 0;
    const char* start = cursor;
    while (*cursor && *cursor != '\r' && *cursor != '\n') ++cursor;
    const int length = static_cast<int>(cursor - start);
    if (*cursor == '\r') {
        lineBreak = true;
        ++cursor;
        if (*cursor == '\n') ++cursor;
    } else if (*cursor == '\n') {
        lineBreak = true;
        ++cursor;
    }
    return length;
}

int32_t GetEmbedWidth(const HtmlElement* e) {
    const EmbedRecord* r = RecordOf<EmbedRecord>(e, kTagEmbed, kTagApplet);
    return r ? r->width : 0;
}
int32_t GetEmbedHeight(const HtmlElement* e) {
    const EmbedRecord* r = RecordOf<EmbedRecord>(e, kTagEmbed, kTagApplet);
    return r ? r->height : 0;
}
int32_t GetImageWidth(const HtmlElement* e) {
    const ImageRecord* r = RecordOf<ImageRecord>(e, kTagImg);
    return r ? r->width : 0;
}
int32_t GetImageHeight(const HtmlElement* e) {
    const ImageRecord* r = RecordOf<ImageRecord>(e, kTagImg);
    return r ? r->height : 0;
}
int GetImageAlign(const HtmlElement* e) {
    const ImageRecord* r = RecordOf<ImageRecord>(e, kTagImg);
    return r ? r->align : 0;
}

const UrlHandle* GetImageSourceUrl(const HtmlElement* e) {
    const ImageRecord* r = RecordOf<ImageRecord>(e, kTagImg);
    return r ? r->GetSourceUrl() : nullptr;
}

int GetImageSizeFlags(const HtmlElement* e) {
    const ImageRecord* r = RecordOf<ImageRecord>(e, kTagImg);
    return r ? r->given : 0;
}
int32_t GetTableWidth(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? r->width : 0;
}
int GetTableAlign(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? r->align : 0;
}
int GetTableHSpace(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? Space(r->hspace) : 0;
}
int GetTableVSpace(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? Space(r->vspace) : 0;
}
int32_t GetTableCellPadding(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? r->cellPadding : 2;
}
int32_t GetTableCellSpacing(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? r->cellSpacing : 1;
}
int32_t GetTableHeight(const HtmlElement* e) {
    const TableRecord* r = RecordOf<TableRecord>(e, kTagTable);
    return r ? r->height : 0;
}
int32_t GetCellWidth(const HtmlElement* e) {
    const CellRecord* r = RecordOf<CellRecord>(e, kTagTh, kTagTd);
    return r ? r->width : 0;
}
int32_t GetCellHeight(const HtmlElement* e) {
    const CellRecord* r = RecordOf<CellRecord>(e, kTagTh, kTagTd);
    return r ? r->height : 0;
}
int GetColSpan(const HtmlElement* e) {
    const CellRecord* r = RecordOf<CellRecord>(e, kTagTh, kTagTd);
    return r ? AtMost255(r->colSpan) : 1;
}
int GetRowSpan(const HtmlElement* e) {
    const CellRecord* r = RecordOf<CellRecord>(e, kTagTh, kTagTd);
    return r ? AtMost255(r->rowSpan) : 1;
}
int GetFontSize(const HtmlElement* e) {
    const FontRecord* r = RecordOf<FontRecord>(e, kTagFont);
    return r && r->size < kFontSizeUnset ? r->size : 3;
}
bool HasFontSize(const HtmlElement* e) {
    const FontRecord* r = RecordOf<FontRecord>(e, kTagFont);
    return r && r->size != kFontSizeUnset;
}
int32_t GetFontColor(const HtmlElement* e) {
    const FontRecord* r = RecordOf<FontRecord>(e, kTagFont);
    return r ? r->color : -1;
}
int16_t GetFontFaceId(const HtmlElement* e) {
    const FontRecord* r = RecordOf<FontRecord>(e, kTagFont);
    return r ? r->faceId : -1;
}
int32_t GetRuleSize(const HtmlElement* e) {
    const RuleRecord* r = RecordOf<RuleRecord>(e, kTagHr);
    return r ? r->size : 1;
}
int32_t GetRuleWidth(const HtmlElement* e) {
    const RuleRecord* r = RecordOf<RuleRecord>(e, kTagHr);
    return r ? r->width : -1;
}
int GetRuleWidthUnit(const HtmlElement* e) {
    const RuleRecord* r = RecordOf<RuleRecord>(e, kTagHr);
    return r ? r->widthUnit : 0;
}
int32_t GetRuleNoShade(const HtmlElement* e) {
    const RuleRecord* r = RecordOf<RuleRecord>(e, kTagHr);
    return r ? r->noShade : 0;
}

void SetAutoLeftMargin(uint8_t& edgeFlags, bool on) {
    edgeFlags = on ? edgeFlags | 0x01 : edgeFlags & ~0x01;
}
void SetAutoRightMargin(uint8_t& edgeFlags, bool on) {
    edgeFlags = on ? edgeFlags | 0x02 : edgeFlags & ~0x02;
}
void SetKeepsLines(LayoutElement& element, bool on) {
    element.SetFlags(0x0400, on);
}
void SetKeepFlag(LayoutElement& element, bool on) {
    element.SetFlags(0x1000, on);
}
void SetPendingImage(LayoutElement& element, bool on) {
    element.SetFlags(LayoutElement::kClassFlag, on);
}

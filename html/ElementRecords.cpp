#include "html/ElementRecords.h"
#include "html/FontFaces.h"

#include <cstdio>
#include <cstring>

#include "html/HtmlElement.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"
#include "html/StyleSheet.h"

using namespace record_slots;

namespace {

bool IsSpaceByte(unsigned char c) {
    return c <= ' ' || c == 0x7F || c == 0x80 || c == 0x81 || (c >= 0x8D && c <= 0x90);
}

}  // namespace

void AppendField(std::string& out, const char* name, const std::string& value) {
    out += ' ';
    out += name;
    out += '=';
    out += value;
}
void AppendInt(std::string& out, const char* name, long value) {
    AppendField(out, name, std::to_string(value));
}
void AppendText(std::string& out, const char* name, const OwnedText& text) {
    if (text.IsSet()) AppendField(out, name, std::string("\"") + text.Get() + "\"");
}
void AppendUrl(std::string& out, const char* name, const UrlField& url) {
    if (url) AppendField(out, name, "<" + PageUrls::FullName(*url) + ">");
}
void AppendHex(std::string& out, const char* name, int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, value < 0 ? "%d" : "0x%08X", value);
    AppendField(out, name, buffer);
}

OwnedText::OwnedText(const char* text, int length) {
    if (!text) return;
    text_.reset(new char[length + 1]);
    std::memcpy(text_.get(), text, length);
    text_[length] = '\0';
}

OwnedText& OwnedText::operator=(const OwnedText& other) {
    if (this != &other) *this = other.text_ ? OwnedText(other.text_.get()) : OwnedText();
    return *this;
}

OwnedText OwnedText::Decoded(const char* text, int length) {
    OwnedText copy(text, length);
    DecodeEntities(copy.Data());
    return copy;
}

int32_t SlotNumber(const char* value, int length) {
    if (!value) return 0;
    const char* p = value;
    const char* end = value + length;
    while (p < end && IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long n = 0;
    for (; p < end && IsAsciiDigit(static_cast<unsigned char>(*p)); ++p) {
        n = n * 10 + (*p - '0');
        if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
    }
    return static_cast<int32_t>(negative ? -n : n);
}

int ParseLoop(const char* value, int length) {
    if (!value || length <= 0 || LookupKeyword(value, length) == kKeyInfinite) return 255;
    int n = SlotNumber(value, length);
    return (n < 0 || n > 255) ? 255 : n;
}

void CollapseWhiteSpace(const char* source, int length, char* destination, int capacity) {
    if (!source || length <= 0 || !destination || length > capacity) return;
    int out = 0;
    bool inSpace = false;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(source[i]);
        if (IsSpaceByte(c)) {
            if (!inSpace) destination[out++] = ' ';
            inSpace = true;
        } else {
            destination[out++] = static_cast<char>(c);
            inSpace = false;
        }
    }
    if (out < capacity) destination[out++] = ' ';
    destination[out] = '\0';
}

bool ElementRecord::TakeCommon(const AttributeSlot& s, const RecordContext& context) {
    switch (s.code) {
        case kAttrId:
            TakeText(id_, s);
            return true;
        case kAttrClass:
            TakeText(class_, s);
            return true;
        case kAttrStyle:
            if (!style_.IsSet() && s.value && context.page && context.page->cssMode) {
                style_.Set(ParseStyleAttribute(s.value, s.value + s.valueLength, context.page->GetBaseUrl()));
            }
            return true;
        default:
            return false;
    }
}

ScriptObject ElementRecord::CompiledHandler(int eventId) const {
    for (const auto& entry : compiled_) {
        if (entry.first == eventId) return entry.second;
    }
    return 0;
}

void ElementRecord::SetCompiledHandler(int eventId, ScriptObject handler) {
    for (auto& entry : compiled_) {
        if (entry.first == eventId) {
            entry.second = handler;
            return;
        }
    }
    compiled_.emplace_back(eventId, handler);
}

void ElementRecord::DumpCommon(std::string& out) const {
    AppendText(out, "id", id_);
    AppendText(out, "class", class_);
    if (style_.IsSet()) {
        int count = 0;
        for (const ListNode* d = style_.Get()->First(); d; d = d->Next()) ++count;
        AppendInt(out, "style", count);
    }
}

std::unique_ptr<ElementRecord> MakeElementRecord(int type, const AttributeSlot* slots,
                                                 const RecordContext& context) {
    static const AttributeSlot kNoSlots[1] = {};
    if (!slots) slots = kNoSlots;
    bool empty = slots[0].code == 0;
    switch (type) {
        case kTagForm:
        case kTagInput:
        case kTagSelect:
        case kTagOption:
        case kTagKeygen:
        case kTagTextarea:
            return std::make_unique<FormFieldRecord>(type, slots, context);
        case kTagTh:
        case kTagTr:
        case kTagTd:
            if (empty && !context.implied) return nullptr;
            return std::make_unique<CellRecord>(slots, context);
        default:
            break;
    }
    if (empty) return nullptr;
    switch (type) {
        case kTagA:
        case kTagBase:
            return std::make_unique<AnchorRecord>(slots, context);
        case kTagP:
        case kTagH1:
        case kTagH2:
        case kTagH3:
        case kTagH4:
        case kTagH5:
        case kTagH6:
        case kTagDiv:
            return std::make_unique<BlockRecord>(slots, context);
        case kTagLi:
        case kTagUl:
        case kTagOl:
            return std::make_unique<ListRecord>(slots, context);
        case kTagDl:
        case kTagDt:
        case kTagDd:
        case kTagBr:
            return std::make_unique<ClearRecord>(slots, context);
        case kTagHr:
            return std::make_unique<RuleRecord>(slots, context);
        case kTagTable:
            return std::make_unique<TableRecord>(slots, context);
        case kTagImg:
        case kTagImage:
            return std::make_unique<ImageRecord>(slots, context);
        case kTagFont:
            return std::make_unique<FontRecord>(slots, context);
        case kTagArea:
            return std::make_unique<AreaRecord>(slots, context);
        case kTagMap:
            return std::make_unique<MapRecord>(slots, context);
        case kTagBody:
            return std::make_unique<BodyRecord>(slots, context);
        case kTagLink:
            return std::make_unique<LinkRecord>(slots, context);
        case kTagFrame:
            return std::make_unique<FrameRecord>(slots, context);
        case kTagFrameset:
            return std::make_unique<FramesetRecord>(slots, context);
        case kTagEmbed:
            return std::make_unique<EmbedRecord>(slots, context, false);
        case kTagApplet:
            return std::make_unique<EmbedRecord>(slots, context, true);
        case kTagParam:
            return std::make_unique<ParamRecord>(slots, context);
        case kTagScript:
            return std::make_unique<ScriptRecord>(slots, context);
        case kTagIsindex:
            return std::make_unique<IsIndexRecord>(slots, context);
        case kTagBgsound:
            return std::make_unique<SoundRecord>(slots, context);
        case kTagMeta:
        case kTagStyle:
        case kTagCaption:
            return nullptr;
        default:
            return std::make_unique<PlainRecord>(slots, context);
    }
}

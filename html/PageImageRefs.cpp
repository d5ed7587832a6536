#include "html/PageImageRefs.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "html/HtmlTables.h"
#include "html/HtmlTokenizer.h"
#include "html/RecordSlots.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Every url(...) of style text at [begin, end), comments passed over.
void FindStyleUrls(const char* source, const char* begin, const char* end, bool inAttribute,
                   std::vector<ImageReference>& out) {
    const char* p = begin;
    while (p < end) {
        if (end - p >= 2 && p[0] == '/' && p[1] == '*') {
            const char* close = p + 2;
            while (end - close >= 2 && !(close[0] == '*' && close[1] == '/')) ++close;
            p = end - close >= 2 ? close + 2 : end;
            continue;
        }
        if (end - p < 4 || std::tolower(static_cast<unsigned char>(p[0])) != 'u' ||
            std::tolower(static_cast<unsigned char>(p[1])) != 'r' ||
            std::tolower(static_cast<unsigned char>(p[2])) != 'l' || p[3] != '(') {
            ++p;
            continue;
        }
        const char* q = p + 4;
        while (q < end && IsBlank(*q)) ++q;
        const char* value = q;
        const char* valueEnd;
        if (q < end && (*q == '"' || *q == '\'')) {
            const char quote = *q;
            value = ++q;
            while (q < end && *q != quote) ++q;
            valueEnd = q;
        } else {
            while (q < end && *q != ')') ++q;
            valueEnd = q;
            while (valueEnd > value && IsBlank(valueEnd[-1])) --valueEnd;
        }
        if (q >= end) return;  // unfinished: the page reads no address there either
        std::string text(value, valueEnd);
        if (inAttribute && !text.empty()) {
            DecodeEntities(&text[0]);
            text.resize(std::strlen(text.c_str()));
        }
        if (!text.empty()) {
            ImageReference ref;
            ref.offset = static_cast<size_t>(value - source);
            ref.length = static_cast<size_t>(valueEnd - value);
            ref.inAttribute = inAttribute;
            ref.text = std::move(text);
            out.push_back(std::move(ref));
        }
        p = q + 1;
    }
}

void AddAttribute(const char* source, const AttributeSlot& slot, std::vector<ImageReference>& out) {
    ImageReference ref;
    ref.offset = static_cast<size_t>(slot.value - source);
    ref.length = static_cast<size_t>(slot.valueLength);
    ref.inAttribute = true;
    ref.text = record_slots::DecodedUrlText(slot);
    if (!ref.text.empty()) out.push_back(std::move(ref));
}

// The picture attribute of a start tag, taken as the page takes it: the
// first occurrence that holds a value; then the url()s of its STYLE.
void ScanTag(const char* source, int code, const AttributeSlot* slots, std::vector<ImageReference>& out) {
    int picture = 0;
    if (code == kTagImg) {
        picture = kAttrSrc;
    } else if (code == kTagInput) {
        for (const AttributeSlot* s = slots; s->code; ++s) {
            if (s->code == kAttrType) {
                if (record_slots::Keyword(*s) == kKeyImage) picture = kAttrSrc;
                break;
            }
        }
    } else if (code == kTagBody || code == kTagTd || code == kTagTh || code == kTagTr) {
        picture = kAttrBackground;
    }
    std::vector<ImageReference> found;
    bool pictureTaken = false, styleTaken = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (!record_slots::NonEmpty(*s)) continue;
        if (s->code == picture && !pictureTaken) {
            AddAttribute(source, *s, found);
            pictureTaken = true;
        } else if (s->code == kAttrStyle && !styleTaken) {
            FindStyleUrls(source, s->value, s->value + s->valueLength, true, found);
            styleTaken = true;
        }
    }
    // Attributes come in source order, each one's places in order.
    for (ImageReference& r : found) out.push_back(std::move(r));
}

}  // namespace

std::vector<ImageReference> FindImageReferences(const char* source, size_t size) {
    std::vector<ImageReference> out;
    if (!source) return out;
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    const char* position = source;
    const char* end = source + size;
    while (position < end) {
        const char* start = nullptr;
        int length = 0;
        const int code = tokenizer.NextToken(position, start, length, slots, kAttributeSlots, end, false);
        if (code == kTokenNeedMore) break;
        if (code == kTokenText || code == kUnknownTag || code >= kEndTagBit) continue;
        ScanTag(source, code, slots, out);
        if (code == kTagPlaintext) break;  // the rest is text
        if (code == kTagStyle || code == kTagScript || code == kTagTextarea) {
            const int found =
                tokenizer.ScanRawContent(code + kEndTagBit, position, start, length, end, false);
            if (code == kTagStyle && start && length > 0)
                FindStyleUrls(source, start, start + length, false, out);
            if (found != code + kEndTagBit) break;
        }
    }
    return out;
}

std::string ReplaceImageReferences(const char* source, size_t size, const std::vector<ImageReference>& refs,
                                   const std::vector<std::string>& replacements) {
    std::string out;
    out.reserve(size);
    size_t at = 0;
    for (size_t i = 0; i < refs.size() && i < replacements.size(); ++i) {
        const ImageReference& r = refs[i];
        if (replacements[i].empty() || r.offset < at || r.offset + r.length > size) continue;
        out.append(source + at, r.offset - at);
        for (char c : replacements[i]) {
            if (c == '&' && r.inAttribute) {
                out += "&amp;";
            } else if (c == '"' || c == '\'' || c == '<' || c == '>' || c == '(' || c == ')' || IsBlank(c)) {
                char escaped[4];
                std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
        at = r.offset + r.length;
    }
    out.append(source + at, size - at);
    return out;
}

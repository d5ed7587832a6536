#include "html/RecordSlots.h"

#include <cstring>

#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "net/UrlRecord.h"

namespace record_slots {

bool NonEmpty(const AttributeSlot& s) {
    return s.value && s.valueLength > 0;
}
bool HasPercent(const AttributeSlot& s) {
    return s.value && std::memchr(s.value, '%', s.valueLength);
}
int Keyword(const AttributeSlot& s) {
    return s.value ? LookupKeyword(s.value, s.valueLength) : 0;
}
int Number(const AttributeSlot& s) {
    return SlotNumber(s.value, s.valueLength);
}
int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

int AlignFromKeyword(int keyword) {
    switch (keyword) {
        case kKeyLeft:
            return kAlignLeft;
        case kKeyRight:
            return kAlignRight;
        case kKeyCenter:
            return kAlignCenter;
        case kKeyJustify:
            return kAlignJustify;
        default:
            return 0;
    }
}

int ClearFromKeyword(int keyword) {
    switch (keyword) {
        case kKeyLeft:
            return kClearLeft;
        case kKeyRight:
            return kClearRight;
        case kKeyAll:
            return kClearAll;
        default:
            return 0;
    }
}

void TakeText(OwnedText& field, const AttributeSlot& s, bool decode) {
    if (field.IsSet() || !s.value) return;
    field = decode ? OwnedText::Decoded(s.value, s.valueLength) : OwnedText(s.value, s.valueLength);
}

int LengthValue(const AttributeSlot& s) {
    int n = Number(s);
    return HasPercent(s) ? -n : n;
}

std::unique_ptr<UrlHandle> NewUrl(const UrlHandle& url) {
    return std::make_unique<UrlHandle>(url);
}

std::string TrimmedUrlText(const AttributeSlot& s) {
    int length = s.valueLength < kMaxUrlText ? s.valueLength : kMaxUrlText;
    std::string buffer(s.value ? s.value : "", length);
    buffer.push_back('\0');
    char* start = TrimAttributeValue(&buffer[0], length);
    return std::string(start, length);
}

std::string DecodedUrlText(const AttributeSlot& s) {
    std::string text = TrimmedUrlText(s);
    DecodeEntities(&text[0]);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// The buffer has room for the added space and the NUL.
OwnedText AltText(const AttributeSlot& s) {
    std::unique_ptr<char[]> buffer(new char[s.valueLength + 2]);
    buffer[0] = '\0';
    CollapseWhiteSpace(s.value, s.valueLength, buffer.get(), s.valueLength + 1);
    DecodeEntities(buffer.get());
    return OwnedText(buffer.get());
}

OwnedText AbsoluteAction(const AttributeSlot& s, PageProperties* page) {
    std::string text = DecodedUrlText(s);
    if (page && page->GetBaseUrl() && !page->GetBaseUrl()->IsEmpty() && !text.empty()) {
        UrlHandle url = page->FindUrl(page->GetBaseUrl(), text.c_str());
        return OwnedText(url.GetName() ? url.GetName() : text.c_str());
    }
    return OwnedText(text.c_str());
}

std::unique_ptr<UrlHandle> ParseUrlAttribute(const AttributeSlot& s, PageProperties* page,
                                             OwnedText* fragmentOut) {
    if (!page) return nullptr;
    std::string text = TrimmedUrlText(s);
    const UrlHandle* base = page->GetBaseUrl();
    if (text.size() >= 11 && EqualNoCase(text.c_str(), "javascript:", 11))
        return NewUrl(page->FindUrl(base, text.c_str()));
    DecodeEntities(&text[0]);
    text.resize(std::strlen(text.c_str()));
    std::string fragment;
    size_t hash = text.find('#');
    if (hash != std::string::npos) {
        fragment = text.substr(hash + 1);
        text.resize(hash);
    }
    if (fragmentOut && !fragment.empty()) *fragmentOut = OwnedText(fragment.c_str());
    if (!base || base->IsEmpty()) return NewUrl(page->FindUrl(nullptr, text.c_str(), fragment.c_str()));
    // A link that is only a fragment (or names the page itself) stays on the
    // page's own record.
    if (text.empty() || (base->GetName() && text == base->GetName()))
        return NewUrl(UrlHandle(base->Record(), fragment.empty() ? nullptr : fragment.c_str()));
    return NewUrl(page->FindUrl(base, text.c_str(), fragment.c_str()));
}

std::unique_ptr<UrlHandle> ParseImageUrl(const AttributeSlot& s, PageProperties* page, bool icons) {
    if (!page) return nullptr;
    std::string text = DecodedUrlText(s);
    if (icons && !text.empty()) {
        static const char* const kIcons[] = {"internal-directory", "internal-unknown", "internal-html",
                                             "internal-binary"};
        for (const char* icon : kIcons) {
            // Compared over the value's own length, case kept: a leading part
            // of an icon name takes that icon.
            if (text.size() <= std::strlen(icon) && std::memcmp(icon, text.data(), text.size()) == 0)
                return NewUrl(page->IconUrl(icon));
        }
    }
    return NewUrl(page->FindUrl(page->GetBaseUrl(), text.c_str()));
}

}  // namespace record_slots

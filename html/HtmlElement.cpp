#include "html/HtmlElement.h"

#include <cstring>
#include <string>
#include <vector>

#include "html/PageProperties.h"
#include "html/PageUrls.h"
#include "html/UrlParts.h"
#include "net/Authorization.h"
#include "net/CookieStore.h"
#include "net/HttpReplyHeaders.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"

namespace {

bool IsCollapsibleSpace(unsigned char c) {
    return c <= ' ' || c == 0x7F || c == 0x80 || c == 0x81 || (c >= 0x8D && c <= 0x90);
}

// A cookie the page sets for itself goes to the store as if its server had
// sent it with the page: the page's host and path decide where it belongs.
void StorePageCookie(const PageProperties& page, std::string_view cookie) {
    CookieStore* store = GetCookieStore();
    const UrlHandle* url = page.GetDocumentUrl();
    const char* name = url && !url->IsEmpty() ? url->GetName() : nullptr;
    RequestOrigin origin;
    if (store == nullptr || name == nullptr || !OriginOfUrl(name, origin)) return;
    store->SetFromHeader(cookie, origin.host, origin.path.empty() ? "/" : origin.path);
}

}  // namespace

HtmlElement::HtmlElement(PageProperties* page, int type, const AttributeSlot* slots, bool implied)
    : type_(type), implied_(implied) {
    bool hasAttributes = slots && slots[0].code != 0;
    if (type == kTagImage && hasAttributes) type_ = kTagImg;
    if (type == kTagMeta) {
        if (hasAttributes) ProcessMeta(page, slots);
        return;
    }
    if (type == kTagCaption) {
        for (const AttributeSlot* s = slots; hasAttributes && s->code; ++s) {
            if (s->code == kAttrAlign && s->value && s->valueLength > 0 && s->valueLength <= 6 &&
                EqualNoCase(s->value, "BOTTOM", s->valueLength))
                captionAlign_ = 1;
        }
        return;
    }
    RecordContext context{page, this, implied};
    record_ = MakeElementRecord(type_, slots, context);
}

HtmlElement::~HtmlElement() = default;

void HtmlElement::AppendTextRuns(HtmlElement& parent, const char* text, int length, bool preformatted,
                                 bool plain) {
    // Tabs of preformatted text grow to at most 8 columns; normal text gets
    // one space added.
    const int limit = preformatted ? kMaxTextRun / 8 : kMaxTextRun - 1;
    while (length > limit) {
        int cut = limit;
        const int lowest = limit / 2;
        while (cut > lowest && text[cut - 1] != '\n') --cut;
        if (cut == lowest) {
            cut = limit;
            while (cut > lowest && text[cut - 1] != ' ' && text[cut - 1] != '\t') --cut;
        }
        if (cut == lowest) cut = limit;
        MakeText(text, cut, preformatted, plain, &parent)->AppendToParent(parent);
        text += cut;
        length -= cut;
    }
    MakeText(text, length, preformatted, plain, &parent)->AppendToParent(parent);
}

HtmlElement* HtmlElement::MakeText(const char* text, int length, bool preformatted, bool plain,
                                   const HtmlElement* enclosing) {
    auto* node = new HtmlElement();
    node->type_ = kTextNode;
    if (length < 0) length = 0;
    if (preformatted) {
        int tabs = 0;
        for (int i = 0; i < length; ++i) tabs += text[i] == '\t';
        node->text_.reset(new char[length + 7 * tabs + 1]);
        int column = 0;
        // The column matters only to expand a tab.
        for (const HtmlElement* e = tabs ? enclosing : nullptr; e; e = e->Parent()) {
            if (e->type_ == kTagPre || e->type_ == kTagListing) {
                column = e->GetColumnAfterText();
                break;
            }
        }
        char* out = node->text_.get();
        for (int i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (c == '\t') {
                do {
                    *out++ = ' ';
                } while (++column % 8);
            } else if (c == '\r' || c == '\n') {
                *out++ = static_cast<char>(c);
                column = 0;
            } else if (c >= ' ' && c != 0x7F) {
                *out++ = static_cast<char>(c);
                ++column;
            }
        }
        *out = '\0';
    } else {
        node->text_.reset(new char[length + 2]);
        char* out = node->text_.get();
        bool inSpace = false;
        for (int i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (IsCollapsibleSpace(c)) {
                if (!inSpace) *out++ = ' ';
                inSpace = true;
            } else {
                *out++ = static_cast<char>(c);
                inSpace = false;
            }
        }
        *out++ = ' ';
        *out = '\0';
    }
    if (!plain) DecodeEntities(node->text_.get());
    return node;
}

HtmlElement* HtmlElement::Copy() const {
    auto* copy = new HtmlElement();
    copy->type_ = type_;
    copy->captionAlign_ = captionAlign_;
    if (record_) copy->record_ = record_->Clone();
    if (text_) {
        size_t n = std::strlen(text_.get());
        copy->text_.reset(new char[n + 1]);
        std::memcpy(copy->text_.get(), text_.get(), n + 1);
    }
    for (HtmlElement* child = FirstChild(); child; child = child->NextSibling())
        child->Copy()->AppendToParent(*copy);
    return copy;
}

void HtmlElement::ProcessMeta(PageProperties* page, const AttributeSlot* slots) {
    if (!page) return;
    bool refresh = false, cookie = false, haveRefresh = false;
    int seconds = -1;
    std::string address, fragment;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrHttpEquiv) {
            refresh = s->value && s->valueLength <= 7 && EqualNoCase(s->value, "refresh", s->valueLength) &&
                      s->valueLength > 0;
            cookie = s->value && s->valueLength <= 10 && s->valueLength > 0 &&
                     EqualNoCase(s->value, "Set-Cookie", s->valueLength);
        } else if (s->code == kAttrContent && s->value) {
            if (cookie) {
                StorePageCookie(*page, std::string_view(s->value, s->valueLength));
                continue;
            }
            std::string_view target;
            if (!ParseRefresh(std::string_view(s->value, s->valueLength), seconds, target)) continue;
            haveRefresh = true;
            address.assign(target);
            fragment.clear();
            size_t hash = address.find('#');
            if (hash != std::string::npos) {
                fragment = address.substr(hash + 1);
                address.resize(hash);
            }
        }
    }
    if (refresh && haveRefresh && seconds >= 0 && page->GetRefreshDelay() < 0) {
        UrlHandle url = address.empty()
                            ? UrlHandle()
                            : page->FindUrl(page->GetBaseUrl(), address.c_str(), fragment.c_str());
        page->SetRefresh(url, seconds);
    }
}

bool HtmlElement::HasAncestorOfType(int type) const {
    for (const HtmlElement* e = Parent(); e; e = e->Parent()) {
        if (e->type_ == type) return true;
    }
    return false;
}

bool HtmlElement::IsInList() const {
    for (const HtmlElement* e = Parent(); e; e = e->Parent()) {
        if (e->type_ == kTagOl || e->type_ == kTagUl || e->type_ == kTagMenu || e->type_ == kTagDir)
            return true;
    }
    return false;
}

bool HtmlElement::IsInDefinitionList() const {
    return HasAncestorOfType(kTagDl);
}

int HtmlElement::GetListMarkerStyle() const {
    const HtmlElement* e = this;
    while (e) {
        auto* list = e->RecordAs<ListRecord>();
        int value = list ? list->type : kMarkerUnset;
        if (value != kMarkerUnset) return value;
        if (e->type_ != kTagLi) break;
        e = e->Parent();
    }
    if (!e) return kMarkerUnset;
    if (e->type_ == kTagUl || e->type_ == kTagMenu) return kMarkerDisc;
    if (e->type_ == kTagOl) return kMarkerDecimal;
    return kMarkerUnset;
}

UrlHandle HtmlElement::GetImageUrl() const {
    if (!record_) return UrlHandle();
    if (type_ == kTagImg || type_ == kTagBody || type_ == kTagInput) {
        const UrlHandle* url = record_->GetSourceUrl();
        if (url) return *url;
    }
    return UrlHandle();
}

int HtmlElement::GetAlignment(bool withDefault) const {
    int align = 0;
    switch (type_) {
        case kTagP:
        case kTagH1:
        case kTagH2:
        case kTagH3:
        case kTagH4:
        case kTagH5:
        case kTagH6:
        case kTagDiv:
            if (auto* r = RecordAs<BlockRecord>()) align = r->align;
            break;
        case kTagHr:
            if (auto* r = RecordAs<RuleRecord>()) align = r->align;
            break;
        case kTagTh:
        case kTagTr:
        case kTagTd:
            if (auto* r = RecordAs<CellRecord>()) align = r->align;
            break;
        case kTagTable:
            if (auto* r = RecordAs<TableRecord>()) align = r->align;
            break;
        case kTagCaption:
            align = captionAlign_;
            break;
        default:
            break;
    }
    if (align || !withDefault) return align;
    if ((type_ == kTagTd || type_ == kTagTh) && Parent()) {
        if (auto* row = Parent()->RecordAs<CellRecord>()) {
            if (row->align) return row->align;
        }
    }
    if (type_ == kTagTh) return kAlignCenter;
    if (type_ == kTagCaption) return 3;
    return kAlignLeft;
}

int HtmlElement::GetClear() const {
    if (auto* r = RecordAs<BlockRecord>()) return r->clear;
    if (auto* r = RecordAs<ListRecord>()) return r->clear;
    if (auto* r = RecordAs<ClearRecord>()) return r->clear;
    if (auto* r = RecordAs<TableRecord>()) return r->clear;
    return 0;
}

bool HtmlElement::IsVisitedLink(uint32_t now) const {
    const auto* anchor = type_ == kTagA ? RecordAs<AnchorRecord>() : nullptr;
    if (!anchor || !anchor->href || anchor->href->IsEmpty()) return false;
    return (*anchor->href)->IsVisited(now, GetUrlSettings().linkExpirySeconds);
}

int HtmlElement::GetBorder() const {
    if (auto* r = RecordAs<ImageRecord>()) return r->border;
    if (auto* r = RecordAs<TableRecord>()) return r->border;
    return 0;
}

bool HtmlElement::HasBorder() const {
    if (auto* r = RecordAs<ImageRecord>()) return r->borderGiven != 0;
    if (auto* r = RecordAs<TableRecord>()) return r->border > 0;
    return false;
}

int HtmlElement::GetNoWrap() const {
    if (auto* r = RecordAs<CellRecord>()) return r->noWrap;
    if (auto* r = RecordAs<TableRecord>()) return r->noWrap;
    return 0;
}

int HtmlElement::GetVerticalAlign() const {
    for (const HtmlElement* e = this; e; e = e->Parent()) {
        if (e->type_ != kTagTd && e->type_ != kTagTh && e->type_ != kTagTr) break;
        if (auto* r = e->RecordAs<CellRecord>()) {
            if (r->valign) return r->valign;
        }
        if (e->type_ == kTagTr) break;
    }
    return 2;
}

int32_t HtmlElement::GetCellBackground() const {
    for (const HtmlElement* e = this; e; e = e->Parent()) {
        if (e->type_ != kTagTd && e->type_ != kTagTh && e->type_ != kTagTr) break;
        if (auto* r = e->RecordAs<CellRecord>()) {
            if (r->bgColor != -1) return r->bgColor;
        }
        if (e->type_ == kTagTr) break;
    }
    return -1;
}

UrlHandle HtmlElement::GetCellBackgroundUrl() const {
    for (const HtmlElement* e = this; e; e = e->Parent()) {
        if (e->type_ != kTagTd && e->type_ != kTagTh && e->type_ != kTagTr) break;
        if (auto* r = e->RecordAs<CellRecord>()) {
            if (r->background && !r->background->IsEmpty()) return *r->background;
        }
        if (e->type_ == kTagTr) break;
    }
    return UrlHandle();
}

int32_t HtmlElement::GetBackgroundColor() const {
    if (type_ == kTagTd || type_ == kTagTh) return GetCellBackground();
    if (auto* r = RecordAs<TableRecord>()) return r->bgColor;
    return -1;
}

FormFieldRecord* HtmlElement::GetFormField() const {
    return RecordAs<FormFieldRecord>();
}

int HtmlElement::GetFormFieldType() const {
    FormFieldRecord* r = GetFormField();
    return r ? r->fieldType : kFieldText;
}

int HtmlElement::GetLinkIndex() const {
    if (auto* r = RecordAs<AnchorRecord>()) return type_ == kTagA ? r->linkIndex : -1;
    if (auto* r = RecordAs<AreaRecord>()) return r->linkIndex;
    return -1;
}

int HtmlElement::GetImageHSpace() const {
    auto* r = RecordAs<ImageRecord>();
    return r ? r->GetHSpace() : 0;
}

int HtmlElement::GetImageVSpace() const {
    auto* r = RecordAs<ImageRecord>();
    return r ? r->GetVSpace() : 0;
}

const char* HtmlElement::GetAnchorName() const {
    auto* r = RecordAs<AnchorRecord>();
    return r ? r->name.Get() : nullptr;
}

bool HtmlElement::GetFrameSetRows(int index, int& size, int& unit) const {
    auto* r = RecordAs<FramesetRecord>();
    return r && FramesetRecord::GetEntry(r->rows.Get(), index, size, unit);
}

bool HtmlElement::GetFrameSetColumns(int index, int& size, int& unit) const {
    auto* r = RecordAs<FramesetRecord>();
    return r && FramesetRecord::GetEntry(r->cols.Get(), index, size, unit);
}

HtmlElement* HtmlElement::FindByPosition(int n) {
    HtmlElement* e = this;
    for (int i = 1; e && i < n; ++i) {
        e = e->NextInOrder();
        if (e && !Contains(e)) return nullptr;
    }
    return n >= 1 ? e : nullptr;
}

HtmlElement* HtmlElement::FindByName(const char* name) {
    if (!name) return nullptr;
    for (HtmlElement* e = this; e && Contains(e); e = e->NextInOrder()) {
        const char* candidate = nullptr;
        if (e->type_ == kTagA) candidate = e->GetAnchorName();
        if (e->type_ == kTagMap) {
            if (auto* map = e->RecordAs<MapRecord>()) candidate = map->name.Get();
        }
        if (candidate && std::strcmp(candidate, name) == 0) return e;
        if (e->GetId() && std::strcmp(e->GetId(), name) == 0) return e;
    }
    return nullptr;
}

HtmlElement* HtmlElement::FindFirstOfType(int type) {
    for (HtmlElement* e = this; e && Contains(e); e = e->NextInOrder()) {
        if (e->type_ == type) return e;
    }
    return nullptr;
}

int HtmlElement::CountTo(const HtmlElement* element, bool& found) const {
    int position = 1;
    for (const HtmlElement* e = this; e && Contains(e); e = e->NextInOrder(), ++position) {
        if (e == element) {
            found = true;
            return position;
        }
    }
    found = false;
    return position;
}

HtmlElement* HtmlElement::NextControlOfForm(int formNumber, bool withOptions) const {
    for (HtmlElement* e = NextInOrder(); e; e = e->NextInOrder()) {
        int t = e->type_;
        if (t != kTagTextarea && t != kTagSelect && t != kTagInput && t != kTagKeygen &&
            !(withOptions && t == kTagOption))
            continue;
        FormFieldRecord* r = e->GetFormField();
        if (r && r->formNumber == formNumber) return e;
    }
    return nullptr;
}

bool HtmlElement::ContainsContent() const {
    for (const HtmlElement* e = this; e && Contains(e); e = e->NextInOrder()) {
        switch (e->type_) {
            case kTagImg:
            case kTagInput:
            case kTagSelect:
            case kTagKeygen:
            case kTagEmbed:
            case kTagTextarea:
                return true;
            case kTextNode:
                for (const char* p = e->text_.get(); p && *p; ++p) {
                    if (!IsCollapsibleSpace(static_cast<unsigned char>(*p))) return true;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

bool HtmlElement::IsEmptyType(int type) {
    switch (type) {
        case kTagHr:
        case kTagBr:
        case kTagWbr:
        case kTagBase:
        case kTagIsindex:
        case kTagBgsound:
        case kTagInput:
        case kTextNode:
        case kTagImg:
        case kTagParam:
        case kTagKeygen:
        case kTagEmbed:
            return true;
        default:
            return false;
    }
}

int HtmlElement::GetColumnAfterText() const {
    // Walked back from the end: only the last line counts, so a PRE of many
    // lines costs one line per call, not everything before it.
    int column = 0;
    for (const TreeNode* n = LastDescendant(); n && n != this; n = n->PrevInOrder(true)) {
        const auto* e = static_cast<const HtmlElement*>(n);
        if (e->type_ == kTagBr) return column;
        if (e->type_ != kTextNode || !e->text_) continue;
        const char* text = e->text_.get();
        int length = static_cast<int>(std::strlen(text));
        for (int i = length - 1; i >= 0; --i) {
            if (text[i] == '\n' || text[i] == '\r') return column + (length - i - 1);
        }
        column += length;
    }
    return column;
}

void HtmlElement::CloseApplet() {
    if (type_ != kTagApplet) return;
    type_ = kTagEmbed;
    auto* embed = RecordAs<EmbedRecord>();
    std::vector<OwnedText> names, values;
    int params = 0;
    for (HtmlElement* c = FirstChild(); c; c = c->NextSibling()) params += c->type_ == kTagParam;
    if (!params || !embed) return;
    names = embed->paramNames;
    values = embed->paramValues;
    for (HtmlElement* c = FirstChild(); c; c = c->NextSibling()) {
        if (c->type_ != kTagParam) continue;
        auto* param = c->RecordAs<ParamRecord>();
        names.push_back(param ? param->name : OwnedText());
        values.push_back(param ? param->value : OwnedText());
    }
    embed->SetParams(std::move(names), std::move(values));
}

int HtmlElement::GetScriptProperty(int propertyId, std::string& text, long& number) const {
    text.clear();
    number = 0;
    bool textSet = false;
    auto set = [&](const char* value) {
        if (value) {
            text = value;
            textSet = true;
        }
    };
    FormFieldRecord* field = GetFormField();
    auto* anchor = RecordAs<AnchorRecord>();
    auto* area = RecordAs<AreaRecord>();
    switch (propertyId) {
        case 17: {
            UrlHandle url = GetImageUrl();
            if (!url.IsEmpty()) set(PageUrls::FullName(url).c_str());
            break;
        }
        case 24:
            if (anchor && type_ == kTagA) set(anchor->name.Get());
            if (auto* image = RecordAs<ImageRecord>()) set(image->name.Get());
            if (field) set(field->name.Get());
            break;
        case 33:
            if (type_ == kTagTextarea) set("textarea");
            if (type_ == kTagOption) set("option");
            if (type_ == kTagSelect && field)
                set(!field->multiple && field->size < 2 ? "select-one" : "select-multiple");
            if (type_ == kTagInput && field) {
                static const char* const kTypes[] = {nullptr,    "text",  "checkbox", "radio",
                                                     "submit",   "reset", "hidden",   "image",
                                                     "password", nullptr, "button",   "file"};
                if (field->fieldType >= 1 && field->fieldType <= 11) set(kTypes[field->fieldType]);
            }
            break;
        case 39:
            if (type_ == kTagOption && FirstChild()) set(FirstChild()->GetText());
            break;
        case 65:
            if (field) set(!field->currentValue.empty() ? field->currentValue.c_str() : field->value.Get());
            break;
        case 83:
            if (anchor && type_ == kTagA) set(anchor->target.Get());
            if (area) set(area->target.Get());
            break;
        case 86:
            number = GetBorder();
            break;
        case 202:
            if (field) {
                const char* value =
                    !field->currentValue.empty() ? field->currentValue.c_str() : field->value.Get();
                if (value) number = SlotNumber(value, static_cast<int>(std::strlen(value)));
            }
            break;
        case kPartHash:
        case kPartHref:
        case kPartHost:
        case kPartPort:
        case kPartSearch:
        case kPartPathname:
        case kPartHostname:
        case kPartProtocol: {
            const UrlField* href = anchor && type_ == kTagA ? &anchor->href : (area ? &area->href : nullptr);
            std::string address = href && *href ? PageUrls::FullName(**href) : std::string();
            std::string part = GetUrlPart(address.c_str(), propertyId);
            text = part;
            textSet = !part.empty();
            break;
        }
        default:
            break;
    }
    return textSet || number != 0 ? 1 : 0;
}

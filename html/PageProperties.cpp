#include "html/PageProperties.h"

#include <cstdio>
#include <cstring>

#include "core/Dates.h"
#include "html/HtmlElement.h"
#include "html/PageScriptHost.h"
#include "html/StyleSheet.h"
#include "net/UrlRecord.h"

namespace {

constexpr uint8_t kFlagOrder[] = {kRefImage,   kRefDynSrc, kRefUseMap, kRefSound,
                                  kRefIconSrc, kRefEmbed,  kRefScript, kRefStyleLink};

// The element's URL for one flag, or null.
const UrlHandle* ElementUrl(const HtmlElement* element, uint8_t flag) {
    int type = element->Type();
    switch (flag) {
        case kRefImage:
            if (type == kTagImg || type == kTagBody || type == kTagInput)
                return element->Record() ? element->Record()->GetSourceUrl() : nullptr;
            return nullptr;
        case kRefDynSrc:
        case kRefUseMap:
        case kRefIconSrc: {
            auto* image = element->RecordAs<ImageRecord>();
            if (!image || type != kTagImg) return nullptr;
            return (flag == kRefDynSrc   ? image->dynSrc
                    : flag == kRefUseMap ? image->useMap
                                         : image->iconSrc)
                .get();
        }
        case kRefSound:
            return type == kTagBgsound && element->Record() ? element->Record()->GetSourceUrl() : nullptr;
        case kRefEmbed:
            return (type == kTagEmbed || type == kTagApplet) && element->Record()
                       ? element->Record()->GetSourceUrl()
                       : nullptr;
        case kRefScript:
            return type == kTagScript && element->Record() ? element->Record()->GetSourceUrl() : nullptr;
        case kRefStyleLink: {
            auto* link = element->RecordAs<LinkRecord>();
            return type == kTagLink && link && link->collector ? link->href.get() : nullptr;
        }
        default:
            return nullptr;
    }
}

bool Usable(const UrlHandle* url) {
    return url && !url->IsEmpty();
}

}  // namespace

StyleSettings& DefaultStyleSettings() {
    static StyleSettings settings;
    return settings;
}

PageProperties::PageProperties(DocumentContent* owner) : owner_(owner) {
    // With the program's host installed, a page whose scripts cannot run
    // (scripting off, no engine) is read as by a browser without scripts.
    if (PageScriptHost* host = DefaultPageScriptHost()) {
        if (host->Available()) {
            scriptHost = host;
        } else {
            scriptingOn = false;
        }
    }
}

PageProperties::~PageProperties() = default;

void PageProperties::SetRefresh(const UrlHandle& url, int seconds) {
    refreshUrl_ = std::make_unique<UrlHandle>(url);
    refreshDelay_ = static_cast<int16_t>(seconds);
}

void PageProperties::SetColour(int index, const char* text) {
    if (!text) return;
    colourTexts_[index] = text;
    int32_t colour = ParseColour(text, static_cast<int>(std::strlen(text)));
    colours_[index] = colour < 0 ? -1 : (colour & 0xFFFFFF);
}

void PageProperties::SetBackgroundColour(const char* text) {
    SetColour(0, text);
}
void PageProperties::SetTextColour(const char* text) {
    SetColour(1, text);
}
void PageProperties::SetLinkColour(const char* text) {
    SetColour(2, text);
}
void PageProperties::SetVisitedLinkColour(const char* text) {
    SetColour(3, text);
}

void PageProperties::SetBody(HtmlElement* element) {
    if (!element) return;
    UrlHandle image = element->GetImageUrl();
    if (!body_ || image != body_->GetImageUrl()) {
        body_ = element;
        if (!image.IsEmpty()) RegisterElementUrls(element);
    }
    auto* record = body_->RecordAs<BodyRecord>();
    if (!record) return;
    if (colours_[0] == -1) SetBackgroundColour(record->bgColor.Get());
    if (colours_[1] == -1) SetTextColour(record->text.Get());
    if (colours_[2] == -1) SetLinkColour(record->link.Get());
    if (colours_[3] == -1) SetVisitedLinkColour(record->vlink.Get());
}

void PageProperties::SetBackgroundSound(HtmlElement* element) {
    if (backgroundSound_ || !element) return;
    backgroundSound_ = element;
    if (Usable(element->Record() ? element->Record()->GetSourceUrl() : nullptr)) RegisterElementUrls(element);
}

void PageProperties::RegisterElementUrls(HtmlElement* element) {
    const UrlHandle* urls[8];
    bool matched[8];
    int open = 0;
    for (int i = 0; i < 8; ++i) {
        urls[i] = ElementUrl(element, kFlagOrder[i]);
        matched[i] = !Usable(urls[i]);
        open += !matched[i];
    }
    for (ReferencedUrl* entry = referenced_.First(); entry && open; entry = ReferencedUrlList::Next(entry)) {
        for (int i = 0; i < 8; ++i) {
            if (matched[i] || entry->flag != kFlagOrder[i] || entry->url.Record() != urls[i]->Record())
                continue;
            matched[i] = true;
            --open;
            if (entry->flag == kRefImage && entry->element && entry->element->Type() == kTagBody)
                entry->element = element;
        }
    }
    for (int i = 0; i < 8; ++i) {
        if (matched[i]) continue;
        (new ReferencedUrl(element, kFlagOrder[i], *urls[i]))->AppendTo(referenced_);
        if (urlLockCount > 0) (*urls[i])->AddUser(urlLockCount);
    }
}

namespace {
bool Counts(const ReferencedUrl* e, bool includeBody, bool scripting) {
    if (e->flag == kRefImage && !includeBody && e->element && e->element->Type() == kTagBody) return false;
    if (e->flag == kRefScript && !scripting) return false;
    return true;
}
}  // namespace

int PageProperties::CountEntries(bool includeBody) const {
    int n = 0;
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e))
        n += Counts(e, includeBody, scriptingFlag);
    return n;
}

HtmlElement* PageProperties::EntryAt(int n, bool includeBody, uint8_t* flagOut) const {
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e)) {
        if (!Counts(e, includeBody, scriptingFlag)) continue;
        if (--n == 0) {
            if (flagOut) *flagOut = e->flag;
            return e->element;
        }
    }
    return nullptr;
}

int PageProperties::CountEntriesForUrl(uint32_t urlId) const {
    int n = 0;
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e)) {
        if (e->flag == kRefScript && !scriptingFlag) continue;
        n += e->url->GetId(true) == urlId;
    }
    return n;
}

UrlHandle PageProperties::GetBodyBackgroundUrl() const {
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e)) {
        if (e->flag == kRefImage && e->element && e->element->Type() == kTagBody) return e->url;
    }
    return UrlHandle();
}

HtmlElement* PageProperties::FindStyleLinkByUrl(uint32_t urlId) const {
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e)) {
        if (e->flag == kRefStyleLink && e->url->GetId(true) == urlId) return e->element;
    }
    return nullptr;
}

void PageProperties::LockAll() {
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e)) e->url->AddUser(1);
}

void PageProperties::UnlockAll() {
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e))
        e->url->RemoveUser(1, true);
}

void PageProperties::SetEventHandlerText(int id, const char* text, int length) {
    if (id < 140 || id > 144 || !scriptingOn || !text) return;
    // A handler already compiled keeps its text: the first BODY's handlers hold.
    if (handlerTexts_[id - 140].empty() && !handlers_[id - 140]) handlerTexts_[id - 140].assign(text, length);
}

ScriptObject PageProperties::GetEventHandler(int id) {
    if (id < 140 || id > 144) return 0;
    ScriptObject& handler = handlers_[id - 140];
    const std::string& text = handlerTexts_[id - 140];
    if (!handler && !text.empty() && scriptHost)
        handler = scriptHost->LoadEventHandler(id, text.c_str(), static_cast<int>(text.size()), windowObject);
    return handler;
}

void PageProperties::ForgetScriptObjects() {
    for (intptr_t& handler : handlers_) handler = 0;
    windowObject = 0;
    evalContext = 0;
    documentObject_ = 0;
}

const char* PageProperties::GetEventHandlerText(int id) const {
    if (id < 140 || id > 144 || handlerTexts_[id - 140].empty()) return nullptr;
    return handlerTexts_[id - 140].c_str();
}

void PageProperties::AddPageStyleSheet(StyleSheet* sheet) {
    std::unique_ptr<StyleSheet> owned(sheet);
    HtmlElement* owner = sheet->Owner();
    for (auto it = sheets_.begin(); it != sheets_.end(); ++it) {
        HtmlElement* other = (*it)->Owner();
        if (owner && other && owner->IsBefore(other)) {
            sheets_.insert(it, std::move(owned));
            return;
        }
    }
    sheets_.push_back(std::move(owned));
}

void PageProperties::ForgetElementsIn(const HtmlElement* subtree) {
    auto inside = [subtree](const HtmlElement* e) { return e && (e == subtree || subtree->Contains(e)); };
    for (auto& sheet : sheets_)
        if (inside(sheet->Owner())) sheet->ForgetOwner();
    for (ReferencedUrl* e = referenced_.First(); e; e = ReferencedUrlList::Next(e))
        if (inside(e->element)) e->element = nullptr;
    if (inside(body_)) body_ = nullptr;
    if (inside(backgroundSound_)) backgroundSound_ = nullptr;
    if (inside(insertionElement_)) insertionElement_ = nullptr;
    if (inside(resumeElement)) resumeElement = nullptr;
}

void PageProperties::AddStyleSheetLink(HtmlElement* link) {
    ++sheetsLoading;
    RegisterElementUrls(link);
    StyleSheetArrived(link);
}

void PageProperties::StyleSheetArrived(HtmlElement* link) {
    auto* record = link ? link->RecordAs<LinkRecord>() : nullptr;
    if (!record || !record->href) return;
    int status = (*record->href)->GetLoadStatus(true);
    if (status == kLoadLoaded) {
        if (sheetsLoading) --sheetsLoading;
        record->extraWord = 0;
        (*record->href)->StoreInCacheFile();
        std::string path = (*record->href)->GetLocalFilePath(true);
        LoadStyleSheetFile(path.c_str(), this, record->collector.get(), link);
        return;
    }
    if (record->extraWord && loadRequest && status != kLoadLoading && status != kLoadFailed) {
        // Asked for once, through the page's document as a SCRIPT's SRC is;
        // a copy in the cache may be there at once.
        record->extraWord = 0;
        loadRequest(*record->href);
        if ((*record->href)->GetLoadStatus(true) == kLoadLoaded) {
            StyleSheetArrived(link);
            return;
        }
        status = (*record->href)->GetLoadStatus(true);
    }
    // Not loaded and not coming: it counts as no longer loading unless its
    // load is under way.
    if (status != kLoadLoading && sheetsLoading) --sheetsLoading;
}

namespace {
bool ReadIntoCollector(const char* path, StyleTextCollector& collector) {
    if (!path || !*path) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::unique_ptr<char[]> piece(new char[32767]);
    size_t got;
    while ((got = std::fread(piece.get(), 1, 32767, file)) > 0)
        collector.Append(piece.get(), static_cast<int>(got));
    std::fclose(file);
    return true;
}
}  // namespace

std::unique_ptr<StyleSheet> PageProperties::LoadUserStyleSheet(const char* path) {
    StyleTextCollector collector(nullptr, nullptr);
    if (!ReadIntoCollector(path, collector)) return nullptr;
    return collector.ParseToSheet(nullptr, nullptr, true);
}

bool PageProperties::LoadStyleSheetFile(const char* path, PageProperties* page, StyleTextCollector* collector,
                                        HtmlElement* linkElement) {
    if (!collector || !ReadIntoCollector(path, *collector)) return false;
    // A linked sheet resolves its addresses against its own URL.
    const UrlHandle* base = page ? page->GetBaseUrl() : nullptr;
    if (auto* link = linkElement ? linkElement->RecordAs<LinkRecord>() : nullptr) {
        if (link->href) base = link->href.get();
    }
    collector->Parse(page, base, page == nullptr);
    return true;
}

void PageProperties::ComputeElementStyle(const HtmlElement* element, StyleDeclarationList& out) const {
    if (!element) return;
    if (const DeclarationList* own = element->GetInlineStyle()) {
        for (const StyleDeclaration* d = own->Last(); d; d = DeclarationList::Prev(d))
            AddWeightedDeclaration(out, d, 1000);
    }
    const StyleSettings& s = styleSettings;
    MatchedRuleList matched;
    if (s.userSheet &&
        ((cssMode == 0 && s.enableLocalCss) || (cssMode == 1 && s.cssEnableLocal && s.cssLocalOverride)))
        s.userSheet->MatchRules(element, matched);
    if (cssMode == 1 && s.cssEnableGlobal) {
        for (auto it = sheets_.rbegin(); it != sheets_.rend(); ++it) (*it)->MatchRules(element, matched);
    }
    if (s.userSheet && cssMode == 1 && s.cssEnableLocal && !s.cssLocalOverride)
        s.userSheet->MatchRules(element, matched);
    int override = (cssMode == 1 && s.cssLocalOverride) ? kOverrideWeight : 0;
    for (MatchedRule* m = matched.First(); m; m = static_cast<MatchedRule*>(m->Next())) {
        const DeclarationList* list = m->rule->declarations.get();
        if (!list) continue;
        for (const StyleDeclaration* d = list->Last(); d; d = DeclarationList::Prev(d))
            AddWeightedDeclaration(out, d, m->rule->specificity | override);
    }
}

bool PageProperties::GetColourProperty(int id, std::string& text) const {
    int index = -1;
    switch (id) {
        case kPropertyBgColor:
            index = 0;
            break;
        case kPropertyFgColor:
            index = 1;
            break;
        case kPropertyLinkColor:
            index = 2;
            break;
        case kPropertyVlinkColor:
            index = 3;
            break;
        case kPropertyLastModified: {
            uint32_t modified =
                documentUrl_ && !documentUrl_->IsEmpty() ? (*documentUrl_)->GetModifiedTime() : 0;
            char date[38];
            if (!modified || !FormatTimeHttp(&modified, date, sizeof date)) return false;
            text = date;
            return true;
        }
        default:
            return false;
    }
    int32_t colour = colours_[index];
    if (colour < 0) return false;
    // Kept as 0x00bbggrr; scripts read "#rrggbb".
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    text = buffer;
    return true;
}

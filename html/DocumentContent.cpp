#include "html/DocumentContent.h"

#include <algorithm>
#include <cstring>

#include "net/UrlNames.h"
#include "net/UrlRecord.h"

DocumentContent::DocumentContent() : page_(this) {}

DocumentContent::~DocumentContent() {
    hold_.reset();
    if (linked_) {
        if (linked_->Release() < 1) delete linked_;
        linked_ = nullptr;
    }
    // The page's lists refer to elements: they go before the tree.
    page_.SetInsertionElement(nullptr);
    if (feeding_ && feedingUrl_) (*feedingUrl_)->RemoveUser(1, true);
}

void DocumentContent::Start(const UrlHandle& url) {
    UrlHandle base = url;
    int scheme = url.IsEmpty() ? kSchemeUnknown : url->GetScheme();
    if (scheme == kSchemeJavascript || scheme == kSchemeInternal) {
        UrlHandle origin = url->GetOriginUrl();
        if (!origin.IsEmpty()) base = origin;
    }
    page_.SetBaseUrl(base);
    page_.SetDocumentUrl(url);
    root_.reset(new HtmlElement(&page_, kRootElement, nullptr, false));
    page_.SetInsertionElement(root_.get());
    if (contentKind_ == kContentPlainText) {
        auto* pre = new HtmlElement(&page_, kTagPre, nullptr, false);
        pre->AppendToParent(*root_);
        page_.SetInsertionElement(pre);
    }
}

void DocumentContent::RunBuilder(const char*& position, const char* end, bool more, bool tokenizerMore) {
    for (int pass = 0; pass < kMaxBuilderPasses; ++pass) {
        page_.dataWasFed = false;
        int result = builder_.Build(root_.get(), &page_, position, end, more, tokenizerMore);
        if (result == kBuildSuspended) {
            page_.SetInsertionElement(page_.resumeElement ? page_.resumeElement : root_.get());
        } else {
            page_.SetInsertionElement(root_.get());
        }
        if (!page_.dataWasFed) break;
    }
}

void DocumentContent::CloseTree() {
    page_.SetInsertionElement(nullptr);
    page_.resumeElement = nullptr;
}

void DocumentContent::Finish() {
    if (!feeding_) return;
    if (feedingUrl_) (*feedingUrl_)->RemoveUser(1, true);
    feedingUrl_.reset();
    page_.UnlockAll();
    page_.urlLockCount = 0;
    feeding_ = false;
}

void DocumentContent::FeedLinked(const UrlHandle& url, const char* data, long length, bool more,
                                 int stopReason) {
    if (linked_ && !refeeding_) linked_->FeedData(url, data, length, more, stopReason);
}

long DocumentContent::FeedData(const UrlHandle& url, const char* data, long length, bool more,
                               int stopReason) {
    if (!feeding_) {
        feeding_ = true;
        feedingUrl_ = std::make_unique<UrlHandle>(url);
        if (!url.IsEmpty()) url->AddUser(1);
        ++page_.urlLockCount;
        page_.LockAll();
    }
    if (!more && stopReason) stopReason_ = stopReason;
    if (root_) {
        if (!page_.GetInsertionElement()) {
            FeedLinked(url, data, length, more, stopReason);
            if (!more) Finish();
            return 0;
        }
    } else {
        Start(url);
    }
    if (!refeeding_ && (!data || length <= 0)) {
        if (!more && contentKind_ != kContentPlainText && page_.GetInsertionElement()) {
            // Let the open elements end as they would at the end of a last
            // block of data (a SELECT records its default selection then).
            const char* none = "";
            RunBuilder(none, none, false, false);
        }
        if (!more) CloseTree();
        FeedLinked(url, data, length, more, stopReason);
        if (!more) Finish();
        return 0;
    }
    long unconsumed = 0;
    if (contentKind_ == kContentPlainText) {
        HtmlElement* into = page_.GetInsertionElement();
        HtmlElement::MakeText(data, static_cast<int>(length), true, true, into)->AppendToParent(*into);
    } else if (!hold_ || holdBusy_) {
        const char* position = data;
        RunBuilder(position, data + length, more, true);
        unconsumed = static_cast<long>(data + length - position);
    } else {
        FeedThroughHold(url, data, length, more, stopReason);
    }
    bool waiting = page_.pendingScript || page_.pendingScriptUrl || scriptWriting_;
    if (!more && !waiting) {
        if (!holdBusy_) {
            hold_.reset();
            held_ = 0;
        }
        if (!refeeding_) CloseTree();
    }
    FeedLinked(url, data, length, more, stopReason);
    if (!more && !waiting && !refeeding_) Finish();
    return unconsumed;
}

void DocumentContent::FeedThroughHold(const UrlHandle& url, const char* data, long length, bool more,
                                      int stopReason) {
    if (!hold_ && held_ == 0) {
        // Nothing held: feed directly and keep what is left.
        long left = FeedData(url, data, length, more, stopReason);
        if (left > 0 && more) {
            if (!hold_) hold_.reset(new char[kHoldBufferSize]);
            size_t keep = std::min<size_t>(static_cast<size_t>(left), kHoldBufferSize);
            std::memcpy(hold_.get(), data + length - left, keep);
            held_ = keep;
        }
        return;
    }
    if (!hold_) hold_.reset(new char[kHoldBufferSize]);
    long offset = 0;
    bool fed = false;
    do {
        long room = static_cast<long>(kHoldBufferSize - held_);
        long take = std::min(room, length - offset);
        if (take > 0) std::memcpy(hold_.get() + held_, data + offset, take);
        offset += take;
        held_ += static_cast<size_t>(take);
        bool last = !more && offset == length && !refeeding_;
        holdBusy_ = true;
        const char* position = hold_.get();
        const char* end = position + held_;
        if (!root_) Start(url);
        RunBuilder(position, end, !last, true);
        if (position == hold_.get() && held_ == kHoldBufferSize && !last) {
            // A construct longer than the buffer can never complete here:
            // the tokenizer is told to stop waiting for it, so it is read as
            // text and the feed moves on.
            RunBuilder(position, end, true, false);
        }
        size_t used = static_cast<size_t>(position - hold_.get());
        std::memmove(hold_.get(), hold_.get() + used, held_ - used);
        held_ -= used;
        holdBusy_ = false;
        fed = true;
    } while (offset < length);
    if (fed) page_.dataWasFed = true;
}

int DocumentContent::ParseStream(std::FILE* file) {
    if (!file) return 0;
    std::unique_ptr<char[]> block(new char[kHoldBufferSize]);
    size_t held = 0;
    if (!root_) Start(UrlHandle());
    for (;;) {
        size_t got = std::fread(block.get() + held, 1, kHoldBufferSize - held, file);
        held += got;
        bool more = got > 0 && !std::feof(file) && !std::ferror(file);
        const char* position = block.get();
        RunBuilder(position, block.get() + held, more, held < kHoldBufferSize);
        size_t used = static_cast<size_t>(position - block.get());
        std::memmove(block.get(), block.get() + used, held - used);
        held -= used;
        if (!more) break;
    }
    CloseTree();
    return 0;
}

void DocumentContent::BuildImagePage(const char* urlText) {
    if (!urlText) return;
    if (!root_) Start(UrlHandle());
    AttributeSlot slots[2];
    slots[0].code = kAttrSrc;
    slots[0].value = urlText;
    slots[0].valueLength = static_cast<int32_t>(std::strlen(urlText));
    auto* image = new HtmlElement(&page_, kTagImg, slots, false);
    image->AppendToParent(*root_);
    page_.RegisterElementUrls(image);
    CloseTree();
}

const HtmlElement* DocumentContent::StoppedNoticeRule() {
    // Kept for the whole run outside every page, so that no page's release
    // takes them away from the pages still showing them.
    static const HtmlElement* const rule = new HtmlElement(nullptr, kTagHr, nullptr, false);
    return rule;
}

const HtmlElement* DocumentContent::StoppedNoticeBlock() {
    static const HtmlElement* const block = [] {
        auto* div = new HtmlElement(nullptr, kTagDiv, nullptr, false);
        auto* heading = new HtmlElement(nullptr, kTagH2, nullptr, false);
        heading->AppendToParent(*div);
        static const char kText[] = "  Transmission stopped !!!";
        HtmlElement::MakeText(kText, sizeof kText - 1, true, true, heading)->AppendToParent(*heading);
        return div;
    }();
    return block;
}

int DocumentContent::FormatStep(PageFormatter& formatter, FormatState& state) {
    if (state.state == kFormatDone) return kFormatDone;
    HtmlElement* open = page_.GetInsertionElement();
    if (!root_ || (open && formatter.LastFormatted() && formatter.LastFormatted() == open->LastChild())) {
        state.state = kFormatNothingToDo;
        return state.state;
    }
    if (!state.begun) {
        formatter.BeginPage(page_, root_.get());
        state.begun = true;
    }
    if (page_.sheetsLoading) {
        state.state = kFormatSheetsWait;
        return state.state;
    }
    int result = formatter.Format(open);
    bool pageColours = page_.cssMode != 0 || state.colourEnabled;
    int32_t background = pageColours ? page_.GetBackgroundColour() : -1;
    UrlHandle image = pageColours && state.imagesWanted ? page_.GetBodyBackgroundUrl() : UrlHandle();
    formatter.SetPageBackground(background, image);
    switch (result) {
        case kLayoutReachedStop:
            state.state = kFormatNothingToDo;
            break;
        case kLayoutNeedsImage:
            state.state = kFormatLayoutWait;
            break;
        case kLayoutMore:
            state.state = kFormatLayoutMore;
            break;
        default:
            state.state = kFormatDone;
            break;
    }
    if (state.state == kFormatDone && stopReason_)
        formatter.AppendElements(StoppedNoticeRule(), StoppedNoticeBlock());
    return state.state;
}

const char* DocumentContent::GetTitle() const {
    HtmlElement* title = FindElementOfType(kTagTitle);
    if (!title || !title->FirstChild()) return nullptr;
    return title->FirstChild()->GetText();
}

HtmlElement* DocumentContent::FindElementByName(const char* name) const {
    return root_ ? root_->FindByName(name) : nullptr;
}

HtmlElement* DocumentContent::FindElementOfType(int type) const {
    return root_ ? root_->FindFirstOfType(type) : nullptr;
}

int DocumentContent::ElementIndex(const HtmlElement* element) const {
    if (!root_) return 0;
    bool found = false;
    int index = root_->CountTo(element, found);
    return found ? index : 0;
}

HtmlElement* DocumentContent::ElementAt(int index) const {
    return root_ ? root_->FindByPosition(index) : nullptr;
}

int DocumentContent::GetBodyKind() const {
    if (root_) {
        for (HtmlElement* e = root_->FirstChild(); e; e = e->NextSibling()) {
            switch (e->Type()) {
                case kTagHead:
                case kTagScript:
                case kTagTitle:
                case kTagIsindex:
                case kTagBase:
                case kTagMeta:
                case kTagStyle:
                    continue;
                default:
                    break;
            }
            if (!e->ContainsContent()) continue;
            return e->Type() == kTagFrameset ? 2 : 1;
        }
    }
    return IsComplete() ? 1 : 0;
}

bool DocumentContent::IsComplete() const {
    return root_ && !page_.GetInsertionElement() && !page_.lastParsed;
}

bool DocumentContent::IsElementClosed(const HtmlElement* element) const {
    if (!root_) return false;
    HtmlElement* insertion = page_.GetInsertionElement();
    if (!insertion) return true;
    return !element->Contains(insertion);
}

void DocumentContent::LinkContent(DocumentContent* other) {
    DocumentContent* last = this;
    while (last->linked_) last = last->linked_;
    last->linked_ = other;
    other->AddRef();
}

// ---------------------------------------------------------------------------

DocumentContent* DocumentContentHandle::SharedEmpty() {
    // Made on first use and kept for the whole run: its count never falls
    // to zero, so no handle can destroy it.
    static DocumentContent* empty = [] {
        auto* content = new DocumentContent();
        content->AddRef();
        return content;
    }();
    return empty;
}

DocumentContentHandle::DocumentContentHandle(bool empty) {
    if (empty) {
        content_ = SharedEmpty();
        content_->AddRef();
    } else {
        content_ = new DocumentContent();
    }
}

DocumentContentHandle::DocumentContentHandle(const DocumentContentHandle& other) : content_(other.content_) {
    content_->AddRef();
}

DocumentContentHandle& DocumentContentHandle::operator=(const DocumentContentHandle& other) {
    // Counting the source up first keeps a self-assignment alive.
    other.content_->AddRef();
    Release(content_);
    content_ = other.content_;
    return *this;
}

DocumentContentHandle::~DocumentContentHandle() {
    Release(content_);
}

void DocumentContentHandle::Release(DocumentContent* content) {
    if (content->Release() < 1 && content != SharedEmpty()) delete content;
}

bool DocumentContentHandle::IsEmpty() const {
    return content_ == SharedEmpty();
}

PageProperties* DocumentContentHandle::GetPage() const {
    return IsEmpty() ? nullptr : content_->GetPage();
}

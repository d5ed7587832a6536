#include "html/DocumentContent.h"

#include <algorithm>
#include <cstring>

#include "html/PageScriptHost.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"

DocumentContent::DocumentContent() : page_(this) {}

DocumentContent::~DocumentContent() {
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
    // A Refresh header of the reply counts as the page's own refresh.
    if (!url.IsEmpty() && url->GetRefreshDelay() >= 0) {
        std::string address = url->GetRefreshUrl();
        std::string fragment;
        size_t hash = address.find('#');
        if (hash != std::string::npos) {
            fragment = address.substr(hash + 1);
            address.resize(hash);
        }
        page_.SetRefresh(address.empty() ? url : page_.FindUrl(&url, address.c_str(), fragment.c_str()),
                         url->GetRefreshDelay());
    }
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
    if (linked_) linked_->FeedData(url, data, length, more, stopReason);
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
    // A script of the page is still running (a box it opened waits for the
    // user): the bytes wait too, so that nothing is parsed past its place.
    if (scriptRunning_) return length;
    if (!more && stopReason) stopReason_ = stopReason;
    lastMore_ = more;
    if (root_) {
        if (HasBlockedScripts() && !RunPendingScripts()) {
            // The bytes wait until the script has run, unless loading ended.
            if (!stopReason) return length;
            DropPendingScript();
        }
        if (!page_.GetInsertionElement()) {
            FeedLinked(url, data, length, more, stopReason);
            if (!more) Finish();
            return 0;
        }
    } else {
        Start(url);
    }
    long unconsumed = 0;
    if (contentKind_ == kContentPlainText) {
        if (data && length > 0) {
            HtmlElement* into = page_.GetInsertionElement();
            HtmlElement::AppendTextRuns(*into, data, static_cast<int>(length), true, true);
        }
    } else {
        unconsumed = Parse(data, length > 0 ? length : 0, more, false);
    }
    bool waiting = page_.pendingScript || page_.pendingScriptUrl;
    if (!more && !waiting) {
        held_.clear();
        writeHeld_.clear();
        CloseTree();
    }
    FeedLinked(url, data, length, more, stopReason);
    if (!more && !waiting) Finish();
    return unconsumed;
}

void DocumentContent::FeedThroughHold(const UrlHandle& url, const char* data, long length, bool more,
                                      int stopReason) {
    if (!root_) Start(url);
    if (!more && stopReason) stopReason_ = stopReason;
    Parse(data, length > 0 ? length : 0, more, true);
}

long DocumentContent::Parse(const char* data, long length, bool more, bool keepRest) {
    // Bytes waiting from before come first: what a script wrote and left
    // unfinished, then page bytes held behind it. The builder copies what it
    // keeps, so the work buffer may change between its passes.
    std::string work;
    const char* position = data;
    const char* end = data ? data + length : data;
    if (!writeHeld_.empty() || !held_.empty()) {
        work = writeHeld_ + held_;
        if (data) work.append(data, length);
        writeHeld_.clear();
        held_.clear();
        keepRest = true;
        position = work.data();
        end = position + work.size();
    }
    for (;;) {
        const char* before = position;
        RunBuilder(position, end, more, true);
        if (position == before && more && end - position >= kHoldBufferSize) {
            // A construct longer than the hold buffer can never complete: the
            // tokenizer is told to stop waiting for it, so it is read as text
            // and the feed moves on.
            RunBuilder(position, end, more, false);
        }
        if (!HasBlockedScripts() || !RunPendingScripts()) break;
        if (!writeHeld_.empty()) {
            // The script's unfinished text goes before the rest of the page.
            std::string combined = writeHeld_;
            combined.append(position, end);
            writeHeld_.clear();
            work.swap(combined);
            keepRest = true;
            position = work.data();
            end = position + work.size();
        }
    }
    // While the page waits for a script file, the rest waits here: the
    // loader may have no more calls to make.
    if (page_.pendingScriptUrl) keepRest = true;
    if (keepRest) {
        held_.assign(position, static_cast<size_t>(end - position));
        return 0;
    }
    return static_cast<long>(end - position);
}

void DocumentContent::ScriptUrlArrived() {
    if (!page_.pendingScriptUrl || !root_) return;
    UrlHandle url = page_.GetDocumentUrl() ? *page_.GetDocumentUrl() : UrlHandle();
    FeedData(url, nullptr, 0, lastMore_, 0);
}

void DocumentContent::ResumeScripts() {
    if (!root_ || scriptRunning_ || !HasBlockedScripts()) return;
    UrlHandle url = page_.GetDocumentUrl() ? *page_.GetDocumentUrl() : UrlHandle();
    FeedData(url, nullptr, 0, lastMore_, 0);
}

bool DocumentContent::HasBlockedScripts() const {
    if (page_.pendingScript && !scriptRunning_) return true;
    return linked_ && linked_->HasBlockedScripts();
}

void DocumentContent::DropPendingScript() {
    if (page_.evalContext && page_.scriptHost) page_.scriptHost->DeleteEvalContext(page_.evalContext);
    page_.evalContext = 0;
    page_.pendingScript = nullptr;
}

int DocumentContent::RunPendingScripts() {
    HtmlElement* script = page_.pendingScript;
    if (!page_.scriptingOn || !script) return 1;
    auto* record = script->RecordAs<ScriptRecord>();
    if (!page_.scriptHost || !page_.windowObject || !record) return 0;
    if (!page_.evalContext)
        page_.evalContext = page_.scriptHost->CreateEvalContext(page_.windowObject, *record);
    scriptRunning_ = true;
    int result = page_.scriptHost->Evaluate(page_.evalContext, *this);
    scriptRunning_ = false;
    if (result == kScriptBusy) return 0;
    DropPendingScript();
    record->ran = true;
    // Scripts the run wrote stand before its SCRIPT element (which the
    // written text was put in front of): the earliest runs next.
    while (HtmlElement* next = NextWrittenScript(script)) {
        page_.pendingScript = next;
        auto* written = next->RecordAs<ScriptRecord>();
        if (!page_.evalContext)
            page_.evalContext = page_.scriptHost->CreateEvalContext(page_.windowObject, *written);
        scriptRunning_ = true;
        result = page_.scriptHost->Evaluate(page_.evalContext, *this);
        scriptRunning_ = false;
        if (result == kScriptBusy) return 0;
        DropPendingScript();
        written->ran = true;
    }
    return 1;
}

HtmlElement* DocumentContent::NextWrittenScript(HtmlElement* from) {
    if (page_.writtenScriptsWaiting <= 0) return nullptr;
    // Backwards until every waiting script is seen; the last one met is the
    // earliest in the document.
    HtmlElement* earliest = nullptr;
    int seen = 0;
    for (TreeNode* n = from->PrevInOrder(true); n && seen < page_.writtenScriptsWaiting;
         n = n->PrevInOrder(true)) {
        auto* e = static_cast<HtmlElement*>(n);
        auto* record = e->Type() == kTagScript ? e->RecordAs<ScriptRecord>() : nullptr;
        if (record && record->compiled && !record->ran) {
            earliest = e;
            ++seen;
        }
    }
    // Scripts no longer in the tree are not waited for.
    page_.writtenScriptsWaiting = earliest ? page_.writtenScriptsWaiting - 1 : 0;
    return earliest;
}

void DocumentContent::WriteText(const UrlHandle& url, const char* text) {
    HtmlElement* script = page_.pendingScript;
    if (!text || !root_ || !scriptRunning_ || !script) return;
    // What a running script writes lands where its SCRIPT element stood: the
    // element is taken out while the text is parsed and put back after it,
    // inside whatever the text left open.
    HtmlElement* parent = script->Parent();
    if (parent) {
        script->Detach();
        page_.resumeElement =
            page_.resumeElement && page_.resumeElement != script ? page_.resumeElement : parent;
    }
    std::string work = writeHeld_ + text;
    const char* position = work.data();
    RunBuilder(position, position + work.size(), true, true);
    writeHeld_.assign(position, static_cast<size_t>(work.data() + work.size() - position));
    HtmlElement* into = page_.resumeElement ? page_.resumeElement : root_.get();
    script->AppendToParent(*into);
    page_.SetInsertionElement(script);
    page_.resumeElement = script;
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
    // Before the first element opens (or while the builder holds the rest
    // back) nothing that has arrived is safe to lay out for good.
    if (!root_ || (!open && !IsComplete()) ||
        (open && formatter.LastFormatted() && formatter.LastFormatted() == open->LastChild())) {
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

#include "html/UrlContentFeed.h"

#include "net/UrlRecord.h"

UrlContentFeed::UrlContentFeed(UrlRecord& record) : record_(record), content_(false) {
    if (record.GetContentKind() == kContentPlainText) content_->SetContentKind(kContentPlainText);
}

UrlContentFeed::~UrlContentFeed() = default;

long UrlContentFeed::FeedData(const char* bytes, long length, bool final) {
    // The record owns this feed, so the handle made here lives only for the
    // call; the page keeps its own handles to the record while it is parsed.
    UrlHandle url(&record_, nullptr);
    long left = content_->FeedData(url, bytes, length, !final, 0);
    return length - left;
}

void UrlContentFeed::StopFeeding(int reason) {
    UrlHandle url(&record_, nullptr);
    // The reason makes the page end with the notice that it is incomplete.
    content_->FeedData(url, nullptr, 0, false, reason);
}

bool UrlContentFeed::CanTakeData() const {
    return !content_->IsComplete();
}

bool UrlContentFeed::IsComplete() const {
    return content_->IsComplete();
}

bool UrlContentFeed::HasPendingWork() const {
    const PageProperties* page = content_->GetPage();
    return page->pendingScript || page->pendingScriptUrl || page->sheetsLoading;
}

std::unique_ptr<UrlPageContent> MakeUrlContentFeed(UrlRecord& record) {
    return std::make_unique<UrlContentFeed>(record);
}

void InstallPageContentFactory() {
    SetPageContentFactory(&MakeUrlContentFeed);
}

DocumentContentHandle DocumentContentOf(const UrlRecord& record) {
    if (auto* feed = dynamic_cast<UrlContentFeed*>(record.GetPageContent())) return feed->Content();
    return DocumentContentHandle();
}

HtmlElement* FindFragment(UrlRecord& record, const char* name) {
    UrlRecord* r = &record;
    for (int hop = 0; hop <= kMaxRedirectChain; ++hop) {
        UrlRecord* next = r->GetRedirectRecord();
        if (!next) break;
        if (const char* fragment = r->GetHttpPart()->redirectTarget->GetFragment()) name = fragment;
        r = next;
    }
    DocumentContentHandle content = DocumentContentOf(*r);
    if (!name || content.IsEmpty() || !content->Root()) return nullptr;
    return content->Root()->FindByName(name);
}

HtmlElement* FindFragmentElement(const UrlHandle& url) {
    if (url.IsEmpty() || !url.GetFragment()) return nullptr;
    return FindFragment(*url.Record(), url.GetFragment());
}

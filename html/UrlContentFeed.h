// The page content as a URL record sees it: the record feeds the bytes it
// receives through UrlPageContent, and documents reach the parsed page
// through the counted DocumentContentHandle kept here.
#pragma once

#include <memory>

#include "html/DocumentContent.h"
#include "net/UrlPageContent.h"

class UrlRecord;

class UrlContentFeed : public UrlPageContent {
public:
    explicit UrlContentFeed(UrlRecord& record);
    ~UrlContentFeed() override;

    long FeedData(const char* bytes, long length, bool final) override;
    bool CanTakeData() const override;
    bool IsComplete() const override;
    bool HasPendingWork() const override;
    void StopFeeding(int reason) override;

    const DocumentContentHandle& Content() const { return content_; }

private:
    UrlRecord& record_;
    DocumentContentHandle content_;
};

// Makes the content of an HTML or plain-text record (the factory that the
// program installs at start-up with InstallPageContentFactory).
std::unique_ptr<UrlPageContent> MakeUrlContentFeed(UrlRecord& record);
void InstallPageContentFactory();
// The parsed page of a record, or the shared empty content when it has none.
DocumentContentHandle DocumentContentOf(const UrlRecord& record);

// The element a fragment names in a record's page: an A or MAP of that NAME
// or any element of that ID. An http record that was redirected looks in the
// page it was sent to, by the redirect's own fragment when it has one.
// Null when there is no such page or element.
HtmlElement* FindFragment(UrlRecord& record, const char* name);
// The same for a handle's own fragment.
HtmlElement* FindFragmentElement(const UrlHandle& url);

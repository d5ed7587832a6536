// What a URL record feeds its data into. The parsed page (HTML or text) and
// the decoded image live on the document side; the record only sees these
// small interfaces, and the document side installs a factory at start-up.
#pragma once

#include <memory>

class UrlRecord;

class UrlPageContent {
public:
    virtual ~UrlPageContent() = default;
    // Offers length bytes; answers how many were taken (the rest is offered
    // again with the next call). final: no more data will come.
    virtual long FeedData(const char* bytes, long length, bool final) = 0;
    // True while the content wants data even when little is waiting.
    virtual bool CanTakeData() const = 0;
    // The content has been built to its end and no document waits for it.
    virtual bool IsComplete() const = 0;
    // The page's scripts or a document still wait (the two wait counts).
    virtual bool HasPendingWork() const = 0;
    // The load ended before the data did (stopped by the user, or failed
    // half way): no more data will come, and the page should say so. The
    // reason is the load status or error code, never 0.
    virtual void StopFeeding(int reason) { FeedData(nullptr, 0, true); }
};

// Makes the page content of a record, or null when none can be made.
using PageContentFactory = std::unique_ptr<UrlPageContent> (*)(UrlRecord& record);

// Installed by the document side; without one, records keep their data only.
void SetPageContentFactory(PageContentFactory factory);
PageContentFactory GetPageContentFactory();

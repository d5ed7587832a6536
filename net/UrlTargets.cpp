// The windows waiting for a URL record, and load requests.
#include <cstring>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/MessageSource.h"
#include "net/HttpConnection.h"
#include "net/SniffContent.h"
#include "net/UrlErrors.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlReloadPolicy.h"
#include "net/UrlSettings.h"

namespace {

bool IsHttp(int scheme) {
    return scheme == kSchemeHttp || scheme == kSchemeHttps;
}

bool IsNews(int scheme) {
    return scheme == kSchemeNews || scheme == kSchemeNewsPost || scheme == kSchemeSnews ||
           scheme == kSchemeSnewsPost;
}

// Connections are shared with the socket registry: one that is inside a
// Winsock call is handed to the main handler and ends by itself.
void DisposeOf(MessageSource* source) {
    if (source == nullptr) return;
    if (source->IsIdle()) {
        delete source;
    } else {
        source->SetTarget(g_mainHandler);
        source->Detach();
    }
}

}  // namespace

bool UrlRecord::IsLoadingFor(const MessageHandler* handler) const {
    return GetLoadStatusHere() == kLoadLoading && targets_.Contains(handler);
}

MessageSource* UrlRecord::GetConnection() const {
    if (!schemePart_) return nullptr;
    switch (schemePart_->GetKind()) {
        case SchemePart::Kind::kFile:
            return static_cast<FilePart*>(schemePart_.get())->reader;
        case SchemePart::Kind::kMail:
            return static_cast<MailPart*>(schemePart_.get())->connection;
        case SchemePart::Kind::kFtp: {
            auto* ftp = static_cast<FtpPart*>(schemePart_.get());
            if (ftp->connection) return ftp->connection;
            return ftp->proxy ? ftp->proxy->connection : nullptr;
        }
        default: {
            HttpPart* http = GetHttpPart();
            return http ? http->connection : nullptr;
        }
    }
}

void UrlRecord::DropConnection() {
    if (!schemePart_) return;
    switch (schemePart_->GetKind()) {
        case SchemePart::Kind::kFile: {
            auto* file = static_cast<FilePart*>(schemePart_.get());
            DisposeOf(file->reader);
            file->reader = nullptr;
            break;
        }
        case SchemePart::Kind::kMail: {
            auto* mail = static_cast<MailPart*>(schemePart_.get());
            DisposeOf(mail->connection);
            mail->connection = nullptr;
            break;
        }
        case SchemePart::Kind::kFtp: {
            auto* ftp = static_cast<FtpPart*>(schemePart_.get());
            DisposeOf(ftp->connection);
            ftp->connection = nullptr;
            if (ftp->proxy) {
                DisposeOf(ftp->proxy->connection);
                ftp->proxy->connection = nullptr;
            }
            break;
        }
        default:
            if (HttpPart* http = GetHttpPart()) {
                DisposeOf(http->connection);
                http->connection = nullptr;
            }
            break;
    }
}

void UrlRecord::Unregister() {
    if (registeredWith_) registeredWith_->UnregisterAll(this);
    registeredWith_ = nullptr;
}

void UrlRecord::RegisterFor(MessageHandler* handler, uint32_t message, uint32_t id) {
    // All registrations live with one handler, so that one call undoes them.
    if (registeredWith_ && registeredWith_ != handler) Unregister();
    registeredWith_ = handler;
    (void)handler->Register(this, message, id);
}

void UrlRecord::RegisterForConnection(MessageHandler* handler, uint32_t id) {
    for (uint32_t m : {kMsgDataReady, kMsgConnectionEnded, kMsgHeadersParsed, kMsgConnectionFailed,
                       kMsgLookingUp, kMsgConnecting, kMsgRequestSent, kMsgSecurityLevel, kMsgFtpDataStarted}) {
        RegisterFor(handler, m, id);
    }
}

void UrlRecord::FailLoad(int32_t error, uint32_t errorFilter) {
    CloseOpenFile();
    // A page built from part of the data ends now, marked as cut short.
    if (pageContent_ && !pageContent_->IsComplete()) pageContent_->StopFeeding(error ? error : kLoadFailed);
    // A request that failed before any new data was stored leaves the copy
    // it set aside standing: the cache does not lose a page because its
    // server could not be reached. Data cut short is never taken for one.
    const bool kept = GetStorage() == kStoredNowhere && TakeBackKeptCopy();
    const int status = kept ? kLoadLoaded : kLoadFailed;
    SetLoadStatus(status);
    targets_.Broadcast(kMsgLoadStatus, id_, static_cast<uint32_t>(status) << 8, MessageTargetList::kSkipQuiet, 0);
    if (error != 0) targets_.Broadcast(kMsgLoadError, static_cast<uint32_t>(error), id_, errorFilter, 0);
    Unregister();
    DropConnection();
    targets_.Clear();
    if (inUse_ > 0 && finishing_) RemoveUser();
    finishing_ = false;
}

void UrlRecord::RequestLoad(MessageHandler* target, const UrlHandle& referrer, bool conditional,
                            bool isInline, bool flagB, bool flagC) {
    RequestLoadInternal(target, referrer, conditional, isInline, flagB, flagC, 0);
}

void UrlRecord::RequestLoadInternal(MessageHandler* target, const UrlHandle& referrer, bool conditional,
                                    bool isInline, bool flagB, bool flagC, int hops) {
    if (target == nullptr) return;
    if (scheme_ == kSchemeFile && GetLoadStatusHere() == kLoadLoaded && (flags_ & kFlagTempCopy)) {
        DeleteCacheFile();
        SetContentKindHere(kKindNotYetKnown);
    }
    const UrlSettings& settings = GetUrlSettings();
    if (!IsHttp(scheme_) || settings.offlineMode) {
        flags_ |= kFlagStaleImage | kFlagReloadStarted;
        (void)StartLoadInternal(target, referrer, IsInlineLoad() || isInline, flagB, flagC, hops);
        return;
    }
    if (GetLoadStatusHere() == kLoadLoading) {
        bool present = targets_.ContainsEntry(target, isInline, flagB, flagC);
        if (!present)
            targets_.Add(
                target, MessageTargetList::EntryFlags(isInline, flagB, flagC) | MessageTargetList::kNewEntry);
        // Already on its way: the new window hears the progress so far.
        if (!flagC && !present && bytesLoaded_ > 0) {
            uint32_t m = contentLength_ > 0 ? kMsgProgressKnown : kMsgProgressUnknown;
            if (IsInlineLoad()) m += 2;
            target->Post(m, id_, static_cast<uint32_t>(bytesLoaded_));
        }
        return;
    }
    // A conditional request keeps the old data aside until the reply says
    // whether it still stands.
    contentLength_ = 0;
    flags_ |= kFlagStaleImage | kFlagReloadStarted;
    HttpPart* http = MakeHttpPart();
    if (http) http->redirectTarget.reset();
    CloseOpenFile();
    if (!fileName_.empty()) {
        if (!previousFileName_.empty() && previousFileName_ != fileName_) {
            std::string old = fileName_;
            fileName_ = previousFileName_;
            DeleteCacheFile();
            fileName_ = old;
        }
        previousFileName_ = fileName_;
        fileName_.clear();
    }
    FreeBuffer();
    SetStorage(kStoredNowhere);
    SetInlineLoad(isInline);
    SetKindAnnounced(false);
    if (http && conditional && http->lastModifiedText.empty() && http->date.empty()) conditional = false;
    pendingConditional_ = conditional;
    (void)StartLoadInternal(target, referrer, isInline, flagB, flagC, hops);
}

void UrlRegistry::ForgetWindow(MessageHandler* window) {
    for (UrlTable* t : {&GeneralTable(), &CacheTable(), &TemporaryTable()}) {
        for (UrlRecord* r : t->Records()) r->RemoveTargetKeepLoad(window);
    }
}

void UrlRecord::HandOverProducer() {
    // The producer now reports to the new first window.
    MessageSource* c = GetConnection();
    if (!c || !FirstTarget()) return;
    RegisterForConnection(FirstTarget(), c->Serial());
    c->SetTarget(FirstTarget());
}

void UrlRecord::RemoveTarget(MessageHandler* handler) {
    if (IsHttp(scheme_)) {
        if (UrlRecord* redirect = GetRedirectRecord(); redirect && redirect != this)
            redirect->RemoveTarget(handler);
    }
    if (IsNews(scheme_)) return;
    if (GetLoadStatusHere() != kLoadLoading && GetLoadStatusHere() < kLoadDelivering) return;
    bool wasFirst = registeredWith_ == handler;
    if (wasFirst) Unregister();
    targets_.Remove(handler);
    if (targets_.IsEmpty()) {
        CloseOpenFile();
        DropConnection();
        if (pageContent_) pageContent_->StopFeeding(kLoadEmpty);
        if (GetStorage() == kStoredInFile) FreeBuffer();
        // Stopped before its end: the partial data is not a loaded copy.
        SetLoadStatus(kLoadEmpty);
        return;
    }
    if (wasFirst) HandOverProducer();
}

void UrlRecord::ReplaceTarget(MessageHandler* oldHandler, MessageHandler* newHandler) {
    MessageHandler* first = FirstTarget();
    if (first == nullptr || !targets_.Contains(oldHandler)) {
        // A window that goes away never keeps a registration of ours.
        if (registeredWith_ == oldHandler) Unregister();
        return;
    }
    auto* head = static_cast<MessageTarget*>(static_cast<NodeList&>(targets_).First());
    bool isInline = head->isInline, flagB = head->flagB, flagC = head->flagC;
    if (newHandler && !targets_.Contains(newHandler))
        targets_.Add(newHandler, MessageTargetList::EntryFlags(isInline, flagB, flagC) |
                                     MessageTargetList::kNewEntry | MessageTargetList::kAppend);
    bool wasFirst = registeredWith_ == oldHandler;
    if (wasFirst) Unregister();
    targets_.Remove(oldHandler);
    if (GetLoadStatusHere() != kLoadLoading) return;
    if (targets_.IsEmpty()) {
        DropConnection();
        SetLoadStatus(kLoadEmpty);
        return;
    }
    if (wasFirst) HandOverProducer();
}

// Starting a load: the asking window becomes a target, the scheme chooses
// what produces the bytes, and the record registers for its reports.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/MessageSource.h"
#include "core/StringHelpers.h"
#include "core/MessageBoxes.h"
#include "net/Base64.h"
#include "net/FtpConnection.h"
#include "net/HttpConnection.h"
#include "net/HttpsConnectionMaker.h"
#include "net/LocalFileReader.h"
#include "net/NetSettings.h"
#include "net/SmtpConnection.h"
#include "net/SniffContent.h"
#include "net/UrlErrors.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlReloadPolicy.h"
#include "net/UrlSettings.h"

namespace {

constexpr uint32_t kAll = 0;
constexpr uint32_t kNotInline = MessageTargetList::kOnlyNotInline;

}  // namespace

int UrlRecord::StartLoad(MessageHandler* target, const UrlHandle& origin, bool isInline, bool quiet) {
    return StartLoadInternal(target, origin, isInline, false, quiet, 0);
}

void UrlRecord::AnnounceContent(uint32_t filter) {
    if (IsKindAnnounced()) return;
    SetKindAnnounced(true);
    targets_.Broadcast(kMsgContentKnown, id_, (status_ & kStatusVisited) ? 0 : 1, filter, 0);
    SetVisited(true);
}

int UrlRecord::StartLoadInternal(MessageHandler* target, const UrlHandle& origin, bool isInline, bool flagB,
                                 bool quiet, int hops) {
    if (target == nullptr) return 0;
    AttachLoadMachine();
    bool loading = GetLoadStatusHere() == kLoadLoading;
    if (!loading && !targets_.IsEmpty()) targets_.Clear();
    bool present = targets_.ContainsEntry(target, isInline, flagB, quiet);
    if (!present)
        targets_.Add(target,
                     MessageTargetList::EntryFlags(isInline, flagB, quiet) | MessageTargetList::kNewEntry);
    if (loading) {
        if (present) return -1;
        // Joins the load under way: hears what the others heard so far.
        if (!quiet) {
            if (!isInline && IsKindAnnounced())
                target->Post(kMsgContentKnown, id_, (status_ & kStatusVisited) ? 0 : 1);
            if (bytesLoaded_ > 0) {
                uint32_t m = contentLength_ > 0 ? kMsgProgressKnown : kMsgProgressUnknown;
                if (isInline) m += 2;
                target->Post(m, id_, static_cast<uint32_t>(bytesLoaded_));
            }
        }
        return 0;
    }
    redirectHops_ = hops;
    if (scheme_ == kSchemeInternal) return StartInternal(origin, quiet);
    ReleaseContent();
    SetKindAnnounced(false);
    delivered_ = 0;
    bytesLoaded_ = 0;
    SetInlineLoad(isInline);

    if (scheme_ == kSchemeFile) return StartLocalFile(target, quiet);

    // Every other scheme loads into a cache file of its own.
    SetEncoding(0);
    if (GetStorage() == kStoredInFile && previousFileName_.empty()) DeleteCacheFile();
    if (GetStorage() != kStoredNowhere) {
        FreeBuffer();
        SetStorage(kStoredNowhere);
    }
    bool network = IsHttpRecord() || scheme_ == kSchemeFtp || scheme_ == kSchemeMailto;
    if (network && GetUrlSettings().offlineMode) {
        ReportStartFailure(kLoadEmpty, kErrOffline, quiet);
        return 0;
    }
    if (IsHttpRecord() || ((scheme_ == kSchemeFtp || scheme_ == kSchemeGopher || scheme_ == kSchemeWais) &&
                           HasProxyForScheme(scheme_)))
        return StartHttp(target, origin, quiet);
    if (scheme_ == kSchemeFtp) return StartFtp(target, quiet);
    if (scheme_ == kSchemeMailto && CarriesMail()) return StartMail(target, quiet);
    // No producer for this scheme in this program.
    ReportStartFailure(kLoadFailed, kErrUrlIllegalAddress, quiet);
    return 0;
}

void UrlRecord::ReportStartFailure(int status, int32_t error, bool quiet) {
    SetLoadStatus(status);
    if (!quiet) {
        targets_.Broadcast(kMsgLoadStatus, id_, static_cast<uint32_t>(status) << 8, kAll, 0);
        targets_.Broadcast(kMsgLoadError, static_cast<uint32_t>(error), id_, kNotInline, 0);
    }
    targets_.Clear();
}

int UrlRecord::StartHttp(MessageHandler* target, const UrlHandle& origin, bool quiet) {
    DropConnection();
    formPending_ = false;
    HttpPart* http = nullptr;
    if (IsHttpRecord()) {
        http = MakeHttpPart();
    } else {
        auto part = std::make_unique<ProxiedPart>();
        part->proxy = std::make_unique<HttpPart>();
        http = part->proxy.get();
        schemePart_ = std::move(part);
    }
    RequestTarget where;
    if (!http || !GetRequestTarget(*this, kUrlScratchSize, where)) {
        ReportStartFailure(kLoadFailed, kErrUrlIllegalAddress, quiet);
        return 0;
    }
    bool noCache = where.useProxy && (flags_ & kFlagReloadStarted);
    Connection* made = nullptr;
    if (scheme_ == kSchemeHttps) {
        if (HttpsConnectionMaker makeHttps = GetHttpsConnectionMaker())
            made = makeHttps(target, http->method, where.host.c_str(), where.port, where.uri.c_str(),
                             where.useProxy, noCache);
    } else {
        made = new HttpConnection(target, http->method, where.host.c_str(), where.port, where.uri.c_str(),
                                  where.useProxy, noCache);
    }
    auto* connection = dynamic_cast<HttpConnection*>(made);
    if (connection == nullptr) {
        // Without a secure layer an https address fails at its start rather
        // than going out unprotected.
        delete made;
        ReportStartFailure(kLoadFailed, kErrUrlIllegalAddress, quiet);
        return 0;
    }
    http->connection = connection;
    if (scheme_ != kSchemeHttps) target->Post(kMsgSecurityLevel, connection->Serial(), 0);
    if (!origin.IsEmpty() && origin.GetName()) connection->SetReferrer(origin.GetName());
    if (http->method == kMethodPost) {
        if (http->bodyPending) {
            if (http->upload) {
                // The source's bytes begin with their own headers.
                connection->SetBodyStream(http->upload.get());
                RegisterFor(target, kMsgUploadProgress, connection->Serial());
            } else {
                connection->SetBody(http->body.c_str());
                if (!http->bodyContentType.empty())
                    connection->SetBodyContentType(http->bodyContentType.c_str());
            }
            http->bodyPending = false;
        } else {
            // A form is not sent twice without being asked: the kept reply stands.
            SetLoadStatus(kLoadLoaded);
            SetContentKindHere(kKindHtml);
            SetStorage(kStoredNowhere);
            SetKindAnnounced(true);
            targets_.Broadcast(kMsgContentKnown, id_, 0, kNotInline | MessageTargetList::kSkipQuiet, 0);
            targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kNotInline | MessageTargetList::kSkipQuiet,
                               0);
            DropConnection();
            targets_.Clear();
            return 0;
        }
    }
    // Without a Last-Modified (the cache index keeps none), the reply's Date
    // says as well since when the kept copy stands.
    const std::string& since = http->lastModifiedText.empty() ? http->date : http->lastModifiedText;
    if (pendingConditional_ && !since.empty()) connection->SetIfModifiedSince(since.c_str());
    pendingConditional_ = false;
    http->auth = kAuthNone;
    http->proxyAuth = kAuthNone;
    if (IsHttpRecord()) SendStoredHeaders(*connection, *http, where);
    RegisterForConnection(target, connection->Serial());
    SetLoadStatus(kLoadLoading);
    int result = connection->Connect();
    if (result == 0) return 0;
    DropConnection();
    Unregister();
    ReportStartFailure(kLoadEmpty, result, quiet);
    return result;
}

int UrlRecord::StartMail(MessageHandler* target, bool quiet) {
    DropConnection();
    formPending_ = false;
    MailPart* mail = GetMailPart(false);
    if (mail->sent) {
        // A mail that went out is not sent again by showing its record.
        SetLoadStatus(kLoadLoaded);
        targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kAll, 0);
        targets_.Clear();
        return 0;
    }
    // "host" or "host:port".
    std::string host = GetNetSettings().mailServer;
    uint16_t port = 25;
    const size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        const unsigned long given = std::strtoul(host.c_str() + colon + 1, nullptr, 10);
        if (given > 0 && given < 65536) port = static_cast<uint16_t>(given);
        host.resize(colon);
    }
    if (host.empty()) {
        ReportStartFailure(kLoadEmpty, kErrNoMailServer, quiet);
        return 0;
    }
    auto* connection = new SmtpConnection(target, host.c_str(), port, mail->to.c_str(), mail->cc.c_str(),
                                          mail->bcc.c_str(), mail->from.c_str(), mail->subject.c_str(),
                                          mail->contentType.c_str(), mail->body.c_str(), mail->message.get());
    mail->connection = connection;
    mail->sent = true;
    RegisterForConnection(target, connection->Serial());
    SetLoadStatus(kLoadLoading);
    const int result = connection->Connect();
    if (result == 0) return 0;
    DropConnection();
    Unregister();
    ReportStartFailure(kLoadEmpty, result, quiet);
    return result;
}

int UrlRecord::StartFtp(MessageHandler* target, bool quiet) {
    DropConnection();
    FtpUrlParts parts;
    if (name_.size() >= kUrlScratchSize || !ParseFtpUrl(name_, parts) || parts.login.host.empty()) {
        ReportStartFailure(kLoadFailed, kErrUrlIllegalAddress, quiet);
        return 0;
    }
    auto part = std::make_unique<FtpPart>();
    part->uploadFile = DecodePercentEscapes(parts.upload);
    std::string host = DecodePercentEscapes(parts.login.host);
    auto* connection = new FtpConnection(
        target, host.c_str(), parts.login.port, parts.path.c_str(),
        parts.login.hasUser ? parts.login.user.c_str() : nullptr,
        parts.login.hasPassword ? parts.login.password.c_str() : nullptr, parts.type,
        part->uploadFile.empty() ? nullptr : part->uploadFile.c_str());
    part->connection = connection;
    schemePart_ = std::move(part);
    target->Post(kMsgSecurityLevel, connection->Serial(), 0);
    RegisterForConnection(target, connection->Serial());
    SetLoadStatus(kLoadLoading);
    int result = connection->Connect();
    if (result == 0) return 0;
    DropConnection();
    Unregister();
    ReportStartFailure(kLoadFailed, result, quiet);
    return result;
}

// The page of a local folder: generated at once.
void UrlRecord::StartLocalListing(bool quiet) {
    if (!pageContent_ || (flags_ & kFlagStaleImage)) {
        flags_ &= static_cast<uint8_t>(~kFlagStaleImage);
        ReleaseContent();
    }
    SetContentKindHere(kKindHtml);
    SetLoadStatus(kLoadLoaded);
    if (!IsKindAnnounced() && !IsInlineLoad()) {
        SetKindAnnounced(true);
        if (!quiet) targets_.Broadcast(kMsgContentKnown, id_, (status_ & kStatusVisited) ? 0 : 1, kNotInline, 0);
        SetVisited(true);
    }
    char title[128];
    if (LoadStringResource(kStringListingTitle, title, sizeof title) <= 0)
        std::snprintf(title, sizeof title, "%s", "Directory listing of ");
    if (!BuildLocalListing(title)) {
        FailLoad(StoreError() ? StoreError() : kErrCannotWriteCache, MessageTargetList::kSkipQuiet);
        return;
    }
    loadTime_ = lastUse_ = UrlClockNow();
    delivered_ = 0;
    if (!IsInlineLoad()) {
        DeliverData(false);
        DeliverData(true);
    }
    if (GetStorage() == kStoredInFile) FreeBuffer();
    if (!quiet) targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kAll, 0);
    targets_.Clear();
}

int UrlRecord::StartInternal(const UrlHandle& origin, bool quiet) {
    const char* page = name_.size() > 6 ? name_.c_str() + 6 : "";  // after "zintu:"
    using Generator = void (UrlRegistry::*)(const UrlHandle&);
    static const struct {
        const char* name;
        Generator make;
    } kPages[] = {{"cache", &UrlRegistry::MakeCachePage},
                  {"drives", &UrlRegistry::MakeDrivesPage},
                  {"plugins", &UrlRegistry::MakePluginsPage},
                  {"about", &UrlRegistry::MakeAboutPage},
                  {"history", &UrlRegistry::MakeHistoryPage}};
    UrlRegistry* registry = UrlRegistry::Instance();
    for (const auto& p : kPages) {
        if (std::strcmp(page, p.name) != 0 || registry == nullptr) continue;
        // A new page each time: what was generated before is stale.
        ReleaseContent();
        FreeBuffer();
        SetStorage(kStoredNowhere);
        SetLoadStatus(kLoadLoading);
        UrlHandle self(this, nullptr);
        (registry->*p.make)(self);
        return 0;
    }
    // "zintu:N": a document the program made itself, already in the record.
    if (GetContentKind() == kKindHtml) {
        SetOrigin(origin);
        SetLoadStatus(kLoadLoaded);
        targets_.Clear();
        return 0;
    }
    SetLoadStatus(kLoadFailed);
    if (!quiet) targets_.Broadcast(kMsgLoadError, kErrUrlIllegalAddress, id_, kNotInline, 0);
    targets_.Clear();
    return 0;
}

int UrlRecord::StartLocalFile(MessageHandler* target, bool quiet) {
    if (IsTempFileCopy()) {
        // The file of an earlier listing of this folder is ours: the folder
        // itself is read again.
        DeleteCacheFile();
        SetTempFileCopy(false);
    }
    if (fileName_.empty()) fileName_ = LocalPathOfFileUrl(name_.c_str());
    if (fileName_.empty()) {
        // A file: address without a file name shows the drives.
        if (UrlRegistry* registry = UrlRegistry::Instance()) {
            ReleaseContent();
            FreeBuffer();
            SetStorage(kStoredNowhere);
            SetLoadStatus(kLoadLoading);
            registry->MakeDrivesPage(UrlHandle(this, nullptr));
            return 0;
        }
    }
    SetStorage(kStoredInFile);
    struct stat st;
    bool exists = !fileName_.empty() && stat(fileName_.c_str(), &st) == 0;
    if (exists && (st.st_mode & S_IFMT) == S_IFDIR) {
        StartLocalListing(quiet);
        return 0;
    }
    if (GetContentKind() == kKindNotYetKnown || GetContentKind() == kKindUnknownType)
        GuessKindFromExtension();
    if (!exists) {
        SetLoadStatus(kLoadFailed);
        targets_.Broadcast(kMsgLoadStatus, id_, kLoadFailed << 8, kAll, 0);
        if (!quiet) targets_.Broadcast(kMsgLoadError, kErrCannotOpenFile, id_, kNotInline, 0);
        targets_.Clear();
        return 0;
    }
    SetLoadStatus(kLoadLoading);
    contentLength_ = static_cast<int32_t>(st.st_size);
    loadTime_ = lastUse_ = UrlClockNow();
    DropConnection();
    auto part = std::make_unique<FilePart>();
    auto* reader = new LocalFileReader(target, fileName_.c_str());
    part->reader = reader;
    schemePart_ = std::move(part);
    for (uint32_t m : {kMsgDataReady, kMsgConnectionEnded, kMsgConnectionFailed})
        RegisterFor(target, m, reader->Serial());
    int result = reader->Connect();
    if (result == 0) return 0;
    FailLoad(result, MessageTargetList::kSkipQuiet);
    return result;
}

// Starting a load: the asking window becomes a target, the scheme chooses
// what produces the bytes, and the record registers for its reports.
#include <cctype>
#include <cstring>
#include <sys/stat.h>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/MessageSource.h"
#include "core/StringHelpers.h"
#include "net/Base64.h"
#include "net/HttpConnection.h"
#include "net/HttpsConnectionMaker.h"
#include "net/LocalFileReader.h"
#include "net/SniffContent.h"
#include "net/UrlErrors.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlReloadPolicy.h"
#include "net/UrlSettings.h"

namespace {

constexpr uint32_t kAll = 0;
constexpr uint32_t kNotInline = MessageTargetList::kOnlyNotInline;

}  // namespace

// The local path of a file: URL: "//localhost/", "//./" and "///" are
// skipped (another "//" stays: a network path); %XX is decoded, '/' becomes
// the folder separator and '|' a drive colon, all in one pass.
std::string LocalPathOfFileUrl(const char* name) {
    if (name == nullptr) return std::string();
    const char* p = std::strchr(name, ':');
    if (p == nullptr) return std::string();
    ++p;
    auto startsNoCase = [](const char* s, const char* prefix) {
        for (; *prefix; ++s, ++prefix) {
            if (std::tolower(static_cast<unsigned char>(*s)) != *prefix) return false;
        }
        return true;
    };
    if (startsNoCase(p, "//localhost/")) {
        p += 12;
    } else if (std::strncmp(p, "//./", 4) == 0) {
        p += 4;
    } else if (std::strncmp(p, "///", 3) == 0) {
        p += 3;
    }
    std::string out;
    for (; *p; ++p) {
        if (*p == '%' && HexValue(p[1]) >= 0 && HexValue(p[2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(p[1]) * 16 + HexValue(p[2])));
            p += 2;
        } else if (*p == '/') {
            out.push_back(kPathSeparator);
        } else if (*p == '|') {
            out.push_back(':');
        } else {
            out.push_back(*p);
        }
    }
#ifdef _WIN32
    if (out.size() == 2 && out[1] == ':') out.push_back('\\');
    if (out.size() > 3 && out.back() == '\\') out.pop_back();
#else
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    if (!out.empty() && out[0] != '/') out.insert(out.begin(), '/');
#endif
    return out;
}

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
            connection->SetBody(http->body.c_str());
            if (!http->bodyContentType.empty()) connection->SetBodyContentType(http->bodyContentType.c_str());
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
    if (!where.credentials.empty()) connection->SetCredentials(Base64Encode(where.credentials).c_str());
    http->auth = kAuthNone;
    http->proxyAuth = kAuthNone;
    RegisterForConnection(target, connection->Serial());
    SetLoadStatus(kLoadLoading);
    int result = connection->Connect();
    if (result == 0) return 0;
    DropConnection();
    Unregister();
    ReportStartFailure(kLoadEmpty, result, quiet);
    return result;
}

int UrlRecord::StartLocalFile(MessageHandler* target, bool quiet) {
    SetStorage(kStoredInFile);
    if (fileName_.empty()) fileName_ = LocalPathOfFileUrl(name_.c_str());
    if (GetContentKind() == kKindNotYetKnown || GetContentKind() == kKindUnknownType)
        GuessKindFromExtension();
    struct stat st;
    bool exists = !fileName_.empty() && stat(fileName_.c_str(), &st) == 0;
    // Directory listings are not built by this program yet: a folder cannot
    // be opened as a page.
    if (!exists || (st.st_mode & S_IFMT) == S_IFDIR) {
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

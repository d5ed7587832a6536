// The loading state machine: the producer's reports turn into state changes
// of the record and into notices to every waiting window.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "core/Dates.h"
#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/MessageBoxes.h"
#include "core/MessageSource.h"
#include "net/FtpConnection.h"
#include "net/CardReader.h"
#include "net/HttpConnection.h"
#include "net/NetSettings.h"
#include "net/SniffContent.h"
#include "net/UrlErrors.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

constexpr uint32_t kAll = 0;
constexpr uint32_t kNotInline = MessageTargetList::kOnlyNotInline;
constexpr uint32_t kNotQuiet = MessageTargetList::kSkipQuiet;
constexpr uint32_t kInlineNotQuiet = MessageTargetList::kOnlyInline | MessageTargetList::kSkipQuiet;
constexpr uint32_t kShownNotQuiet = MessageTargetList::kOnlyNotInline | MessageTargetList::kSkipQuiet;
constexpr uint32_t kProgressTargets = MessageTargetList::kSkipQuiet | MessageTargetList::kSkipFlagB;

bool IsRedirectStatus(int status) {
    return status == 301 || status == 302;
}

HttpConnection* AsHttp(MessageSource* source) {
    return dynamic_cast<HttpConnection*>(source);
}

bool SplitPathIsEmpty(const std::string& path) {
    return path.find_first_not_of('/') == std::string::npos;
}

// The splitter's messages go to the record's window, as every producer's.
class HandlerSink : public MultipartSplitter::Sink {
public:
    explicit HandlerSink(MessageHandler* handler) : handler_(handler) {}
    void PostPartMessage(uint32_t message) override {
        if (handler_) handler_->Post(message, 0, 0);
    }

private:
    MessageHandler* handler_;
};

// The boundary of a multipart type's parameters: the text "boundary", then
// blanks, '=' and blanks; the value runs inside double quotes, else to a
// line end or the end. Empty when there is none.
std::string BoundaryOf(const std::string& parameters) {
    size_t at = parameters.find("boundary");
    if (at == std::string::npos) return std::string();
    size_t i = at + 8;
    auto skipBlanks = [&] {
        while (i < parameters.size() && (parameters[i] == ' ' || parameters[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i < parameters.size() && parameters[i] == '=') ++i;
    skipBlanks();
    if (i < parameters.size() && parameters[i] == '"') {
        size_t close = parameters.find('"', i + 1);
        return parameters.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
    }
    size_t end = parameters.find_first_of("\r\n", i);
    return parameters.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

bool UrlRecord::ProducerMatches(uint32_t id) const {
    MessageSource* c = GetConnection();
    return c != nullptr && c->Serial() == id;
}

void UrlRecord::AttachLoadMachine() {
    loadMachine_ = [](UrlRecord& r, uint32_t m, uint32_t p1, uint32_t p2) { r.HandleMessage(m, p1, p2); };
    teardown_ = [](UrlRecord& r) {
        r.Unregister();
        r.DropConnection();
    };
}

void UrlRecord::HandleMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    switch (message) {
        case kMsgHeadersParsed:
            OnHeaders(p1);
            break;
        case kMsgDataReady:
            if (MultipartSplitter* splitter = ActiveSplitter()) {
                if (ProducerMatches(p1) && GetLoadStatusHere() == kLoadLoading)
                    (void)splitter->Read([this](char* into, int size) { return GetConnection()->ReadData(into, size); });
                break;
            }
            OnData(p1);
            break;
        case kMsgPartBegins:
            OnPartBegins();
            break;
        case kMsgPartData:
            OnPartData();
            break;
        case kMsgPartEnds:
            OnPartEnds();
            break;
        case kMsgConnectionEnded:
            OnEnd(p1);
            break;
        case kMsgConnectionFailed:
            OnError(p1, static_cast<int32_t>(p2));
            break;
        case kMsgLookingUp:
        case kMsgConnecting:
        case kMsgRequestSent:
            if (ProducerMatches(p1))
                targets_.Broadcast(kMsgLoadNotice, kNoticeLookingUp + (message - kMsgLookingUp), id_,
                                   kProgressTargets, 0);
            break;
        case kMsgSecurityLevel:
            if (ProducerMatches(p1)) {
                securityLevel_ = static_cast<uint8_t>(p2);
                targets_.Broadcast(kMsgSecurityNotice, id_, p2, kAll, 0);
            }
            break;
        case kMsgFtpDataStarted:
            OnFtpDataStarted(p1, p2);
            break;
        case kMsgUploadProgress:
            if (ProducerMatches(p1)) targets_.Broadcast(kMsgUploadNotice, id_, p2, kAll, 0);
            break;
        case kMsgContinueDelivery:
            if (p1 == id_) ContinueDelivery();
            break;
        case kMsgScriptsPending:
            if (p1 == id_) DeliverData(GetLoadStatusHere() != kLoadLoading);
            break;
        default:
            break;
    }
}

void UrlRecord::OnHeaders(uint32_t connectionId) {
    HttpPart* http = GetHttpPart();
    HttpConnection* connection = http ? AsHttp(http->connection) : nullptr;
    if (!connection || connection->Serial() != connectionId) return;
    loadTime_ = lastUse_ = UrlClockNow();
    const HttpReplyHeaders& reply = connection->ReplyHeaders();
    const UrlSettings& settings = GetUrlSettings();
    int status = reply.statusCode;
    http->expires = reply.expires ? ParseHttpDateToTime(reply.expires->c_str()) : 0;
    http->lastModified = reply.lastModified ? ParseHttpDateToTime(reply.lastModified->c_str()) : 0;
    if (status != 304) http->lastModifiedText = reply.lastModified ? *reply.lastModified : std::string();
    http->location = reply.location && IsRedirectStatus(status) ? *reply.location : std::string();
    int refreshDelay = 0;
    std::string_view refreshUrl;
    if (reply.refresh && ParseRefresh(*reply.refresh, refreshDelay, refreshUrl)) {
        http->refreshUrl.assign(refreshUrl);
        http->refreshDelay = static_cast<uint16_t>(refreshDelay);
    } else {
        http->refreshUrl.clear();
        http->refreshDelay = kNoRefresh;
    }
    if (!(IsRedirectStatus(status) && reply.location)) http->redirectTarget.reset();
    http->status = status;

    if (status == 304) {
        // The kept copy stands.
        targets_.SetFlagB(false);
        http->auth = http->proxyAuth = kAuthNone;
        connection->Close();
        Unregister();
        DropConnection();
        SetLoadStatus(kLoadLoaded);
        flags_ &= static_cast<uint8_t>(~kFlagStaleImage);
        (void)TakeBackKeptCopy();
        targets_.Broadcast(kMsgLoadStatus, id_, kLoadLoaded << 8, kNotQuiet, 0);
        targets_.Broadcast(kMsgLoadNotice, kNoticeNotModified, id_, kShownNotQuiet, 0);
        // The kept copy goes to the page again, from the start.
        if (!IsInlineLoad()) {
            delivered_ = 0;
            DeliverData(true);
        }
        targets_.Clear();
        return;
    }
    bool challenge = status == 401 || status == 407;
    if (challenge) {
        AuthState& state = status == 401 ? http->auth : http->proxyAuth;
        if (state == kAuthNone) state = kAuthAsked;
        SetChallenge(status == 401 ? (reply.wwwAuthenticate ? reply.wwwAuthenticate->c_str() : nullptr)
                                   : (reply.proxyAuthenticate ? reply.proxyAuthenticate->c_str() : nullptr));
    } else {
        bool ok = status == 200 || IsRedirectStatus(status);
        if (!ok && (status == 204 || settings.httpErrorStrategy == 1 || IsInlineLoad())) {
            FailLoad(ErrorForHttpStatus(status), kShownNotQuiet);
            return;
        }
        http->auth = http->proxyAuth = kAuthNone;
    }
    bytesLoaded_ = 0;
    delivered_ = 0;
    http->statusText = status != 200 && reply.statusText ? *reply.statusText : std::string();
    http->multipartActive = false;
    http->splitter.reset();
    http->splitterSink.reset();
    if (reply.contentType) {
        size_t semicolon = reply.contentType->find(';');
        std::string type = reply.contentType->substr(0, semicolon);
        while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.pop_back();
        http->contentType = type;
        SetContentKindHere(KindFromContentType(type.c_str(), name_.c_str(), nullptr));
        if (GetContentKind() == kKindMultipart && semicolon != std::string::npos)
            StartMultipart(reply.contentType->substr(semicolon + 1));
    } else {
        http->contentType.clear();
        GuessKindFromExtension();
    }
    // Compressed data goes to a file and is expanded at the end.
    bool compressed =
        reply.contentEncoding && reply.contentEncoding->find("x-compress") != std::string::npos;
    SetEncoding(compressed ? kEncodingCompressed : 0);
    // Whatever was stored before belongs to the old reply.
    FreeBuffer();
    SetStorage(kStoredNowhere);
    contentLength_ = reply.contentLength;
    if (http->method == kMethodGet && !(flags_ & kFlagForceReload) && IsKindCachedHere()) {
        if (UrlRegistry* registry = UrlRegistry::Instance())
            registry->MoveToCacheList(UrlHandle(this, nullptr));
    }
    bool authPending = http->auth == kAuthAsked || http->proxyAuth == kAuthAsked;
    if ((flags_ & kFlagStaleImage) && !authPending) {
        flags_ &= static_cast<uint8_t>(~kFlagStaleImage);
        ReleaseContent();
    }
    bool quietAnnounce = GetContentKind() == kKindNotYetKnown || IsKindAnnounced() || http->multipartActive ||
                         (settings.httpErrorStrategy == 2 && status != 200 && !IsRedirectStatus(status)) ||
                         authPending || IsInlineLoad() || (IsRedirectStatus(status) && reply.location);
    if (!quietAnnounce) AnnounceContent(kShownNotQuiet);
}

bool UrlRecord::TakeBackKeptCopy() {
    if (previousFileName_.empty()) return false;
    fileName_ = previousFileName_;
    previousFileName_.clear();
    SetStorage(kStoredInFile);
    struct stat st;
    if (stat(GetLocalFilePath().c_str(), &st) != 0) return false;
    bytesLoaded_ = contentLength_ = static_cast<int32_t>(st.st_size);
    return true;
}

void UrlRecord::OnData(uint32_t producerId) {
    if (!ProducerMatches(producerId) || GetLoadStatusHere() != kLoadLoading) return;
    HttpPart* http = GetHttpPart();
    if (scheme_ == kSchemeFile && !IsInlineLoad()) AnnounceContent(kNotQuiet);
    if (http && IsRedirectStatus(http->status) && !http->location.empty()) {
        // The body of a redirect is never shown.
        char scratch[4096];
        while (GetConnection()->ReadData(scratch, sizeof scratch) > 0) {
        }
        return;
    }
    int32_t n = ReceiveData();
    if (n <= 0) return;
    // A report may announce more than one read takes: come back for the rest.
    if (n >= kMaxReadPerReport && registeredWith_) registeredWith_->Post(kMsgDataReady, producerId, 0);
    if (http && http->status != 200) return;
    if (!IsInlineLoad() && IsKindAnnounced()) {
        if (pageContent_) targets_.Broadcast(kMsgMoreData, id_, GetLoadStatusHere() << 8, kShownNotQuiet, 0);
        targets_.Broadcast(contentLength_ > 0 ? kMsgProgressKnown : kMsgProgressUnknown, id_,
                           static_cast<uint32_t>(n), kShownNotQuiet, 0);
    } else if (IsInlineLoad()) {
        targets_.Broadcast(contentLength_ > 0 ? kMsgInlineProgressKnown : kMsgInlineProgressUnknown, id_,
                           static_cast<uint32_t>(n), kInlineNotQuiet, 0);
    }
}

void UrlRecord::OnError(uint32_t producerId, int32_t code) {
    if (!ProducerMatches(producerId)) return;
    CloseOpenFile();
    if (GetLoadStatusHere() != kLoadLoading) return;
    FailLoad(code, kShownNotQuiet);
}

bool UrlRecord::IsKindCachedHere() const {
    UrlRegistry* registry = UrlRegistry::Instance();
    return registry && registry->IsKindCached(GetContentKind());
}

void UrlRecord::OnEnd(uint32_t producerId) {
    if (!ProducerMatches(producerId) || GetLoadStatusHere() != kLoadLoading) return;
    if (CarriesMail()) {
        // The mail server took the message.
        SetLoadStatus(kLoadLoaded);
        targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kAll, 0);
        Unregister();
        DropConnection();
        targets_.Clear();
        return;
    }
    if (MultipartSplitter* splitter = ActiveSplitter()) {
        // The parts still held end the load with their last message.
        while (splitter->Read([this](char* into, int size) { return GetConnection()->ReadData(into, size); }) > 0) {
        }
        splitter->SetInputEnded();
        if (splitter->HoldsData()) return;
    }
    // Whatever the producer still holds is taken before the end counts.
    while (ReceiveData() > 0) {
    }
    if (GetLoadStatusHere() != kLoadLoading) return;  // failed while reading
    CloseOpenFile();
    if (GetFtpPart() && !FinishFtpTransfer()) return;
    HttpPart* http = GetHttpPart();
    HttpConnection* connection = http ? AsHttp(http->connection) : nullptr;
    int status = http ? http->status : 200;
    bool challenge = connection && (status == 401 || status == 407);
    bool redirect = http && IsRedirectStatus(status) && !http->location.empty();
    if (http && bytesLoaded_ == 0 && !IsInlineLoad() && !redirect && !challenge) {
        ReleaseContent();
        FreeBuffer();
        SetStorage(kStoredNowhere);
        SetKindAnnounced(false);
        DeleteCacheFile();
        FailLoad(kErrNoContent, kShownNotQuiet);
        return;
    }
    // A reply that ends before the length its server announced is not the
    // document: what came stays on the page, marked as cut short, but no
    // cache file keeps it as if it were complete.
    if (http && status == 200 && !http->multipartActive && contentLength_ > 0 && bytesLoaded_ < contentLength_) {
        if (GetStorage() == kStoredInFile) DeleteCacheFile();
        FailLoad(kErrClosedByRemote, kShownNotQuiet);
        return;
    }
    if (GetEncoding() == kEncodingCompressed && GetContentKind() != kKindUnknownType &&
        GetContentKind() != kKindNotYetKnown && GetStorage() == kStoredInFile) {
        // The file keeps what came; a stream that cannot be expanded must not
        // be shown as the document.
        if (!DecodeCompressedFile()) {
            FailLoad(kErrCannotExpand, kShownNotQuiet);
            return;
        }
        delivered_ = 0;
    }
    if (GetContentKind() == kKindCardEncrypted && GetStorage() == kStoredInFile) {
        SetCardEncrypted(true);
        int32_t error = DecryptCardFile();
        if (error != 0) {
            FailLoad(error, kShownNotQuiet);
            return;
        }
        delivered_ = 0;
    }
    AddUser();
    finishing_ = true;
    flags_ &= static_cast<uint8_t>(~kFlagReloadStarted);
    SetLoadStatus(kLoadLoaded);
    UrlRegistry* registry = UrlRegistry::Instance();
    if (GetStorage() == kStoredInFile && GetCacheRelation() == kListNever) {
        fileName_.clear();
        Reset();
        RemoveUser();
        finishing_ = false;
        targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kShownNotQuiet, 0);
        targets_.Clear();
        return;
    }
    // Data in memory counts once it is written to a cache file.
    if (registry && scheme_ != kSchemeFile && GetStorage() == kStoredInFile) {
        if (GetCacheRelation() == kListCache) registry->AddCacheBytes(bytesLoaded_);
        if (GetCacheRelation() == kListTemporary) registry->AddTemporaryBytes(bytesLoaded_);
    }
    if (!IsKindAnnounced() && !(http && (status == 204 || IsRedirectStatus(status)))) SniffAndAnnounce(true);
    if (challenge) {
        // The window asks the user; RetryWithCredentials starts again.
        Unregister();
        connection->Close();
        AuthState state = status == 401 ? http->auth : http->proxyAuth;
        if (state != kAuthStoredSent && RetryWithStoredCredentials(*connection, *http, status)) {
            RemoveUser();
            finishing_ = false;
            return;
        }
        uint32_t code =
            status == 401 ? (state == kAuthStoredSent ? 1 : 0) : (state == kAuthStoredSent ? 3 : 2);
        RemoveUser();
        finishing_ = false;
        targets_.Broadcast(kMsgAuthNeeded, code, id_, kAll, 0);
        return;
    }
    if (redirect) {
        FollowRedirect();
        return;
    }
    if (http && GetUrlSettings().httpErrorStrategy == 2 && !IsInlineLoad() && status != 200 &&
        status != 204 && !IsRedirectStatus(status) && IsStockErrorPage()) {
        ReleaseContent();
        FreeBuffer();
        SetStorage(kStoredNowhere);
        DeleteCacheFile();
        FailLoad(ErrorForHttpStatus(status), kShownNotQuiet);
        return;
    }
    if (http && !IsKindAnnounced() && !IsInlineLoad()) AnnounceContent(kShownNotQuiet);
    if (!IsInlineLoad()) targets_.Broadcast(kMsgMoreData, id_, kLoadLoaded << 8, kShownNotQuiet, 0);
    // An image is decoded to its end before its windows hear that it loaded.
    DeliverImageData(true);
    targets_.Broadcast(kMsgLoadStatus, id_, kLoadLoaded << 8, kNotQuiet, 0);
    if (http && connection && connection->ReplyDate()) http->date = connection->ReplyDate();
    Unregister();
    DropConnection();
    if (!previousFileName_.empty() && previousFileName_ != fileName_) {
        std::string current = fileName_;
        fileName_ = previousFileName_;
        DeleteCacheFile();
        fileName_ = current;
    }
    previousFileName_.clear();
    DeliverData(true);
    if (pageContent_ && pageContent_->HasPendingWork()) {
        // The page's scripts run first; 0x8221 brings us back.
        if (MessageHandler* first = registeredWith_ ? registeredWith_ : FirstTarget())
            RegisterFor(first, kMsgScriptsPending, id_);
        targets_.Broadcast(kMsgScriptsPending, id_, 0, kNotInline, 0);
        return;
    }
    Finish();
}

void UrlRecord::OnFtpDataStarted(uint32_t connectionId, uint32_t listing) {
    FtpPart* ftp = GetFtpPart();
    if (!ftp || !ProducerMatches(connectionId) || GetLoadStatusHere() != kLoadLoading) return;
    loadTime_ = lastUse_ = UrlClockNow();
    ftp->listing = listing != 0;
    if (ftp->listing)
        SetContentKindHere(kKindHtml);
    else
        GuessKindFromExtension();
    if (!IsInlineLoad() && GetContentKind() != kKindNotYetKnown && !IsKindAnnounced())
        AnnounceContent(kShownNotQuiet);
}

bool UrlRecord::FinishFtpTransfer() {
    FtpPart* ftp = GetFtpPart();
    auto* connection = dynamic_cast<FtpConnection*>(ftp->connection);
    ftp->loginState = 0;
    if (!connection || !ftp->listing) return true;
    char title[128];
    if (LoadStringResource(kStringListingTitle, title, sizeof title) <= 0)
        std::snprintf(title, sizeof title, "%s", "Directory listing of ");
    FtpUrlParts parts;
    bool parentLink = ParseFtpUrl(name_, parts) && !SplitPathIsEmpty(parts.path);
    if (!BuildFtpListing(parentLink, connection->GetServerMessage(), connection->GetUser(), title)) {
        FailLoad(StoreError() ? StoreError() : kErrCannotWriteCache, kShownNotQuiet);
        return false;
    }
    // The raw reply was never shown: the page goes to the content from its
    // start; the end follows with the rest of the load.
    ReleaseContent();
    if (!IsInlineLoad()) DeliverData(false);
    targets_.Broadcast(kMsgLoadStatus, id_, GetLoadStatusHere() << 8, kNotQuiet, 0);
    return true;
}

void UrlRecord::StartMultipart(const std::string& parameters) {
    HttpPart* http = GetHttpPart();
    MessageHandler* handler = registeredWith_ ? registeredWith_ : FirstTarget();
    if (!http || !handler) return;
    std::string boundary = BoundaryOf(parameters);
    http->splitterSink = std::make_unique<HandlerSink>(handler);
    http->splitter = std::make_unique<MultipartSplitter>(*http->splitterSink, boundary.c_str(),
                                                         GetNetSettings().NetworkBufferBytes());
    http->multipartActive = true;
    for (uint32_t m : {kMsgPartBegins, kMsgPartData, kMsgPartEnds}) RegisterFor(handler, m, 0);
}

MultipartSplitter* UrlRecord::ActiveSplitter() const {
    HttpPart* http = GetHttpPart();
    return http && http->multipartActive ? http->splitter.get() : nullptr;
}

int32_t UrlRecord::ReadFromProducer(MessageSource* producer, char* into, int32_t size) {
    if (MultipartSplitter* splitter = ActiveSplitter()) return splitter->ReadPart(into, size);
    return producer->ReadData(into, size);
}

void UrlRecord::OnPartBegins() {
    MultipartSplitter* splitter = ActiveSplitter();
    if (!splitter || GetLoadStatusHere() != kLoadLoading) return;
    std::string type = splitter->TakePartType();
    if (type.empty()) return;
    // The part replaces the content of the one before.
    bool replacesImage = IsImage();
    GetHttpPart()->contentType = type;
    ReleaseContent();
    CloseOpenFile();
    if (GetStorage() == kStoredInFile) DeleteCacheFile();
    FreeBuffer();
    SetStorage(kStoredNowhere);
    contentLength_ = bytesLoaded_ = 0;
    kept_ = newBytes_ = delivered_ = 0;
    SetContentKindHere(KindFromContentType(type.c_str(), name_.c_str(), nullptr));
    SetKindAnnounced(true);
    targets_.Broadcast(kMsgContentKnown, id_, (status_ & kStatusVisited) ? 0 : 1, kShownNotQuiet, 0);
    SetVisited(true);
    if (replacesImage) targets_.Broadcast(kMsgPartReplaces, id_, 0, kInlineNotQuiet, 0);
}

void UrlRecord::OnPartData() {
    if (!ActiveSplitter() || GetLoadStatusHere() != kLoadLoading) return;
    int32_t n = ReceiveData();
    if (n <= 0) return;
    if (IsInlineLoad()) {
        targets_.Broadcast(kMsgInlineProgressUnknown, id_, static_cast<uint32_t>(n), kInlineNotQuiet, 0);
    } else if (IsKindAnnounced()) {
        targets_.Broadcast(kMsgProgressUnknown, id_, static_cast<uint32_t>(n), kShownNotQuiet, 0);
        if (pageContent_ && GetCacheRelation() == kListGeneral)
            targets_.Broadcast(kMsgMoreData, id_, GetLoadStatusHere() << 8, kShownNotQuiet, 0);
    }
}

void UrlRecord::OnPartEnds() {
    MultipartSplitter* splitter = ActiveSplitter();
    if (!splitter || GetLoadStatusHere() != kLoadLoading) return;
    splitter->PartEndHeard();
    MessageSource* connection = GetConnection();
    if (splitter->InputEnded() && connection) {
        OnEnd(connection->Serial());
        return;
    }
    // The part is whole: the windows show it.
    CloseOpenFile();
    DeliverData(true);
    targets_.Broadcast(kMsgMoreData, id_, GetLoadStatusHere() << 8, kNotQuiet, 0);
}

int32_t UrlRecord::DecryptCardFile() {
    UrlRegistry* registry = UrlRegistry::Instance();
    if (registry == nullptr) return kErrCardUndefined;
    CloseOpenFile();
    DecryptContext* context = registry->FindDecryptContext(id_, true);
    if (context == nullptr) return registry->LastCardError();
    std::FILE* in = OpenLocalFile("rb");
    std::string path = registry->NewCacheFileName(CacheFileExtension().c_str());
    std::FILE* out = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    int32_t error = in && out ? 0 : kErrCannotWriteCache;
    std::string type;
    struct stat st;
    int32_t left = in && stat(GetLocalFilePath().c_str(), &st) == 0 ? static_cast<int32_t>(st.st_size) : 0;
    char block[DecryptContext::kOutputSize];
    int32_t held = 0;  // bytes of block not yet taken by the library
    bool done = false;
    while (error == 0 && !done) {
        if (held < (int32_t)sizeof block && left > 0) {
            int32_t n = static_cast<int32_t>(std::fread(block + held, 1, sizeof block - held, in));
            if (n <= 0) {
                error = kErrCannotOpenFile;
                break;
            }
            held += n;
            left -= n;
        }
        int32_t consumed = 0, length = 0;
        const char* output = nullptr;
        const char* found = nullptr;
        error = context->Decrypt(block, held, &consumed, &output, &length, &found, left == 0);
        if (error != 0) break;
        if (found && *found && type.empty()) type = found;
        if (length > 0 && std::fwrite(output, 1, static_cast<size_t>(length), out) != static_cast<size_t>(length))
            error = kErrCannotWriteCache;
        context->Consume(length);
        std::memmove(block, block + consumed, static_cast<size_t>(held - consumed));
        held -= consumed;
        if (left == 0 && held == 0) done = true;
    }
    if (in) std::fclose(in);
    if (out && std::fclose(out) != 0 && error == 0) error = kErrCannotWriteCache;
    registry->CloseDecryptContext(context);
    if (error == 0 && !type.empty()) {
        int kind = KindFromContentType(type.c_str(), name_.c_str(), nullptr);
        // A type the program cannot show is no document of ours.
        if (kind == kKindUnknownType) error = kErrCannotDecrypt;
        else SetContentKindHere(kind);
    }
    if (error != 0) {
        if (!path.empty()) std::remove(path.c_str());
        return error;
    }
    DeleteCacheFile();
    size_t sep = path.find_last_of("\\/");
    fileName_ = sep == std::string::npos ? path : path.substr(sep + 1);
    if (stat(path.c_str(), &st) == 0) bytesLoaded_ = contentLength_ = static_cast<int32_t>(st.st_size);
    return 0;
}

void UrlRecord::Finish() {
    if (GetStorage() == kStoredInFile) FreeBuffer();
    if (finishing_) RemoveUser();
    finishing_ = false;
    if (!IsInlineLoad()) {
        if (pageContent_) targets_.Broadcast(kMsgLoadNotice, kNoticeContentReady, id_, kShownNotQuiet, 0);
        targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kShownNotQuiet, 0);
    }
    Unregister();
    targets_.Clear();
    redirectHops_ = 0;
}

void UrlRecord::FollowRedirect() {
    HttpPart* http = GetHttpPart();
    UrlRegistry* registry = UrlRegistry::Instance();
    std::string location = http->location;
    http->redirectTarget.reset();
    UrlHandle next;
    if (registry) {
        std::string base = location.substr(0, location.find('#'));
        std::string fragment =
            location.find('#') == std::string::npos ? std::string() : location.substr(location.find('#') + 1);
        UrlHandle self(this, nullptr);
        next = registry->Find(&self, base.c_str(), fragment.empty() ? nullptr : fragment.c_str(), false);
    }
    Unregister();
    DropConnection();
    RemoveUser();
    finishing_ = false;
    if (next.IsEmpty()) {
        FailLoad(kErrUrlIllegalAddress, kShownNotQuiet);
        return;
    }
    if (redirectHops_ + 1 > kMaxRedirects) {
        // A chain of redirects that does not end (A to B to A) stops here.
        FailLoad(kErrTooManyRedirects, kShownNotQuiet);
        return;
    }
    // Keep the target unless its own chain leads back here.
    bool cycle = next.Record() == this;
    for (UrlRecord* r = next.Record(); r && !cycle;) {
        UrlRecord* after = r->GetRedirectRecord();
        cycle = after == this;
        if (after == next.Record()) break;
        r = after;
    }
    if (!cycle) http->redirectTarget = std::make_unique<UrlHandle>(next);
    http->location.clear();
    targets_.Broadcast(kMsgRedirected, id_, next->GetId(), kAll, 0);
    // Every waiting window now waits for the new record.
    struct Waiter {
        MessageHandler* handler;
        bool isInline, flagC;
    };
    std::vector<Waiter> waiters;
    for (ListNode* n = static_cast<NodeList&>(targets_).First(); n; n = n->Next()) {
        auto* t = static_cast<MessageTarget*>(n);
        waiters.push_back({t->handler, t->isInline, t->flagC});
    }
    targets_.Clear();
    UrlHandle origin(this, nullptr);
    for (const Waiter& w : waiters) {
        if (next->GetLoadStatusHere() == kLoadLoaded) {
            next->RequestLoadInternal(w.handler, origin, false, w.isInline,
                                      (flags_ & kFlagReloadStarted) != 0, w.flagC, redirectHops_ + 1);
        } else {
            (void)next->StartLoadInternal(w.handler, origin, w.isInline, false, w.flagC, redirectHops_ + 1);
        }
    }
    redirectHops_ = 0;
}

bool UrlRecord::IsStockErrorPage() const {
    // A server's own error page: its title begins with "error" or repeats the
    // status line.
    char head[4096];
    int32_t n = const_cast<UrlRecord*>(this)->ReadLocalData(0, sizeof head - 1, head);
    if (n <= 0) return true;  // nothing of its own to show
    head[n] = 0;
    std::string page = Lower(head);
    size_t t = page.find("<title>");
    std::string title;
    if (t != std::string::npos) {
        size_t e = page.find("</title>", t);
        title = page.substr(t + 7, e == std::string::npos ? std::string::npos : e - t - 7);
    } else {
        size_t start = page.find_first_not_of(" \t\r\n");
        title = start == std::string::npos ? std::string() : page.substr(start, 80);
    }
    while (!title.empty() && std::isspace(static_cast<unsigned char>(title.front()))) title.erase(0, 1);
    if (title.compare(0, 5, "error") == 0) return true;
    const HttpPart* http = GetHttpPart();
    std::string code = std::to_string(http ? http->status : 0);
    if (title.find(code) != std::string::npos) return true;
    return http && !http->statusText.empty() && title.find(Lower(http->statusText)) != std::string::npos;
}

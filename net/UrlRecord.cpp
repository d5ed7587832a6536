#include "net/UrlRecord.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "core/StringHelpers.h"
#include "net/SniffContent.h"
#include "net/UrlImageContent.h"
#include "net/UrlPageContent.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

uint32_t g_nextRecordId = 1;
std::string g_cacheDirectory;
PageContentFactory g_pageContentFactory = nullptr;
ImageContentFactory g_imageContentFactory = nullptr;

bool IsHttpScheme(int scheme) {
    return scheme == kSchemeHttp || scheme == kSchemeHttps;
}

}  // namespace

void SetPageContentFactory(PageContentFactory factory) {
    g_pageContentFactory = factory;
}
PageContentFactory GetPageContentFactory() {
    return g_pageContentFactory;
}

void SetImageContentFactory(ImageContentFactory factory) {
    g_imageContentFactory = factory;
}
ImageContentFactory GetImageContentFactory() {
    return g_imageContentFactory;
}

void SetUrlCacheDirectory(const char* directory) {
    g_cacheDirectory = directory ? directory : "";
}
const std::string& UrlCacheDirectory() {
    return g_cacheDirectory;
}

HttpPart::HttpPart() : SchemePart(Kind::kHttp) {}
HttpPart::~HttpPart() = default;

void UrlRecord::InitCommon() {
    id_ = g_nextRecordId++;
    SetLoadStatus(kLoadNever);
    SetContentKindHere(kKindNotYetKnown);
    kind_ |= kKindNotDelivering;
    securityLevel_ = 10;
    refCount_ = 1;
}

UrlRecord::UrlRecord() {
    InitCommon();
    refCount_ = 0;
}

UrlRecord::UrlRecord(const char* name, bool resolve) {
    InitCommon();
    if (name == nullptr) return;
    if (!resolve) {
        name_ = name;
        return;
    }
    int scheme = kSchemeUnknown;
    if (ResolveUrlName(nullptr, name, ResolveOptions(), name_, scheme)) {
        scheme_ = static_cast<uint8_t>(scheme);
    } else {
        name_.clear();
    }
}

UrlRecord::UrlRecord(const CacheIndexEntry& e) : UrlRecord(e.name.c_str(), true) {
    loadTime_ = e.loadTime;
    lastUse_ = e.lastUse;
    useCount_ = e.useCount;
    SetCacheRelation(kListCache);
    if (scheme_ == kSchemeHttp) {
        auto part = std::make_unique<HttpPart>();
        part->expires = e.expires;
        part->contentType = e.contentType;
        part->date = e.date;
        part->location = e.location;
        part->refreshUrl = e.refreshUrl;
        part->refreshDelay = e.refreshDelay;
        schemePart_ = std::move(part);
        if (!e.fileName.empty()) {
            fileName_ = e.fileName;
            SetStorage(kStoredInFile);
        }
        contentLength_ = static_cast<int32_t>(e.contentLength);
        bytesLoaded_ = static_cast<int32_t>(e.bytesLoaded);
        int status = e.loadStatus & 7;
        // A load that was under way when the index was written did not finish.
        SetLoadStatus(status == kLoadLoading || status == 6 || status == kLoadDelivering ? kLoadEmpty
                                                                                         : status);
        SetContentKindHere(e.contentKind);
    } else {
        contentType_ = e.contentType;
    }
    SetVisited(true);
}

UrlRecord::~UrlRecord() {
    // A record never leaves a registration or a producer behind.
    if (teardown_) teardown_(*this);
    if (openFile_) std::fclose(openFile_);
    if (!(flags_ & kFlagKeepFile)) DeleteCacheFile();
}

UrlRecord* UrlRecord::ChainEnd() {
    UrlRecord* r = this;
    for (int i = 0; i < kMaxRedirectChain; ++i) {
        UrlRecord* next = r->GetRedirectRecord();
        if (next == nullptr || next == this) break;
        r = next;
    }
    return r;
}

UrlRecord* UrlRecord::GetRedirectRecord() const {
    if (!IsHttpScheme(scheme_) || !schemePart_ || schemePart_->GetKind() != SchemePart::Kind::kHttp)
        return nullptr;
    auto* http = static_cast<HttpPart*>(schemePart_.get());
    if (!http->redirectTarget || http->redirectTarget->IsEmpty()) return nullptr;
    return http->redirectTarget->Record();
}

const char* UrlRecord::GetName(bool chain) const {
    const UrlRecord* r = chain ? ChainEnd() : this;
    return r->name_.empty() ? nullptr : r->name_.c_str();
}

int UrlRecord::GetLoadStatus(bool chain) {
    if (chain) ResolveRedirect();
    return (chain ? ChainEnd() : this)->GetLoadStatusHere();
}

void UrlRecord::ResolveRedirect() {
    HttpPart* http = IsHttpScheme(scheme_) ? GetHttpPart() : nullptr;
    UrlRegistry* registry = UrlRegistry::Instance();
    if (!http || http->location.empty() || http->redirectTarget || !registry) return;
    UrlHandle target = registry->FindWithFragment(http->location.c_str());
    http->location.clear();
    if (target.IsEmpty()) return;
    // A target whose own chain leads back here would make a loop.
    UrlRecord* r = target.Record();
    for (int i = 0; r && i < kMaxRedirectChain; ++i, r = r->GetRedirectRecord()) {
        if (r == this) return;
    }
    http->redirectTarget = std::make_unique<UrlHandle>(target);
}

const char* UrlRecord::GetFileName(bool chain) const {
    const UrlRecord* r = chain ? ChainEnd() : this;
    return r->fileName_.empty() ? nullptr : r->fileName_.c_str();
}

HttpPart* UrlRecord::GetHttpPart() const {
    if (!schemePart_) return nullptr;
    switch (schemePart_->GetKind()) {
        case SchemePart::Kind::kHttp:
            return static_cast<HttpPart*>(schemePart_.get());
        case SchemePart::Kind::kFtp:
            return static_cast<FtpPart*>(schemePart_.get())->proxy.get();
        case SchemePart::Kind::kProxied:
            return static_cast<ProxiedPart*>(schemePart_.get())->proxy.get();
        default:
            return nullptr;
    }
}

FtpPart* UrlRecord::GetFtpPart() const {
    if (!schemePart_ || schemePart_->GetKind() != SchemePart::Kind::kFtp) return nullptr;
    return static_cast<FtpPart*>(schemePart_.get());
}

HttpPart* UrlRecord::MakeHttpPart() {
    if (!IsHttpScheme(scheme_)) return nullptr;
    if (!schemePart_ || schemePart_->GetKind() != SchemePart::Kind::kHttp)
        schemePart_ = std::make_unique<HttpPart>();
    return static_cast<HttpPart*>(schemePart_.get());
}

uint32_t UrlRecord::GetExpires() const {
    HttpPart* http = GetHttpPart();
    return http ? http->expires : 0;
}

std::string UrlRecord::GetRefreshUrl() const {
    HttpPart* http = ChainEnd()->GetHttpPart();
    return http ? http->refreshUrl : std::string();
}

int UrlRecord::GetRefreshDelay() const {
    HttpPart* http = ChainEnd()->GetHttpPart();
    return http && http->refreshDelay != kNoRefresh ? http->refreshDelay : -1;
}

int UrlRecord::GetHttpStatus() const {
    HttpPart* http = ChainEnd()->GetHttpPart();
    return http ? http->status : 0;
}

std::string UrlRecord::GetLocation() const {
    HttpPart* http = ChainEnd()->GetHttpPart();
    return http ? http->location : std::string();
}

UrlHandle UrlRecord::GetRedirectTarget(bool deep) const {
    UrlRecord* next = GetRedirectRecord();
    if (!next) return UrlHandle();
    if (deep) return UrlHandle(const_cast<UrlRecord*>(this)->ChainEnd(), nullptr);
    return *static_cast<HttpPart*>(schemePart_.get())->redirectTarget;
}

void UrlRecord::SetHttpMethod(uint16_t method) {
    if (HttpPart* http = MakeHttpPart()) http->method = method;
}

void UrlRecord::SetPostData(const char* body, bool pending) {
    HttpPart* http = MakeHttpPart();
    if (!http) return;
    http->body = body ? body : "";
    http->bodyPending = pending;
    http->upload.reset();
}

MailPart* UrlRecord::GetMailPart(bool make) {
    if (scheme_ != kSchemeMailto) return nullptr;
    if (schemePart_ && schemePart_->GetKind() == SchemePart::Kind::kMail)
        return static_cast<MailPart*>(schemePart_.get());
    if (!make) return nullptr;
    schemePart_ = std::make_unique<MailPart>();
    return static_cast<MailPart*>(schemePart_.get());
}

void UrlRecord::SetMailFrom(const char* text) {
    if (MailPart* mail = GetMailPart(true)) mail->from = text ? text : "";
}

void UrlRecord::SetMailTo(const char* text) {
    if (MailPart* mail = GetMailPart(true)) mail->to = text ? text : "";
}

void UrlRecord::SetMailCc(const char* text) {
    if (MailPart* mail = GetMailPart(true)) mail->cc = text ? text : "";
}

void UrlRecord::SetMailBcc(const char* text) {
    if (MailPart* mail = GetMailPart(true)) mail->bcc = text ? text : "";
}

void UrlRecord::SetMailSubject(const char* text) {
    if (MailPart* mail = GetMailPart(true)) mail->subject = text ? text : "";
}

void UrlRecord::SetMailBody(const char* body, const char* contentType) {
    MailPart* mail = GetMailPart(true);
    if (!mail) return;
    mail->body = body ? body : "";
    mail->contentType = contentType ? contentType : "";
    mail->message.reset();
}

void UrlRecord::SetMailMessage(std::unique_ptr<UploadSource> message) {
    MailPart* mail = GetMailPart(true);
    if (!mail) return;
    mail->message = std::move(message);
    mail->body.clear();
    mail->contentType.clear();
}

bool UrlRecord::CarriesMail() const {
    return schemePart_ && schemePart_->GetKind() == SchemePart::Kind::kMail;
}

void UrlRecord::SetUploadObject(std::unique_ptr<UploadSource> upload, bool pending) {
    HttpPart* http = MakeHttpPart();
    if (!http) return;
    http->upload = std::move(upload);
    http->bodyPending = pending;
    http->body.clear();
}

void UrlRecord::SetPostContentType(const char* type) {
    if (HttpPart* http = MakeHttpPart()) http->bodyContentType = type ? type : "";
}

uint32_t UrlRecord::GetModifiedTime() const {
    if (IsHttpScheme(scheme_)) {
        HttpPart* http = GetHttpPart();
        return http ? http->lastModified : 0;
    }
    if (scheme_ == kSchemeFile && !fileName_.empty()) {
        struct stat st;
        if (stat(fileName_.c_str(), &st) == 0) return static_cast<uint32_t>(st.st_mtime);
    }
    return 0;
}

bool UrlRecord::IsImage() const {
    int kind = GetContentKind();
    return kind >= kKindGif && kind <= kKindCpr;
}

void UrlRecord::Touch(uint32_t now, bool markVisited) {
    lastUse_ = now;
    ++useCount_;
    if (markVisited) SetVisited(true);
}

bool UrlRecord::IsVisited(uint32_t now, uint32_t linkExpiry) {
    if ((status_ & kStatusVisited) && now - lastUse_ > linkExpiry && now >= lastUse_) SetVisited(false);
    return (status_ & kStatusVisited) != 0;
}

void UrlRecord::AddUser(int n) {
    UrlRecord* r = this;
    for (int i = 0; r && i <= kMaxRedirectChain; ++i) {
        r->inUse_ += n;
        UrlRecord* next = r->GetRedirectRecord();
        if (next == this) break;
        r = next;
    }
}

void UrlRecord::RemoveUser(int n, bool chain) {
    UrlRecord* r = this;
    for (int i = 0; r && i <= kMaxRedirectChain; ++i) {
        r->inUse_ = r->inUse_ > n ? r->inUse_ - n : 0;
        if (!chain) break;
        UrlRecord* next = r->GetRedirectRecord();
        if (next == this) break;
        r = next;
    }
}

UrlHandle UrlRecord::GetOriginUrl() const {
    return origin_ ? *origin_ : UrlHandle();
}

void UrlRecord::SetOrigin(const UrlHandle& origin) {
    if (origin.IsEmpty() || (scheme_ != kSchemeJavascript && scheme_ != kSchemeInternal)) return;
    UrlRecord* o = origin.Record();
    if ((o->scheme_ == kSchemeJavascript || o->scheme_ == kSchemeInternal) && o->origin_) {
        origin_ = std::make_unique<UrlHandle>(*o->origin_);
    } else if (o != this) {
        origin_ = std::make_unique<UrlHandle>(origin);
    }
}

const char* UrlRecord::GetContentType() const {
    const UrlRecord* r = ChainEnd();
    HttpPart* http = r->GetHttpPart();
    if (http && !http->contentType.empty()) return http->contentType.c_str();
    return r->contentType_.empty() ? nullptr : r->contentType_.c_str();
}

std::string UrlRecord::GetBasicRealm() const {
    const char* p = challenge_.c_str();
    while (*p && !std::isalpha(static_cast<unsigned char>(*p))) ++p;
    static const char kBasic[] = "basic realm";
    for (size_t i = 0; i < sizeof kBasic - 1; ++i, ++p) {
        if (std::tolower(static_cast<unsigned char>(*p)) != kBasic[i]) return std::string();
    }
    if (*p != '=') return std::string();
    ++p;
    while (*p == ' ') ++p;
    std::string realm(p);
    if (realm.size() >= 2 && realm.front() == '"' && realm.back() == '"')
        realm = realm.substr(1, realm.size() - 2);
    return realm;
}

const char* UrlRecord::GetPostBody() const {
    if (scheme_ != kSchemeHttp) return nullptr;
    HttpPart* http = GetHttpPart();
    return http && !http->body.empty() ? http->body.c_str() : nullptr;
}

bool UrlRecord::GetHost(char* buf, size_t size, bool withPort) const {
    return GetHostFromName(name_, scheme_, buf, size, withPort);
}

bool UrlRecord::GetHostAndPort(size_t maxHost, HostAndPort& out) const {
    return GetHostAndPortFromName(name_, maxHost, out);
}

std::string UrlRecord::GetLocalFilePath(bool chain) const {
    const UrlRecord* r = chain ? ChainEnd() : this;
    if (r->fileName_.empty()) return std::string();
    if (r->scheme_ == kSchemeFile || r->GetCacheRelation() == kListNever) return r->fileName_;
    return g_cacheDirectory + r->fileName_;
}

void UrlRecord::DeleteCacheFile() {
    if (fileName_.empty()) return;
    // The file of a file: URL is the user's unless it is our temporary copy.
    bool ours = scheme_ != kSchemeFile || (flags_ & kFlagTempCopy) || (status_ & kStatusTempFileCopy);
    if (ours) std::remove(GetLocalFilePath().c_str());
    fileName_.clear();
}

void UrlRecord::SetPageContent(std::unique_ptr<UrlPageContent> content) {
    pageContent_ = std::move(content);
}

void UrlRecord::ReleaseRedirectAndContent() {
    if (IsHttpScheme(scheme_)) {
        if (HttpPart* http = GetHttpPart()) http->redirectTarget.reset();
    }
    ReleaseContent();
}

void UrlRecord::ReleaseContent() {
    pageContent_.reset();
    imageContent_.reset();
    imageFed_ = 0;
}

void (*UrlRecord::loadMachine_)(UrlRecord&, uint32_t, uint32_t, uint32_t) = nullptr;
void (*UrlRecord::teardown_)(UrlRecord&) = nullptr;

// Loads run in the Windows program, whose state machine attaches itself when
// the first load starts; without it records are data only.
void UrlRecord::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    if (loadMachine_) loadMachine_(*this, message, p1, p2);
}

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

// The kind-specific part of a URL record: the HTTP request and reply, the
// FTP, file, mail or script state. One owned pointer in the record, made on
// demand for the scheme that needs it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/MultipartSplitter.h"
#include "net/UploadSource.h"

class UrlHandle;
class MessageSource;

class SchemePart {
public:
    enum class Kind { kHttp, kFtp, kProxied, kFile, kMail, kScript };
    explicit SchemePart(Kind kind) : kind_(kind) {}
    virtual ~SchemePart() = default;
    Kind GetKind() const { return kind_; }

private:
    Kind kind_;
};

// Something the record owns and only destroys (an upload source, a
// decoder, an attachment object).
class OwnedObject {
public:
    virtual ~OwnedObject() = default;
};

// Who sent which credentials (authorization and proxy-authorization state).
enum AuthState : uint8_t { kAuthNone = 0, kAuthAsked = 1, kAuthStoredSent = 2 };

constexpr uint16_t kNoRefresh = 0xFFFF;
constexpr uint16_t kMethodGet = 0;
constexpr uint16_t kMethodPost = 2;

struct HttpPart : SchemePart {
    HttpPart();
    ~HttpPart() override;

    // The connection in use, owned by the part while set; dropped through
    // UrlRecord::DropConnection.
    MessageSource* connection = nullptr;
    uint16_t method = kMethodGet;
    std::string body;
    bool bodyPending = false;
    std::string bodyContentType;
    std::string date;  // the reply's Date text
    uint32_t expires = 0;
    uint32_t lastModified = 0;
    std::string lastModifiedText;
    std::string contentType;  // without parameters
    AuthState auth = kAuthNone;
    AuthState proxyAuth = kAuthNone;
    std::unique_ptr<UrlHandle> redirectTarget;
    std::string location;    // the Location text not yet resolved
    std::string statusText;  // the reply's reason phrase
    std::string refreshUrl;
    uint16_t refreshDelay = kNoRefresh;
    int32_t status = 200;
    bool multipartActive = false;
    // The splitter of a multipart reply and where it posts (the sink
    // outlives the splitter).
    std::unique_ptr<MultipartSplitter::Sink> splitterSink;
    std::unique_ptr<MultipartSplitter> splitter;
    std::unique_ptr<UploadSource> upload;  // sent in place of the body when set
};

struct FtpPart : SchemePart {
    FtpPart() : SchemePart(Kind::kFtp) {}
    std::unique_ptr<HttpPart> proxy;  // an FTP request through an HTTP proxy
    MessageSource* connection = nullptr;
    bool listing = false;
    uint8_t loginState = 0;
    std::string uploadFile;
};

struct ProxiedPart : SchemePart {
    ProxiedPart() : SchemePart(Kind::kProxied) {}
    std::unique_ptr<HttpPart> proxy;
};

// A mail to be sent by loading a mailto record (a form posted by mail).
struct MailPart : SchemePart {
    MailPart() : SchemePart(Kind::kMail) {}
    MessageSource* connection = nullptr;  // the mail client while it sends
    bool sent = false;
    std::string from, to, cc, bcc, subject, contentType, body;
    // A finished message with its own content headers, sent in place of
    // the body when set.
    std::unique_ptr<UploadSource> message;
};

struct FilePart : SchemePart {
    FilePart() : SchemePart(Kind::kFile) {}
    MessageSource* reader = nullptr;
};

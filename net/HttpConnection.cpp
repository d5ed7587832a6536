#include "net/HttpConnection.h"

#include <algorithm>

#include "core/UserAgent.h"
#include "net/CookieStore.h"
#include "net/NetErrors.h"
#include "net/NetSettings.h"

namespace {

// Reads of the reply headers go through a buffer of this size.
constexpr int32_t kHeaderReadSize = 4999;
constexpr int32_t kCopySize = 5000;

// The User-Agent text; empty when it cannot be made (the request then
// carries the fallback).
std::string UserAgentText() {
    char text[64];
    size_t n = BuildUserAgent(text, sizeof text);
    return std::string(text, n);
}

void Store(std::optional<std::string>& slot, const char* text) {
    if (text)
        slot = text;
    else
        slot.reset();
}

}  // namespace

HttpConnection::HttpConnection(MessageHandler* target, int method, const char* host, uint16_t port,
                               const char* requestTarget, bool viaProxy, bool noCache)
    : Connection(target, host, port, false),
      requestTarget_(requestTarget ? requestTarget : "/"),
      targetServer_(ParseTargetServer(requestTarget_)),
      post_(method == kMethodPost),
      viaProxy_(viaProxy),
      noCache_(noCache) {
    if (targetServer_) defaultPort_ = targetServer_->defaultPort;
    // Expansion may turn a one-word server name into a redirect to the full
    // name; a proxy's name is the user's setting and is never expanded.
    hostExpansion_ = !viaProxy;
    // A POST that reached the server must not be sent a second time.
    restartable_ = !post_;
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::SetCredentials(const char* base64) {
    Store(credentials_, base64);
}
void HttpConnection::SetProxyCredentials(const char* base64) {
    Store(proxyCredentials_, base64);
}
void HttpConnection::SetCookie(const char* value) {
    Store(cookie_, value);
}
void HttpConnection::SetBody(const char* body) {
    Store(body_, body);
    upload_ = nullptr;
}

void HttpConnection::SetBodyStream(UploadSource* source) {
    upload_ = source;
    body_.reset();
}
void HttpConnection::SetBodyContentType(const char* type) {
    Store(contentType_, type);
}
void HttpConnection::SetIfModifiedSince(const char* date) {
    Store(ifModifiedSince_, date);
}

void HttpConnection::SetReferrer(const char* url) {
    if (url)
        referrer_ = CleanReferrer(url);
    else
        referrer_.reset();
}

bool HttpConnection::CredentialsEqual(const char* base64) const {
    return credentials_ && base64 && *credentials_ == base64;
}

bool HttpConnection::ProxyCredentialsEqual(const char* base64) const {
    return proxyCredentials_ && base64 && *proxyCredentials_ == base64;
}

const std::string& HttpConnection::RequestHost() const {
    return targetServer_ ? targetServer_->host : Host();
}

uint16_t HttpConnection::RequestPort() const {
    return targetServer_ ? targetServer_->port : Port();
}

HttpRequestParts HttpConnection::Parts() const {
    const NetSettings& s = GetNetSettings();
    HttpRequestParts p;
    p.post = post_;
    p.target = requestTarget_;
    p.tunnelled = tunnelEstablished_;
    p.userAgent = UserAgentText();
    p.credentials = credentials_;
    p.proxyCredentials = proxyCredentials_;
    p.referrer = referrer_;
    p.enableReferrer = s.enableReferrer;
    p.ifModifiedSince = ifModifiedSince_;
    p.cookie = cookie_;
    p.noCache = noCache_;
    p.host = RequestHost();
    p.port = RequestPort();
    p.defaultPort = defaultPort_;
    p.body = body_;
    if (post_ && upload_) p.uploadLength = upload_->EncodedLength();
    p.contentType = contentType_;
    return p;
}

int32_t HttpConnection::CheckRequest() {
    // A target the record could not split names no server we could agree on.
    if (targetServer_ && !targetServer_->valid) return kErrIllegalAddress;
    std::string request;
    if (int32_t refused =
            BuildConnectRequest(RequestHost(), RequestPort(), UserAgentText(), proxyCredentials_, request))
        return refused;
    return BuildHttpRequest(Parts(), request);
}

int32_t HttpConnection::SendRequest(std::string& out) {
    if (targetServer_ && !targetServer_->valid) return kErrIllegalAddress;
    if (tunnelNeeded_ && !tunnelEstablished_)
        return BuildConnectRequest(RequestHost(), RequestPort(), UserAgentText(), proxyCredentials_, out);
    if (int32_t refused = BuildHttpRequest(Parts(), out)) return refused;
    uploadDone_ = false;
    if (post_ && upload_) AppendUploadBlock(out);
    return 0;
}

void HttpConnection::AppendUploadBlock(std::string& out) {
    int32_t capacity = GetNetSettings().NetworkBufferBytes();
    size_t start = out.size();
    out.resize(start + static_cast<size_t>(capacity));
    int32_t count = 0;
    bool done = false;
    upload_->ReadEncoded(&out[start], count, capacity, done);
    count = std::clamp(count, 0, capacity);
    out.resize(start + static_cast<size_t>(count));
    // A source that gives nothing more counts as done, or the send would
    // never end.
    uploadDone_ = done || count == 0;
    Report(kMsgUploadProgress,
           (static_cast<uint32_t>(upload_->ProgressFirst()) << 16) | upload_->ProgressSecond());
}

bool HttpConnection::MoreToSend() {
    if (PendingBytes() > 0) return true;
    if (!post_ || !upload_ || uploadDone_) return false;
    std::string block;
    AppendUploadBlock(block);
    if (block.empty()) return false;
    QueueSend(std::move(block));
    return true;
}

void HttpConnection::ForgetReply() {
    headers_ = HttpReplyHeaders{};
    reader_.Reset();
    headersParsed_ = false;
}

void HttpConnection::ResetRequest() {
    ForgetReply();
    tunnelEstablished_ = false;
}

void HttpConnection::ReportHeaders() {
    headersParsed_ = true;
    Report(kMsgHeadersParsed, 0);
}

void HttpConnection::ParseHeaders() {
    std::string path(TargetPath(requestTarget_));
    const std::string& host = RequestHost();
    SetCookieSink sink;
    // "Set-Cookie:" values go to the registry's cookie store with the
    // request's host and path.
    if (CookieStore* cookies = GetCookieStore(); cookies && GetNetSettings().enableCookies) {
        sink = [cookies, &host, &path](const std::string& value) { cookies->SetFromHeader(value, host, path); };
    }
    parsing_ = true;
    ParseHttpReplyHeaders(reader_.HeaderText(), headers_, sink);
    parsing_ = false;
}

// Gathers the reply headers; 1 when they are parsed and body bytes wait.
int HttpConnection::ReadHeaders() {
    if (parsing_) return 0;
    char buffer[kHeaderReadSize + 1];
    int32_t n = Receive(buffer, std::min(kHeaderReadSize, GetNetSettings().NetworkBufferBytes()));
    if (n <= 0 || headersParsed_) return headersParsed_ && reader_.BufferedSize() > 0;
    switch (reader_.Feed(buffer, static_cast<size_t>(n))) {
        case HttpReplyReader::Result::NeedMore:
            return 0;
        case HttpReplyReader::Result::NoStatusLine:
            headers_ = HttpReplyHeaders{};
            headers_.statusCode = 200;
            break;
        case HttpReplyReader::Result::HeadersDone:
            ParseHeaders();
            if (tunnelNeeded_ && !tunnelEstablished_ && headers_.statusCode == 200) {
                ResetRequest();
                tunnelEstablished_ = true;
                OnTunnelEstablished();
                return 0;
            }
            break;
    }
    bodyBytes_ = static_cast<int32_t>(reader_.BufferedSize());
    ReportHeaders();
    return reader_.BufferedSize() > 0;
}

void HttpConnection::OnTunnelEstablished() {
    std::string request;
    if (int32_t refused = BuildHttpRequest(Parts(), request)) {
        ReportError(refused);
        Close();
        return;
    }
    QueueSend(std::move(request));
}

void HttpConnection::OnDataArrived() {
    if (!headersParsed_ && !ReadHeaders()) return;
    Report(kMsgDataReady, 0);
}

int32_t HttpConnection::PeerCloseError() {
    // Closed before a single byte of reply: that is no reply at all.
    if (!headersParsed_ && reader_.HeaderText().empty() && reader_.BufferedSize() == 0)
        return kErrClosedByRemote;
    return 0;
}

void HttpConnection::OnPeerClosed() {
    if (!headersParsed_ && !(reader_.HeaderText().empty() && reader_.BufferedSize() == 0)) {
        if (reader_.FinishAtClose() == HttpReplyReader::Result::NoStatusLine) {
            headers_ = HttpReplyHeaders{};
            headers_.statusCode = 200;
            bodyBytes_ = static_cast<int32_t>(reader_.BufferedSize());
        } else {
            ParseHeaders();
        }
        ReportHeaders();
        if (reader_.BufferedSize() > 0) Report(kMsgDataReady, 0);
    }
    tunnelEstablished_ = false;
}

int HttpConnection::ReadData(char* buffer, int size) {
    if (!headersParsed_ || size <= 0) return 0;
    if (reader_.BufferedSize() > 0) {
        int32_t n = static_cast<int32_t>(reader_.ReadBuffered(buffer, static_cast<size_t>(size)));
        if (reader_.BufferedSize() > 0) Report(kMsgDataReady, 0);
        return n;
    }
    int32_t n = Receive(buffer, size);
    bodyBytes_ += n;
    return n;
}

int32_t HttpConnection::CopyBodyToFile(std::FILE* file) {
    if (!headersParsed_ || !file) return 0;
    char buffer[kCopySize];
    int32_t n;
    if (reader_.BufferedSize() > 0) {
        n = 0;
        while (size_t got = reader_.ReadBuffered(buffer, sizeof buffer)) {
            if (std::fwrite(buffer, 1, got, file) != got) return n;
            n += static_cast<int32_t>(got);
        }
        return n;
    }
    n = Receive(buffer, kCopySize);
    bodyBytes_ += n;
    if (n > 0 && std::fwrite(buffer, 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) return 0;
    return n;
}

int32_t HttpConnection::TranslateError(int32_t code) {
    return viaProxy_ ? TranslateProxyError(code) : code;
}

bool HttpConnection::HostNameChanged() {
    ForgetReply();
    headers_.statusCode = 301;
    headers_.statusText = "Internal Host Redirection";
    headers_.contentLength = 0;
    headers_.location = InternalRedirectLocation(Host(), Port(), defaultPort_, requestTarget_);
    ReportHeaders();
    Report(kMsgConnectionEnded, 0);
    return true;
}

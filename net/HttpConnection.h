// The HTTP/1.0 client: one request per connection, to an origin server or
// through a proxy (optionally as a CONNECT tunnel for a secure layer), the
// reply read until the peer closes.
//
// The URL loader makes it, fills in the request with the setters, calls
// Connect, and reads what it reports: besides the reports of Connection,
// 0x8193 (connection id, 0) once the reply headers are parsed and 0x8231
// (connection id, 0) when body bytes can be read with ReadData.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "net/Connection.h"
#include "net/HttpReplyHeaders.h"
#include "net/HttpReplyReader.h"
#include "net/HttpRequest.h"
#include "net/UploadSource.h"

class HttpConnection : public virtual Connection {
public:
    static constexpr int kMethodPost = 2;

    // `requestTarget` is the path for a direct request, or the whole URL
    // through a proxy (then `viaProxy` is set and host and port are the
    // proxy's).
    HttpConnection(MessageHandler* target, int method, const char* host, uint16_t port,
                   const char* requestTarget, bool viaProxy, bool noCache);
    ~HttpConnection() override;

    void SetCredentials(const char* base64);
    void SetProxyCredentials(const char* base64);
    // The URL of the referring page; its user name and password are left out.
    void SetReferrer(const char* url);
    void SetCookie(const char* value);
    // The body of a POST: a text, or an upload source (not owned; it must
    // live until the connection ends). Setting one clears the other.
    void SetBody(const char* body);
    void SetBodyStream(UploadSource* source);
    void SetBodyContentType(const char* type);
    void SetIfModifiedSince(const char* date);
    bool CredentialsEqual(const char* base64) const;
    bool ProxyCredentialsEqual(const char* base64) const;

    const HttpReplyHeaders& ReplyHeaders() const { return headers_; }
    bool HeadersParsed() const { return headersParsed_; }
    const char* ReplyDate() const { return headers_.date ? headers_.date->c_str() : nullptr; }
    const std::string& RequestHost() const;
    uint16_t RequestPort() const;
    // 12 when the reply carries a Proxy-Authenticate challenge, else 8.
    int ChallengeKind() const { return headers_.proxyAuthenticate ? 12 : 8; }
    std::string Realm() const { return ChallengeRealm(headers_); }

    int ReadData(char* buffer, int size) override;
    int32_t CopyBodyToFile(std::FILE* file) override;

protected:
    int32_t CheckRequest() override;
    int32_t SendRequest(std::string& out) override;
    void ResetRequest() override;
    void OnDataArrived() override;
    void OnPeerClosed() override;
    bool MoreToSend() override;
    int32_t TranslateError(int32_t code) override;
    bool HostNameChanged() override;
    int32_t PeerCloseError() override;
    // The proxy opened the tunnel. A secure layer starts its handshake here;
    // plain HTTP sends its request through the tunnel.
    virtual void OnTunnelEstablished();

    // For a secure layer going through a proxy.
    void SetTunnelNeeded(bool needed) { tunnelNeeded_ = needed; }
    bool TunnelEstablished() const { return tunnelEstablished_; }

private:
    HttpRequestParts Parts() const;
    int ReadHeaders();
    void ParseHeaders();
    void ForgetReply();
    // Appends the next block of the upload to `out` and reports progress.
    void AppendUploadBlock(std::string& out);
    void ReportHeaders();

    std::string requestTarget_;
    std::optional<TargetServer> targetServer_;
    bool post_;
    bool viaProxy_;
    bool noCache_;
    bool headersParsed_ = false;
    bool tunnelNeeded_ = false;
    bool tunnelEstablished_ = false;
    bool parsing_ = false;
    HttpReplyHeaders headers_;
    HttpReplyReader reader_;
    std::optional<std::string> credentials_, proxyCredentials_, referrer_, cookie_, body_, contentType_,
        ifModifiedSince_;
    uint16_t defaultPort_ = 80;
    UploadSource* upload_ = nullptr;
    bool uploadDone_ = false;
};

// The HTTP client over a secure connection: "https:" addresses. Both bases
// share the one Connection, so the client's reads and writes pass the record
// layer while its own logic stays as it is. Through a proxy the client first
// opens a CONNECT tunnel in the clear; the handshake starts when the tunnel
// stands, and the certificate must carry the host of the URL.
#pragma once
#include <string>

#include "net/HttpConnection.h"
#include "security/SslConnection.h"

class HttpsConnection : public SslConnection, public HttpConnection {
public:
    // As HttpConnection's: host and port are the proxy's when viaProxy; the
    // request target is then the whole URL.
    HttpsConnection(MessageHandler* target, int method, const char* host, uint16_t port, const char* requestTarget,
                    bool viaProxy, bool noCache);

    int32_t Receive(char* buffer, int32_t size) override { return SslConnection::Receive(buffer, size); }
    void QueueSend(std::string data) override { SslConnection::QueueSend(std::move(data)); }
    void Close() override { SslConnection::Close(); }

protected:
    void OnDataArrived() override { OnSocketData(); }
    void NotifyClientData() override { HttpConnection::OnDataArrived(); }
    void OnTunnelEstablished() override;
    int OnConnected(uint32_t eventMask) override { return SslConnection::OnConnected(eventMask); }
};

// The host name of an address after "http://" or "https://", up to the
// first ':' or '/'; empty without either prefix.
std::string CertificateHostOfUrl(const char* url);

#include "security/HttpsConnection.h"

#include <cstring>
#include <new>

#include "security/SecureConnections.h"
#include "security/SecurityLibrary.h"

std::string CertificateHostOfUrl(const char* url) {
    if (!url) return std::string();
    const char* p = nullptr;
    if (std::strncmp(url, "https://", 8) == 0)
        p = url + 8;
    else if (std::strncmp(url, "http://", 7) == 0)
        p = url + 7;
    if (!p) return std::string();
    size_t n = std::strcspn(p, ":/");
    return std::string(p, n);
}

HttpsConnection::HttpsConnection(MessageHandler* target, int method, const char* host, uint16_t port,
                                 const char* requestTarget, bool viaProxy, bool noCache)
    : Connection(target, host, port ? port : 443, false),
      SslConnection(target, host, port ? port : 443,
                    viaProxy ? CertificateHostOfUrl(requestTarget).c_str() : host, viaProxy),
      HttpConnection(target, method, host, port ? port : 443, requestTarget, viaProxy, noCache) {
    if (viaProxy) SetTunnelNeeded(true);
}

void HttpsConnection::OnTunnelEstablished() {
    EndPassThrough();
    HttpConnection::OnTunnelEstablished();
}

Connection* CreateHttpsConnection(MessageHandler* target, int method, const char* host, uint16_t port,
                                  const char* requestTarget, bool viaProxy, bool noCache) {
    // The crypto library is loaded when the first secure address needs it.
    if (!SecurityLibraryStarted()) StartSecurityLibrary();
    if (!SecureConnectionsAvailable()) return nullptr;
    return new (std::nothrow) HttpsConnection(target, method, host, port, requestTarget, viaProxy, noCache);
}

bool SecureConnectionsAvailable() {
    return SecurityLibraryStarted();
}

bool StopSecureSessions() {
    ClearSslSessionCache();
    ClearAcceptedCertificates();
    return true;
}

#include "security/SecureNewsConnection.h"

#include <new>

#include "security/SecureConnections.h"
#include "security/SecurityLibrary.h"

static uint16_t SecureNewsPort(uint16_t port) {
    return port ? port : 563;
}

SecureNewsConnection::SecureNewsConnection(MessageHandler* target, const char* host, uint16_t port, bool keepOpen)
    : Connection(target, host, SecureNewsPort(port), false),
      SslConnection(target, host, SecureNewsPort(port), host, false),
      NntpConnection(target, host, SecureNewsPort(port), keepOpen) {}

NntpConnection* CreateSecureNewsConnection(MessageHandler* target, const char* host, uint16_t port,
                                           bool keepOpen) {
    if (!SecurityLibraryStarted()) StartSecurityLibrary();
    if (!SecureConnectionsAvailable()) return nullptr;
    return new (std::nothrow) SecureNewsConnection(target, host, port, keepOpen);
}

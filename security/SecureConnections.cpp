#include "security/SecureConnections.h"

#include "net/HttpsConnectionMaker.h"

void InstallSecureConnections() {
    SetHttpsConnectionMaker(&CreateHttpsConnection);
}

Connection* CreateHttpsConnection(MessageHandler*, int, const char*, uint16_t, const char*, bool, bool) {
    return nullptr;
}

bool SecureConnectionsAvailable() {
    return false;
}

bool StopCertificateStore() {
    return false;
}
bool StopSecureSessions() {
    return false;
}

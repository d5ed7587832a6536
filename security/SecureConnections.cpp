#include "security/SecureConnections.h"

#include "net/HttpsConnectionMaker.h"

void InstallSecureConnections() {
    SetHttpsConnectionMaker(&CreateHttpsConnection);
}

bool StopCertificateStore() {
    return false;
}


#include "tests/support/SecureTestSession.h"

#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "security/SslConnection.h"
#include "tests/security/SecurityTestData.h"

namespace testing_support {

bool SecureTestSession::Start(const std::string& profileFolder, std::initializer_list<uint8_t> suites,
                              bool trustTestAuthority) {
    Stop();
    SetSecurityProfileDirectory(profileFolder.c_str());
    if (StartSecurityLibrary() != 1) return false;
    manager_ = SecurityManager::Acquire();
    if (!manager_) return false;
    CipherSuiteList& offered = manager_->preferences.activeSsl3Suites;
    offered.Resize(0);
    for (uint8_t suite : suites) offered.Append(CipherSuiteItem(0, suite));
    if (trustTestAuthority) security_test::TrustTestAuthority(*manager_);
    ClearSslSessionCache();
    ClearAcceptedCertificates();
    return true;
}

void SecureTestSession::Stop() {
    SetSslUserInterface(nullptr);
    ClearSslSessionCache();
    ClearAcceptedCertificates();
    if (manager_) manager_->Release();
    manager_ = nullptr;
    SetSecurityProfileDirectory("");
}

}  // namespace testing_support

// The security library as the secure-connection tests start it: over a
// profile folder of the test's own, the store offering the suites the test
// servers run (and, where asked, trusting the authority of their
// certificates), with no session or accepted certificate left from an
// earlier test. Stop (or the end of the object) undoes it all.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

class SecurityManager;

namespace testing_support {

class SecureTestSession {
public:
    SecureTestSession() = default;
    SecureTestSession(const SecureTestSession&) = delete;
    SecureTestSession& operator=(const SecureTestSession&) = delete;
    ~SecureTestSession() { Stop(); }

    // False when the library did not start or the store could not be made.
    [[nodiscard]] bool Start(const std::string& profileFolder, std::initializer_list<uint8_t> suites,
                             bool trustTestAuthority);
    void Stop();
    // The shared store, held for the session.
    SecurityManager* Manager() const { return manager_; }

private:
    SecurityManager* manager_ = nullptr;
};

}  // namespace testing_support

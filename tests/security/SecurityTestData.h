// The fixtures made by tools/make-security-fixtures.sh with the openssl
// command: known answers and DER certificates.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "security/ByteVector.h"

class SecurityManager;

namespace security_test {

std::vector<uint8_t> FromHex(const std::string& hex);
// "name" -> the fields after it on its line of known-answers.txt.
const std::map<std::string, std::vector<std::string>>& KnownAnswers();
std::vector<uint8_t> Answer(const std::string& name, size_t field = 0);
// A file of tests/security/data.
std::vector<uint8_t> DataFile(const std::string& name);
ByteVector Vector(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Bytes(const ByteVector& vector);
// The 70000 bytes of the large digest input: byte i is i*7+3.
std::vector<uint8_t> BigInput();
// The HTTPS tests' authority (https/ca.der) stored as one that the user
// allows connections for, so that its servers' certificates ask nothing.
void TrustTestAuthority(SecurityManager& manager);
// The fixtures' client certificate (https/client.der) as the user's own,
// its key (https/client-key.der) sealed under the security password
// "client", which the store remembers for the session, and its authority
// (https/client-ca.der) stored. False when the store would not take them.
bool AddClientCertificate(SecurityManager& manager);

}  // namespace security_test

#include "tests/security/SecurityTestData.h"

#include <sstream>

#include "security/PasswordSeal.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "tests/support/TestPaths.h"

namespace security_test {

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

const std::map<std::string, std::vector<std::string>>& KnownAnswers() {
    static std::map<std::string, std::vector<std::string>> answers = [] {
        std::map<std::string, std::vector<std::string>> read;
        std::istringstream in(
            testing_support::ReadWholeFile(testing_support::SourcePath("tests/security/data/known-answers.txt")) +
            testing_support::ReadWholeFile(testing_support::SourcePath("tests/security/data/ssl-answers.txt")));
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string name, field;
            words >> name;
            while (words >> field) read[name].push_back(field);
        }
        return read;
    }();
    return answers;
}

std::vector<uint8_t> Answer(const std::string& name, size_t field) {
    auto it = KnownAnswers().find(name);
    if (it == KnownAnswers().end() || field >= it->second.size()) return {};
    return FromHex(it->second[field]);
}

std::vector<uint8_t> DataFile(const std::string& name) {
    std::string text = testing_support::ReadWholeFile(testing_support::SourcePath("tests/security/data/" + name));
    return std::vector<uint8_t>(text.begin(), text.end());
}

ByteVector Vector(const std::vector<uint8_t>& bytes) {
    ByteVector v;
    v.SetBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return v;
}

std::vector<uint8_t> Bytes(const ByteVector& vector) {
    return std::vector<uint8_t>(vector.Data(), vector.Data() + vector.Length());
}

std::vector<uint8_t> BigInput() {
    std::vector<uint8_t> big(70000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + 3);
    return big;
}

void TrustTestAuthority(SecurityManager& manager) {
    auto* entry = new StoredCertificate();
    std::vector<uint8_t> der = DataFile("https/ca.der");
    entry->certificate.SetBytes(der.data(), static_cast<uint32_t>(der.size()));
    entry->allowConnections = 1;
    entry->AppendTo(manager.authorities);
}

bool AddClientCertificate(SecurityManager& manager) {
    SecureByteVector password;
    password.SetBytes(reinterpret_cast<const uint8_t*>("client"), 6);
    if (!manager.SetPassword(SecureByteVector(), password)) return false;
    std::unique_ptr<BlockCipher> context = manager.NewStoreContext();
    std::unique_ptr<DigestBase> sha = SecurityDigest(kDigestSha1)->NewSameKind();
    SecureByteVector master;
    if (!context || OpenWithPassword(manager.passwordBlob, manager.passwordCheck, password, kPasswordLabel,
                                     context.get(), *sha, master) != kSealOpened)
        return false;
    manager.askPasswordPolicy = 0;
    manager.cachedKey.Concat(password, master);

    auto* entry = new StoredCertificate();
    std::vector<uint8_t> der = DataFile("https/client.der");
    entry->certificate.SetBytes(der.data(), static_cast<uint32_t>(der.size()));
    const char name[] = "Zintu Test Client";
    entry->displayName.SetBytes(reinterpret_cast<const uint8_t*>(name), sizeof name);
    SecureByteVector key;
    std::vector<uint8_t> keyDer = DataFile("https/client-key.der");
    key.SetBytes(keyDer.data(), static_cast<uint32_t>(keyDer.size()));
    SealWithPassword(key, manager.cachedKey, kPrivateKeyLabel, *context, *sha, entry->encryptedKey, entry->keyCheck);
    entry->AppendTo(manager.personalCertificates);

    auto* authority = new StoredCertificate();
    std::vector<uint8_t> ca = DataFile("https/client-ca.der");
    authority->certificate.SetBytes(ca.data(), static_cast<uint32_t>(ca.size()));
    authority->allowConnections = 1;
    authority->AppendTo(manager.authorities);
    return entry->encryptedKey.Length() != 0 && !der.empty() && !ca.empty();
}

}  // namespace security_test

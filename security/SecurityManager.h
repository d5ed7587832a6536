// The certificate and key store: the user's security settings (protocol
// versions, enabled cipher suites, password policy), personal certificates
// with their encrypted keys, and the certificate authorities with their
// trust flags. Kept in three files of the profile folder and the ini section
// "SECURITY PREFS".
//
// One manager is shared through a global pointer, reference counted: users
// take a reference and drop it with Release. The files' integers are
// little-endian; the vectors inside them keep their own big-endian length
// fields.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"
#include "security/Certificate.h"
#include "security/DataItemArray.h"

// The suites a connection offers.
struct CipherPreferences {
    CipherSuiteList savedSsl3Suites;
    Ssl2CipherKindList savedSsl2Kinds;
    CipherSuiteList activeSsl3Suites;
    Ssl2CipherKindList activeSsl2Kinds;
    ByteListItem compressionMethods;
};

// A list that deletes its nodes with itself.
class OwningNodeList : public NodeList {
public:
    OwningNodeList() = default;
    ~OwningNodeList() override { Clear(); }
};

class StoredCertificate : public ListNode {
public:
    uint16_t kind = 0;
    ShortByteVector displayName;
    ShortByteVector subjectKey;
    MediumByteVector certificate;
    ShortByteVector keyCheck;
    SecureShortByteVector encryptedKey;
    ShortByteVector keyId;
    uint32_t allowConnections = 0;
    uint32_t warnBeforeSending = 0;
    uint32_t builtIn = 0;

    // The parsed certificate, made and kept on first use; null when the DER
    // cannot be parsed (nothing is kept then).
    Certificate* Parsed();

private:
    std::unique_ptr<Certificate> parsed_;
};

// What BuildClientChain collects: a personal entry and the stored
// authorities above it, nearest first.
struct ClientChain : ErrorHolder {
    StoredCertificate* entry = nullptr;
    std::vector<StoredCertificate*> links;
};

constexpr uint32_t kSecurityFileVersion = 0x03010000;
constexpr uint32_t kSecurityFileVersion30 = 0x03000000;
constexpr uint32_t kSecurityFileVersion30a = 0x03000001;

enum : int { kLoadPersonal = 1, kLoadAuthorities = 2 };

class SecurityManager {
public:
    // With loadNow the options are read at once.
    explicit SecurityManager(bool loadNow);
    SecurityManager(const SecurityManager&) = delete;
    SecurityManager& operator=(const SecurityManager&) = delete;
    ~SecurityManager();

    // The shared manager, made on first use (options loaded); the caller
    // holds one reference.
    static SecurityManager* Acquire();
    void AddRef() { ++refCount_; }
    uint32_t RefCount() const { return refCount_; }
    // Destroys at the last reference and clears the global pointer.
    void Release();

    void Load(int mask);
    void Save();

    StoredCertificate* EntryAt(bool personal, uint32_t n);
    bool SetAuthorityFlags(bool personal, uint32_t n, bool allow, bool warn);
    bool DeleteEntry(bool personal, uint32_t n);
    // 0 no authority found, 1 authorities found, 2 the links end at a
    // self-signed root.
    int BuildClientChain(ClientChain& chain, StoredCertificate* entry, const ShortVectorList& serverCaNames);
    CipherPreferences* PreferencesFor(const char* address, int port, int value);

    // The security password (see SecurityPassword.cpp). CheckPassword is 1
    // when the password opens the master secret. SetPassword re-seals every
    // personal key under the new password and a new master secret; it
    // changes nothing at all unless every key could be re-sealed, and saves
    // on success (1).
    [[nodiscard]] int CheckPassword(const ByteVector& password);
    [[nodiscard]] int SetPassword(const ByteVector& oldPassword, const ByteVector& newPassword);
    // The entry's private key, asking for the password when none is
    // remembered; null (with the error raised on the returned-to caller's
    // holder) when it cannot be opened.
    std::unique_ptr<PublicKey> UnlockPrivateKey(StoredCertificate& entry, void* parent, ErrorHolder* report);
    // A new key pair for a form: the text the form submits goes into out,
    // the sealed private key into a new personal entry (saved). generated
    // is called once the library has made the pair (the progress window
    // closes then, before any password prompt). 1 on success.
    [[nodiscard]] int GenerateKeyPair(int type, uint32_t bits, const char* challenge, char* out, uint32_t outSize,
                                      CryptoProgress progress, void* progressArgument,
                                      const std::function<void()>& generated, void* parent);
    // A fresh context of the store cipher, or null.
    std::unique_ptr<BlockCipher> NewStoreContext() const;
    // After a password change made on another manager over the same files:
    // takes its password and the re-sealed keys (matched by key id), so
    // that this manager's next Save does not bring the old ones back.
    void TakePasswordChange(const SecurityManager& changed);
    StoredCertificate* FindAuthorityBySubject(const ByteVector& subjectName);
    StoredCertificate* FindPersonalByKeyId(const ByteVector& keyId);

    static void FilterAvailable(CipherSuiteList& active, const CipherSuiteList& available,
                                const CipherSuiteList& saved, bool reverse);
    static void FilterAvailable(Ssl2CipherKindList& active, const Ssl2CipherKindList& available,
                                const Ssl2CipherKindList& saved, bool reverse);

    // Settings (public: the security dialogs change them and Save).
    CipherPreferences preferences;
    OwningNodeList personalCertificates;
    OwningNodeList authorities;
    OwningNodeList availableSuites;
    CipherSuiteList availableSsl3Suites;
    Ssl2CipherKindList availableSsl2Kinds;
    uint32_t enableSsl2 = 0, enableSsl3 = 1, enableTls10 = 1;
    uint32_t securityEnabled = 0;
    uint32_t haveCertificateSupport = 0, haveStoreCipher = 0;
    uint32_t unavailable = 1;
    uint16_t askPasswordPolicy = 1;
    SecureByteVector passwordBlob;
    SecureByteVector passwordCheck;
    SecureByteVector cachedKey;
    uint32_t fileVersion = 0;
    uint32_t optionsLoaded = 0, authoritiesLoaded = 0, personalLoaded = 0;

private:
    bool StartOptions();
    void LoadOptions();
    void DefaultOptions();
    bool ReadOptions(FILE* file, uint32_t& version);
    // Answers whether the file was read completely (or did not exist).
    bool LoadCertificates(bool personal, bool& olderFile);
    bool WriteOptions(FILE* file) const;
    bool WriteCertificates(FILE* file, bool personal) const;

    uint32_t refCount_ = 1;
    CipherPreferences* preferencePointers_[2];
};

extern SecurityManager* g_securityManager;

// The private copy a settings dialog (or a password change, or an
// installation) works on; null otherwise.
extern SecurityManager* g_workingSecurityManager;

// Makes the working manager the shared one: the shared manager's reference
// is dropped; when that was the last one and both ask once per session the
// remembered key moves over; the new shared manager is saved. Takes
// ownership of working.
void ReplaceSharedSecurityManager(SecurityManager* working);

// A store entry's display name from a certificate's subject name fields.
void CertificateDisplayName(const std::vector<std::string>& fields, ShortByteVector& out);

// The ini section "SECURITY PREFS" and the replacement of a file by a fully
// written temporary one; the platform provides them.
int ReadSecurityIniInt(const char* key, int defaultValue);
void WriteSecurityIniInt(const char* key, int value);
bool ReplaceSecurityFile(const std::string& temporary, const std::string& path);

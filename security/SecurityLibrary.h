// The security library's start and stop, the process-wide cipher, digest
// and key objects made from what the crypto library offers, the table of
// cipher suites the program knows, and random numbers with their seed file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/ListNode.h"
#include "security/BlockCipher.h"
#include "security/ByteVector.h"
#include "security/MessageDigest.h"

// One row of the suite table.
struct CipherSuiteRow {
    int protocol;  // 1 SSL 3.0/TLS suite, 0 SSL 2.0 cipher kind
    uint8_t id[3];
    int cipher;  // kCipher... index, 0 none
    int digest;  // kDigest... index
    int keyExchange;
    int authentication;
    int prototype;  // 0 SSL 2.0, 1 SSL 3.0/TLS, 2 export
    int keyExchangeFlags;
    uint32_t keyMaterial;
    bool exportSuite;
    uint32_t exportKeyLength;
    const char* text;
    const char* keyExchangeName;
    const char* cipherName;
    const char* digestName;
    int level;
};

constexpr int kCipherSuiteRows = 15;
extern const CipherSuiteRow kCipherSuiteTable[kCipherSuiteRows];

// The level of a connection whose secret went to the server under an RSA key
// of keyBits bits: a key below 646 bits makes levels 2 to 9 weak (1), one
// below 838 bits takes one off; other levels stay.
int LevelForServerKey(int level, uint32_t keyBits);

// A suite the program can offer, made from a row of the table.
class CipherSuite : public ListNode {
public:
    explicit CipherSuite(const CipherSuiteRow& row) : row_(row) {}
    const CipherSuiteRow& Row() const { return row_; }
    bool IsSsl3() const { return row_.protocol == 1; }
    // The key length that counts for the suite's strength.
    uint32_t EffectiveKeyLength() const { return row_.exportSuite ? row_.exportKeyLength : row_.keyMaterial; }

private:
    const CipherSuiteRow& row_;
};

// 1 once the crypto library is loaded and the objects made, else 0.
int StartSecurityLibrary();
void StopSecurityLibrary();
bool SecurityLibraryStarted();

// The process-wide objects; null when absent.
BlockCipher* SecurityCipher(int index);  // 1-4; 0 is the null cipher
CipherBase* SecurityCipherObject(int index);
MessageDigest* SecurityDigest(int index);  // 1 MD5, 2 SHA-1

// The n-th suite (from 0) among the rows whose objects all exist, in table
// order; null past the last.
std::unique_ptr<CipherSuite> GetCipherSuite(int n);

// The folder of the profile's data files: the preferences' user directory
// unless a folder was set (tests).
std::string SecurityProfileDirectory();
void SetSecurityProfileDirectory(const std::string& directory);
// directory + "\" + name, without a second backslash.
std::string SecurityProfilePath(const char* name);

void GetRandomBytes(uint8_t* buffer, uint32_t count);
void AddRandomSeed(const uint8_t* bytes, uint32_t count);
void GetRandomBytesInto(ByteVector& vector, uint32_t count);
// The 32-byte hello random: the time (4 bytes, big-endian), then 28 random.
void MakeClientRandom(uint8_t random[32]);
// The 46 random bytes after the version of a pre-master secret.
void MakePreMasterSecret(uint8_t* afterVersion);
// At shut-down: writes the seed file when the generator was seeded.
void SaveRandomSeed();

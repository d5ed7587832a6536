#include "security/SecurityLibrary.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <new>

#include "security/Certificate.h"
#include "security/CryptoLibrary.h"
#include "security/PublicKey.h"

// The program's whole vocabulary of suites, in its table order.
const CipherSuiteRow kCipherSuiteTable[kCipherSuiteRows] = {
    {1, {0, 0x00, 0x01}, kCipherNone, kDigestMd5, 1, 1, 1, 1, 0, false, 0, "0 bit Authentication Only (RSA/MD5)",
     "RSA", "NULL", "MD5", 1},
    {1, {0, 0x00, 0x02}, kCipherNone, kDigestSha1, 1, 1, 1, 1, 0, false, 0, "0 bit Authentication Only (RSA/SHA)",
     "RSA", "NULL", "SHA", 1},
    {1, {0, 0x00, 0x06}, kCipherRc2Cbc, kDigestMd5, 1, 1, 2, 2, 16, true, 5, "40 bit C2 (RSA/MD5)", "RSA_EXPORT",
     "C2_CBC_40", "MD5", 1},
    {1, {0, 0x00, 0x03}, kCipherRc4, kDigestMd5, 1, 1, 2, 2, 16, true, 5, "40 bit C4 (RSA/MD5)", "RSA_EXPORT",
     "C4_40", "MD5", 1},
    {1, {0, 0x00, 0x08}, kCipherDesCbc, kDigestSha1, 1, 1, 2, 2, 8, true, 5, "40 bit DES (RSA/SHA)", "RSA_EXPORT",
     "DES40_CBC", "SHA", 1},
    {1, {0, 0x00, 0x09}, kCipherDesCbc, kDigestSha1, 1, 1, 1, 1, 8, false, 0, "56 bit DES (RSA/SHA)", "RSA",
     "DES_CBC", "SHA", 1},
    {1, {0, 0x00, 0x0A}, kCipherDesEde3Cbc, kDigestSha1, 1, 1, 1, 1, 24, false, 0, "168 bit 3-DES (RSA/SHA)",
     "RSA", "3DES_EDE_CBC", "SHA", 3},
    {1, {0, 0x00, 0x04}, kCipherRc4, kDigestMd5, 1, 1, 1, 1, 16, false, 0, "128 bit C4 (RSA/MD5)", "RSA", "C4",
     "MD5", 3},
    {1, {0, 0x00, 0x05}, kCipherRc4, kDigestSha1, 1, 1, 1, 1, 16, false, 0, "128 bit C4 (RSA/SHA)", "RSA", "C4",
     "SHA", 3},
    {0, {0x04, 0x00, 0x80}, kCipherRc2Cbc, kDigestMd5, 1, 1, 0, 1, 16, true, 5, "40 bit C2 (RSA/MD5)",
     "RSA_EXPORT", "C2_CBC", "MD5", 1},
    {0, {0x02, 0x00, 0x80}, kCipherRc4, kDigestMd5, 1, 1, 0, 1, 16, true, 5, "40 bit C4 (RSA/MD5)", "RSA_EXPORT",
     "C4", "MD5", 1},
    {0, {0x06, 0x00, 0x40}, kCipherDesCbc, kDigestMd5, 1, 1, 0, 1, 8, false, 0, "56 bit DES (RSA/MD5)", "RSA",
     "DES_CBC", "MD5", 1},
    {0, {0x03, 0x00, 0x80}, kCipherRc2Cbc, kDigestMd5, 1, 1, 0, 1, 16, false, 0, "128 bit C2 (RSA/MD5)", "RSA",
     "C2_CBC", "MD5", 2},
    {0, {0x07, 0x00, 0xC0}, kCipherDesEde3Cbc, kDigestMd5, 1, 1, 0, 1, 24, false, 0, "168 bit 3-DES (RSA/MD5)",
     "RSA", "DES_EDE3_CBC", "MD5", 2},
    {0, {0x01, 0x00, 0x80}, kCipherRc4, kDigestMd5, 1, 1, 0, 1, 16, false, 0, "128 bit C4 (RSA/MD5)", "RSA", "C4",
     "MD5", 2},
};

namespace {

struct SecurityObjects {
    NullCipher nullCipher;
    std::unique_ptr<BlockCipher> ciphers[5];
    std::unique_ptr<MessageDigest> digests[3];
    std::unique_ptr<PublicKey> rsa;
    std::unique_ptr<Certificate> certificate;
    bool started = false;
};

SecurityObjects& Objects() {
    static SecurityObjects objects;
    return objects;
}

std::string g_profileDirectory;
bool g_seeded = false;

}  // namespace

std::string DefaultSecurityProfileDirectory();  // the preferences' folder

std::string SecurityProfileDirectory() {
    return g_profileDirectory.empty() ? DefaultSecurityProfileDirectory() : g_profileDirectory;
}

void SetSecurityProfileDirectory(const std::string& directory) {
    g_profileDirectory = directory;
}

std::string SecurityProfilePath(const char* name) {
    std::string path = SecurityProfileDirectory();
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    return path + name;
}

int StartSecurityLibrary() {
    SecurityObjects& o = Objects();
    if (o.started) return 1;
    if (!LoadCryptoLibrary()) return 0;
    static const CryptoSlot kCipherGetters[] = {kSlotCipherRc4, kSlotCipherRc2Cbc, kSlotCipherDesCbc,
                                                kSlotCipherDesEde3Cbc};
    for (int i = 1; i <= 4; ++i) {
        auto* descriptor = crypto::Call<const CryptoCipherInfo*>(kCipherGetters[i - 1]);
        if (descriptor) o.ciphers[i].reset(new (std::nothrow) BlockCipher(descriptor));
    }
    static const CryptoSlot kDigestGetters[] = {kSlotMd5, kSlotSha1};
    for (int i = 1; i <= 2; ++i) {
        auto* descriptor = crypto::Call<const CryptoDigestInfo*>(kDigestGetters[i - 1]);
        if (descriptor) o.digests[i].reset(new (std::nothrow) MessageDigest(descriptor));
    }
    if (void* key = crypto::Call<void*>(kSlotNewRsaKey)) {
        o.rsa.reset(new (std::nothrow) PublicKey(key));
        if (!o.rsa) crypto::CallVoid(kSlotFreeKey, key);
    }
    o.certificate.reset(new (std::nothrow) Certificate());
    if (o.certificate && o.certificate->GetError()) o.certificate.reset();
    crypto::DrainErrors();
    o.started = true;
    return 1;
}

void StopSecurityLibrary() {
    SecurityObjects& o = Objects();
    for (auto& cipher : o.ciphers) cipher.reset();
    for (auto& digest : o.digests) digest.reset();
    o.rsa.reset();
    o.certificate.reset();
    o.started = false;
}

bool SecurityLibraryStarted() {
    return Objects().started;
}

BlockCipher* SecurityCipher(int index) {
    return index >= 1 && index <= 4 ? Objects().ciphers[index].get() : nullptr;
}

CipherBase* SecurityCipherObject(int index) {
    if (index == 0) return Objects().started ? &Objects().nullCipher : nullptr;
    return SecurityCipher(index);
}

MessageDigest* SecurityDigest(int index) {
    return index >= 1 && index <= 2 ? Objects().digests[index].get() : nullptr;
}

static bool RowAvailable(const CipherSuiteRow& row) {
    // Key exchange and authentication are RSA in every row: one key object.
    return SecurityCipherObject(row.cipher) && SecurityDigest(row.digest) && Objects().rsa;
}

// Counts only the rows whose objects exist and builds the row where the
// count is reached, so a library without some cipher offers exactly the
// suites it can run.
int LevelForServerKey(int level, uint32_t keyBits) {
    if (level < 2 || level > 9) return level;
    if (keyBits < 646) return 1;
    if (keyBits < 838) return level - 1;
    return level;
}

std::unique_ptr<CipherSuite> GetCipherSuite(int n) {
    if (n < 0) return nullptr;
    int found = 0;
    for (const CipherSuiteRow& row : kCipherSuiteTable) {
        if (!RowAvailable(row)) continue;
        if (found++ == n) return std::unique_ptr<CipherSuite>(new (std::nothrow) CipherSuite(row));
    }
    return nullptr;
}

static void StirWithTime() {
    uint8_t now[4];
    uint32_t t = static_cast<uint32_t>(std::time(nullptr));
    for (int i = 0; i < 4; ++i) now[i] = static_cast<uint8_t>(t >> (24 - 8 * i));
    crypto::CallVoid(kSlotRandomAdd, static_cast<const void*>(now), 4);
}

static void StirWithClock() {
    uint32_t ticks = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    crypto::CallVoid(kSlotRandomAdd, static_cast<const void*>(&ticks), 4);
}

// The first use reads the seed file (a missing one is no error).
static void EnsureSeeded() {
    if (g_seeded) return;
    std::string path = SecurityProfilePath("znrand.dat");
    long size = 0;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        size = std::ftell(f);
        std::fclose(f);
    }
    if (size > 0) crypto::Call<int>(kSlotRandomLoadFile, path.c_str(), size);
    crypto::DrainErrors();
    g_seeded = true;
}

void GetRandomBytes(uint8_t* buffer, uint32_t count) {
    EnsureSeeded();
    StirWithTime();
    if (count && !crypto::Call<int>(kSlotRandomBytes, buffer, static_cast<int>(count))) {
        // Never hand out what was in the buffer as if it were random.
        for (uint32_t i = 0; i < count; ++i) buffer[i] = 0;
    }
}

void AddRandomSeed(const uint8_t* bytes, uint32_t count) {
    EnsureSeeded();
    StirWithTime();
    crypto::CallVoid(kSlotRandomAdd, static_cast<const void*>(bytes), static_cast<int>(count));
}

void GetRandomBytesInto(ByteVector& vector, uint32_t count) {
    if (count && !vector.Resize(count)) return;
    GetRandomBytes(vector.Data(), vector.Length());
}

void MakeClientRandom(uint8_t random[32]) {
    StirWithClock();
    uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    WriteBigEndian(random, now, 4);
    GetRandomBytes(random + 4, 28);
}

void MakePreMasterSecret(uint8_t* afterVersion) {
    StirWithClock();
    StirWithTime();
    GetRandomBytes(afterVersion, 46);
}

void SaveRandomSeed() {
    if (!g_seeded) return;
    std::string path = SecurityProfilePath("znrand.dat");
    crypto::Call<int>(kSlotRandomWriteFile, path.c_str());
    crypto::DrainErrors();
}

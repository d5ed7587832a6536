// Digests (libcrypto's EVP digests) and key derivation from a password.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/evp.h>

#include "outside/zncry/ZnCry.h"

namespace zncry {

static const CryptoDigestInfo kMd5 = {kObjectMd5, 16};
static const CryptoDigestInfo kSha1 = {kObjectSha1, 20};

static const EVP_MD* ToEvp(const CryptoDigestInfo* digest) {
    if (digest == &kMd5) return EVP_md5();
    if (digest == &kSha1) return EVP_sha1();
    return nullptr;
}

static const CryptoDigestInfo* Md5() {
    return &kMd5;
}

static const CryptoDigestInfo* Sha1() {
    return &kSha1;
}

static void* ContextNew() {
    return EVP_MD_CTX_new();
}

static void ContextFree(void* context) {
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context));
}

static int ContextCopy(void* to, const void* from) {
    if (!to || !from) return 0;
    return EVP_MD_CTX_copy_ex(static_cast<EVP_MD_CTX*>(to), static_cast<const EVP_MD_CTX*>(from));
}

static int Init(void* context, const CryptoDigestInfo* digest) {
    const EVP_MD* md = ToEvp(digest);
    if (!context || !md) {
        PushError(PackCryptoError(6, 1));
        return 0;
    }
    return EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(context), md, nullptr);
}

static int Update(void* context, const void* data, unsigned length) {
    if (!context) return 0;
    return EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context), data, length);
}

static int Final(void* context, uint8_t* out, unsigned* length) {
    if (!context) return 0;
    return EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(context), out, length);
}

static int DigestWhole(const CryptoDigestInfo* digest, const uint8_t* in, unsigned length, uint8_t* out) {
    const EVP_MD* md = ToEvp(digest);
    if (!md) return 0;
    if (!out) return EVP_MD_get_size(md);
    unsigned written = 0;
    if (!EVP_Digest(in, length, out, &written, md, nullptr)) return 0;
    return static_cast<int>(written);
}

// The cipher's key and IV lengths decide how much is derived.
const EVP_CIPHER* CipherForDerivation(const CryptoCipherInfo* cipher);

static int BytesToKey(const CryptoCipherInfo* cipher, const CryptoDigestInfo* digest, const uint8_t* salt,
                      const uint8_t* data, int length, int count, uint8_t* key, uint8_t* iv) {
    const EVP_CIPHER* evpCipher = CipherForDerivation(cipher);
    const EVP_MD* md = ToEvp(digest);
    if (!evpCipher || !md || length < 0 || count < 1) return 0;
    return EVP_BytesToKey(evpCipher, md, salt, data, length, count, key, iv);
}

void FillDigestSlots(CryptoSlotFunction* table) {
    Put(table, kSlotMd5, &Md5);
    Put(table, kSlotSha1, &Sha1);
    Put(table, kSlotDigestContextNew, &ContextNew);
    Put(table, kSlotDigestContextFree, &ContextFree);
    Put(table, kSlotDigestContextCopy, &ContextCopy);
    Put(table, kSlotDigestInit, &Init);
    Put(table, kSlotDigestUpdate, &Update);
    Put(table, kSlotDigestFinal, &Final);
    Put(table, kSlotDigestWhole, &DigestWhole);
    Put(table, kSlotBytesToKey, &BytesToKey);
}

}  // namespace zncry

// The symmetric ciphers of the SSL suites, from libcrypto's low-level
// implementations (its high-level interface offers the old ones only through
// a provider module loaded from disk). Block ciphers run in CBC mode with
// the padding of PKCS #5 when asked for at the final step.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/evp.h>
#include <openssl/idea.h>
#include <openssl/rc2.h>
#include <openssl/rc4.h>

#include <cstring>
#include <new>

#include "outside/zncry/ZnCry.h"

namespace zncry {

static const CryptoCipherInfo kRc4 = {kObjectRc4, 1, 16, 0};
static const CryptoCipherInfo kRc2Cbc = {kObjectRc2Cbc, 8, 16, 8};
static const CryptoCipherInfo kDesCbc = {kObjectDesCbc, 8, 8, 8};
static const CryptoCipherInfo kDesEde3Cbc = {kObjectDesEde3Cbc, 8, 24, 8};
static const CryptoCipherInfo kIdeaCbc = {kObjectIdeaCbc, 8, 16, 8};

// libcrypto's reasons reported for the cipher functions (its cipher library
// number and reason numbers).
static constexpr uint32_t kErrorNoKey = PackCryptoError(6, 131);
static constexpr uint32_t kErrorNotBlockMultiple = PackCryptoError(6, 138);

const EVP_CIPHER* CipherForDerivation(const CryptoCipherInfo* cipher) {
    if (cipher == &kRc4) return EVP_rc4();
    if (cipher == &kRc2Cbc) return EVP_rc2_cbc();
    if (cipher == &kDesCbc) return EVP_des_cbc();
    if (cipher == &kDesEde3Cbc) return EVP_des_ede3_cbc();
    if (cipher == &kIdeaCbc) return EVP_idea_cbc();
    return nullptr;
}

struct CipherContext {
    const CryptoCipherInfo* cipher = nullptr;
    int encrypt = 1;
    bool keySet = false;
    union {
        RC4_KEY rc4;
        RC2_KEY rc2;
        DES_key_schedule des[3];
        IDEA_KEY_SCHEDULE idea[2];  // encryption, decryption
    } keys;
    unsigned char iv[8] = {};
    // A block being gathered; while decrypting a full block stays here until
    // more input or the final step shows whether it is the last.
    unsigned char block[8] = {};
    int blockLength = 0;
};

static void* ContextNew() {
    return new (std::nothrow) CipherContext();
}

static void ContextFree(void* context) {
    if (!context) return;
    OPENSSL_cleanse(context, sizeof(CipherContext));
    delete static_cast<CipherContext*>(context);
}

static int ContextCopy(void* to, const void* from) {
    if (!to || !from) return 0;
    std::memcpy(to, from, sizeof(CipherContext));
    return 1;
}

static void SetKey(CipherContext& c, const uint8_t* key) {
    const CryptoCipherInfo* k = c.cipher;
    if (k == &kRc4) {
        RC4_set_key(&c.keys.rc4, k->keyLength, key);
    } else if (k == &kRc2Cbc) {
        RC2_set_key(&c.keys.rc2, k->keyLength, key, k->keyLength * 8);
    } else if (k == &kIdeaCbc) {
        IDEA_set_encrypt_key(key, &c.keys.idea[0]);
        IDEA_set_decrypt_key(&c.keys.idea[0], &c.keys.idea[1]);
    } else {
        int parts = k == &kDesEde3Cbc ? 3 : 1;
        for (int i = 0; i < parts; ++i) {
            DES_cblock part;
            std::memcpy(part, key + 8 * i, sizeof part);
            DES_set_key_unchecked(&part, &c.keys.des[i]);
            OPENSSL_cleanse(part, sizeof part);
        }
    }
    c.keySet = true;
}

static int Init(void* context, const CryptoCipherInfo* cipher, const uint8_t* key, const uint8_t* iv,
                int encrypt) {
    auto* c = static_cast<CipherContext*>(context);
    if (!c) return 0;
    if (cipher && cipher != c->cipher) {
        if (!CipherForDerivation(cipher)) return 0;
        OPENSSL_cleanse(c, sizeof *c);
        *c = CipherContext();
        c->cipher = cipher;
    }
    if (!c->cipher) return 0;
    if (encrypt == 0 || encrypt == 1) c->encrypt = encrypt;
    if (key) SetKey(*c, key);
    if (iv) std::memcpy(c->iv, iv, c->cipher->ivLength);
    c->blockLength = 0;
    return 1;
}

// One or more whole blocks in CBC mode; the IV follows along.
static void CryptBlocks(CipherContext& c, const unsigned char* in, unsigned char* out, long length, int enc) {
    const CryptoCipherInfo* k = c.cipher;
    if (k == &kRc2Cbc) {
        RC2_cbc_encrypt(in, out, length, &c.keys.rc2, c.iv, enc);
    } else if (k == &kIdeaCbc) {
        IDEA_cbc_encrypt(in, out, length, &c.keys.idea[enc ? 0 : 1], c.iv, enc);
    } else if (k == &kDesEde3Cbc) {
        DES_ede3_cbc_encrypt(in, out, length, &c.keys.des[0], &c.keys.des[1], &c.keys.des[2],
                             reinterpret_cast<DES_cblock*>(c.iv), enc);
    } else {
        DES_ncbc_encrypt(in, out, length, &c.keys.des[0], reinterpret_cast<DES_cblock*>(c.iv), enc);
    }
}

static bool Ready(CipherContext* c, uint8_t* out, int* outLength) {
    if (outLength) *outLength = 0;
    if (!c || !c->cipher || !out || !outLength) return false;
    if (!c->keySet) {
        PushError(kErrorNoKey);
        return false;
    }
    return true;
}

static int Update(void* context, uint8_t* out, int* outLength, const uint8_t* in, int length, int enc) {
    auto* c = static_cast<CipherContext*>(context);
    if (!Ready(c, out, outLength) || length < 0) return 0;
    if (c->cipher == &kRc4) {
        RC4(&c->keys.rc4, static_cast<size_t>(length), in, out);
        *outLength = length;
        return 1;
    }
    int written = 0;
    while (length > 0) {
        // Decrypting, a full block is released only once more input follows.
        if (!enc && c->blockLength == 8) {
            CryptBlocks(*c, c->block, out + written, 8, 0);
            written += 8;
            c->blockLength = 0;
        }
        int n = length < 8 - c->blockLength ? length : 8 - c->blockLength;
        std::memcpy(c->block + c->blockLength, in, n);
        c->blockLength += n;
        in += n;
        length -= n;
        if (enc && c->blockLength == 8) {
            CryptBlocks(*c, c->block, out + written, 8, 1);
            written += 8;
            c->blockLength = 0;
        }
    }
    *outLength = written;
    return 1;
}

static int EncryptUpdate(void* context, uint8_t* out, int* outLength, const uint8_t* in, int length) {
    return Update(context, out, outLength, in, length, 1);
}

static int DecryptUpdate(void* context, uint8_t* out, int* outLength, const uint8_t* in, int length) {
    return Update(context, out, outLength, in, length, 0);
}

static int EncryptFinal(void* context, uint8_t* out, int* outLength, int pad) {
    auto* c = static_cast<CipherContext*>(context);
    if (!Ready(c, out, outLength)) return 0;
    if (c->cipher == &kRc4) return 1;
    if (!pad) {
        if (c->blockLength == 0) return 1;
        c->blockLength = 0;
        PushError(kErrorNotBlockMultiple);
        return 0;
    }
    int padding = 8 - c->blockLength;
    std::memset(c->block + c->blockLength, padding, padding);
    CryptBlocks(*c, c->block, out, 8, 1);
    c->blockLength = 0;
    *outLength = 8;
    return 1;
}

static int DecryptFinal(void* context, uint8_t* out, int* outLength, int pad) {
    auto* c = static_cast<CipherContext*>(context);
    if (!Ready(c, out, outLength)) return 0;
    if (c->cipher == &kRc4) return 1;
    int gathered = c->blockLength;
    c->blockLength = 0;
    if (gathered == 0 && !pad) return 1;
    if (gathered != 8) {
        PushError(pad ? kCryptoErrorBadDecrypt : kErrorNotBlockMultiple);
        return 0;
    }
    unsigned char plain[8];
    CryptBlocks(*c, c->block, plain, 8, 0);
    int keep = 8;
    if (pad) {
        int padding = plain[7];
        bool good = padding >= 1 && padding <= 8;
        for (int i = 8 - padding; good && i < 8; ++i) good = plain[i] == padding;
        if (!good) {
            OPENSSL_cleanse(plain, sizeof plain);
            PushError(kCryptoErrorBadDecrypt);
            return 0;
        }
        keep = 8 - padding;
    }
    std::memcpy(out, plain, keep);
    OPENSSL_cleanse(plain, sizeof plain);
    *outLength = keep;
    return 1;
}

static const CryptoCipherInfo* Rc4() {
    return &kRc4;
}

static const CryptoCipherInfo* Rc2Cbc() {
    return &kRc2Cbc;
}

// A build without DES shows how the program copes with a library that lacks
// a cipher: the suites that need it are not offered.
static const CryptoCipherInfo* DesCbc() {
#ifdef ZNCRY_WITHOUT_DES
    return nullptr;
#else
    return &kDesCbc;
#endif
}

static const CryptoCipherInfo* DesEde3Cbc() {
    return &kDesEde3Cbc;
}

void FillCipherSlots(CryptoSlotFunction* table) {
    Put(table, kSlotCipherRc4, &Rc4);
    Put(table, kSlotCipherRc2Cbc, &Rc2Cbc);
    Put(table, kSlotCipherDesCbc, &DesCbc);
    Put(table, kSlotCipherDesEde3Cbc, &DesEde3Cbc);
    Put(table, kSlotCipherContextNew, &ContextNew);
    Put(table, kSlotCipherContextFree, &ContextFree);
    Put(table, kSlotCipherContextCopy, &ContextCopy);
    Put(table, kSlotCipherInit, &Init);
    Put(table, kSlotEncryptUpdate, &EncryptUpdate);
    Put(table, kSlotEncryptFinal, &EncryptFinal);
    Put(table, kSlotDecryptUpdate, &DecryptUpdate);
    Put(table, kSlotDecryptFinal, &DecryptFinal);
}

}  // namespace zncry

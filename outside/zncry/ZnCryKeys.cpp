// Keys (libcrypto's EVP_PKEY) and the RSA block operations.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstring>

#include "outside/zncry/ZnCry.h"

namespace zncry {

static EVP_PKEY* Key(void* key) {
    return static_cast<EVP_PKEY*>(key);
}

static void* NewKey() {
    return EVP_PKEY_new();
}

static void FreeKey(void* key) {
    EVP_PKEY_free(Key(key));
}

static void* NewRsaKey() {
    EVP_PKEY* key = EVP_PKEY_new();
    RSA* rsa = RSA_new();
    if (!key || !rsa || !EVP_PKEY_assign_RSA(key, rsa)) {
        RSA_free(rsa);
        EVP_PKEY_free(key);
        return nullptr;
    }
    return key;
}

// Either a SubjectPublicKeyInfo or a bare PKCS #1 RSA key.
static void* PublicKeyFromDer(const uint8_t* der, int length) {
    if (!der || length <= 0) return nullptr;
    const unsigned char* p = der;
    EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, length);
    if (!key) {
        p = der;
        key = d2i_PublicKey(EVP_PKEY_RSA, nullptr, &p, length);
    }
    if (key) ERR_clear_error();
    return key;
}

static int KeyType(void* key) {
    return key ? EVP_PKEY_get_base_id(Key(key)) : 0;
}

static int KeySize(void* key) {
    return key ? EVP_PKEY_get_size(Key(key)) : 0;
}

static int ModulusSize(void* key) {
    if (!key || EVP_PKEY_get_base_id(Key(key)) != EVP_PKEY_RSA) return 0;
    return EVP_PKEY_get_size(Key(key));
}

// RSA components: 0 the modulus, 1 the public exponent.
static int SetKeyComponent(void* key, int index, const uint8_t* bytes, int length) {
    if (!key || index < 0 || index > 1 || length < 0) return 0;
    RSA* rsa = EVP_PKEY_get1_RSA(Key(key));
    if (!rsa) return 0;
    BIGNUM* value = BN_bin2bn(bytes, length, nullptr);
    const BIGNUM *n = nullptr, *e = nullptr;
    RSA_get0_key(rsa, &n, &e, nullptr);
    BIGNUM* newN = index == 0 ? value : (n ? BN_dup(n) : nullptr);
    BIGNUM* newE = index == 1 ? value : (e ? BN_dup(e) : BN_new());
    if (!newN) newN = BN_new();
    int ok = value && newN && newE && RSA_set0_key(rsa, newN, newE, nullptr);
    if (!ok) {
        if (newN != value) BN_free(newN);
        if (newE != value) BN_free(newE);
        BN_free(value);
    }
    RSA_free(rsa);
    return ok;
}

using RsaFunction = int (*)(int, const unsigned char*, unsigned char*, RSA*, int);

static int RsaBlock(RsaFunction f, bool decrypting, int length, const uint8_t* in, uint8_t* out, void* key,
                    int padding) {
    if (!key || !in || !out || length < 0) return -1;
    RSA* rsa = EVP_PKEY_get1_RSA(Key(key));
    if (!rsa) {
        DrainLibcryptoErrors(false);
        return -1;
    }
    int written = f(length, in, out, rsa, padding);
    RSA_free(rsa);
    if (written < 0) DrainLibcryptoErrors(decrypting);
    return written;
}

static int PublicEncrypt(int length, const uint8_t* in, uint8_t* out, void* key, int padding, int) {
    return RsaBlock(RSA_public_encrypt, false, length, in, out, key, padding);
}

static int PrivateEncrypt(int length, const uint8_t* in, uint8_t* out, void* key, int padding) {
    return RsaBlock(RSA_private_encrypt, false, length, in, out, key, padding);
}

static int PublicDecrypt(int length, const uint8_t* in, uint8_t* out, void* key, int padding) {
    return RsaBlock(RSA_public_decrypt, true, length, in, out, key, padding);
}

static int PrivateDecrypt(int length, const uint8_t* in, uint8_t* out, void* key, int padding) {
    return RsaBlock(RSA_private_decrypt, true, length, in, out, key, padding);
}

// libcrypto's own description of the public key.
static int KeyText(void* key, char* out, int size) {
    if (!key || !out || size <= 0) return 0;
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio) return 0;
    int n = 0;
    if (EVP_PKEY_print_public(bio, Key(key), 0, nullptr) > 0) {
        n = BIO_read(bio, out, size - 1);
        if (n < 0) n = 0;
    }
    out[n] = '\0';
    BIO_free(bio);
    return n;
}

void FillKeySlots(CryptoSlotFunction* table) {
    Put(table, kSlotNewKey, &NewKey);
    Put(table, kSlotFreeKey, &FreeKey);
    Put(table, kSlotNewRsaKey, &NewRsaKey);
    Put(table, kSlotPublicKeyFromDer, &PublicKeyFromDer);
    Put(table, kSlotKeyType, &KeyType);
    Put(table, kSlotKeySize, &KeySize);
    Put(table, kSlotModulusSize, &ModulusSize);
    Put(table, kSlotSetKeyComponent, &SetKeyComponent);
    Put(table, kSlotRsaPublicEncrypt, &PublicEncrypt);
    Put(table, kSlotRsaPrivateEncrypt, &PrivateEncrypt);
    Put(table, kSlotRsaPublicDecrypt, &PublicDecrypt);
    Put(table, kSlotRsaPrivateDecrypt, &PrivateDecrypt);
    Put(table, kSlotKeyText, &KeyText);
}

}  // namespace zncry

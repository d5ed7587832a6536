// Key pairs for the store: generation with the signed public key and
// challenge that a form submits, private keys from DER, key identifiers,
// RSA components, PEM certificates, and the certificate fields the
// certificate text shows.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <vector>
#include <string>

#include "outside/zncry/ZnCry.h"

namespace zncry {

constexpr int kKeyIdLength = 20;

static X509* Cert(void* certificate) {
    return static_cast<X509*>(certificate);
}

// The identifier of a public key: SHA-1 of its RSAPublicKey (or other
// public key) encoding, as it sits in a certificate's key bit string.
static int KeyIdOf(EVP_PKEY* key, uint8_t* out) {
    unsigned char* der = nullptr;
    int length = i2d_PublicKey(key, &der);
    if (length <= 0) {
        DrainLibcryptoErrors(false);
        return 0;
    }
    SHA1(der, static_cast<size_t>(length), out);
    OPENSSL_free(der);
    return kKeyIdLength;
}

static int CertificateKeyId(void* certificate, uint8_t* out) {
    if (!certificate || !out) return 0;
    EVP_PKEY* key = X509_get0_pubkey(Cert(certificate));
    return key ? KeyIdOf(key, out) : 0;
}

struct ProgressBridge {
    CryptoProgress progress;
    void* argument;
};

static int GenerationCallback(int, int, BN_GENCB* callback) {
    auto* bridge = static_cast<ProgressBridge*>(BN_GENCB_get_arg(callback));
    return bridge->progress && bridge->progress(bridge->argument) == 1 ? 0 : 1;
}

// The signed public key and challenge, base64 without line breaks.
static bool WriteSignedKey(EVP_PKEY* key, const char* challenge, char* out, int outSize) {
    NETSCAPE_SPKI* spki = NETSCAPE_SPKI_new();
    bool ok = spki && NETSCAPE_SPKI_set_pubkey(spki, key) &&
              ASN1_STRING_set(spki->spkac->challenge, challenge ? challenge : "", -1) &&
              NETSCAPE_SPKI_sign(spki, key, EVP_md5()) > 0;
    char* text = ok ? NETSCAPE_SPKI_b64_encode(spki) : nullptr;
    ok = text && static_cast<int>(std::strlen(text)) < outSize;
    if (ok) std::strcpy(out, text);
    OPENSSL_free(text);
    NETSCAPE_SPKI_free(spki);
    return ok;
}

static uint8_t* GenerateKeyPair(int bits, const char* challenge, char* out, int outSize, CryptoProgress progress,
                                void* argument, int* length) {
    if (length) *length = 0;
    if (bits < 512 || bits > 4096 || !out || outSize <= 0 || !length) return nullptr;
    ProgressBridge bridge{progress, argument};
    BN_GENCB* callback = BN_GENCB_new();
    RSA* rsa = RSA_new();
    BIGNUM* exponent = BN_new();
    EVP_PKEY* key = EVP_PKEY_new();
    uint8_t* buffer = nullptr;
    bool ok = callback && rsa && exponent && key && BN_set_word(exponent, RSA_F4);
    if (ok) {
        BN_GENCB_set(callback, &GenerationCallback, &bridge);
        ok = RSA_generate_key_ex(rsa, bits, exponent, callback) && EVP_PKEY_assign_RSA(key, rsa);
        if (ok) rsa = nullptr;  // the key owns it now
    }
    ok = ok && WriteSignedKey(key, challenge, out, outSize);
    unsigned char* der = nullptr;
    int derLength = ok ? i2d_PrivateKey(key, &der) : 0;
    if (derLength > 0) {
        buffer = static_cast<uint8_t*>(OPENSSL_malloc(static_cast<size_t>(kKeyIdLength + derLength)));
        if (buffer && KeyIdOf(key, buffer) == kKeyIdLength) {
            std::memcpy(buffer + kKeyIdLength, der, static_cast<size_t>(derLength));
            *length = kKeyIdLength + derLength;
        } else {
            OPENSSL_free(buffer);
            buffer = nullptr;
        }
        OPENSSL_clear_free(der, static_cast<size_t>(derLength));
    }
    if (!buffer) {
        DrainLibcryptoErrors(false);
        out[0] = '\0';
    }
    EVP_PKEY_free(key);
    RSA_free(rsa);
    BN_free(exponent);
    BN_GENCB_free(callback);
    return buffer;
}

static void FreeKeyBuffer(uint8_t* buffer, int length) {
    if (buffer) OPENSSL_clear_free(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

static void* PrivateKeyFromDer(const uint8_t* der, int length) {
    if (!der || length <= 0) return nullptr;
    const unsigned char* p = der;
    EVP_PKEY* key = d2i_AutoPrivateKey(nullptr, &p, length);
    if (!key) DrainLibcryptoErrors(false);
    return key;
}

static int KeyComponent(void* key, int index, uint8_t* out, int size) {
    if (!key || EVP_PKEY_get_base_id(static_cast<EVP_PKEY*>(key)) != EVP_PKEY_RSA) return -1;
    const RSA* rsa = EVP_PKEY_get0_RSA(static_cast<EVP_PKEY*>(key));
    if (!rsa) return -1;
    const BIGNUM* parts[8] = {RSA_get0_n(rsa),    RSA_get0_e(rsa),    RSA_get0_d(rsa),    RSA_get0_p(rsa),
                              RSA_get0_q(rsa),    RSA_get0_dmp1(rsa), RSA_get0_dmq1(rsa), RSA_get0_iqmp(rsa)};
    if (index < 0 || index > 7 || !parts[index]) return 0;
    int n = BN_num_bytes(parts[index]);
    if (out && size >= n) BN_bn2bin(parts[index], out);
    return n;
}

// Copies bytes when they fit; answers their length either way.
static int Give(const void* bytes, int n, uint8_t* out, int size) {
    if (n < 0) return -1;
    if (out && size >= n && n > 0) std::memcpy(out, bytes, static_cast<size_t>(n));
    return n;
}

// A text NUL-terminated within size (cut to fit).
static int GiveText(const char* text, uint8_t* out, int size) {
    int n = static_cast<int>(std::strlen(text));
    if (out && size > 0) {
        int copy = n < size ? n : size - 1;
        std::memcpy(out, text, static_cast<size_t>(copy));
        out[copy] = '\0';
    }
    return n;
}

static int GiveTime(const ASN1_TIME* time, uint8_t* out, int size) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio || !time) {
        BIO_free(bio);
        return -1;
    }
    char text[64] = "";
    if (ASN1_TIME_print(bio, time) > 0) {
        int n = BIO_read(bio, text, sizeof text - 1);
        text[n > 0 ? n : 0] = '\0';
    }
    BIO_free(bio);
    ERR_clear_error();
    return GiveText(text, out, size);
}

static int CertificateField(void* certificate, int field, uint8_t* out, int size) {
    X509* x = Cert(certificate);
    if (!x) return -1;
    switch (field) {
        case kCertificateVersion: return static_cast<int>(X509_get_version(x));
        case kCertificateSerial: {
            const ASN1_INTEGER* serial = X509_get0_serialNumber(x);
            BIGNUM* value = serial ? ASN1_INTEGER_to_BN(serial, nullptr) : nullptr;
            if (!value) return -1;
            // Every byte of its magnitude; zero is one byte.
            std::vector<uint8_t> bytes(static_cast<size_t>(BN_num_bytes(value)) + 1, 0);
            const int n = BN_bn2bin(value, bytes.data());
            BN_free(value);
            return Give(bytes.data(), n > 0 ? n : 1, out, size);
        }
        case kCertificateNotBefore: return GiveTime(X509_get0_notBefore(x), out, size);
        case kCertificateNotAfter: return GiveTime(X509_get0_notAfter(x), out, size);
        case kCertificateFingerprint: {
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int n = 0;
            if (!X509_digest(x, EVP_md5(), digest, &n)) return -1;
            return Give(digest, static_cast<int>(n), out, size);
        }
        case kCertificateSignatureAlgorithm: {
            int nid = X509_get_signature_nid(x);
            return nid == NID_undef ? -1 : GiveText(OBJ_nid2ln(nid), out, size);
        }
        case kCertificateSignature: {
            const ASN1_BIT_STRING* signature = nullptr;
            X509_get0_signature(&signature, nullptr, x);
            return signature ? Give(ASN1_STRING_get0_data(signature), ASN1_STRING_length(signature), out, size) : -1;
        }
        case kCertificateKeyAlgorithm: {
            EVP_PKEY* key = X509_get0_pubkey(x);
            int nid = key ? EVP_PKEY_get_base_id(key) : NID_undef;
            return nid == NID_undef ? -1 : GiveText(OBJ_nid2ln(nid), out, size);
        }
        default: return -1;
    }
}

static int CertificateExtension(void* certificate, int index, int part, uint8_t* out, int size) {
    X509* x = Cert(certificate);
    if (!x || index < 0 || index >= X509_get_ext_count(x)) return -1;
    X509_EXTENSION* extension = X509_get_ext(x, index);
    ASN1_OBJECT* object = X509_EXTENSION_get_object(extension);
    switch (part) {
        case kExtensionName: {
            int nid = OBJ_obj2nid(object);
            return nid == NID_undef ? GiveText("", out, size) : GiveText(OBJ_nid2ln(nid), out, size);
        }
        case kExtensionCritical: return X509_EXTENSION_get_critical(extension) ? 1 : 0;
        case kExtensionText: {
            BIO* bio = BIO_new(BIO_s_mem());
            int n = -1;
            if (bio && X509V3_EXT_print(bio, extension, 0, 0) > 0) {
                BUF_MEM* memory = nullptr;
                BIO_get_mem_ptr(bio, &memory);
                std::string text(memory->data, memory->length);
                n = GiveText(text.c_str(), out, size);
            }
            BIO_free(bio);
            ERR_clear_error();
            return n;
        }
        case kExtensionValue: {
            const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(extension);
            return Give(ASN1_STRING_get0_data(value), ASN1_STRING_length(value), out, size);
        }
        default: return -1;
    }
}

// Reads the PEM text from the start each time: the callers ask for a few
// certificates, once each.
static int PemCertificate(const char* text, int length, int index, uint8_t* out, int size) {
    if (!text || length <= 0 || index < 0) return -1;
    BIO* bio = BIO_new_mem_buf(text, length);
    if (!bio) return -1;
    int result = -1;
    for (int i = 0;; ++i) {
        X509* x = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
        if (!x) break;
        if (i == index) {
            unsigned char* der = nullptr;
            int n = i2d_X509(x, &der);
            result = n > 0 ? Give(der, n, out, size) : -1;
            OPENSSL_free(der);
            X509_free(x);
            break;
        }
        X509_free(x);
    }
    BIO_free(bio);
    // Running out of blocks is how the end is found, not a failure.
    ERR_clear_error();
    return result;
}

void FillKeyPairSlots(CryptoSlotFunction* table) {
    Put(table, kSlotGenerateKeyPair, &GenerateKeyPair);
    Put(table, kSlotFreeKeyBuffer, &FreeKeyBuffer);
    Put(table, kSlotPemCertificate, &PemCertificate);
    Put(table, kSlotCertificateKeyId, &CertificateKeyId);
    Put(table, kSlotPrivateKeyFromDer, &PrivateKeyFromDer);
    Put(table, kSlotKeyComponent, &KeyComponent);
    Put(table, kSlotCertificateField, &CertificateField);
    Put(table, kSlotCertificateExtension, &CertificateExtension);
}

}  // namespace zncry

// Certificates, their names, and chain verification with libcrypto's codes
// translated into the program's.
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <cstring>

#include "outside/zncry/ZnCry.h"

namespace zncry {

static X509* Cert(void* certificate) {
    return static_cast<X509*>(certificate);
}

static void* FromDer(const uint8_t* der, int length) {
    if (!der || length <= 0) return nullptr;
    const unsigned char* p = der;
    X509* certificate = d2i_X509(nullptr, &p, length);
    if (!certificate) DrainLibcryptoErrors(false);
    return certificate;
}

static void Free(void* certificate) {
    X509_free(Cert(certificate));
}

static void* Duplicate(void* certificate) {
    return certificate ? X509_dup(Cert(certificate)) : nullptr;
}

static void* StoreNew() {
    return X509_STORE_new();
}

static void StoreFree(void* store) {
    X509_STORE_free(static_cast<X509_STORE*>(store));
}

static int StoreAdd(void* store, void* certificate) {
    if (!store || !certificate) return 0;
    int ok = X509_STORE_add_cert(static_cast<X509_STORE*>(store), Cert(certificate));
    // The same certificate twice is no failure.
    ERR_clear_error();
    return ok;
}

int TranslateVerifyCode(int code) {
    switch (code) {
        case X509_V_OK: return kVerifyOk;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY: return kVerifyIssuerMissing;
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return kVerifyLeafIssuerMissing;
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN: return kVerifyRootNotVouched;
        case X509_V_ERR_CERT_NOT_YET_VALID: return kVerifyNotYetValid;
        case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD: return kVerifyBadNotBefore;
        case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD: return kVerifyBadNotAfter;
        case X509_V_ERR_UNHANDLED_CRITICAL_EXTENSION:
        case X509_V_ERR_UNSUPPORTED_EXTENSION_FEATURE:
        case X509_V_ERR_UNSUPPORTED_CONSTRAINT_TYPE:
        case X509_V_ERR_UNSUPPORTED_NAME_SYNTAX: return kVerifyUnsupported;
        case X509_V_ERR_INVALID_CA:
        case X509_V_ERR_PATH_LENGTH_EXCEEDED:
        case X509_V_ERR_INVALID_PURPOSE: return kVerifyNotCa;
        case X509_V_ERR_UNABLE_TO_DECRYPT_CERT_SIGNATURE:
        case X509_V_ERR_UNABLE_TO_DECODE_ISSUER_PUBLIC_KEY:
        case X509_V_ERR_CERT_SIGNATURE_FAILURE:
        case X509_V_ERR_EE_KEY_TOO_SMALL:
        case X509_V_ERR_CA_KEY_TOO_SMALL:
        case X509_V_ERR_CA_MD_TOO_WEAK: return kVerifyBadSignature;
        case X509_V_ERR_CERT_HAS_EXPIRED: return kVerifyExpired;
        case X509_V_ERR_CRL_HAS_EXPIRED: return kVerifyOtherExpiry;
        case X509_V_ERR_CERT_UNTRUSTED: return kVerifyUntrusted;
        case X509_V_ERR_CERT_REJECTED: return kVerifyRejected;
        case X509_V_ERR_OUT_OF_MEM: return kVerifyOutOfMemory;
        default: return kVerifyOther;
    }
}

struct VerifyBridge {
    CryptoVerifyCallback callback;
    void* argument;
};

static int BridgeCallback(int ok, X509_STORE_CTX* context) {
    auto* bridge = static_cast<VerifyBridge*>(X509_STORE_CTX_get_ex_data(context, 0));
    if (!bridge || !bridge->callback) return ok;
    int code = ok ? kVerifyOk : TranslateVerifyCode(X509_STORE_CTX_get_error(context));
    return bridge->callback(ok, X509_STORE_CTX_get_error_depth(context), code, bridge->argument) ? 1 : 0;
}

static int Verify(void* store, void* leaf, CryptoVerifyCallback callback, void* argument) {
    if (!store || !leaf) return 0;
    X509_STORE_CTX* context = X509_STORE_CTX_new();
    if (!context) return 0;
    VerifyBridge bridge{callback, argument};
    int result = 0;
    if (X509_STORE_CTX_init(context, static_cast<X509_STORE*>(store), Cert(leaf), nullptr)) {
        X509_STORE_CTX_set_ex_data(context, 0, &bridge);
        X509_STORE_CTX_set_verify_cb(context, &BridgeCallback);
        result = X509_verify_cert(context) > 0 ? 1 : 0;
    }
    X509_STORE_CTX_free(context);
    ERR_clear_error();
    return result;
}

static X509_NAME* Name(void* certificate, int issuer) {
    if (!certificate) return nullptr;
    return issuer ? X509_get_issuer_name(Cert(certificate)) : X509_get_subject_name(Cert(certificate));
}

static int NameLine(void* certificate, int issuer, char* out, int size) {
    X509_NAME* name = Name(certificate, issuer);
    if (!name || !out || size <= 0) return 0;
    if (!X509_NAME_oneline(name, out, size)) return 0;
    return static_cast<int>(std::strlen(out));
}

static int NameEntryCount(void* certificate, int issuer) {
    X509_NAME* name = Name(certificate, issuer);
    return name ? X509_NAME_entry_count(name) : 0;
}

static int NameEntry(void* certificate, int issuer, int index, int* object, uint8_t* value, int size) {
    X509_NAME* name = Name(certificate, issuer);
    X509_NAME_ENTRY* entry = name ? X509_NAME_get_entry(name, index) : nullptr;
    if (!entry) return -1;
    if (object) *object = OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry));
    const ASN1_STRING* data = X509_NAME_ENTRY_get_data(entry);
    int length = ASN1_STRING_length(data);
    if (value && size > 0) std::memcpy(value, ASN1_STRING_get0_data(data), length < size ? length : size);
    return length;
}

static int ObjectLongName(int object, char* out, int size) {
    const char* name = OBJ_nid2ln(object);
    if (!name || !out || size <= 0) return 0;
    std::strncpy(out, name, size - 1);
    out[size - 1] = '\0';
    return static_cast<int>(std::strlen(out));
}

static int NamesMatch(void* a, int aIssuer, void* b, int bIssuer) {
    X509_NAME* first = Name(a, aIssuer);
    X509_NAME* second = Name(b, bIssuer);
    return first && second && X509_NAME_cmp(first, second) == 0 ? 1 : 0;
}

static void* PublicKey(void* certificate) {
    return certificate ? X509_get_pubkey(Cert(certificate)) : nullptr;
}

static int CaFlag(void* certificate) {
    if (!certificate) return -1;
    uint32_t flags = X509_get_extension_flags(Cert(certificate));
    if (!(flags & EXFLAG_BCONS)) return -1;
    return flags & EXFLAG_CA ? 1 : 0;
}

void FillCertificateSlots(CryptoSlotFunction* table) {
    Put(table, kSlotCertificateFromDer, &FromDer);
    Put(table, kSlotCertificateFree, &Free);
    Put(table, kSlotCertificateDuplicate, &Duplicate);
    Put(table, kSlotStoreNew, &StoreNew);
    Put(table, kSlotStoreFree, &StoreFree);
    Put(table, kSlotStoreAdd, &StoreAdd);
    Put(table, kSlotVerify, &Verify);
    Put(table, kSlotNameLine, &NameLine);
    Put(table, kSlotNameEntryCount, &NameEntryCount);
    Put(table, kSlotNameEntry, &NameEntry);
    Put(table, kSlotObjectLongName, &ObjectLongName);
    Put(table, kSlotNamesMatch, &NamesMatch);
    Put(table, kSlotCertificatePublicKey, &PublicKey);
    Put(table, kSlotCertificateCaFlag, &CaFlag);
}

}  // namespace zncry

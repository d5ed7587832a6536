// The interface between the program and its crypto library ZNCRY32.DLL: the
// version the library reports, its table of function slots, the descriptors
// it hands out, and the codes it reports (verification codes and packed
// error codes). Shared by the program's forwarders and the library itself.
//
// Contexts, keys, certificates and stores are the library's objects: the
// program holds them as opaque handles and never copies or frees them except
// through the slots.
#pragma once
#include <cstdint>

constexpr uint32_t kCryptoLibraryVersion = 0x3010000;

// A cipher as the program sees it; the fields are read as 16-bit values.
struct CryptoCipherInfo {
    int32_t objectNumber;
    int32_t blockSize;
    int32_t keyLength;
    int32_t ivLength;
};

struct CryptoDigestInfo {
    int32_t objectNumber;
    int32_t size;
};

// Object numbers (libcrypto's).
enum : int32_t {
    kObjectMd5 = 4,
    kObjectRc4 = 5,
    kObjectRsaEncryption = 6,
    kObjectCommonName = 13,
    kObjectCountry = 14,
    kObjectLocality = 15,
    kObjectState = 16,
    kObjectOrganization = 17,
    kObjectOrganizationalUnit = 18,
    kObjectDesCbc = 31,
    kObjectIdeaCbc = 34,
    kObjectRc2Cbc = 37,
    kObjectSha1Legacy = 41,
    kObjectDesEde3Cbc = 44,
    kObjectSha1 = 64,
};

// Packed error codes: library number in the top 8 bits, reason in the low
// 12. A failed decryption (bad padding, bad RSA block) is always reported
// as library 6, reason 100.
constexpr uint32_t PackCryptoError(uint32_t library, uint32_t reason) {
    return library << 24 | (reason & 0xFFF);
}
constexpr uint32_t kCryptoErrorBadDecrypt = PackCryptoError(6, 100);
constexpr bool IsFailedDecryption(uint32_t code) {
    return (code >> 24) == 6 && (code & 0xFFF) == 100;
}

// Codes handed to the verification callback: 0 fine; 1 and 23 issuer not
// found; 11 a root reached that the store does not vouch for; 12, 13, 14,
// 16, 20, 21 a bad certificate (not yet valid, bad time fields, not a CA,
// untrusted, rejected); 15 unsupported; 17 signature not verifiable; 18 the
// certificate has expired; 19 other expiry (a revocation list's); 22 out of
// memory; anything else an internal failure.
enum : int {
    kVerifyOk = 0,
    kVerifyIssuerMissing = 1,
    kVerifyRootNotVouched = 11,
    kVerifyNotYetValid = 12,
    kVerifyBadNotBefore = 13,
    kVerifyBadNotAfter = 14,
    kVerifyUnsupported = 15,
    kVerifyNotCa = 16,
    kVerifyBadSignature = 17,
    kVerifyExpired = 18,
    kVerifyOtherExpiry = 19,
    kVerifyUntrusted = 20,
    kVerifyRejected = 21,
    kVerifyOutOfMemory = 22,
    kVerifyLeafIssuerMissing = 23,
    kVerifyOther = 99,
};

// Called for every finding of a verification; answers whether to go on.
// depth 0 is the leaf.
using CryptoVerifyCallback = int (*)(int ok, int depth, int code, void* argument);

// Padding of the RSA block slots.
enum : int {
    kRsaPkcs1Padding = 1,
    kRsaNoPadding = 3,
};

// Slots. Numbers 10, 17 and 19 are never called; 67 onwards own the contexts.
enum CryptoSlot : int {
    kSlotRsaPublicEncrypt = 0,    // int (int len, const uint8_t* in, uint8_t* out, void* key, int padding, int)
    kSlotDigestInit = 1,          // int (void* context, const CryptoDigestInfo*)
    kSlotDigestUpdate = 2,        // int (void* context, const void* data, unsigned length)
    kSlotDigestFinal = 3,         // int (void* context, uint8_t* out, unsigned* length)
    kSlotMd5 = 4,                 // const CryptoDigestInfo* ()
    kSlotSha1 = 5,                // const CryptoDigestInfo* ()
    kSlotBytesToKey = 6,          // int (cipher, digest, const uint8_t* salt, const uint8_t* data, int length,
                                  //      int count, uint8_t* key, uint8_t* iv)
    kSlotCipherInit = 7,          // int (void* context, const CryptoCipherInfo*, const uint8_t* key,
                                  //      const uint8_t* iv, int encrypt) (null or -1 keep)
    kSlotEncryptUpdate = 8,       // int (void* context, uint8_t* out, int* outLength, const uint8_t* in, int)
    kSlotEncryptFinal = 9,        // int (void* context, uint8_t* out, int* outLength, int pad)
    kSlotDecryptUpdate = 11,      // as 8
    kSlotDecryptFinal = 12,       // as 9
    kSlotKeySize = 13,            // int (void* key): the largest output of one block operation
    kSlotNewKey = 14,             // void* ()
    kSlotFreeKey = 15,            // void (void* key)
    kSlotPublicKeyFromDer = 18,   // void* (const uint8_t* der, int length)
    kSlotSetKeyComponent = 28,    // int (void* key, int index, const uint8_t* bytes, int length)
    kSlotCipherRc4 = 20,          // const CryptoCipherInfo* (), null when absent
    kSlotCipherRc2Cbc = 21,
    kSlotCipherDesCbc = 22,
    kSlotCipherDesEde3Cbc = 23,
    kSlotCertificateFromDer = 24, // void* (const uint8_t* der, int length)
    kSlotCertificateFree = 25,    // void (void* certificate)
    kSlotCertificateDuplicate = 26,  // void* (void* certificate)
    kSlotStoreNew = 27,           // void* ()
    kSlotStoreFree = 29,          // void (void* store)
    kSlotStoreAdd = 30,           // int (void* store, void* certificate)
    kSlotVerify = 31,             // int (void* store, void* leaf, CryptoVerifyCallback, void* argument)
    kSlotNameLine = 32,           // int (void* certificate, int issuer, char* out, int size)
    kSlotNameEntryCount = 33,     // int (void* certificate, int issuer)
    kSlotNameEntry = 34,          // int (void* certificate, int issuer, int index, int* object,
                                  //      uint8_t* value, int size): the value's length, -1 when none
    kSlotObjectLongName = 35,     // int (int object, char* out, int size)
    kSlotPopError = 36,           // uint32_t (): the oldest packed error, 0 when none
    kSlotPasswordCheck = 37,
    kSlotRandomBytes = 38,        // int (uint8_t* out, int count)
    kSlotRandomAdd = 39,          // void (const void* bytes, int count)
    kSlotRandomLoadFile = 40,     // int (const char* path, long maxBytes)
    kSlotRandomWriteFile = 41,    // int (const char* path)
    kSlotGenerateKeyPair = 42,    // uint8_t* (int bits, const char* challenge, char* out, int outSize,
                                  //      CryptoProgress, void* argument, int* length): see below
    kSlotFreeKeyBuffer = 43,      // void (uint8_t* buffer, int length): wiped, then freed
    kSlotPemCertificate = 44,     // int (const char* text, int length, int index, uint8_t* out, int size):
                                  //      the DER length of the index-th certificate, -1 when none
    kSlotRsaPrivateEncrypt = 45,  // as 0, without the last argument
    kSlotRsaPublicDecrypt = 46,
    kSlotNewRsaKey = 47,          // void* ()
    kSlotModulusSize = 48,        // int (void* key): bytes
    kSlotNamesMatch = 49,         // int (void* a, int aIssuer, void* b, int bIssuer): 1 when equal
    kSlotCertificatePublicKey = 50,  // void* (void* certificate): a new key, freed with 15
    kSlotCertificateCaFlag = 51,  // int (void* certificate): 1 cA, 0 basicConstraints without cA, -1 none
    kSlotKeyType = 52,            // int (void* key)
    kSlotCertificateKeyId = 53,   // int (void* certificate, uint8_t out[20]): 20, or 0 without a key
    kSlotPrivateKeyFromDer = 54,  // void* (const uint8_t* der, int length): freed with 15
    kSlotKeyComponent = 55,       // int (void* key, int index, uint8_t* out, int size): RSA component
                                  //      index (n, e, d, p, q, dP, dQ, qInv) big-endian; 0 absent, -1 no RSA
    kSlotCertificateField = 56,   // int (void* certificate, int field, uint8_t* out, int size): see below
    kSlotCertificateExtension = 57,  // int (void* certificate, int index, int part, uint8_t* out, int size)
    kSlotRsaPrivateDecrypt = 64,  // as 45
    kSlotKeyText = 65,            // int (void* key, char* out, int size)
    kSlotDigestWhole = 66,        // int (const CryptoDigestInfo*, const uint8_t* in, unsigned length,
                                  //      uint8_t* out): the digest's size; out may be null
    kSlotDigestContextNew = 67,   // void* ()
    kSlotDigestContextFree = 68,  // void (void* context)
    kSlotDigestContextCopy = 69,  // int (void* to, const void* from)
    kSlotCipherContextNew = 70,   // void* ()
    kSlotCipherContextFree = 71,  // void (void* context): wiped before it is freed
    kSlotCipherContextCopy = 72,  // int (void* to, const void* from)
    kCryptoSlotCount = 73,
};

// Key generation: the library writes the base64 signed public key and
// challenge that a form submits into out (NUL-terminated) and answers a
// buffer of its own holding the 20 identifier bytes of the key (the same
// that slot 53 answers for a certificate of that key) followed by the
// private key's DER; *length is the buffer's whole length. The progress
// function is called now and then; answering 1 stops the generation.
using CryptoProgress = int (*)(void* argument);

// Fields of slot 56, each answering its length (-1 when absent, the value
// itself for the version): texts are NUL-terminated within size.
enum : int {
    kCertificateVersion = 0,     // the version number as stored (0 for v1)
    kCertificateSerial = 1,      // every byte of the number, most significant first
    kCertificateNotBefore = 2,   // text
    kCertificateNotAfter = 3,    // text
    kCertificateFingerprint = 4, // MD5 of the DER, 16 bytes
    kCertificateSignatureAlgorithm = 5,  // text
    kCertificateSignature = 6,   // bytes
    kCertificateKeyAlgorithm = 7,  // text
};

// Parts of slot 57, for the index-th extension (-1 past the last): 0 its
// long name (length 0 when the library cannot name it), 1 the critical
// flag (0 or 1), 2 its text (-1 when the library has none), 3 its value.
enum : int {
    kExtensionName = 0,
    kExtensionCritical = 1,
    kExtensionText = 2,
    kExtensionValue = 3,
};

using CryptoSlotFunction = void (*)();
// What "ZNCRY_DLL_jump_table" answers: kCryptoSlotCount entries, null for a
// slot the library does not fill.
using CryptoSlotTable = const CryptoSlotFunction*;

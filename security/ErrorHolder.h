// The security library's error convention. Every object of the library is an
// ErrorHolder: a failing operation raises a (class, code) pair on the object,
// returns a neutral value, and the caller tests the error after each step.
// Nothing unwinds. An error climbs from an object to its parent holder (an
// array element to its array, a digest to the slot that owns it) until some
// holder's OnError handles it.
#pragma once
#include <cstdint>

// Classes of a pair.
enum : uint32_t {
    kErrorNone = 0,
    kErrorWarning = 1,
    kErrorFatal = 2,
    kErrorLibrary = 511,  // inside the library, not an alert
};

// Codes the library raises itself (the lower ones are TLS alert descriptions).
enum : uint32_t {
    kCodeCloseNotify = 0,
    kCodeUnexpectedMessage = 10,
    kCodeBadRecordMac = 20,
    kCodeDecryptionFailed = 21,
    kCodeHandshakeFailure = 40,
    kCodeNoCertificate = 41,
    kCodeBadCertificate = 42,
    kCodeUnsupportedCertificate = 43,
    kCodeCertificateExpired = 45,
    kCodeCertificateUnknown = 46,
    kCodeIllegalParameter = 47,
    kCodeUnknownCa = 48,
    kCodeAccessDenied = 49,
    kCodeDecodeError = 50,
    kCodeDecryptError = 51,
    kCodeInternalError = 80,
    kCodeNoCommonSsl2Cipher = 296,
    kCodeChainOutOfOrder = 298,
    kCodeExpiredWarning = 317,
    kCodeOutOfMemory = 336,
    kCodeUnknown = 511,
    kCodeServerOnlySsl2 = 552,
    kCodeSignatureNotVerifiable = 554,
    kCodeNoCipherEnabled = 592,
    kCodeSecurityNotAvailable = 848,
    kCodeSecurityDisabled = 1104,
    kCodeBadNamePattern = 16639,
};

// A pair as stored: the class is one of the four above and the code one of the
// valid list, so a pair always names a row of the message table.
struct SecurityErrorCode {
    uint32_t errorClass = kErrorNone;
    uint32_t code = kCodeUnknown;

    SecurityErrorCode() = default;
    SecurityErrorCode(uint32_t cls, uint32_t cd) { Set(cls, cd); }
    // An unknown class is stored as 511, a code outside the list as 80.
    void Set(uint32_t cls, uint32_t cd);
    void Clear() { errorClass = kErrorNone, code = kCodeUnknown; }
    bool operator==(const SecurityErrorCode& o) const { return errorClass == o.errorClass && code == o.code; }
    bool operator!=(const SecurityErrorCode& o) const { return !(*this == o); }
};

// Whether a code is one a pair may hold.
bool IsValidSecurityCode(uint32_t code);

class ErrorHolder {
public:
    ErrorHolder() = default;
    // Copies take no error and no parent: a copy is a fresh object.
    ErrorHolder(const ErrorHolder&) {}
    ErrorHolder& operator=(const ErrorHolder&) { return *this; }
    virtual ~ErrorHolder() = default;

    // Answers non-zero when this holder handled the error, which then climbs
    // no further. The base handles nothing.
    virtual int OnError(const SecurityErrorCode& error) { return 0; }
    // 1 with the pair copied into out (when given) while an error is set.
    virtual int GetError(SecurityErrorCode* out = nullptr) const;
    // Back to (0, 511), not raised; containers clear their members too.
    virtual void ClearError();

    // Sets the pair and the raised flag, asks OnError, and passes the pair up
    // to the parent when unhandled. Answers what the handling OnError
    // answered, else 0.
    int RaiseSecurityError(uint32_t errorClass, uint32_t code);
    int RaiseSecurityError(const SecurityErrorCode& error) {
        return RaiseSecurityError(error.errorClass, error.code);
    }
    int RaiseFrom(const ErrorHolder& other) { return RaiseSecurityError(other.error_); }
    // Sets the pair without raising (to prepare an alert).
    void SetSecurityError(uint32_t errorClass, uint32_t code) { error_.Set(errorClass, code); }

    const SecurityErrorCode& Error() const { return error_; }
    bool Raised() const { return raised_ != 0; }
    ErrorHolder* Parent() const { return parent_; }
    void SetParent(ErrorHolder* parent) { parent_ = parent; }

protected:
    SecurityErrorCode error_;
    ErrorHolder* parent_ = nullptr;  // not owned
    uint32_t raised_ = 0;
};

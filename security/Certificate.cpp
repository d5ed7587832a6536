#include "security/Certificate.h"

#include <cstdio>

#include "security/CryptoLibrary.h"

static constexpr int kObjectEmailAddress = 48;

Certificate::Certificate() {
    store_ = crypto::Call<void*>(kSlotStoreNew);
    if (!store_) RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
    encoded_.SetParent(this);
}

Certificate::Certificate(const Certificate& other) : Certificate() {
    for (const Entry& e : other.entries_) {
        Entry copy = e;
        copy.certificate = crypto::Call<void*>(kSlotCertificateDuplicate, e.certificate);
        if (!copy.certificate) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            break;
        }
        if (!entries_.empty()) crypto::Call<int>(kSlotStoreAdd, store_, copy.certificate);
        entries_.push_back(copy);
    }
    encoded_.Copy(other.encoded_);
}

Certificate::~Certificate() {
    Clear();
}

void Certificate::Clear() {
    for (Entry& e : entries_) crypto::CallVoid(kSlotCertificateFree, e.certificate);
    entries_.clear();
    if (store_) crypto::CallVoid(kSlotStoreFree, store_);
    store_ = nullptr;
    encoded_.Resize(0);
}

void Certificate::LoadChain(const ItemList<MediumByteVector>& ders) {
    Clear();
    store_ = crypto::Call<void*>(kSlotStoreNew);
    if (!store_) {
        RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
        return;
    }
    for (uint32_t i = 0; i < ders.Count(); ++i) {
        const MediumByteVector& der = ders.Item(i);
        void* certificate = crypto::Call<void*>(kSlotCertificateFromDer, static_cast<const uint8_t*>(der.Data()),
                                                static_cast<int>(der.Length()));
        crypto::DrainErrors();
        if (!certificate) {
            RaiseSecurityError(kErrorFatal, kCodeBadCertificate);
            return;
        }
        if (!encoded_.Resize(i + 1)) {
            crypto::CallVoid(kSlotCertificateFree, certificate);
            return;
        }
        encoded_.Item(i) = der;
        if (i > 0) crypto::Call<int>(kSlotStoreAdd, store_, certificate);
        entries_.push_back(Entry{certificate});
    }
}

void Certificate::LoadSingle(const ByteVector& der) {
    CertificateList one;
    if (!one.Resize(1)) return;
    one.Item(0).Assign(der);
    LoadChain(one);
}

void Certificate::Fail(uint32_t index, uint32_t errorClass, uint32_t code) {
    if (index < entries_.size()) entries_[index].bad = true;
    RaiseSecurityError(errorClass, code);
}

int Certificate::Verify(ErrorHolder* target) {
    int result = 0;
    if (entries_.empty()) {
        RaiseSecurityError(kErrorLibrary, kCodeNoCertificate);
    } else {
        result = 1;
        for (uint32_t i = 0; i + 1 < entries_.size() && result; ++i) {
            if (!crypto::Call<int>(kSlotNamesMatch, entries_[i].certificate, 1, entries_[i + 1].certificate, 0)) {
                Fail(i, kErrorLibrary, kCodeChainOutOfOrder);
                result = 0;
            }
        }
        // Only an authority may sign: a certificate above the leaf whose
        // basic constraints deny it would let any site certify others.
        for (uint32_t i = 1; i < entries_.size() && result; ++i) {
            if (crypto::Call<int>(kSlotCertificateCaFlag, entries_[i].certificate) == 0) {
                Fail(i, kErrorFatal, kCodeBadCertificate);
                result = 0;
            }
        }
        if (result) {
            result = crypto::Call<int>(kSlotVerify, store_, entries_[0].certificate, &VerifyCallback,
                                       static_cast<void*>(this)) == 1
                         ? 1
                         : 0;
            crypto::DrainErrors();
            // The library gave up without telling the callback why.
            if (!result && !GetError()) RaiseSecurityError(kErrorLibrary, kCodeIllegalParameter);
        }
    }
    if (target && GetError()) target->RaiseFrom(*this);
    return result;
}

int Certificate::VerifyCallback(int ok, int depth, int code, void* argument) {
    return static_cast<Certificate*>(argument)->OnFinding(ok, depth, code);
}

int Certificate::LookUp(int depth) {
    return depth >= 0 && static_cast<size_t>(depth) < entries_.size() ? 1 : 0;
}

int Certificate::OnFinding(int ok, int depth, int code) {
    uint32_t index = depth < 0 ? UINT32_MAX : static_cast<uint32_t>(depth);
    Entry* entry = index < entries_.size() ? &entries_[index] : nullptr;
    switch (code) {
        case kVerifyOk:
            return ok;
        case kVerifyIssuerMissing:
        case kVerifyLeafIssuerMissing:
            return LookUp(depth);
        case kVerifyRootNotVouched:
            if (entry) entry->checked = true;
            return LookUp(depth);
        case kVerifyNotYetValid:
        case kVerifyBadNotBefore:
        case kVerifyBadNotAfter:
        case kVerifyNotCa:
        case kVerifyUntrusted:
        case kVerifyRejected:
            Fail(index, kErrorFatal, kCodeBadCertificate);
            return 0;
        case kVerifyUnsupported:
            Fail(index, kErrorFatal, kCodeUnsupportedCertificate);
            return 0;
        case kVerifyBadSignature:
            Fail(index, kErrorFatal, kCodeSignatureNotVerifiable);
            return 0;
        case kVerifyExpired:
            if (entry) entry->expired = true;
            RaiseSecurityError(kErrorWarning, kCodeExpiredWarning);
            return 1;
        case kVerifyOtherExpiry:
            if (entry) entry->expired = true;
            RaiseSecurityError(kErrorFatal, kCodeCertificateExpired);
            return 1;
        case kVerifyOutOfMemory:
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return 0;
        default:
            RaiseSecurityError(kErrorLibrary, kCodeIllegalParameter);
            return 0;
    }
}

std::string EscapeNameValue(const uint8_t* bytes, size_t length) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        uint8_t b = bytes[i];
        if (b >= 32 && b <= 126) {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

// A name entry's object and escaped value; false past the last entry.
static bool ReadNameEntry(void* certificate, bool issuer, int index, int& object, std::string& value) {
    int length = crypto::Call<int>(kSlotNameEntry, certificate, issuer ? 1 : 0, index, &object,
                                   static_cast<uint8_t*>(nullptr), 0);
    if (length < 0) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(length) + 1);
    crypto::Call<int>(kSlotNameEntry, certificate, issuer ? 1 : 0, index, &object, bytes.data(), length);
    value = EscapeNameValue(bytes.data(), static_cast<size_t>(length));
    return true;
}

std::vector<std::string> Certificate::NameFields(uint32_t i, bool issuer) const {
    std::vector<std::string> fields;
    if (i >= entries_.size()) return fields;
    void* certificate = entries_[i].certificate;
    int count = crypto::Call<int>(kSlotNameEntryCount, certificate, issuer ? 1 : 0);
    fields.resize(static_cast<size_t>(count > 0 ? count : 0) + 5);
    bool stateHeld = false, countryHeld = false;
    size_t next = 5;
    for (int k = 0; k < count; ++k) {
        int object = 0;
        std::string value;
        if (!ReadNameEntry(certificate, issuer, k, object, value)) break;
        switch (object) {
            case kObjectCommonName: fields[0] = value; break;
            case kObjectOrganization: fields[1] = value; break;
            case kObjectOrganizationalUnit: fields[2] = value; break;
            case kObjectLocality: fields[3] = value; break;
            case kObjectState:
                fields[4] = countryHeld ? value + ", " + fields[4] : value;
                stateHeld = true;
                break;
            case kObjectCountry:
                fields[4] = stateHeld ? fields[4] + ", " + value : value;
                countryHeld = true;
                break;
            default: {
                char name[128] = "";
                if (!crypto::Call<int>(kSlotObjectLongName, object, name, static_cast<int>(sizeof name)))
                    std::snprintf(name, sizeof name, "Unknown field");
                if (next < fields.size()) fields[next++] = std::string(name) + ": " + value;
                break;
            }
        }
    }
    return fields;
}

void Certificate::NameLine(uint32_t i, bool issuer, ByteVector& out) const {
    out.Resize(0);
    if (i >= entries_.size()) return;
    char line[1024];
    int n = crypto::Call<int>(kSlotNameLine, entries_[i].certificate, issuer ? 1 : 0, line,
                              static_cast<int>(sizeof line));
    if (n > 0) out.SetBytes(reinterpret_cast<const uint8_t*>(line), static_cast<uint32_t>(n));
}

void Certificate::EmailAddress(uint32_t i, bool issuer, ByteVector& out) const {
    out.Resize(0);
    if (i >= entries_.size()) return;
    int count = crypto::Call<int>(kSlotNameEntryCount, entries_[i].certificate, issuer ? 1 : 0);
    for (int k = 0; k < count; ++k) {
        int object = 0;
        std::string value;
        if (!ReadNameEntry(entries_[i].certificate, issuer, k, object, value)) return;
        if (object == kObjectEmailAddress) {
            out.SetString(value.c_str());
            return;
        }
    }
}

std::unique_ptr<PublicKey> Certificate::GetPublicKey(uint32_t i) const {
    if (i >= entries_.size()) return nullptr;
    void* key = crypto::Call<void*>(kSlotCertificatePublicKey, entries_[i].certificate);
    crypto::DrainErrors();
    if (!key) return nullptr;
    return std::make_unique<PublicKey>(key);
}

uint32_t Certificate::GetKeyBits(uint32_t i) const {
    auto key = GetPublicKey(i);
    return key ? key->KeyBits() : 0;
}

bool Certificate::IsSelfSigned(uint32_t i) const {
    if (i >= entries_.size()) return false;
    return crypto::Call<int>(kSlotNamesMatch, entries_[i].certificate, 1, entries_[i].certificate, 0) == 1;
}

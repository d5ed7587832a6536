#include "security/PublicKey.h"

#include <cstring>
#include <new>

#include "security/CryptoLibrary.h"

// RSA with PKCS #1 padding carries at most the modulus less 11 bytes.
static constexpr uint32_t kRsaPaddingOverhead = 11;

PublicKey::PublicKey(void* key) : key_(key) {
    buffer_.SetParent(this);
}

PublicKey::~PublicKey() {
    if (key_) crypto::CallVoid(kSlotFreeKey, key_);
}

int PublicKey::Kind() const {
    if (!key_) return kKeyNone;
    switch (crypto::Call<int>(kSlotKeyType, key_)) {
        case 6:
        case 19: return kKeyRsa;
        case 28: return kKeyDsa;
        case 66:
        case 67:
        case 70: return kKeyOther;
        default: return kKeyNone;
    }
}

uint32_t PublicKey::ModulusSize() const {
    int size = key_ ? crypto::Call<int>(kSlotModulusSize, key_) : 0;
    return size > 0 ? static_cast<uint32_t>(size) : 0;
}

uint32_t PublicKey::MaxInputBlock() const {
    switch (Kind()) {
        case kKeyRsa: {
            uint32_t modulus = ModulusSize();
            return modulus > kRsaPaddingOverhead ? modulus - kRsaPaddingOverhead : 0;
        }
        case kKeyOther: return 20;
        default: return 0;
    }
}

uint32_t PublicKey::OutputBlock() const {
    return Kind() == kKeyRsa ? ModulusSize() : 0;
}

uint32_t PublicKey::KeyBits() const {
    int kind = Kind();
    return kind == kKeyRsa || kind == kKeyOther ? ModulusSize() * 8 : 0;
}

void PublicKey::Begin(bool encrypting) {
    encrypting_ = encrypting;
    blockLength_ = encrypting ? MaxInputBlock() : OutputBlock();
    buffered_ = 0;
    buffer_.Resize(blockLength_);
}

uint32_t PublicKey::Block(const uint8_t* in, uint32_t length, uint8_t* out) {
    CryptoSlot slot;
    int written;
    int len = static_cast<int>(length);
    if (encrypting_ && !isPrivate_) {
        written = crypto::Call<int>(kSlotRsaPublicEncrypt, len, in, out, key_, static_cast<int>(kRsaPkcs1Padding), 0);
    } else {
        slot = encrypting_ ? kSlotRsaPrivateEncrypt : isPrivate_ ? kSlotRsaPrivateDecrypt : kSlotRsaPublicDecrypt;
        written = crypto::Call<int>(slot, len, in, out, key_, static_cast<int>(kRsaPkcs1Padding));
    }
    crypto::Drained found = crypto::DrainErrors();
    if (found == crypto::Drained::kFailedDecryption || (written <= 0 && !encrypting_)) {
        RaiseSecurityError(kErrorFatal, kCodeDecryptError);
        return 0;
    }
    if (found != crypto::Drained::kNone || written <= 0) {
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return 0;
    }
    return static_cast<uint32_t>(written);
}

uint8_t* PublicKey::Stream(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) {
    outLength = 0;
    if (blockLength_ == 0 || buffer_.Length() != blockLength_) {
        if (length) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return out;
    }
    while (length > 0 && !GetError()) {
        uint32_t n = blockLength_ - buffered_ < length ? blockLength_ - buffered_ : length;
        std::memcpy(buffer_.Data() + buffered_, in, n);
        buffered_ += n;
        in += n;
        length -= n;
        if (buffered_ == blockLength_) out = Flush(out, outLength);
    }
    return out;
}

uint8_t* PublicKey::Flush(uint8_t* out, uint32_t& outLength) {
    if (buffered_ == 0) return out;
    uint32_t written = Block(buffer_.Data(), buffered_, out);
    buffered_ = 0;
    outLength += written;
    return out + written;
}

uint8_t* PublicKey::EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) {
    return Stream(in, length, out, outLength);
}

uint8_t* PublicKey::DecryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) {
    return Stream(in, length, out, outLength);
}

uint8_t* PublicKey::EncryptFinal(uint8_t* out, uint32_t& outLength, int) {
    outLength = 0;
    return Flush(out, outLength);
}

uint8_t* PublicKey::DecryptFinal(uint8_t* out, uint32_t& outLength, int) {
    outLength = 0;
    return Flush(out, outLength);
}

int PublicKey::VerifyRaw(const uint8_t* expected, uint32_t length, const uint8_t* signature,
                         uint32_t signatureLength) {
    if (Kind() != kKeyRsa) return 0;
    isPrivate_ = false;
    ByteVector in, out;
    in.SetBytes(signature, signatureLength);
    DecryptVector(*this, in, out);
    if (GetError() || out.Length() != length) return 0;
    return length == 0 || std::memcmp(out.Data(), expected, length) == 0 ? 1 : 0;
}

int VerifyVectors(PublicKey& key, const ByteVector& expected, const ByteVector& signature) {
    return key.VerifyRaw(expected.Data(), expected.Length(), signature.Data(), signature.Length());
}

int PublicKey::SetComponent(int index, const ByteVector& value) {
    if (!key_) key_ = crypto::Call<void*>(kSlotNewRsaKey);
    int ok = key_ && crypto::Call<int>(kSlotSetKeyComponent, key_, index, static_cast<const uint8_t*>(value.Data()),
                                       static_cast<int>(value.Length()));
    if (!ok) {
        crypto::DrainErrors();
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    }
    return ok ? 1 : 0;
}

std::unique_ptr<PublicKey> PublicKey::NewEmpty() const {
    return std::unique_ptr<PublicKey>(new (std::nothrow) PublicKey());
}

std::unique_ptr<PublicKey> PublicKey::Clone() const {
    auto copy = NewEmpty();
    if (copy && encoded_.Length()) copy->DecodePublic(encoded_);
    if (copy) copy->isPrivate_ = isPrivate_;
    return copy;
}

int PublicKey::DecodePublic(const ByteVector& der) {
    void* fresh = crypto::Call<void*>(kSlotPublicKeyFromDer, static_cast<const uint8_t*>(der.Data()),
                                      static_cast<int>(der.Length()));
    crypto::DrainErrors();
    if (!fresh) {
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return 0;
    }
    if (key_) crypto::CallVoid(kSlotFreeKey, key_);
    key_ = fresh;
    encoded_.Assign(der);
    return 1;
}

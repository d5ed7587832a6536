#include "security/BlockCipher.h"

#include <cstring>
#include <new>

#include "security/CryptoLibrary.h"

uint32_t CipherBase::OutputSize(uint32_t n) const {
    if (IsBlockCipher() != 1) return n;
    uint32_t in = static_cast<uint16_t>(BlockSizeIn());
    uint32_t out = static_cast<uint16_t>(BlockSizeOut());
    // A key without an input block size (not an RSA key) has no rounding.
    if (in == 0) return n;
    uint64_t blocks = (uint64_t{n} + in - 1) / in;
    uint64_t size = blocks * out;
    return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
}

BlockCipher::BlockCipher(const CryptoCipherInfo* descriptor) : descriptor_(descriptor) {
    if (!descriptor_) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
}

BlockCipher::BlockCipher(const BlockCipher& other)
    : CipherBase(other), descriptor_(other.descriptor_), encrypt_(other.encrypt_) {
    if (other.context_ && EnsureContext())
        crypto::Call<int>(kSlotCipherContextCopy, context_, static_cast<const void*>(other.context_));
}

BlockCipher::~BlockCipher() {
    if (context_) crypto::CallVoid(kSlotCipherContextFree, context_);
}

uint32_t BlockCipher::BlockSize() const {
    return descriptor_ ? static_cast<uint16_t>(descriptor_->blockSize) : 0;
}

uint32_t BlockCipher::KeyLength() const {
    return descriptor_ ? static_cast<uint16_t>(descriptor_->keyLength) : 0;
}

uint32_t BlockCipher::IvLength() const {
    return descriptor_ ? static_cast<uint16_t>(descriptor_->ivLength) : 0;
}

int BlockCipher::Kind() const {
    if (!descriptor_) return kCipherNone;
    switch (static_cast<int16_t>(descriptor_->objectNumber)) {
        case kObjectRc4: return kCipherRc4;
        case kObjectRc2Cbc: return kCipherRc2Cbc;
        case kObjectDesCbc: return kCipherDesCbc;
        case kObjectDesEde3Cbc: return kCipherDesEde3Cbc;
        case kObjectIdeaCbc: return kCipherIdeaCbc;
        default: return kCipherNone;
    }
}

void BlockCipher::CheckLibrary(bool callFailed) {
    crypto::Drained found = crypto::DrainErrors();
    if (found == crypto::Drained::kFailedDecryption)
        RaiseSecurityError(kErrorFatal, kCodeDecryptionFailed);
    else if (found == crypto::Drained::kOther || callFailed)
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
}

bool BlockCipher::EnsureContext() {
    if (context_) return true;
    if (!descriptor_) return false;
    context_ = crypto::Call<void*>(kSlotCipherContextNew);
    bool ok = context_ && crypto::Call<int>(kSlotCipherInit, context_, descriptor_,
                                            static_cast<const uint8_t*>(nullptr),
                                            static_cast<const uint8_t*>(nullptr), encrypt_);
    if (!ok) {
        if (context_) crypto::CallVoid(kSlotCipherContextFree, context_);
        context_ = nullptr;
        CheckLibrary(true);
    }
    return ok;
}

void BlockCipher::SetDirection(int encrypt) {
    encrypt_ = encrypt;
    if (context_)
        crypto::Call<int>(kSlotCipherInit, context_, static_cast<const CryptoCipherInfo*>(nullptr),
                          static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(nullptr), encrypt);
}

const uint8_t* BlockCipher::SetKey(const uint8_t* key) {
    if (!EnsureContext()) return key;
    int ok = crypto::Call<int>(kSlotCipherInit, context_, static_cast<const CryptoCipherInfo*>(nullptr), key,
                               static_cast<const uint8_t*>(nullptr), encrypt_);
    CheckLibrary(!ok);
    return key + KeyLength();
}

const uint8_t* BlockCipher::SetIv(const uint8_t* iv) {
    if (!EnsureContext()) return iv;
    int ok = crypto::Call<int>(kSlotCipherInit, context_, static_cast<const CryptoCipherInfo*>(nullptr),
                               static_cast<const uint8_t*>(nullptr), iv, encrypt_);
    CheckLibrary(!ok);
    return iv + IvLength();
}

uint8_t* BlockCipher::Step(CryptoSlot slot, const uint8_t* in, uint32_t length, uint8_t* out,
                           uint32_t& outLength) {
    outLength = 0;
    if (!EnsureContext()) return out;
    int written = 0;
    int ok = crypto::Call<int>(slot, context_, out, &written, in, static_cast<int>(length));
    CheckLibrary(!ok);
    outLength = ok && written > 0 ? static_cast<uint32_t>(written) : 0;
    return out + outLength;
}

uint8_t* BlockCipher::Finish(CryptoSlot slot, uint8_t* out, uint32_t& outLength, int pad) {
    outLength = 0;
    if (!EnsureContext()) return out;
    int written = 0;
    int ok = crypto::Call<int>(slot, context_, out, &written, pad);
    CheckLibrary(!ok);
    outLength = ok && written > 0 ? static_cast<uint32_t>(written) : 0;
    return out + outLength;
}

uint8_t* BlockCipher::EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) {
    return Step(kSlotEncryptUpdate, in, length, out, outLength);
}

uint8_t* BlockCipher::EncryptFinal(uint8_t* out, uint32_t& outLength, int pad) {
    return Finish(kSlotEncryptFinal, out, outLength, pad);
}

uint8_t* BlockCipher::DecryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) {
    return Step(kSlotDecryptUpdate, in, length, out, outLength);
}

uint8_t* BlockCipher::DecryptFinal(uint8_t* out, uint32_t& outLength, int pad) {
    return Finish(kSlotDecryptFinal, out, outLength, pad);
}

std::unique_ptr<BlockCipher> BlockCipher::NewSameKind() const {
    return std::unique_ptr<BlockCipher>(new (std::nothrow) BlockCipher(descriptor_));
}

void BlockCipher::DeriveKey(int digestKind, const ByteVector& password, const ByteVector& salt, int count) {
    CryptoSlot getter = digestKind == 1 ? kSlotMd5 : digestKind == 2 ? kSlotSha1 : kCryptoSlotCount;
    if (getter == kCryptoSlotCount) return;
    const CryptoDigestInfo* digest = crypto::Call<const CryptoDigestInfo*>(getter);
    uint8_t key[64];
    uint8_t iv[32];
    int ok = crypto::Call<int>(kSlotBytesToKey, descriptor_, digest, static_cast<const uint8_t*>(salt.Data()),
                               static_cast<const uint8_t*>(password.Data()), static_cast<int>(password.Length()),
                               count, key, iv) > 0;
    if (ok && EnsureContext()) {
        ok = crypto::Call<int>(kSlotCipherInit, context_, static_cast<const CryptoCipherInfo*>(nullptr),
                               static_cast<const uint8_t*>(key), static_cast<const uint8_t*>(iv), encrypt_);
    }
    CheckLibrary(!ok);
    volatile uint8_t* wipe = key;
    for (size_t i = 0; i < sizeof key; ++i) wipe[i] = 0;
    wipe = iv;
    for (size_t i = 0; i < sizeof iv; ++i) wipe[i] = 0;
}

uint8_t* NullCipher::EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) {
    if (length) std::memmove(out, in, length);
    outLength = length;
    return out + length;
}

// n is the input length, plus one when padding a block cipher (padding always
// adds at least one byte).
void EncryptVector(CipherBase& cipher, const ByteVector& input, ByteVector& output, int pad) {
    uint32_t n = input.Length() + (pad && cipher.IsBlockCipher() == 1 ? 1 : 0);
    uint32_t size = cipher.OutputSize(n);
    output.Resize(size);
    if (output.Raised()) {
        output.Resize(0);
        return;
    }
    cipher.SetEncrypt();
    uint32_t first = 0, second = 0;
    uint8_t* end = cipher.EncryptUpdate(input.Data(), input.Length(), output.Data(), first);
    cipher.EncryptFinal(end, second, pad);
}

void DecryptVector(CipherBase& cipher, const ByteVector& input, ByteVector& output, int pad) {
    uint64_t room = uint64_t{input.Length()} + 2 * uint64_t{cipher.BlockSizeIn()};
    if (room > kMaxVectorLength || !output.Resize(static_cast<uint32_t>(room)) || output.Raised()) {
        output.Resize(0);
        return;
    }
    cipher.SetDecrypt();
    uint32_t first = 0, second = 0;
    uint8_t* end = cipher.DecryptUpdate(input.Data(), input.Length(), output.Data(), first);
    cipher.DecryptFinal(end, second, pad);
    output.Resize(first + second);
}

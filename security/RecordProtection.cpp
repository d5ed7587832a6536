#include "security/RecordProtection.h"

#include <algorithm>
#include <cstring>

CipherState::CipherState() = default;

ProtectableRecord::ProtectableRecord(uint32_t maximum, unsigned width)
    : ByteVector(maximum, width), contentType_(kContentApplicationData) {
    version_.SetParent(this);
    mac_.SetParent(this);
}

ProtectableRecord::~ProtectableRecord() {
    WipeMemory(padding_, sizeof padding_);
}

void ProtectableRecord::Reset() {
    output_.reset();
    plainLength_ = consumed_ = outputPosition_ = expectedLength_ = macSize_ = 0;
    paddingCount_ = 0;
    mac_.Resize(0);
}

void ProtectableRecord::BeginProtect() {
    Reset();
    pending_ = true;
}

void ProtectableRecord::BeginUnprotect() {
    Reset();
    pending_ = true;
}

void ProtectableRecord::Fail(const ErrorHolder* source) {
    if (source && source->GetError() && !GetError()) RaiseFrom(*source);
    if (!GetError()) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    Reset();
    pending_ = false;
}

// A failure of the cipher or the MAC, copied to the record.
static const ErrorHolder* Failed(const CipherBase& cipher, const RecordMac* mac) {
    if (cipher.GetError()) return &cipher;
    if (mac && mac->GetError()) return mac;
    return nullptr;
}

std::unique_ptr<ProtectableRecord> ProtectableRecord::Protect(CipherState& state, uint32_t sliceLimit) {
    if (!pending_) return nullptr;
    NullCipher clear;
    CipherBase& cipher = state.cipher ? *state.cipher : clear;
    RecordMac* mac = state.mac.get();
    if (sliceLimit == 0) sliceLimit = UINT32_MAX;

    if (!output_) {
        plainLength_ = Length();
        macSize_ = mac ? mac->Size() : 0;
        uint32_t total = plainLength_ + macSize_;
        expectedLength_ = cipher.OutputSize(total);
        output_ = NewOutputRecord();
        if (!output_) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            Fail(nullptr);
            return nullptr;
        }
        uint32_t blockSize = cipher.IsBlockCipher() ? cipher.BlockSizeIn() : 1;
        FillPadding(static_cast<uint8_t>(expectedLength_ - total), blockSize, *output_);
        expectedLength_ = total + paddingCount_;
        if (!output_->Resize(expectedLength_)) {
            Fail(output_.get());
            return nullptr;
        }
        output_->SetContentType(contentType_);
        output_->SetVersion(version_);
        cipher.SetEncrypt();
        if (macSize_) {
            mac->ComputeMac(state.sequence, version_, contentType_, plainLength_, Data(), paddingCount_, padding_,
                            mac_);
            if (mac->GetError() || mac_.Length() != macSize_) {
                Fail(mac->GetError() ? mac : nullptr);
                return nullptr;
            }
            if (MacFirst()) {
                uint32_t written = 0;
                cipher.EncryptUpdate(mac_.Data(), macSize_, output_->Data() + outputPosition_, written);
                outputPosition_ += written;
            }
        }
    }

    uint32_t n = std::min(sliceLimit, plainLength_ - consumed_);
    uint32_t written = 0;
    cipher.EncryptUpdate(Data() + consumed_, n, output_->Data() + outputPosition_, written);
    consumed_ += n;
    outputPosition_ += written;
    if (const ErrorHolder* failed = Failed(cipher, mac)) {
        Fail(failed);
        return nullptr;
    }
    if (consumed_ < plainLength_) return nullptr;

    if (macSize_ && !MacFirst()) {
        cipher.EncryptUpdate(mac_.Data(), macSize_, output_->Data() + outputPosition_, written);
        outputPosition_ += written;
    }
    if (paddingCount_) {
        cipher.EncryptUpdate(padding_, paddingCount_, output_->Data() + outputPosition_, written);
        outputPosition_ += written;
    }
    cipher.EncryptFinal(output_->Data() + outputPosition_, written, 0);
    outputPosition_ += written;
    if (const ErrorHolder* failed = Failed(cipher, mac)) {
        Fail(failed);
        return nullptr;
    }
    if (outputPosition_ != expectedLength_) {
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        Fail(nullptr);
        return nullptr;
    }
    state.sequence.Increment();
    pending_ = false;
    std::unique_ptr<ProtectableRecord> done = std::move(output_);
    Reset();
    return done;
}

std::unique_ptr<ProtectableRecord> ProtectableRecord::Unprotect(CipherState& state, uint32_t sliceLimit) {
    if (!pending_) return nullptr;
    NullCipher clear;
    CipherBase& cipher = state.cipher ? *state.cipher : clear;
    RecordMac* mac = state.mac.get();
    if (sliceLimit == 0) sliceLimit = UINT32_MAX;

    if (!output_) {
        plainLength_ = Length();
        // A block cipher's records are whole blocks; the length is public,
        // so this tells an attacker nothing.
        uint32_t block = cipher.IsBlockCipher() ? cipher.BlockSizeIn() : 1;
        if (block > 1 && plainLength_ % block != 0) {
            RaiseSecurityError(kErrorFatal, kCodeDecryptionFailed);
            Fail(nullptr);
            return nullptr;
        }
        output_ = NewOutputRecord();
        if (!output_) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            Fail(nullptr);
            return nullptr;
        }
        // Room for what a block cipher may hold back and release at the end.
        if (!output_->Resize(plainLength_)) {
            Fail(output_.get());
            return nullptr;
        }
        output_->SetContentType(contentType_);
        output_->SetVersion(version_);
        cipher.SetDecrypt();
    }

    uint32_t n = std::min(sliceLimit, plainLength_ - consumed_);
    uint32_t written = 0;
    cipher.DecryptUpdate(Data() + consumed_, n, output_->Data() + outputPosition_, written);
    consumed_ += n;
    outputPosition_ += written;
    if (const ErrorHolder* failed = Failed(cipher, mac)) {
        Fail(failed);
        return nullptr;
    }
    if (consumed_ < plainLength_) return nullptr;

    cipher.DecryptFinal(output_->Data() + outputPosition_, written, 0);
    outputPosition_ += written;
    if (const ErrorHolder* failed = Failed(cipher, mac)) {
        Fail(failed);
        return nullptr;
    }
    uint32_t length = outputPosition_;
    uint32_t blockSize = cipher.IsBlockCipher() ? cipher.BlockSizeIn() : 1;
    if (length != plainLength_ || (blockSize > 1 && length % blockSize != 0)) {
        RaiseSecurityError(kErrorFatal, kCodeDecryptionFailed);
        Fail(nullptr);
        return nullptr;
    }

    // Bad padding is reported exactly like a bad MAC, and the MAC is still
    // computed, so that a peer cannot tell the two apart.
    uint8_t* plain = output_->Data();
    uint32_t padding = 0;
    bool good = ReceivedPadding(plain, length, blockSize, padding);
    if (!good || padding >= length) {
        good = false;
        padding = 0;
    }
    length -= padding;

    uint32_t macSize = mac ? mac->Size() : 0;
    if (macSize) {
        // A record may be empty but for its MAC (servers send such records
        // ahead of data under a block cipher).
        if (macSize > length) {
            // Too short for its MAC: the length alone tells, nothing secret.
            RaiseSecurityError(good ? kErrorLibrary : kErrorFatal,
                               good ? kCodeIllegalParameter : kCodeBadRecordMac);
            Fail(nullptr);
            return nullptr;
        }
        uint32_t dataLength = length - macSize;
        uint32_t dataStart = MacFirst() ? macSize : 0;
        const uint8_t* received = MacFirst() ? plain : plain + dataLength;
        mac->ComputeMac(state.sequence, version_, contentType_, dataLength, plain + dataStart, padding,
                        plain + dataStart + dataLength, mac_);
        if (mac->GetError() || mac_.Length() != macSize) {
            Fail(mac->GetError() ? mac : nullptr);
            return nullptr;
        }
        if (!EqualInConstantTime(mac_.Data(), received, macSize)) good = false;
        if (good && MacFirst()) std::memmove(plain, plain + macSize, dataLength);
        length = dataLength;
    }
    if (!good) {
        RaiseSecurityError(kErrorFatal, kCodeBadRecordMac);
        Fail(nullptr);
        return nullptr;
    }
    WipeMemory(plain + length, plainLength_ - length);
    output_->Resize(length);
    state.sequence.Increment();
    pending_ = false;
    std::unique_ptr<ProtectableRecord> done = std::move(output_);
    Reset();
    return done;
}

static uint32_t CheckAgainst(uint32_t value, const uint32_t* valid, size_t count, uint32_t sentinel,
                             ErrorHolder* target) {
    for (size_t i = 0; i < count; ++i)
        if (valid[i] == value) return value;
    if (target) target->RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    return sentinel;
}

uint32_t CheckHandshakeType(uint32_t value, ErrorHolder* target) {
    static const uint32_t valid[] = {0, 1, 2, 11, 12, 13, 14, 15, 16, 20};
    return CheckAgainst(value, valid, sizeof valid / sizeof *valid, 255, target);
}

uint32_t CheckContentType(uint32_t value, ErrorHolder* target) {
    static const uint32_t valid[] = {20, 21, 22, 23, 509, 510};
    return CheckAgainst(value, valid, sizeof valid / sizeof *valid, 511, target);
}

uint32_t CheckAlertLevel(uint32_t value, ErrorHolder* target) {
    static const uint32_t valid[] = {0, 1, 2};
    return CheckAgainst(value, valid, sizeof valid / sizeof *valid, 511, target);
}

uint32_t CheckAlertCode(uint32_t value, ErrorHolder* target) {
    static const uint32_t valid[] = {0,  10, 20, 21, 22, 30, 40, 41, 42,  43,  44,  45,  46,  47,  48,   49,
                                     50, 51, 60, 70, 71, 80, 90, 100, 296, 552, 336, 317, 298, 554, 592, 848,
                                     1104};
    return CheckAgainst(value, valid, sizeof valid / sizeof *valid, 80, target);
}

uint32_t CheckCompressionMethod(uint32_t value, ErrorHolder* target) {
    static const uint32_t valid[] = {0};
    return CheckAgainst(value, valid, 1, 255, target);
}

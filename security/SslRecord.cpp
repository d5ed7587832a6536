#include "security/SslRecord.h"

#include <cstring>
#include <new>

SslRecord::SslRecord(uint32_t maxFragment) : ProtectableRecord(65535, 2), maxFragment_(maxFragment) {}

std::unique_ptr<ProtectableRecord> SslRecord::NewOutputRecord() const {
    return std::unique_ptr<ProtectableRecord>(new (std::nothrow) SslRecord(kMaxProtectedFragment));
}

void SslRecord::FillPadding(uint32_t count, uint32_t blockSize, ProtectableRecord&) {
    if (blockSize <= 1) {
        paddingCount_ = 0;
        return;
    }
    paddingCount_ = count ? count : blockSize;
    std::memset(padding_, static_cast<int>(paddingCount_ - 1), paddingCount_);
}

bool SslRecord::ReceivedPadding(const uint8_t* plain, uint32_t length, uint32_t blockSize,
                                uint32_t& padding) const {
    padding = 0;
    if (blockSize <= 1) return true;
    if (length == 0) return false;
    uint8_t last = plain[length - 1];
    padding = last + 1u;
    if (padding > length) return false;
    if (version_.Major() == 3 && version_.Minor() == 0) return padding <= blockSize;
    // Every byte is looked at whatever the claimed length, so the time
    // taken does not tell how much of the padding was right.
    uint8_t difference = 0;
    uint32_t window = length < 256 ? length : 256;
    for (uint32_t i = 1; i <= window; ++i) {
        uint8_t inside = i <= padding ? 0xFF : 0;
        difference |= static_cast<uint8_t>((plain[length - i] ^ last) & inside);
    }
    return difference == 0;
}

// Header states: 1 the content type, 2 the version, 3-5 the length.
const uint8_t* SslRecord::ReadLengthField(const uint8_t* in, uint32_t& remaining) {
    if (headerState_ == 0) {
        headerState_ = 1;
        state_ = 1;
    }
    if (headerState_ == 1 && remaining > 0) {
        uint8_t type = *in++;
        --remaining;
        bool known = type >= kContentChangeCipherSpec && type <= kContentApplicationData;
        contentType_ = known ? uint32_t{type} : uint32_t{kContentUnknown};
        headerState_ = 2;
    }
    if (headerState_ == 2 && remaining > 0) {
        in = version_.Read(in, remaining);
        if (version_.IsComplete()) headerState_ = 3;
    }
    if (headerState_ >= 3 && remaining > 0) {
        in = ReadBigEndian(in, remaining, headerLength_, headerState_, 3, headerCounter_, 2);
        if (headerState_ == 5) {
            headerState_ = 0;
            if (headerLength_ > maxFragment_) {
                state_ = 0;
                RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
                return in;
            }
            pendingLength_ = headerLength_;
            state_ = 2;
        }
    }
    return in;
}

uint8_t* SslRecord::WriteLengthField(uint8_t* out, uint32_t value) const {
    *out++ = static_cast<uint8_t>(contentType_);
    out = version_.Write(out);
    return WriteBigEndian(out, value, 2);
}

int SslRecord::Check(ErrorHolder* report) const {
    if (GetError() || headerState_ != 0) return FailCheck(report);
    if (!version_.Check(report) || !ByteVector::Check(report)) return 0;
    if (length_ > maxFragment_) {
        if (report) report->RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
        return 0;
    }
    return 1;
}

void SslRecord::ClearError() {
    ByteVector::ClearError();
    version_.ClearError();
}

OutgoingChunk::OutgoingChunk(const uint8_t* bytes, uint32_t length, uint32_t contentType)
    : contentType_(contentType), block_(new (std::nothrow) uint8_t[length ? length : 1]), length_(length) {
    if (block_ && length) std::memcpy(block_.get(), bytes, length);
    if (!block_) length_ = 0;
}

OutgoingChunk::OutgoingChunk(std::unique_ptr<uint8_t[]> block, uint32_t length, uint32_t contentType)
    : contentType_(contentType), block_(std::move(block)), length_(block_ ? length : 0) {}

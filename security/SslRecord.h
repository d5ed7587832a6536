// The SSL 3.0/TLS 1.0 record as an item: content type (1 byte), version
// (2 bytes), fragment length (2 bytes, big-endian), fragment. The fragment is
// the vector itself; the 5-byte header takes the place of its length field.
// Also the chunks in which outgoing application data is queued.
#pragma once
#include <memory>

#include "security/RecordProtection.h"

constexpr uint32_t kMaxPlainFragment = 16384;
// Protection may add up to 2048 bytes (MAC and padding) to a fragment.
constexpr uint32_t kMaxProtectedFragment = 16384 + 2048;

class SslRecord : public ProtectableRecord {
public:
    explicit SslRecord(uint32_t maxFragment);

    uint32_t MaxFragment() const { return maxFragment_; }

    uint32_t EncodedSize() const override { return 5 + length_; }
    bool IsComplete() const override { return headerState_ == 0 && state_ == 0; }
    int Check(ErrorHolder* report) const override;
    void ClearError() override;
    // The header in place of the vector's length field.
    const uint8_t* ReadLengthField(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* WriteLengthField(uint8_t* out, uint32_t value) const override;

protected:
    std::unique_ptr<ProtectableRecord> NewOutputRecord() const override;
    // Every byte of the padding holds its length minus one; a stream
    // cipher sends none.
    void FillPadding(uint32_t count, uint32_t blockSize, ProtectableRecord& output) override;
    // SSL 3.0 asks only that the padding be shorter than a block; TLS that
    // every padding byte hold the padding length.
    bool ReceivedPadding(const uint8_t* plain, uint32_t length, uint32_t blockSize,
                         uint32_t& padding) const override;

private:
    uint32_t headerState_ = 0;
    uint32_t headerLength_ = 0;
    uint32_t headerCounter_ = 0;
    uint32_t maxFragment_;
};

class SslPlainRecord : public SslRecord {
public:
    SslPlainRecord() : SslRecord(kMaxPlainFragment) {}
};

class SslProtectedRecord : public SslRecord {
public:
    SslProtectedRecord() : SslRecord(kMaxProtectedFragment) {}
};

// Outgoing bytes waiting to be put into records.
class OutgoingChunk : public ListNode {
public:
    // Copies the caller's bytes; Valid() tells whether the copy was made.
    OutgoingChunk(const uint8_t* bytes, uint32_t length, uint32_t contentType = kContentApplicationData);
    // Adopts a new[] block without copying.
    OutgoingChunk(std::unique_ptr<uint8_t[]> block, uint32_t length,
                  uint32_t contentType = kContentApplicationData);

    bool Valid() const { return block_ != nullptr; }
    uint32_t ContentType() const { return contentType_; }
    uint32_t Remaining() const { return length_ - read_; }
    const uint8_t* ReadPointer() const { return block_.get() + read_; }
    void Consume(uint32_t n) { read_ += n < Remaining() ? n : Remaining(); }

private:
    uint32_t contentType_;
    std::unique_ptr<uint8_t[]> block_;
    uint32_t length_;
    uint32_t read_ = 0;
};

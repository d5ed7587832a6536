#include "security/RecordMac.h"

#include <cstring>
#include <new>

void WipeMemory(void* p, size_t n) {
    volatile uint8_t* v = static_cast<uint8_t*>(p);
    while (n--) *v++ = 0;
}

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, uint32_t n) {
    uint8_t difference = 0;
    for (uint32_t i = 0; i < n; ++i) difference |= static_cast<uint8_t>(a[i] ^ b[i]);
    return difference == 0;
}

void SequenceNumber::ShiftRight(unsigned bits) {
    uint64_t value = uint64_t{high} << 32 | low;
    value = bits >= 64 ? 0 : value >> bits;
    high = static_cast<uint32_t>(value >> 32);
    low = static_cast<uint32_t>(value);
}

void SequenceNumber::Write(uint8_t out[8]) const {
    WriteBigEndian(WriteBigEndian(out, high, 4), low, 4);
}

RecordMac::RecordMac() {
    digest_.SetParent(this);
    secret_.SetParent(this);
}

RecordMac::RecordMac(const RecordMac& other) : RecordMac() {
    digest_.CopyFrom(other.digest_);
    secret_.Assign(other.secret_);
}

int RecordMac::Check(ErrorHolder* target) {
    if (GetError() || secret_.GetError()) {
        if (target) target->RaiseSecurityError(GetError() ? error_ : secret_.Error());
        return 0;
    }
    return digest_.Check(target);
}

void RecordMac::SetDigest(const DigestBase* digest) {
    digest_.SetFresh(digest);
}

const uint8_t* RecordMac::SetSecret(const uint8_t* bytes, uint32_t length) {
    return secret_.SetBytes(bytes, length);
}

// H(secret || data || padding || low 32 bits of the sequence number).
void Ssl2RecordMac::ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem&, uint32_t,
                               uint32_t length, const uint8_t* data, uint32_t paddingLength,
                               const uint8_t* padding, ByteVector& out) {
    DigestBase& h = digest_.Current();
    h.Init();
    UpdateVector(h, secret_);
    h.Update(data, length);
    if (paddingLength) h.Update(padding, paddingLength);
    uint8_t number[4];
    WriteBigEndian(number, sequence.low, 4);
    h.Update(number, 4);
    FinalInto(h, out);
}

std::unique_ptr<RecordMac> Ssl2RecordMac::NewSameKind() const {
    std::unique_ptr<RecordMac> mac(new (std::nothrow) Ssl2RecordMac);
    if (mac) mac->SetDigest(&digest_.Current());
    return mac;
}

std::unique_ptr<RecordMac> Ssl2RecordMac::Clone() const {
    return std::unique_ptr<RecordMac>(new (std::nothrow) Ssl2RecordMac(*this));
}

// The pads of SSL 3.0: 48 bytes for MD5, 40 for SHA-1.
static uint32_t Ssl3PadLength(int kind) {
    return kind == kDigestMd5 ? 48 : kind == kDigestSha1 ? 40 : 0;
}

void Ssl3RecordMac::ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem&, uint32_t contentType,
                               uint32_t length, const uint8_t* data, uint32_t, const uint8_t*, ByteVector& out) {
    DigestBase& h = digest_.Current();
    uint32_t n = Ssl3PadLength(h.Kind());
    if (n == 0) return;
    uint8_t header[11];
    sequence.Write(header);
    header[8] = static_cast<uint8_t>(contentType);
    WriteBigEndian(header + 9, length, 2);
    SecureShortByteVector inner;
    h.Init();
    UpdateVector(h, secret_);
    UpdateRepeated(h, 0x36, n);
    h.Update(header, sizeof header);
    h.Update(data, length);
    FinalInto(h, inner);
    h.Init();
    UpdateVector(h, secret_);
    UpdateRepeated(h, 0x5c, n);
    UpdateVector(h, inner);
    FinalInto(h, out);
}

std::unique_ptr<RecordMac> Ssl3RecordMac::NewSameKind() const {
    std::unique_ptr<RecordMac> mac(new (std::nothrow) Ssl3RecordMac);
    if (mac) mac->SetDigest(&digest_.Current());
    return mac;
}

std::unique_ptr<RecordMac> Ssl3RecordMac::Clone() const {
    return std::unique_ptr<RecordMac>(new (std::nothrow) Ssl3RecordMac(*this));
}

TlsHmac::TlsHmac() {
    outer_.SetParent(this);
    std::memset(innerPad_, 0x36, sizeof innerPad_);
    std::memset(outerPad_, 0x5c, sizeof outerPad_);
}

TlsHmac::TlsHmac(const TlsHmac& other) : RecordMac(other) {
    outer_.SetParent(this);
    outer_.CopyFrom(other.outer_);
    std::memcpy(innerPad_, other.innerPad_, sizeof innerPad_);
    std::memcpy(outerPad_, other.outerPad_, sizeof outerPad_);
}

TlsHmac::~TlsHmac() {
    WipeMemory(innerPad_, sizeof innerPad_);
    WipeMemory(outerPad_, sizeof outerPad_);
}

void TlsHmac::SetDigest(const DigestBase* digest) {
    digest_.SetFresh(digest);
    outer_.SetFresh(digest);
}

const uint8_t* TlsHmac::SetSecret(const uint8_t* bytes, uint32_t length) {
    const uint8_t* after = RecordMac::SetSecret(bytes, length);
    std::memset(innerPad_, 0x36, sizeof innerPad_);
    std::memset(outerPad_, 0x5c, sizeof outerPad_);
    SecureShortByteVector key;
    if (length > sizeof innerPad_) {
        // A long key is replaced by its digest, made on a copy so the inner
        // digest's own state is untouched.
        std::unique_ptr<DigestBase> copy = digest_.Current().NewSameKind();
        if (!copy) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return after;
        }
        DigestBytes(*copy, bytes, length, key);
    } else {
        key.SetBytes(bytes, length);
    }
    for (uint32_t i = 0; i < key.Length() && i < sizeof innerPad_; ++i) {
        innerPad_[i] ^= key.Data()[i];
        outerPad_[i] ^= key.Data()[i];
    }
    return after;
}

void TlsHmac::Init() {
    digest_.Current().Init();
    digest_.Current().Update(innerPad_, sizeof innerPad_);
}

void TlsHmac::Update(const uint8_t* data, uint32_t length) {
    digest_.Current().Update(data, length);
}

void TlsHmac::Final(uint8_t* out) {
    DigestBase& outer = outer_.Current();
    uint32_t size = digest_.Current().Size();
    uint8_t inner[64];
    digest_.Current().Final(inner);
    outer.Init();
    outer.Update(outerPad_, sizeof outerPad_);
    outer.Update(inner, size);
    outer.Final(out);
    WipeMemory(inner, sizeof inner);
}

void TlsHmac::ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem& version, uint32_t contentType,
                         uint32_t length, const uint8_t* data, uint32_t, const uint8_t*, ByteVector& out) {
    uint8_t header[13];
    sequence.Write(header);
    header[8] = static_cast<uint8_t>(contentType);
    version.Write(header + 9);
    WriteBigEndian(header + 11, length, 2);
    if (!out.Resize(Size())) return;
    Init();
    Update(header, sizeof header);
    Update(data, length);
    Final(out.Data());
}

std::unique_ptr<RecordMac> TlsHmac::NewSameKind() const {
    std::unique_ptr<RecordMac> mac(new (std::nothrow) TlsHmac);
    if (mac) mac->SetDigest(&digest_.Current());
    return mac;
}

std::unique_ptr<RecordMac> TlsHmac::Clone() const {
    return std::unique_ptr<RecordMac>(new (std::nothrow) TlsHmac(*this));
}

#include "security/HandshakeItems.h"

#include <cstring>

#include "security/RecordMac.h"

PreMasterSecretItem::PreMasterSecretItem() : DataItem(48) {
    data_ = bytes_;
}

PreMasterSecretItem::~PreMasterSecretItem() {
    WipeMemory(bytes_, sizeof bytes_);
}

const uint8_t* PreMasterSecretItem::Read(const uint8_t* in, uint32_t& remaining) {
    return DataItem::Read(in, remaining);
}

uint8_t* PreMasterSecretItem::Write(uint8_t* out) const {
    return DataItem::Write(out);
}

// Two items read one after the other: state 1 the first, 2 the second.
static const uint8_t* ReadPair(DataItem& first, DataItem& second, uint32_t& state, const uint8_t* in,
                               uint32_t& remaining) {
    if (state == 0) state = 1;
    if (state == 1 && remaining > 0) {
        in = first.Read(in, remaining);
        if (first.GetError()) {
            state = 0;
            return in;
        }
        if (first.IsComplete()) state = 2;
    }
    if (state == 2 && remaining > 0) {
        in = second.Read(in, remaining);
        if (second.GetError() || second.IsComplete()) state = 0;
    }
    return in;
}

RsaParametersItem::RsaParametersItem() {
    modulus.SetParent(this);
    exponent.SetParent(this);
}

const uint8_t* RsaParametersItem::Read(const uint8_t* in, uint32_t& remaining) {
    return ReadPair(modulus, exponent, state_, in, remaining);
}

uint8_t* RsaParametersItem::Write(uint8_t* out) const {
    return exponent.Write(modulus.Write(out));
}

int RsaParametersItem::Check(ErrorHolder* report) const {
    if (GetError() || state_ != 0) return FailCheck(report);
    if (modulus.Length() == 0 || exponent.Length() == 0) {
        if (report) report->RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
        return 0;
    }
    return 1;
}

DigitallySignedItem::DigitallySignedItem(int kind, const DigestBase* md5, const DigestBase* sha1)
    : kind_(kind), md5_(md5), sha1_(sha1) {
    md5_.SetParent(this);
    sha1_.SetParent(this);
    signature_.SetParent(this);
}

uint32_t DigitallySignedItem::HashLength() const {
    return kind_ == kSignedRsa ? 36 : kind_ == kSignedDsa ? 20 : 0;
}

void DigitallySignedItem::Init() {
    if (kind_ == kSignedRsa) md5_.Current().Init();
    if (kind_ != kSignedNone) sha1_.Current().Init();
}

void DigitallySignedItem::Update(const ByteVector& data) {
    if (kind_ == kSignedRsa) UpdateVector(md5_.Current(), data);
    if (kind_ != kSignedNone) UpdateVector(sha1_.Current(), data);
}

void DigitallySignedItem::Final() {
    if (kind_ == kSignedRsa) {
        md5_.Current().Final(hashes_);
        sha1_.Current().Final(hashes_ + 16);
    } else if (kind_ == kSignedDsa) {
        sha1_.Current().Final(hashes_);
    }
}

void DigitallySignedItem::Sign() {
    ShortByteVector hashes;
    hashes.SetBytes(hashes_, HashLength());
    if (!key_) {
        signature_.Assign(hashes);
        return;
    }
    key_->SetIsPrivate(true);
    EncryptVector(*key_, hashes, signature_, 0);
    if (key_->GetError()) RaiseFrom(*key_);
}

const uint8_t* DigitallySignedItem::Read(const uint8_t* in, uint32_t& remaining) {
    if (kind_ == kSignedNone) return in;
    return signature_.Read(in, remaining);
}

uint8_t* DigitallySignedItem::Write(uint8_t* out) const {
    return kind_ == kSignedNone ? out : signature_.Write(out);
}

int DigitallySignedItem::CheckAgainst(const DigitallySignedItem& computed, PublicKey* key,
                                      ErrorHolder* report) const {
    auto fail = [&] {
        if (report) report->RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
        return 0;
    };
    if (kind_ != computed.kind_ || GetError() || computed.GetError() || !IsComplete()) return fail();
    if (kind_ == kSignedNone) return 1;
    uint32_t n = computed.HashLength();
    if (key) {
        if (!key->VerifyRaw(computed.hashes_, n, signature_.Data(), signature_.Length())) return fail();
        return 1;
    }
    if (signature_.Length() != n || !EqualInConstantTime(signature_.Data(), computed.hashes_, n)) return fail();
    return 1;
}

CertificateRequestItem::CertificateRequestItem() {
    types.SetParent(this);
    authorities.SetParent(this);
}

const uint8_t* CertificateRequestItem::Read(const uint8_t* in, uint32_t& remaining) {
    return ReadPair(types, authorities, state_, in, remaining);
}

uint8_t* CertificateRequestItem::Write(uint8_t* out) const {
    return authorities.Write(types.Write(out));
}

int CertificateRequestItem::Check(ErrorHolder* report) const {
    if (GetError() || state_ != 0) return FailCheck(report);
    for (unsigned i = 0; i < types.Count(); ++i) {
        uint8_t type = const_cast<ByteListItem&>(types).At(i);
        if (type < 1 || type > 6) {
            if (report) report->RaiseSecurityError(kErrorLibrary, kCodeInternalError);
            return 0;
        }
    }
    return authorities.Check(report);
}

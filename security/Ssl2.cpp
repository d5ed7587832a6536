#include "security/Ssl2.h"

#include <cstring>
#include <initializer_list>
#include <new>

Ssl2Record::Ssl2Record() : ProtectableRecord(kSsl2MaxBody, 2) {
    contentType_ = kContentSsl2;
    version_ = ProtocolVersionItem(2, 0);
}

uint32_t Ssl2Record::HeaderSize() const {
    if (headerPadding_ == 0 && !escape_) return length_ < 0x8000 ? 2 : 0;
    return length_ < 0x4000 ? 3 : 0;
}

// The header is read a byte at a time, so that one split across socket
// reads resumes where it stopped. States: 1 and 2 the length word, 3 the
// padding count of a 3-byte header.
const uint8_t* Ssl2Record::ReadLengthField(const uint8_t* in, uint32_t& remaining) {
    if (headerState_ == 0) {
        headerState_ = 1;
        state_ = 1;
        word_ = 0;
    }
    while (remaining > 0 && headerState_ != 0) {
        uint8_t byte = *in++;
        --remaining;
        if (headerState_ == 1) {
            word_ = uint32_t{byte} << 8;
            headerState_ = 2;
        } else if (headerState_ == 2) {
            word_ |= byte;
            if (word_ & 0x8000) {
                headerPadding_ = 0;
                escape_ = false;
                pendingLength_ = word_ & 0x7FFF;
                headerState_ = 0;
            } else {
                escape_ = (word_ & 0x4000) != 0;
                pendingLength_ = word_ & 0x3FFF;
                headerState_ = 3;
            }
        } else {
            headerPadding_ = byte;
            headerState_ = 0;
        }
    }
    if (headerState_ == 0) state_ = 2;
    return in;
}

uint8_t* Ssl2Record::WriteLengthField(uint8_t* out, uint32_t value) const {
    if (headerPadding_ == 0 && !escape_) {
        if (value >= 0x8000) return out;
        return WriteBigEndian(out, value | 0x8000, 2);
    }
    if (value >= 0x4000) return out;
    out = WriteBigEndian(out, value | (escape_ ? 0x4000u : 0u), 2);
    *out++ = static_cast<uint8_t>(headerPadding_);
    return out;
}

std::unique_ptr<ProtectableRecord> Ssl2Record::NewOutputRecord() const {
    std::unique_ptr<Ssl2Record> record(new (std::nothrow) Ssl2Record);
    if (record) {
        record->escape_ = escape_;
        record->headerPadding_ = headerPadding_;
    }
    return std::unique_ptr<ProtectableRecord>(record.release());
}

void Ssl2Record::FillPadding(uint32_t count, uint32_t blockSize, ProtectableRecord& output) {
    paddingCount_ = blockSize > 1 ? count : 0;
    std::memset(padding_, static_cast<int>(paddingCount_), paddingCount_);
    static_cast<Ssl2Record&>(output).headerPadding_ = paddingCount_;
}

bool Ssl2Record::ReceivedPadding(const uint8_t*, uint32_t length, uint32_t, uint32_t& padding) const {
    padding = headerPadding_;
    return padding < length || padding == 0;
}

Ssl2Message::Ssl2Message() {
    for (ByteVector* v : {&cipherKinds, &sessionId, &challenge, &certificate, &connectionId, &clearKey,
                          &encryptedKey, &keyArg, &response, &pending_})
        v->SetParent(this);
}

void Ssl2Message::SetType(uint32_t type) {
    type_ = type <= kSsl2ClientCertificate ? type : kSsl2NoMessage;
    for (ByteVector* v : {&cipherKinds, &sessionId, &challenge, &certificate, &connectionId, &clearKey,
                          &encryptedKey, &keyArg, &response})
        v->Resize(0);
    errorCode = version = 0;
    sessionIdHit = certificateType = 0;
    std::memset(cipherKind, 0, sizeof cipherKind);
}

ShortByteVector* Ssl2Message::RestOfRecord() {
    switch (type_) {
        case kSsl2ClientFinished: return &connectionId;
        case kSsl2ServerVerify: return &challenge;
        case kSsl2ServerFinished: return &sessionId;
        case kSsl2RequestCertificate: return &response;
        default: return nullptr;
    }
}

namespace {
// A cursor over the bytes received so far.
struct Cursor {
    const uint8_t* p;
    uint32_t left;
    bool Take(uint32_t n, uint32_t& value) {
        if (left < n) return false;
        value = 0;
        for (uint32_t i = 0; i < n; ++i) value = value << 8 | p[i];
        p += n, left -= n;
        return true;
    }
    bool Bytes(uint32_t n, ByteVector& into) {
        if (left < n) return false;
        into.SetBytes(p, n);
        p += n, left -= n;
        return true;
    }
};
}  // namespace

// Parses the whole message from the bytes held so far; false while some
// are missing.
bool Ssl2Message::TryParse() {
    Cursor c{pending_.Data(), pending_.Length()};
    uint32_t type = 0;
    if (!c.Take(1, type)) return false;
    uint32_t a = 0, b = 0, d = 0, e = 0, f = 0, g = 0;
    switch (type) {
        case kSsl2Error:
            if (!c.Take(2, a)) return false;
            errorCode = a == 0 || a == 1 || a == 2 || a == 4 || a == 6 ? a : 7;
            return true;
        case kSsl2ClientHello:
            if (!c.Take(2, version) || !c.Take(2, a) || !c.Take(2, b) || !c.Take(2, d) || c.left < a + b + d)
                return false;
            return c.Bytes(a, cipherKinds) && c.Bytes(b, sessionId) && c.Bytes(d, challenge);
        case kSsl2ClientMasterKey:
            if (c.left < 3) return false;
            std::memcpy(cipherKind, c.p, 3);
            c.p += 3, c.left -= 3;
            if (!c.Take(2, a) || !c.Take(2, b) || !c.Take(2, d) || c.left < a + b + d) return false;
            return c.Bytes(a, clearKey) && c.Bytes(b, encryptedKey) && c.Bytes(d, keyArg);
        case kSsl2ServerHello:
            if (!c.Take(1, e) || !c.Take(1, f) || !c.Take(2, version) || !c.Take(2, a) || !c.Take(2, b) ||
                !c.Take(2, d) || c.left < a + b + d)
                return false;
            sessionIdHit = static_cast<uint8_t>(e);
            certificateType = static_cast<uint8_t>(f == 0 || f == 2 ? f : 1);
            return c.Bytes(a, certificate) && c.Bytes(b, cipherKinds) && c.Bytes(d, connectionId);
        case kSsl2ClientCertificate:
            if (!c.Take(1, g) || !c.Take(2, a) || !c.Take(2, b) || c.left < a + b) return false;
            certificateType = static_cast<uint8_t>(g);
            return c.Bytes(a, certificate) && c.Bytes(b, response);
        default:
            return false;
    }
}

const uint8_t* Ssl2Message::ReadMessage(const uint8_t* in, uint32_t& remaining) {
    if (complete_ || remaining == 0) return in;
    if (type_ == kSsl2NoMessage && pending_.Length() == 0 && !badType_) {
        uint8_t type = *in;
        if (type > kSsl2ClientCertificate) {
            // An unknown type reads as none; the rest of the record is dropped.
            badType_ = true;
            SetType(kSsl2NoMessage);
            RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
            in += remaining;
            remaining = 0;
            complete_ = true;
            return in;
        }
        SetType(type);
        if (ShortByteVector* rest = RestOfRecord()) {
            ++in, --remaining;
            rest->SetBytes(in, remaining);
            in += remaining;
            remaining = 0;
            complete_ = true;
            return in;
        }
    }
    if (ShortByteVector* rest = RestOfRecord()) {
        rest->Append(in, remaining);
        in += remaining;
        remaining = 0;
        return in;
    }
    // The fixed parts tell how much follows: every byte given belongs to
    // this message until it parses whole.
    uint32_t before = pending_.Length();
    pending_.Append(in, remaining);
    if (pending_.GetError()) {
        remaining = 0;
        complete_ = true;
        return in;
    }
    if (TryParse()) {
        complete_ = true;
        uint32_t used = MessageSize() - before;
        if (used > remaining) used = remaining;
        in += used;
        remaining -= used;
        pending_.Resize(0);
        return in;
    }
    in += remaining;
    remaining = 0;
    return in;
}

uint32_t Ssl2Message::MessageSize() const {
    switch (type_) {
        case kSsl2Error: return 3;
        case kSsl2ClientHello: return 9 + cipherKinds.Length() + sessionId.Length() + challenge.Length();
        case kSsl2ClientMasterKey: return 10 + clearKey.Length() + encryptedKey.Length() + keyArg.Length();
        case kSsl2ClientFinished: return 1 + connectionId.Length();
        case kSsl2ServerHello: return 11 + certificate.Length() + cipherKinds.Length() + connectionId.Length();
        case kSsl2ServerVerify: return 1 + challenge.Length();
        case kSsl2ServerFinished: return 1 + sessionId.Length();
        case kSsl2RequestCertificate: return 1 + response.Length();
        case kSsl2ClientCertificate: return 6 + certificate.Length() + response.Length();
        default: return 0;
    }
}

static uint8_t* PutBytes(uint8_t* out, const ByteVector& v) {
    if (v.Length()) std::memcpy(out, v.Data(), v.Length());
    return out + v.Length();
}

uint8_t* Ssl2Message::WriteMessage(uint8_t* out) const {
    if (type_ == kSsl2NoMessage) return out;
    *out++ = static_cast<uint8_t>(type_);
    switch (type_) {
        case kSsl2Error: return WriteBigEndian(out, errorCode, 2);
        case kSsl2ClientHello:
            out = WriteBigEndian(out, version, 2);
            out = WriteBigEndian(out, cipherKinds.Length(), 2);
            out = WriteBigEndian(out, sessionId.Length(), 2);
            out = WriteBigEndian(out, challenge.Length(), 2);
            return PutBytes(PutBytes(PutBytes(out, cipherKinds), sessionId), challenge);
        case kSsl2ClientMasterKey:
            std::memcpy(out, cipherKind, 3);
            out += 3;
            out = WriteBigEndian(out, clearKey.Length(), 2);
            out = WriteBigEndian(out, encryptedKey.Length(), 2);
            out = WriteBigEndian(out, keyArg.Length(), 2);
            return PutBytes(PutBytes(PutBytes(out, clearKey), encryptedKey), keyArg);
        case kSsl2ServerHello:
            *out++ = sessionIdHit;
            *out++ = certificateType;
            out = WriteBigEndian(out, version, 2);
            out = WriteBigEndian(out, certificate.Length(), 2);
            out = WriteBigEndian(out, cipherKinds.Length(), 2);
            out = WriteBigEndian(out, connectionId.Length(), 2);
            return PutBytes(PutBytes(PutBytes(out, certificate), cipherKinds), connectionId);
        case kSsl2ClientCertificate:
            *out++ = certificateType;
            out = WriteBigEndian(out, certificate.Length(), 2);
            out = WriteBigEndian(out, response.Length(), 2);
            return PutBytes(PutBytes(out, certificate), response);
        default: {
            auto* self = const_cast<Ssl2Message*>(this);
            return PutBytes(out, *self->RestOfRecord());
        }
    }
}

int Ssl2Message::CheckMessage(ErrorHolder* target) const {
    auto fail = [&](uint32_t errorClass, uint32_t code) {
        if (target) target->RaiseSecurityError(errorClass, code);
        return 0;
    };
    if (GetError()) return fail(Error().errorClass, Error().code);
    if (!complete_ || type_ == kSsl2NoMessage) return fail(kErrorFatal, kCodeIllegalParameter);
    if (cipherKinds.Length() % 3 != 0) return fail(kErrorFatal, kCodeIllegalParameter);
    if (type_ == kSsl2Error && errorCode == 7) return fail(kErrorFatal, kCodeIllegalParameter);
    if (type_ == kSsl2ServerHello) {
        if (certificateType > 2 || connectionId.Length() == 0) return fail(kErrorFatal, kCodeIllegalParameter);
        // A hit resumes a session: the server sends no certificate or
        // ciphers; a new session needs both.
        bool hit = sessionIdHit != 0;
        bool fresh = certificate.Length() != 0 && cipherKinds.Length() != 0;
        bool bare = certificate.Length() == 0 && cipherKinds.Length() == 0;
        if (hit ? !bare : !fresh) return fail(kErrorFatal, kCodeIllegalParameter);
    }
    return 1;
}

uint32_t Ssl2HelloVersion(const ProtocolVersionItem& item) {
    return item.Major() >= 3 ? uint32_t{item.Major()} * 256 + item.Minor() : item.Major();
}

ProtocolVersionItem Ssl2ServerVersion(uint32_t field) {
    if (field > 2) return ProtocolVersionItem(static_cast<uint8_t>(field >> 8), static_cast<uint8_t>(field));
    return ProtocolVersionItem(static_cast<uint8_t>(field), 0);
}

SecurityErrorCode Ssl2ErrorFromCode(uint32_t code) {
    switch (code) {
        case 1: return SecurityErrorCode(kErrorFatal, kCodeNoCommonSsl2Cipher);
        case 2: return SecurityErrorCode(kErrorWarning, kCodeNoCertificate);
        case 4: return SecurityErrorCode(kErrorWarning, kCodeBadCertificate);
        case 6: return SecurityErrorCode(kErrorWarning, kCodeUnsupportedCertificate);
        default: return SecurityErrorCode(kErrorFatal, kCodeIllegalParameter);
    }
}

uint32_t Ssl2CodeForError(uint32_t code) {
    if (code == kCodeNoCertificate) return 2;
    if (code == kCodeBadCertificate) return 4;
    if ((code >= 43 && code <= 46) || code == kCodeExpiredWarning) return 6;
    return 1;
}

Ssl2Version::Ssl2Version() {
    for (ErrorHolder* member : {static_cast<ErrorHolder*>(&first_), static_cast<ErrorHolder*>(&second_),
                                static_cast<ErrorHolder*>(&challenge_), static_cast<ErrorHolder*>(&connectionId_),
                                static_cast<ErrorHolder*>(&keyArg_)})
        member->SetParent(this);
}

Ssl2Version::~Ssl2Version() = default;

std::unique_ptr<RecordMac> Ssl2Version::NewRecordMac() const {
    return std::unique_ptr<RecordMac>(new (std::nothrow) Ssl2RecordMac);
}

std::unique_ptr<ProtectableRecord> Ssl2Version::NewRecord() const {
    return std::unique_ptr<ProtectableRecord>(new (std::nothrow) Ssl2Record);
}

void Ssl2Version::SetMd5(const DigestBase* digest) {
    first_.SetFresh(digest);
    second_.SetFresh(digest);
    second_.Current().Init();
}

void Ssl2Version::CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) {
    md5Out.Resize(0);
    shaOut.Resize(0);
}

void Ssl2Version::SetValue(int which, const ByteVector& value) {
    switch (which) {
        case kSsl2ValueConnectionId: connectionId_.Assign(value); break;
        case kSsl2ValueChallenge: challenge_.Assign(value); break;
        case kSsl2ValueKeyArg: keyArg_.Assign(value); break;
        case kSsl2ValueHashA:
        case kSsl2ValueHashB: UpdateVector(second_.Current(), value); break;
        default: break;
    }
}

// The answer to a certificate request is signed as MD5 with RSA: the
// digest goes into the signature inside its DigestInfo, as the server that
// checks it unwraps it (a digest of the digest would match nothing).
static const uint8_t kMd5DigestInfo[] = {0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                         0x86, 0xf7, 0x0d, 0x02, 0x05, 0x05, 0x00, 0x04, 0x10};

void Ssl2Version::GetValue(int which, ByteVector& out) {
    out.Resize(0);
    if (which != kSsl2ValueHashOut) return;
    SecureShortByteVector digest;
    FinalInto(second_.Current(), digest);
    if (digest.Length() != 16) return;
    out.Append(kMd5DigestInfo, sizeof kMd5DigestInfo);
    out.Append(digest);
}

void Ssl2Version::Prf(uint32_t length, const ByteVector& secret, const char*, const ByteVector& seed,
                      ByteVector& out) {
    out.Resize(0);
    DigestBase& md5 = first_.Current();
    if (!first_.Check(this)) return;
    uint32_t blocks = (length + 15) / 16;
    if (blocks > 10 || !out.Resize(blocks * 16)) {
        if (!GetError()) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        out.Resize(0);
        return;
    }
    for (uint32_t i = 0; i < blocks; ++i) {
        uint8_t digit = static_cast<uint8_t>('0' + i);
        md5.Init();
        UpdateVector(md5, secret);
        md5.Update(&digit, 1);
        UpdateVector(md5, seed);
        md5.Final(out.Data() + i * 16);
    }
    out.Resize(length);
    if (!first_.Check(this)) out.Resize(0);
}

void Ssl2Version::ComputeKeyBlock(const ByteVector& masterKey, CipherPair write, CipherPair read, bool,
                                  uint32_t) {
    uint32_t k = write.cipher ? write.cipher->KeyLength() : 0;
    uint32_t v = write.cipher ? write.cipher->IvLength() : 0;
    SecureShortByteVector seed, material;
    seed.Concat(challenge_, connectionId_);
    Prf(2 * k, masterKey, nullptr, seed, material);
    if (GetError() || material.Length() != 2 * k) {
        if (!GetError()) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return;
    }
    const uint8_t* readKey = material.Data();
    const uint8_t* writeKey = material.Data() + k;
    if (read.mac) read.mac->SetSecret(readKey, k);
    if (write.mac) write.mac->SetSecret(writeKey, k);
    if (read.cipher) read.cipher->SetKey(readKey);
    if (write.cipher) write.cipher->SetKey(writeKey);
    if (v > 0 && keyArg_.Length() >= v) {
        if (read.cipher) read.cipher->SetIv(keyArg_.Data());
        if (write.cipher) write.cipher->SetIv(keyArg_.Data());
    }
    second_.Current().Init();
    UpdateVector(second_.Current(), material);
    for (ErrorHolder* part : {static_cast<ErrorHolder*>(write.cipher), static_cast<ErrorHolder*>(read.cipher),
                              static_cast<ErrorHolder*>(write.mac), static_cast<ErrorHolder*>(read.mac)})
        if (part && part->GetError() && !GetError()) RaiseFrom(*part);
}

int Ssl2Version::TranslateError(ErrorHolder& error) const {
    uint32_t code = error.Error().code;
    if (code == kCodeNoCertificate || code == kCodeBadCertificate || code == kCodeUnsupportedCertificate) return 1;
    error.SetSecurityError(kErrorFatal, code);
    return code == kCodeNoCommonSsl2Cipher ? 1 : 0;
}

std::unique_ptr<ProtocolVersion> Ssl2Version::NewSameVersion() const {
    return std::unique_ptr<ProtocolVersion>(new (std::nothrow) Ssl2Version);
}

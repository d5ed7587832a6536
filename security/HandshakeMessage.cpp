#include "security/HandshakeMessage.h"

#include <algorithm>
#include <new>

bool IsHandshakeType(uint32_t type) {
    switch (type) {
        case kHelloRequest:
        case kClientHello:
        case kServerHello:
        case kCertificateMessage:
        case kServerKeyExchange:
        case kCertificateRequest:
        case kServerHelloDone:
        case kCertificateVerify:
        case kClientKeyExchange:
        case kFinished:
            return true;
        default:
            return false;
    }
}

// Opaque bodies have no length field of their own: the message's declared
// length sizes them.
static DataItem* NewBody(uint32_t type) {
    ByteVector* opaque = nullptr;
    switch (type) {
        case kCertificateMessage:
            return new (std::nothrow) CertificateList();
        case kClientKeyExchange:
            opaque = new (std::nothrow) ShortByteVector();
            break;
        case kClientHello:
        case kServerHello:
        case kServerKeyExchange:
        case kCertificateRequest:
        case kCertificateVerify:
        case kFinished:
            opaque = new (std::nothrow) MediumByteVector();
            break;
        default:
            return nullptr;
    }
    if (opaque) opaque->SetRaw(true);
    return opaque;
}

static bool HasBody(uint32_t type) {
    return type != kHelloRequest && type != kServerHelloDone && type != kNoHandshakeType;
}

bool HandshakeMessage::SetType(uint32_t type) {
    type_ = IsHandshakeType(type) ? type : kNoHandshakeType;
    body_.reset(NewBody(type_));
    if (body_) {
        body_->SetParent(this);
    } else if (HasBody(type_)) {
        RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
        return false;
    }
    return true;
}

CertificateList* HandshakeMessage::Certificates() const {
    return type_ == kCertificateMessage ? static_cast<CertificateList*>(body_.get()) : nullptr;
}

ByteVector* HandshakeMessage::OpaqueBody() const {
    if (!body_ || type_ == kCertificateMessage) return nullptr;
    return static_cast<ByteVector*>(body_.get());
}

void HandshakeMessage::TellBodyLength() {
    if (ByteVector* opaque = OpaqueBody()) opaque->Resize(declaredLength_);
}

// State 5: compare what the body used with what the header declared.
void HandshakeMessage::FinishBody() {
    uint32_t actual = BodySize();
    state_ = 0;
    if (declaredLength_ == actual) return;
    // A client_hello may carry more than this library parses; anything else
    // must fill its declared length exactly, or the next message would be
    // read from the wrong place.
    if (declaredLength_ > actual && type_ == kClientHello) {
        skip_ = declaredLength_ - actual;
        state_ = 6;
        return;
    }
    RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
}

// States: 1 type, 2-3 length, 4 body, 5 length check, 6 skipping surplus.
const uint8_t* HandshakeMessage::Read(const uint8_t* in, uint32_t& remaining) {
    if (state_ == 0) state_ = 1;
    if (state_ == 1) {
        if (remaining == 0) return in;
        uint8_t type = *in++;
        --remaining;
        state_ = 2;
        if (!SetType(type)) {
            state_ = 0;
            return in;
        }
    }
    if (state_ == 2 || state_ == 3) {
        in = ReadBigEndian(in, remaining, declaredLength_, state_, 2, counter_, 3);
        if (state_ != 4) return in;
        TellBodyLength();
        if (GetError()) {
            state_ = 0;
            return in;
        }
    }
    if (state_ == 4) {
        if (body_) {
            in = body_->Read(in, remaining);
            if (GetError()) {
                state_ = 0;
                return in;
            }
            if (!body_->IsComplete()) return in;
        }
        state_ = 5;
    }
    if (state_ == 5) FinishBody();
    if (state_ == 6) {
        uint32_t n = std::min(skip_, remaining);
        in += n;
        remaining -= n;
        skip_ -= n;
        if (skip_ == 0) state_ = 0;
    }
    return in;
}

uint8_t* HandshakeMessage::Write(uint8_t* out) const {
    *out++ = static_cast<uint8_t>(type_);
    out = WriteBigEndian(out, BodySize(), 3);
    return body_ ? body_->Write(out) : out;
}

int HandshakeMessage::Check(ErrorHolder* report) const {
    if (GetError() || state_ != 0) return FailCheck(report);
    return body_ ? body_->Check(report) : 1;
}

void HandshakeMessage::ClearError() {
    DataItem::ClearError();
    if (body_) body_->ClearError();
}

// A handshake message: type byte, body length (3 bytes, big-endian), body.
// The body's class follows the type. Bodies whose content the handshake
// interprets elsewhere are kept here as opaque bytes of the declared length.
#pragma once
#include <memory>

#include "security/DataItemArray.h"

enum : uint32_t {
    kHelloRequest = 0,
    kClientHello = 1,
    kServerHello = 2,
    kCertificateMessage = 11,
    kServerKeyExchange = 12,
    kCertificateRequest = 13,
    kServerHelloDone = 14,
    kCertificateVerify = 15,
    kClientKeyExchange = 16,
    kFinished = 20,
    kNoHandshakeType = 255,
};

bool IsHandshakeType(uint32_t type);

class HandshakeMessage : public DataItem {
public:
    HandshakeMessage() = default;
    HandshakeMessage(const HandshakeMessage&) = delete;
    HandshakeMessage& operator=(const HandshakeMessage&) = delete;

    uint32_t Type() const { return type_; }
    uint32_t DeclaredLength() const { return declaredLength_; }
    // Makes the body for the type (freeing another type's body). Types 0, 14
    // and unknown ones have none; false after raising (511, 336).
    bool SetType(uint32_t type);
    // The body, or null; owned by the message.
    DataItem* Body() const { return body_.get(); }
    CertificateList* Certificates() const;
    // The opaque bytes of types 1, 2, 12, 13, 15, 16 and 20, or null.
    ByteVector* OpaqueBody() const;

    uint32_t EncodedSize() const override { return 4 + BodySize(); }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return state_ == 0; }
    int Check(ErrorHolder* report) const override;
    void ClearError() override;

private:
    uint32_t BodySize() const { return body_ ? body_->EncodedSize() : 0; }
    void TellBodyLength();
    void FinishBody();

    uint32_t type_ = kNoHandshakeType;
    uint32_t declaredLength_ = 0;
    std::unique_ptr<DataItem> body_;
    uint32_t skip_ = 0;
    uint32_t counter_ = 0;
};

#include "security/Ssl2Handshake.h"

#include <cstring>
#include <vector>

#include "security/CryptoLibrary.h"

// Step ids only mark a row as one with a handler.
const Ssl2Handshake::Row Ssl2Handshake::kMessageTable[6] = {
    {kSsl2AnyState, kSsl2Error, 27, kSsl2StateClosed, &Ssl2Handshake::OnSsl2Error},
    {kSsl2StateHelloSent, kSsl2ServerHello, 28, kSsl2StateHandshaking, &Ssl2Handshake::OnSsl2ServerHello},
    {kSsl2StateHandshaking, kSsl2ServerVerify, 29, kSsl2StateHandshaking, &Ssl2Handshake::OnSsl2ServerVerify},
    {kSsl2StateHandshaking, kSsl2RequestCertificate, 30, kSsl2StateHandshaking,
     &Ssl2Handshake::OnSsl2RequestCertificate},
    {kSsl2StateHandshaking, kSsl2ServerFinished, 31, kSsl2StateEstablished, &Ssl2Handshake::OnSsl2ServerFinished},
    {kSsl2EndOfTable, 0, 14, kSsl2StateClosed, &Ssl2Handshake::OnSsl2Unexpected},
};

static constexpr uint32_t kAuthenticationMd5WithRsa = 1;
static constexpr uint32_t kCertificateTypeX509 = 1;
static constexpr uint32_t kSsl2NoCertificateCode = 2;
static constexpr uint32_t kRollbackBytes = 8;

void Ssl2Handshake::SetChallenge(const ByteVector& challenge) {
    challenge_.Assign(challenge);
    version_.SetValue(kSsl2ValueChallenge, challenge);
}

uint32_t Ssl2Handshake::Fail(uint32_t errorClass, uint32_t code, uint32_t next, bool silent) {
    state_ = host_.FailHandshake(SecurityErrorCode(errorClass, code), next, silent);
    return state_;
}

uint32_t Ssl2Handshake::DispatchSsl2Message(const uint8_t* bytes, uint32_t length, uint32_t nextState) {
    Ssl2Message message;
    uint32_t remaining = length;
    message.ReadMessage(bytes, remaining);
    if (message.GetError()) return Fail(message.Error().errorClass, message.Error().code, nextState);
    if (!message.IsComplete() || remaining != 0) return Fail(kErrorFatal, kCodeDecodeError, nextState);
    // A message that fails its own check is not acted on: the error path
    // ends the handshake and the message goes no further.
    ErrorHolder check;
    if (!message.CheckMessage(&check)) return Fail(check.Error().errorClass, check.Error().code, nextState);
    for (const Row& row : kMessageTable) {
        bool stateMatches = row.state == kSsl2AnyState || row.state == state_;
        if (row.state != kSsl2EndOfTable && !(stateMatches && row.type == message.Type())) continue;
        if (row.step != 0) state_ = (this->*row.handler)(message, row.next);
        break;
    }
    return state_;
}

uint32_t Ssl2Handshake::SendSsl2Message(const Ssl2Message& message, uint32_t next) {
    std::vector<uint8_t> bytes(message.MessageSize());
    uint8_t* end = message.WriteMessage(bytes.data());
    host_.QueueSsl2Record(bytes.data(), static_cast<uint32_t>(end - bytes.data()));
    return next;
}

uint32_t Ssl2Handshake::OnSsl2Error(const Ssl2Message& message, uint32_t next) {
    SecurityErrorCode error = Ssl2ErrorFromCode(message.errorCode);
    if (error.code == kCodeNoCommonSsl2Cipher && state_ == kSsl2StateHelloSent && !host_.Ssl2Enabled())
        error.errorClass = kErrorFatal;
    return Fail(error.errorClass, error.code, next);
}

uint32_t Ssl2Handshake::OnSsl2Unexpected(const Ssl2Message&, uint32_t next) {
    return Fail(kErrorFatal, kCodeUnexpectedMessage, next);
}

const CipherSuiteRow* Ssl2Handshake::ChooseSuite(const ShortByteVector& serverKinds) const {
    const Ssl2CipherKindList& offered = host_.OfferedKinds();
    for (uint32_t i = 0; i < offered.Count(); ++i) {
        const Ssl2CipherKindItem& kind = offered.Item(i);
        bool serverHas = false;
        for (uint32_t at = 0; at + 3 <= serverKinds.Length() && !serverHas; at += 3) {
            const uint8_t* kind3 = serverKinds.Data() + at;
            serverHas = Ssl2CipherKindItem(kind3[0], kind3[1], kind3[2]) == kind;
        }
        if (!serverHas) continue;
        for (const CipherSuiteRow& row : kCipherSuiteTable) {
            if (row.protocol == 0 && Ssl2CipherKindItem(row.id[0], row.id[1], row.id[2]) == kind) return &row;
        }
    }
    return nullptr;
}

uint32_t Ssl2Handshake::OnSsl2ServerHello(const Ssl2Message& message, uint32_t next) {
    if (state_ == kSsl2StateHelloSent && !host_.Ssl2Enabled()) return Fail(kErrorFatal, kCodeServerOnlySsl2, kSsl2StateClosed);
    if (message.version != 2) return Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
    connectionId_.Assign(message.connectionId);
    version_.SetValue(kSsl2ValueConnectionId, message.connectionId);
    if (message.sessionIdHit) return ResumeSession(next);
    suite_ = ChooseSuite(message.cipherKinds);
    if (!suite_) return Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
    level_ = suite_->level;
    serverCertificate_.SetBytes(message.certificate.Data(), message.certificate.Length());
    CertificateList ders;
    ders.Append(serverCertificate_);
    Certificate chain;
    chain.LoadChain(ders);
    if (chain.Count() != 1) return Fail(kErrorFatal, kCodeBadCertificate, kSsl2StateClosed);
    bool unknown = false;
    if (!host_.ConfirmServerCertificate(chain, unknown))
        return Fail(kErrorFatal, unknown ? kCodeCertificateUnknown : kCodeCertificateExpired, kSsl2StateClosed, true);
    certificateSent_ = false;
    if (!SendClientMasterKey(chain)) return state_;
    host_.ActivatePendingState();
    return SendClientFinished(next);
}

// The server knows the session the hello offered: its master key serves
// again with this connection's challenge and connection id, and the client
// finishes at once.
uint32_t Ssl2Handshake::ResumeSession(uint32_t next) {
    const CipherSuiteRow* kind = nullptr;
    int level = 0;
    // A hit on a session the hello never offered is the server's fault.
    if (!host_.OfferedSsl2Session(kind, masterKey_, keyArg_, level) || !kind)
        return Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
    suite_ = kind;
    level_ = level;
    resumed_ = true;
    if (keyArg_.Length()) version_.SetValue(kSsl2ValueKeyArg, keyArg_);
    if (!host_.SetUpSuite(*suite_, masterKey_, keyArg_, version_))
        return Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
    host_.ActivatePendingState();
    return SendClientFinished(next);
}

uint32_t Ssl2Handshake::SendClientFinished(uint32_t next) {
    Ssl2Message finished;
    finished.SetType(kSsl2ClientFinished);
    finished.connectionId.Assign(connectionId_);
    SendSsl2Message(finished, next);
    finishedSent_ = true;
    return next;
}

bool Ssl2Handshake::SendClientMasterKey(const Certificate& chain) {
    std::unique_ptr<PublicKey> key = chain.GetPublicKey(0);
    if (!key) {
        Fail(kErrorLibrary, kCodeOutOfMemory, kSsl2StateClosed);
        return false;
    }
    GetRandomBytesInto(masterKey_, suite_->keyMaterial);
    uint32_t secret = suite_->exportSuite ? suite_->exportKeyLength : suite_->keyMaterial;
    if (masterKey_.Length() != suite_->keyMaterial || secret > masterKey_.Length()) {
        Fail(kErrorLibrary, kCodeInternalError, kSsl2StateClosed);
        return false;
    }
    level_ = LevelForServerKey(level_, key->KeyBits());
    Ssl2Message message;
    message.SetType(kSsl2ClientMasterKey);
    std::memcpy(message.cipherKind, suite_->id, 3);
    uint32_t clear = masterKey_.Length() - secret;
    message.clearKey.SetBytes(masterKey_.Data(), clear);
    SecureByteVector hidden;
    hidden.SetBytes(masterKey_.Data() + clear, secret);
    EncryptSsl2MasterKey(*key, hidden, host_.Ssl3OrTlsEnabled(), message.encryptedKey);
    BlockCipher* cipher = SecurityCipher(suite_->cipher);
    uint32_t ivLength = cipher ? cipher->IvLength() : 0;
    keyArg_.Resize(0);
    if (ivLength) {
        GetRandomBytesInto(keyArg_, ivLength);
        version_.SetValue(kSsl2ValueKeyArg, keyArg_);
        message.keyArg.Assign(keyArg_);
    }
    if (message.encryptedKey.Length() == 0 || !host_.SetUpSuite(*suite_, masterKey_, keyArg_, version_)) {
        Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
        return false;
    }
    SendSsl2Message(message, state_);
    return true;
}

uint32_t Ssl2Handshake::OnSsl2ServerVerify(const Ssl2Message& message, uint32_t next) {
    if (!message.challenge.Equals(challenge_)) return Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
    return next;
}

uint32_t Ssl2Handshake::OnSsl2RequestCertificate(const Ssl2Message& message, uint32_t next) {
    if (certificateSent_) return Fail(kErrorFatal, kCodeHandshakeFailure, kSsl2StateClosed);
    // The body: authentication type, then the challenge.
    const ShortByteVector& body = message.response;
    if (body.Length() < 1 || body.Data()[0] != kAuthenticationMd5WithRsa)
        return Fail(kErrorFatal, kCodeIllegalParameter, kSsl2StateClosed);
    certificateSent_ = true;
    Ssl2ClientCredentials chosen;
    if (!host_.ChooseClientCertificate(chosen) || !chosen.privateKey || chosen.certificate.Length() == 0) {
        Ssl2Message none;
        none.SetType(kSsl2Error);
        none.errorCode = kSsl2NoCertificateCode;
        return SendSsl2Message(none, next);
    }
    ShortByteVector requestChallenge;
    requestChallenge.SetBytes(body.Data() + 1, body.Length() - 1);
    version_.SetValue(kSsl2ValueHashA, requestChallenge);
    version_.SetValue(kSsl2ValueHashB, serverCertificate_);
    SecureByteVector digest;
    version_.GetValue(kSsl2ValueHashOut, digest);
    Ssl2Message reply;
    reply.SetType(kSsl2ClientCertificate);
    reply.certificateType = kCertificateTypeX509;
    reply.certificate.SetBytes(chosen.certificate.Data(), chosen.certificate.Length());
    chosen.privateKey->SetIsPrivate(true);
    EncryptVector(*chosen.privateKey, digest, reply.response);
    if (digest.Length() == 0 || reply.response.Length() == 0)
        return Fail(kErrorLibrary, kCodeInternalError, kSsl2StateClosed);
    return SendSsl2Message(reply, next);
}

uint32_t Ssl2Handshake::OnSsl2ServerFinished(const Ssl2Message& message, uint32_t next) {
    sessionId_.Assign(message.sessionId);
    if (!finishedSent_) return state_;
    host_.HandshakeComplete(level_);
    return next;
}

void EncryptSsl2MasterKey(PublicKey& key, const ByteVector& data, bool rollback, ByteVector& out) {
    out.Resize(0);
    uint32_t size = key.OutputBlock();
    // 00 02, at least eight padding bytes, 00, the data.
    if (size < data.Length() + 11) return;
    std::vector<uint8_t> block(size);
    uint32_t padding = size - 3 - data.Length();
    block[0] = 0x00;
    block[1] = 0x02;
    GetRandomBytes(block.data() + 2, padding);
    for (uint32_t i = 0; i < padding; ++i) {
        // Padding bytes are never zero.
        while (block[2 + i] == 0) GetRandomBytes(&block[2 + i], 1);
    }
    if (rollback) std::memset(block.data() + 2 + padding - kRollbackBytes, 0x03, kRollbackBytes);
    block[2 + padding] = 0x00;
    std::memcpy(block.data() + 3 + padding, data.Data(), data.Length());
    out.Resize(size);
    int written = crypto::Call<int>(kSlotRsaPublicEncrypt, static_cast<int>(size),
                                    static_cast<const uint8_t*>(block.data()), out.Data(), key.LibraryKey(),
                                    static_cast<int>(kRsaNoPadding), 0);
    crypto::DrainErrors();
    std::memset(block.data(), 0, block.size());
    if (written != static_cast<int>(size)) out.Resize(0);
}

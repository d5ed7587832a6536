// The client's SSL 2.0 handshake steps: the SSL 2.0 message table and its
// six handlers, CLIENT-MASTER-KEY with the rollback padding, and client
// certificates. The connection that carries the records reaches it only
// through Ssl2HandshakeHost, which it implements: queueing records of kind
// 509, switching to the pending keys, the user's confirmations, the error
// path and the report of completion.
#pragma once
#include <cstdint>
#include <memory>

#include "security/Certificate.h"
#include "security/DataItemArray.h"
#include "security/SecurityLibrary.h"
#include "security/Ssl2.h"

// Connection states the table uses.
enum : uint32_t {
    kSsl2StateHelloSent = 3,
    kSsl2StateHandshaking = 4,
    kSsl2StateEstablished = 9,
    kSsl2StateClosed = 10,
    kSsl2AnyState = 13,
    kSsl2EndOfTable = 14,
};

// A client certificate the user chose, with its private key.
struct Ssl2ClientCredentials {
    MediumByteVector certificate;
    std::unique_ptr<PublicKey> privateKey;
};

class Ssl2HandshakeHost {
public:
    virtual ~Ssl2HandshakeHost() = default;
    // The encoded message, to go out as one record of kind 509 (protected
    // with the keys in force for writing).
    virtual void QueueSsl2Record(const uint8_t* bytes, uint32_t length) = 0;
    virtual bool Ssl2Enabled() const = 0;
    virtual bool Ssl3OrTlsEnabled() const = 0;
    // The cipher kinds the client offered, in order of preference.
    virtual const Ssl2CipherKindList& OfferedKinds() const = 0;
    // Sets the suite up with the master key (and key argument) on the
    // pending state of both directions; false when it cannot.
    virtual bool SetUpSuite(const CipherSuiteRow& suite, const ByteVector& masterKey, const ByteVector& keyArg,
                            Ssl2Version& version) = 0;
    virtual void ActivatePendingState() = 0;
    // The server's chain, checked and confirmed by the user: 1 accepted,
    // 0 refused; unknown is set when the check found no known signer.
    virtual int ConfirmServerCertificate(const Certificate& chain, bool& unknown) = 0;
    // The session whose id the hello offered, for a server that reports a
    // hit: its cipher kind, master key, key argument and level. False when
    // the hello offered none.
    virtual bool OfferedSsl2Session(const CipherSuiteRow*& kind, ByteVector& masterKey, ByteVector& keyArg,
                                    int& level) const = 0;
    // The user's client certificate for an SSL 2.0 request (key type 1),
    // or none.
    virtual bool ChooseClientCertificate(Ssl2ClientCredentials& chosen) = 0;
    // The error path of the connection: reports, sends an ERROR message
    // when the version allows, and answers the state that follows.
    virtual uint32_t FailHandshake(const SecurityErrorCode& error, uint32_t nextState, bool silent) = 0;
    // The handshake is complete at the security level given.
    virtual void HandshakeComplete(int level) = 0;
};

class Ssl2Handshake {
public:
    Ssl2Handshake(Ssl2HandshakeHost& host, Ssl2Version& version) : host_(host), version_(version) {}

    // The 16-byte challenge sent in the CLIENT-HELLO.
    void SetChallenge(const ByteVector& challenge);
    uint32_t State() const { return state_; }
    void SetState(uint32_t state) { state_ = state; }

    // One record's bytes: parsed into one message and handled. Answers the
    // new state.
    uint32_t DispatchSsl2Message(const uint8_t* bytes, uint32_t length, uint32_t nextState);

    // What the handshake settled, for the session cache and the tests.
    const CipherSuiteRow* Suite() const { return suite_; }
    const ByteVector& MasterKey() const { return masterKey_; }
    const ByteVector& KeyArg() const { return keyArg_; }
    // The server took up the offered session: no master key was sent.
    bool Resumed() const { return resumed_; }
    const ByteVector& SessionId() const { return sessionId_; }
    int Level() const { return level_; }

    struct Row {
        uint32_t state;
        uint32_t type;
        uint32_t step;
        uint32_t next;
        uint32_t (Ssl2Handshake::*handler)(const Ssl2Message& message, uint32_t next);
    };
    static const Row kMessageTable[6];

private:
    uint32_t OnSsl2Error(const Ssl2Message& message, uint32_t next);
    uint32_t OnSsl2ServerHello(const Ssl2Message& message, uint32_t next);
    uint32_t OnSsl2ServerVerify(const Ssl2Message& message, uint32_t next);
    uint32_t OnSsl2RequestCertificate(const Ssl2Message& message, uint32_t next);
    uint32_t OnSsl2ServerFinished(const Ssl2Message& message, uint32_t next);
    uint32_t OnSsl2Unexpected(const Ssl2Message& message, uint32_t next);

    uint32_t Fail(uint32_t errorClass, uint32_t code, uint32_t next, bool silent = false);
    uint32_t SendSsl2Message(const Ssl2Message& message, uint32_t next);
    bool SendClientMasterKey(const Certificate& chain);
    uint32_t ResumeSession(uint32_t next);
    uint32_t SendClientFinished(uint32_t next);
    const CipherSuiteRow* ChooseSuite(const ShortByteVector& serverKinds) const;

    Ssl2HandshakeHost& host_;
    Ssl2Version& version_;
    uint32_t state_ = kSsl2StateHelloSent;
    ShortByteVector challenge_;
    ShortByteVector connectionId_;
    MediumByteVector serverCertificate_;
    SecureByteVector masterKey_;
    ShortByteVector keyArg_;
    ShortByteVector sessionId_;
    const CipherSuiteRow* suite_ = nullptr;
    int level_ = 10;
    bool finishedSent_ = false;
    bool certificateSent_ = false;
    bool resumed_ = false;
};

// RSA encryption of the data under the key with PKCS #1 block type 2
// padding; with rollback the last eight padding bytes are 0x03 (a client
// that could have spoken SSL 3.0). Empty on failure.
void EncryptSsl2MasterKey(PublicKey& key, const ByteVector& data, bool rollback, ByteVector& out);

// A secure connection: SSL 2.0, SSL 3.0 or TLS 1.0 between a protocol client
// and the program's socket connection. The first hello to a server is in
// SSL 2.0 format and announces the best version enabled; the server's first
// byte tells whether it answered in SSL 2.0 or in SSL 3.0 records. Bytes the client writes wait in a queue
// until the handshake completes and then go out as protected records;
// received records are unprotected and either handled by the connection's
// state machine (handshake, ChangeCipherSpec, alerts) or held as plaintext
// for the client, which reads it through Receive as it would read a socket.
//
// The state machine is three constant tables (record, handshake message,
// alert), looked up by (state, event) in order; errors take one path that
// shows the user the error's text, sends the alert and closes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/Connection.h"
#include "security/Certificate.h"
#include "security/ProtocolVersion.h"
#include "security/Ssl2.h"
#include "security/Ssl2Handshake.h"
#include "security/SslRecord.h"

class SecurityManager;
class StoredCertificate;
struct SslSessionCacheEntry;

// Connection states.
enum SslState : uint32_t {
    kSslIdle = 0,
    kSslConnecting = 1,
    kSslWaitingForSession = 2,
    kSslHelloSent = 3,
    kSslServerHelloReceived = 4,
    kSslClientFinishedSent = 5,
    kSslResumeAccepted = 6,
    kSslServerCipherChanged = 7,
    kSslResumeCipherChanged = 8,
    kSslOpen = 9,
    kSslClosed = 10,
    kSslClosedDuringHandshake = 11,
    kSslAnyState = 13,
    kSslEndOfTable = 14,
};

// One row of a state table.
struct SslTableRow {
    uint32_t state, event, action, next;
};
// The first row of the table whose state is the current one (or any) and
// whose event matches; the last row (state 14) is the default.
const SslTableRow& LookUpSslRow(const SslTableRow* table, uint32_t state, uint32_t event);
const SslTableRow* SslRecordTable();
const SslTableRow* SslHandshakeTable();
const SslTableRow* SslAlertTable();

// The error table: (code, string id, terminating); the row of 511 is the
// default.
struct SslErrorRow {
    uint32_t code, stringId, terminating;
};
const SslErrorRow& LookUpSslError(uint32_t code);

// What the user sees of an error, replaceable (the security dialogs install
// theirs; tests answer for the user). ShowFatal shows the message; AskWarning
// answers whether to continue after a warning.
struct SslUserInterface {
    void (*showFatal)(uint32_t code, bool fromServer);
    bool (*askWarning)(uint32_t code, bool fromServer);
    // The certificate questions: mode 5 wrong host name, 7 unknown or
    // unconfirmed authority, 10 expired. Answers whether to accept.
    bool (*confirmCertificate)(int mode, const Certificate& chain, const char* host);
    // The personal certificate to send to a server that asks for one: the
    // candidate's index + 1, or 0 to send none. Where it is left out the
    // certificate dialog asks.
    uint32_t (*chooseClientCertificate)(const std::vector<StoredCertificate*>& candidates);
};
void SetSslUserInterface(const SslUserInterface* ui);
// While above zero a security box is open.
extern int g_securityDialogBusy;

// The process-wide session cache. The program's exit empties it.
void ClearSslSessionCache();
// The certificates the user accepted in this run, with their host names.
void ClearAcceptedCertificates();

class SslConnection : public virtual Connection, public ErrorHolder, private Ssl2HandshakeHost {
public:
    // host and port are the socket's (a proxy's when through one); the
    // certificate host is the name the server's certificate must carry.
    SslConnection(MessageHandler* target, const char* host, uint16_t port, const char* certificateHost,
                  bool viaProxy);
    ~SslConnection() override;

    int32_t Receive(char* buffer, int32_t size) override;
    void QueueSend(std::string data) override;
    void Close() override;
    // The start-handshake message (a reconnect after the server dropped a
    // TLS hello); everything else goes to the connection.
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;

    uint32_t State() const { return state_; }
    // The negotiated suite's level: 1 weak, 3 strong; 10 before one is
    // negotiated.
    uint32_t SecurityLevel() const;
    bool Resumed() const { return resumed_; }
    // The version the last hello announced, and whether the server answered
    // in SSL 2.0.
    const ProtocolVersionItem& OfferedVersion() const { return offered_; }
    bool SpeaksSsl2() const { return readSsl2_; }
    // What the ServerHello chose: SSL 3.0 or TLS 1.0 and the suite's code
    // ((0, 0) and 0 before one arrived).
    ProtocolVersionItem NegotiatedVersion() const {
        return version_ ? version_->VersionNumber() : ProtocolVersionItem(0, 0);
    }
    uint16_t NegotiatedSuite() const { return suite_; }
    const std::string& CertificateHost() const { return certificateHost_; }

protected:
    int OnConnected(uint32_t eventMask) override;
    // Leaves the pass-through mode of a proxy tunnel and starts the
    // handshake.
    void EndPassThrough();
    // Socket bytes arrived; the final class calls it from OnDataArrived.
    void OnSocketData();
    // Plaintext waits for the protocol client.
    virtual void NotifyClientData() = 0;
    // A peer that closes during the handshake: the TLS fallback, or the
    // handshake's failure.
    bool TakeOverPeerClose() override;

private:
    // Input.
    bool ReadSocketOnce();
    bool DeferInput();
    void PostLater(uint32_t message, uint32_t delayMs);
    void FeedRecords();
    void ProcessRecord(std::unique_ptr<ProtectableRecord> record);
    uint32_t ReadHandshake(const ProtectableRecord& record);
    uint32_t ReadChangeCipherSpec(const ProtectableRecord& record, uint32_t next);
    uint32_t ReadAlerts(const ProtectableRecord& record);
    uint32_t HandleMessage(uint32_t type, const uint8_t* body, uint32_t length, uint32_t next);

    // Output.
    void SendRecord(uint32_t contentType, const uint8_t* data, uint32_t length);
    void SendHandshake(uint32_t type, const ByteVector& body);
    void FlushApplicationData();

    // Handshake steps.
    void ResetHandshake();
    uint32_t SendClientHello();
    uint32_t SendSsl2Hello(const std::vector<uint16_t>& suites);
    std::vector<uint16_t> SuitesToOffer() const;
    void StartFallback();
    ProtocolVersion* WriteVersion() const;
    std::unique_ptr<ProtectableRecord> NewWriteRecord() const;
    bool MakePendingStates(const CipherSuiteRow& row, const ProtocolVersion& version);
    uint32_t OnServerHello(const uint8_t* body, uint32_t length);
    uint32_t OnCertificate(const uint8_t* body, uint32_t length);
    uint32_t OnServerKeyExchange(const uint8_t* body, uint32_t length);
    uint32_t OnCertificateRequest(const uint8_t* body, uint32_t length);
    // The user's choice among the personal certificates of the key types
    // (1 RSA, 2 DSA) whose chains reach a stored root: fills the client
    // chain and key; false when none is to be sent.
    bool ChooseClientChain(const ByteListItem& types, const ShortVectorList& authorities);
    uint32_t OnServerHelloDone();
    // The signature of the handshake so far with the client's key.
    bool SendCertificateVerify();
    // Forgets the server's keys and messages of a handshake.
    void ResetKeyExchange();
    uint32_t OnFinished(const uint8_t* body, uint32_t length);
    uint32_t CompleteHandshake();
    bool SetUpSuite();
    bool DeriveKeys();
    void SendChangeCipherSpecAndFinished();
    bool CheckServerCertificate();
    bool ConfirmServerCertificate(const std::vector<int>& status);

    // Errors and closing.
    uint32_t RaiseAndHandle(uint32_t errorClass, uint32_t code, uint32_t next, bool silent);
    uint32_t HandleError(const SecurityErrorCode& error, uint32_t next, bool silent);
    void SendAlert(uint32_t level, uint32_t code);
    uint32_t CloseSecure(uint32_t state);
    void ActivatePending(bool write);

    // What the SSL 2.0 steps need of the connection.
    void QueueSsl2Record(const uint8_t* bytes, uint32_t length) override;
    bool Ssl2Enabled() const override;
    bool Ssl3OrTlsEnabled() const override;
    const Ssl2CipherKindList& OfferedKinds() const override;
    bool SetUpSuite(const CipherSuiteRow& suite, const ByteVector& masterKey, const ByteVector& keyArg,
                    Ssl2Version& version) override;
    void ActivatePendingState() override;
    int ConfirmServerCertificate(const Certificate& chain, bool& unknown) override;
    bool OfferedSsl2Session(const CipherSuiteRow*& kind, ByteVector& masterKey, ByteVector& keyArg,
                            int& level) const override;
    bool ChooseClientCertificate(Ssl2ClientCredentials& chosen) override;
    void RememberSsl2Session(int level);
    SslSessionCacheEntry* NewSessionEntry();
    uint32_t FailHandshake(const SecurityErrorCode& error, uint32_t nextState, bool silent) override;
    void HandshakeComplete(int level) override;

    std::unique_ptr<SecurityManager, void (*)(SecurityManager*)> manager_;
    std::string certificateHost_;
    bool viaProxy_;
    bool passThrough_;
    uint32_t state_ = kSslIdle;
    bool closing_ = false;
    bool closeStarted_ = false;
    bool openReached_ = false;
    bool resumed_ = false;
    bool ownFinishedSent_ = false;
    bool failureReported_ = false;
    bool lateData_ = false;
    // The server closed on a hello above SSL 3.0: reconnect without TLS.
    bool ssl3Only_ = false;
    bool reconnect_ = false;
    bool inputDeferred_ = false;  // a retry of the input pump is posted
    bool sessionOffered_ = false;
    // SSL 2.0: the hello went out in its format (write side), the server's
    // first record decides the read side.
    bool writeSsl2_ = false;
    bool readSsl2_ = false;
    bool ssl2Hello_ = false;
    bool firstRecord_ = true;
    std::unique_ptr<Ssl2Version> ssl2Version_;
    std::unique_ptr<Ssl2Handshake> ssl2_;
    Ssl2CipherKindList offeredKinds_;
    int ssl2Level_ = 0;
    // The suite's level, lowered for a small server key; a resumed session
    // keeps the level of its first handshake.
    int level_ = 0;

    std::string raw_;  // received bytes not yet in a record
    std::unique_ptr<ProtectableRecord> reading_;
    std::string plain_;  // application data held for the client
    size_t plainRead_ = 0;
    std::string outgoing_;  // application data waiting for the handshake
    std::string handshakeBytes_;  // handshake messages not yet complete
    ShortByteVector transcript_;  // handshake messages so far, for the hashes

    // The write and read sides: current and pending.
    CipherState writeCurrent_, readCurrent_;
    std::unique_ptr<CipherState> writePending_, readPending_;
    std::unique_ptr<ProtocolVersion> version_;
    ProtocolVersionItem offered_;
    ShortByteVector clientRandom_, serverRandom_;
    ShortByteVector sessionId_;
    uint16_t suite_ = 0;
    const void* suiteRow_ = nullptr;
    SecureShortByteVector masterSecret_;
    SecureShortByteVector expectedServerFinished_;
    Certificate chain_;
    // The key the pre-master secret is encrypted with: the certificate's,
    // or for an export suite with a certificate key above 512 bits the
    // temporary key of the ServerKeyExchange, which the certificate's key
    // (then kept as the signing key) has signed.
    std::unique_ptr<PublicKey> serverKey_;
    std::unique_ptr<PublicKey> signingKey_;
    bool certificateReceived_ = false;
    bool certificateRequested_ = false;
    bool keyExchangeNeeded_ = false;
    bool keyExchangeReceived_ = false;
    // The client certificate chosen for a CertificateRequest (the
    // certificate, then its authorities upwards) and its private key.
    CertificateList clientChain_;
    std::unique_ptr<PublicKey> clientKey_;
    std::vector<uint16_t> offeredSuites_;
    SslSessionCacheEntry* entry_ = nullptr;
};

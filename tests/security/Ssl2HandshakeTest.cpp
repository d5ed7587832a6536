// The client's SSL 2.0 steps against server messages written out byte by
// byte from the protocol's layout, with the real crypto library; a
// recording host stands in for the connection that carries the records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "security/CryptoLibrary.h"
#include "security/SecurityLibrary.h"
#include "security/Ssl2Handshake.h"
#include "tests/security/SecurityTestData.h"

using namespace security_test;

namespace {

std::vector<uint8_t> Big16(size_t n) {
    return {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
}

void Add(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

const std::vector<uint8_t> kConnectionId = FromHex("c0ffee00112233445566778899aabbcc");
const std::vector<uint8_t> kChallenge = FromHex("000102030405060708090a0b0c0d0e0f");

// SERVER-HELLO: no session hit, X.509, version 2, the certificate, the
// cipher kinds, the connection id.
std::vector<uint8_t> ServerHello(const std::vector<uint8_t>& kinds, uint8_t hit = 0, uint16_t version = 2) {
    std::vector<uint8_t> certificate = DataFile("ssl2-server.der");
    std::vector<uint8_t> m = {4, hit, 1};
    Add(m, Big16(version));
    Add(m, Big16(certificate.size()));
    Add(m, Big16(kinds.size()));
    Add(m, Big16(kConnectionId.size()));
    Add(m, certificate);
    Add(m, kinds);
    Add(m, kConnectionId);
    return m;
}

std::vector<uint8_t> WithType(uint8_t type, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> m = {type};
    Add(m, body);
    return m;
}

class RecordingHost : public Ssl2HandshakeHost {
public:
    void QueueSsl2Record(const uint8_t* bytes, uint32_t length) override {
        records.emplace_back(bytes, bytes + length);
    }
    bool Ssl2Enabled() const override { return ssl2; }
    bool Ssl3OrTlsEnabled() const override { return ssl3; }
    const Ssl2CipherKindList& OfferedKinds() const override { return offered; }
    bool SetUpSuite(const CipherSuiteRow& suite, const ByteVector& masterKey, const ByteVector& keyArg,
                    Ssl2Version&) override {
        suiteText = suite.text;
        setUpKeyLength = masterKey.Length();
        setUpKeyArgLength = keyArg.Length();
        return true;
    }
    void ActivatePendingState() override { ++activations; }
    int ConfirmServerCertificate(const Certificate& chain, bool& unknown) override {
        confirmedCount = chain.Count();
        unknown = false;
        return accept;
    }
    bool OfferedSsl2Session(const CipherSuiteRow*&, ByteVector&, ByteVector&, int&) const override {
        return false;
    }
    bool ChooseClientCertificate(Ssl2ClientCredentials&) override { return false; }
    uint32_t FailHandshake(const SecurityErrorCode& error, uint32_t nextState, bool silent) override {
        failures.push_back(error);
        lastSilent = silent;
        return nextState;
    }
    void HandshakeComplete(int level) override { completedLevel = level; }

    bool ssl2 = true, ssl3 = true;
    int accept = 1;
    Ssl2CipherKindList offered;
    std::vector<std::vector<uint8_t>> records;
    std::string suiteText;
    uint32_t setUpKeyLength = 0, setUpKeyArgLength = 0;
    int activations = 0;
    uint32_t confirmedCount = 0;
    std::vector<SecurityErrorCode> failures;
    bool lastSilent = false;
    int completedLevel = -1;
};

class Ssl2Handshaking : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(StartSecurityLibrary(), 1);
        host_.offered.Append(Ssl2CipherKindItem(0x07, 0x00, 0xC0));
        host_.offered.Append(Ssl2CipherKindItem(0x01, 0x00, 0x80));
        handshake_.SetChallenge(Vector(kChallenge));
    }
    uint32_t Dispatch(const std::vector<uint8_t>& message) {
        return handshake_.DispatchSsl2Message(message.data(), static_cast<uint32_t>(message.size()),
                                              kSsl2StateClosed);
    }
    // The encrypted master key opened with the server's private key, as a
    // whole PKCS #1 block.
    std::vector<uint8_t> OpenBlock(const std::vector<uint8_t>& encrypted) {
        std::vector<uint8_t> der = DataFile("ssl2-server-key.der");
        void* key = crypto::Call<void*>(kSlotPrivateKeyFromDer, static_cast<const uint8_t*>(der.data()),
                                        static_cast<int>(der.size()));
        EXPECT_TRUE(key);
        std::vector<uint8_t> block(encrypted.size());
        int n = crypto::Call<int>(kSlotRsaPrivateDecrypt, static_cast<int>(encrypted.size()),
                                  static_cast<const uint8_t*>(encrypted.data()), block.data(), key,
                                  static_cast<int>(kRsaNoPadding));
        crypto::CallVoid(kSlotFreeKey, key);
        block.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return block;
    }

    RecordingHost host_;
    Ssl2Version version_;
    Ssl2Handshake handshake_{host_, version_};
};

TEST_F(Ssl2Handshaking, ServerHelloGivesMasterKeyAndFinishedForEachSuite) {
    struct Case {
        const char* name;
        std::vector<uint8_t> serverKinds;
        bool ssl3;
        const char* suite;
        uint8_t kind[3];
        uint32_t keyLength, keyArgLength;
    } cases[] = {
        {"3-DES, SSL 3.0 on", FromHex("010080" "0700c0"), true, "168 bit 3-DES (RSA/MD5)", {7, 0, 0xC0}, 24, 8},
        {"RC4, SSL 3.0 off", FromHex("010080"), false, "128 bit C4 (RSA/MD5)", {1, 0, 0x80}, 16, 0},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        host.ssl3 = c.ssl3;
        host.offered.Append(Ssl2CipherKindItem(0x07, 0x00, 0xC0));
        host.offered.Append(Ssl2CipherKindItem(0x01, 0x00, 0x80));
        Ssl2Version version;
        Ssl2Handshake handshake(host, version);
        handshake.SetChallenge(Vector(kChallenge));
        std::vector<uint8_t> hello = ServerHello(c.serverKinds);
        EXPECT_EQ(handshake.DispatchSsl2Message(hello.data(), static_cast<uint32_t>(hello.size()), kSsl2StateClosed),
                  kSsl2StateHandshaking)
            << c.name;
        ASSERT_TRUE(host.failures.empty()) << c.name << ": " << host.failures[0].code;
        EXPECT_EQ(host.suiteText, c.suite);
        EXPECT_EQ(host.setUpKeyLength, c.keyLength);
        EXPECT_EQ(host.setUpKeyArgLength, c.keyArgLength);
        EXPECT_EQ(host.activations, 1);
        EXPECT_EQ(host.confirmedCount, 1u);
        ASSERT_EQ(host.records.size(), 2u) << c.name;

        // CLIENT-MASTER-KEY: kind, no clear key, 128 encrypted bytes, the IV.
        const std::vector<uint8_t>& cmk = host.records[0];
        ASSERT_GE(cmk.size(), 10u + 128);
        EXPECT_EQ(std::vector<uint8_t>(cmk.begin(), cmk.begin() + 10),
                  (std::vector<uint8_t>{2, c.kind[0], c.kind[1], c.kind[2], 0, 0, 0, 128, 0,
                                        static_cast<uint8_t>(c.keyArgLength)}));
        EXPECT_EQ(cmk.size(), 10u + 128 + c.keyArgLength);
        std::vector<uint8_t> block = OpenBlock(std::vector<uint8_t>(cmk.begin() + 10, cmk.begin() + 138));
        ASSERT_EQ(block.size(), 128u);
        EXPECT_EQ(block[0], 0x00);
        EXPECT_EQ(block[1], 0x02);
        size_t separator = 128 - c.keyLength - 1;
        EXPECT_EQ(block[separator], 0x00);
        std::vector<uint8_t> eight(block.begin() + separator - 8, block.begin() + separator);
        if (c.ssl3) {
            EXPECT_EQ(eight, std::vector<uint8_t>(8, 0x03)) << "the rollback marker";
        } else {
            EXPECT_NE(eight, std::vector<uint8_t>(8, 0x03));
        }
        EXPECT_EQ(std::vector<uint8_t>(block.begin() + separator + 1, block.end()), Bytes(handshake.MasterKey()));

        // CLIENT-FINISHED carries the server's connection id.
        std::vector<uint8_t> finished = {3};
        Add(finished, kConnectionId);
        EXPECT_EQ(host.records[1], finished);
    }
}

TEST_F(Ssl2Handshaking, VerifyAndFinishedCompleteAtLevelTwo) {
    ASSERT_EQ(Dispatch(ServerHello(FromHex("0700c0"))), kSsl2StateHandshaking);
    EXPECT_EQ(Dispatch(WithType(5, kChallenge)), kSsl2StateHandshaking);
    EXPECT_EQ(Dispatch(WithType(6, FromHex("5e55"))), kSsl2StateEstablished);
    EXPECT_TRUE(host_.failures.empty());
    EXPECT_EQ(host_.completedLevel, 2);
    EXPECT_EQ(Bytes(handshake_.SessionId()), FromHex("5e55"));
}

TEST_F(Ssl2Handshaking, FailuresEndTheHandshake) {
    struct Case {
        const char* name;
        bool ssl2;
        std::vector<std::vector<uint8_t>> messages;
        SecurityErrorCode error;
        size_t recordsSent;
    };
    std::vector<uint8_t> changed = kChallenge;
    changed[7] ^= 0x01;
    std::vector<uint8_t> hello = ServerHello(FromHex("0700c0"));
    std::vector<uint8_t> trailing = WithType(0, FromHex("000100"));
    const Case cases[] = {
        {"SSL 2.0 off", false, {hello}, {kErrorFatal, kCodeServerOnlySsl2}, 0},
        {"no common cipher", true, {ServerHello(FromHex("060040"))}, {kErrorFatal, kCodeHandshakeFailure}, 0},
        {"a session hit never offered", true, {ServerHello(FromHex("0700c0"), 1)}, {kErrorFatal, kCodeIllegalParameter}, 0},
        {"one byte of the challenge changed", true, {hello, WithType(5, changed)}, {kErrorFatal, kCodeHandshakeFailure}, 2},
        {"certificate request of type 2", true, {hello, WithType(7, FromHex("02aabbccdd"))}, {kErrorFatal, kCodeIllegalParameter}, 2},
        {"verify before hello", true, {WithType(5, kChallenge)}, {kErrorFatal, kCodeUnexpectedMessage}, 0},
        {"bytes after the message", true, {trailing}, {kErrorFatal, kCodeDecodeError}, 0},
        {"the server has no cipher", true, {WithType(0, FromHex("0001"))}, {kErrorFatal, kCodeNoCommonSsl2Cipher}, 0},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        host.ssl2 = c.ssl2;
        host.offered.Append(Ssl2CipherKindItem(0x07, 0x00, 0xC0));
        Ssl2Version version;
        Ssl2Handshake handshake(host, version);
        handshake.SetChallenge(Vector(kChallenge));
        uint32_t state = 0;
        for (const auto& m : c.messages)
            state = handshake.DispatchSsl2Message(m.data(), static_cast<uint32_t>(m.size()), kSsl2StateClosed);
        EXPECT_EQ(state, kSsl2StateClosed) << c.name;
        ASSERT_EQ(host.failures.size(), 1u) << c.name;
        EXPECT_EQ(host.failures[0], c.error) << c.name << ": " << host.failures[0].errorClass << ","
                                             << host.failures[0].code;
        EXPECT_EQ(host.records.size(), c.recordsSent) << c.name << ": nothing more is sent";
        EXPECT_EQ(host.completedLevel, -1) << c.name;
    }
}

TEST_F(Ssl2Handshaking, AMessageThatFailsItsCheckIsNotActedOn) {
    // An ERROR with a code outside the protocol's: its check fails, and
    // the handshake ends on that, not on what the code would have meant.
    EXPECT_EQ(Dispatch(WithType(0, FromHex("0003"))), kSsl2StateClosed);
    ASSERT_EQ(host_.failures.size(), 1u);
    EXPECT_EQ(host_.failures[0], SecurityErrorCode(kErrorFatal, kCodeIllegalParameter));
    // A refused certificate ends silently: the user has just answered.
    host_.accept = 0;
    handshake_.SetState(kSsl2StateHelloSent);
    host_.failures.clear();
    EXPECT_EQ(Dispatch(ServerHello(FromHex("0700c0"))), kSsl2StateClosed);
    ASSERT_EQ(host_.failures.size(), 1u);
    EXPECT_TRUE(host_.lastSilent);
    EXPECT_TRUE(host_.records.empty());
}

TEST_F(Ssl2Handshaking, RequestWithoutACertificateAnswersNoCertificate) {
    ASSERT_EQ(Dispatch(ServerHello(FromHex("0700c0"))), kSsl2StateHandshaking);
    EXPECT_EQ(Dispatch(WithType(7, FromHex("01aabbccdd"))), kSsl2StateHandshaking);
    ASSERT_EQ(host_.records.size(), 3u);
    EXPECT_EQ(host_.records[2], FromHex("000002"));
    // A second request after the answer is refused.
    EXPECT_EQ(Dispatch(WithType(7, FromHex("01aabbccdd"))), kSsl2StateClosed);
    EXPECT_EQ(host_.failures.size(), 1u);
}

}  // namespace

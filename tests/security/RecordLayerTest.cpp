// Key derivation and record protection with the real crypto library: the
// secrets, key blocks and Finished values against the answers of the
// openssl command (TLS 1.0) and of the protocol's definition (SSL 3.0), and
// every cipher and MAC through protect and unprotect in slices, with
// tampered records refused alike whatever part was changed.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "security/ProtocolVersion.h"
#include "security/SecurityLibrary.h"
#include "security/Ssl2.h"
#include "security/SslRecord.h"
#include "tests/security/SecurityTestData.h"

using namespace security_test;

namespace {

class RecordLayer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(StartSecurityLibrary(), 1); }
};

std::unique_ptr<ProtocolVersion> Version(uint8_t major, uint8_t minor) {
    ErrorHolder report;
    auto version = MakeProtocolVersion(major, minor, SecurityDigest(kDigestMd5), SecurityDigest(kDigestSha1),
                                       &report);
    EXPECT_NE(version, nullptr);
    version->SetValue(kValueClientRandom, Vector(Answer("kdf.client")));
    version->SetValue(kValueServerRandom, Vector(Answer("kdf.server")));
    return version;
}

TEST_F(RecordLayer, MasterSecretsMatchTheReferences) {
    struct Case {
        uint8_t minor;
        const char* preMaster;
        const char* answer;
    } cases[] = {{1, "kdf.premaster", "tls.master"}, {1, "kdf.odd", "tls.master.odd"},
                 {0, "kdf.premaster", "ssl3.master"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        auto version = Version(3, c.minor);
        SecureShortByteVector master;
        version->ComputeMasterSecret(master, Vector(Answer(c.preMaster)));
        EXPECT_EQ(Bytes(master), Answer(c.answer));
        EXPECT_FALSE(version->GetError());
    }
}

TEST_F(RecordLayer, FinishedValuesMatchAndLeaveTheHashesRunning) {
    for (uint8_t minor : {0, 1}) {
        std::string prefix = minor ? "tls." : "ssl3.";
        SCOPED_TRACE(prefix);
        auto version = Version(3, minor);
        version->SetValue(kValueMasterSecret, Vector(Answer(prefix + "master")));
        std::vector<uint8_t> messages = Answer("kdf.handshake");
        version->UpdateHandshakeHashes(messages.data(), 10);
        version->UpdateHandshakeHashes(messages.data() + 10, static_cast<uint32_t>(messages.size() - 10));
        SecureShortByteVector client, server, again;
        version->ComputeFinished(true, client);
        version->ComputeFinished(false, server);
        version->ComputeFinished(true, again);
        EXPECT_EQ(Bytes(client), Answer(prefix + "finished.client"));
        EXPECT_EQ(Bytes(server), Answer(prefix + "finished.server"));
        EXPECT_TRUE(again.Equals(client));
        EXPECT_EQ(client.Length(), minor ? 12u : 36u);
    }
}

// One direction's cipher and MAC of a suite, made fresh.
struct Direction {
    std::unique_ptr<BlockCipher> cipher;
    std::unique_ptr<RecordMac> mac;
    CipherPair Pair() { return {cipher.get(), mac.get()}; }
    // Moves the pair into a cipher state.
    void Into(CipherState& state) {
        if (cipher) state.cipher = std::move(cipher);
        state.mac = std::move(mac);
    }
};

Direction MakeDirection(ProtocolVersion& version, int cipher, int digest) {
    Direction d;
    if (cipher) d.cipher = SecurityCipher(cipher)->NewSameKind();
    d.mac = version.NewRecordMac();
    d.mac->SetDigest(SecurityDigest(digest));
    return d;
}

TEST_F(RecordLayer, KeyBlocksHaveTheirSuitesLengthsAndFeedTheRecords) {
    // SSL 3.0 RC4 with MD5: 2 x (16 + 16) = 64 bytes, MAC secrets first.
    auto ssl3 = Version(3, 0);
    Direction client = MakeDirection(*ssl3, kCipherRc4, kDigestMd5);
    Direction server = MakeDirection(*ssl3, kCipherRc4, kDigestMd5);
    std::vector<uint8_t> block = Answer("ssl3.keyblock.rc4md5");
    ASSERT_EQ(block.size(), 64u);
    ssl3->ComputeKeyBlock(Vector(Answer("ssl3.master")), client.Pair(), server.Pair(), false, 0);
    EXPECT_EQ(Bytes(client.mac->Secret()), std::vector<uint8_t>(block.begin(), block.begin() + 16));
    EXPECT_EQ(Bytes(server.mac->Secret()), std::vector<uint8_t>(block.begin() + 16, block.begin() + 32));

    // TLS DES-EDE3-CBC with SHA-1: 2 x (20 + 24 + 8) = 104 bytes; the first
    // record of the client is what the openssl command encrypts.
    auto tls = Version(3, 1);
    Direction tlsClient = MakeDirection(*tls, kCipherDesEde3Cbc, kDigestSha1);
    Direction tlsServer = MakeDirection(*tls, kCipherDesEde3Cbc, kDigestSha1);
    std::vector<uint8_t> tlsBlock = Answer("tls.keyblock.3dessha");
    ASSERT_EQ(tlsBlock.size(), 104u);
    tls->ComputeKeyBlock(Vector(Answer("tls.master")), tlsClient.Pair(), tlsServer.Pair(), false, 0);
    EXPECT_FALSE(tls->GetError());
    EXPECT_EQ(Bytes(tlsServer.mac->Secret()), std::vector<uint8_t>(tlsBlock.begin() + 20, tlsBlock.begin() + 40));
    CipherState state;
    tlsClient.Into(state);
    std::unique_ptr<ProtectableRecord> plain = tls->NewRecord();
    plain->SetContentType(kContentApplicationData);
    plain->Assign(Vector(Answer("kdf.data")));
    plain->BeginProtect();
    std::unique_ptr<ProtectableRecord> sent = plain->Protect(state, 0);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(Bytes(*sent), Answer("tls.record.3dessha"));

    // SSL 3.0's MAC of a record without encryption.
    auto clear = Version(3, 0);
    Direction nullMd5 = MakeDirection(*clear, 0, kDigestMd5);
    nullMd5.mac->SetSecret(block.data(), 16);
    CipherState clearState;
    nullMd5.Into(clearState);
    std::unique_ptr<ProtectableRecord> text = clear->NewRecord();
    text->Assign(Vector(Answer("kdf.data")));
    text->BeginProtect();
    std::unique_ptr<ProtectableRecord> macced = text->Protect(clearState, 0);
    ASSERT_NE(macced, nullptr);
    EXPECT_EQ(Bytes(*macced), Answer("ssl3.record.nullmd5"));
}

// The export suites: the key block gives the MAC secrets and five bytes of
// key material a side, from which the final keys and IVs are made (TLS 1.0
// with its PRF, SSL 3.0 with MD5). Each side's cipher must encrypt as the
// openssl command does with the keys derived by the definition.
TEST_F(RecordLayer, ExportSuitesMakeTheirKeysFromFiveBytesASide) {
    struct Case {
        uint8_t minor;
        const char* name;
        int cipher, digest;
    } cases[] = {
        {1, "tls.export.rc4md5", kCipherRc4, kDigestMd5},    {1, "tls.export.rc2md5", kCipherRc2Cbc, kDigestMd5},
        {1, "tls.export.dessha", kCipherDesCbc, kDigestSha1}, {0, "ssl3.export.rc4md5", kCipherRc4, kDigestMd5},
        {0, "ssl3.export.rc2md5", kCipherRc2Cbc, kDigestMd5}, {0, "ssl3.export.dessha", kCipherDesCbc, kDigestSha1},
    };
    std::vector<uint8_t> data = Answer("kdf.data");
    data.resize(16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string prefix = c.name;
        auto version = Version(3, c.minor);
        Direction client = MakeDirection(*version, c.cipher, c.digest);
        Direction server = MakeDirection(*version, c.cipher, c.digest);
        version->ComputeKeyBlock(Vector(Answer(c.minor ? "tls.master" : "ssl3.master")), client.Pair(),
                                 server.Pair(), true, 5);
        ASSERT_FALSE(version->GetError());
        std::vector<uint8_t> block = Answer(prefix + ".block");
        uint32_t m = client.mac->Size();
        ASSERT_EQ(block.size(), 2 * (m + 5u));
        EXPECT_EQ(Bytes(client.mac->Secret()), std::vector<uint8_t>(block.begin(), block.begin() + m));
        EXPECT_EQ(Bytes(server.mac->Secret()), std::vector<uint8_t>(block.begin() + m, block.begin() + 2 * m));
        for (Direction* side : {&client, &server}) {
            ByteVector sent;
            EncryptVector(*side->cipher, Vector(data), sent, 0);
            EXPECT_EQ(Bytes(sent), Answer(prefix + (side == &client ? ".client" : ".server")));
        }
    }
}

// Two connection ends with the keys of one suite: what one side's client
// direction protects, the other side's client direction unprotects.
struct Ends {
    CipherState send, receive;
    std::unique_ptr<ProtocolVersion> version;
};

void MakeEnds(Ends& ends, uint8_t major, uint8_t minor, int cipher, int digest) {
    ends.version = Version(major, minor);
    ByteVector master = Vector(Answer("tls.master"));
    if (major == 2) {
        std::vector<uint8_t> arg(8, 0x42);
        ends.version->SetValue(kSsl2ValueChallenge, Vector(Answer("kdf.client")));
        ends.version->SetValue(kSsl2ValueConnectionId, Vector(Answer("kdf.server")));
        ends.version->SetValue(kSsl2ValueKeyArg, Vector(arg));
        master.Resize(cipher ? SecurityCipher(cipher)->KeyLength() : 16);
    }
    for (CipherState* state : {&ends.send, &ends.receive}) {
        Direction client = MakeDirection(*ends.version, cipher, digest);
        Direction server = MakeDirection(*ends.version, cipher, digest);
        // SSL 2.0's schedule takes the write pair first; either way the
        // "client" pair here is the one both ends use.
        ends.version->ComputeKeyBlock(master, client.Pair(), server.Pair(), false, 0);
        client.Into(*state);
    }
    EXPECT_FALSE(ends.version->GetError());
}

std::unique_ptr<ProtectableRecord> ProtectAll(ProtectableRecord& record, CipherState& state, uint32_t slice) {
    record.BeginProtect();
    std::unique_ptr<ProtectableRecord> out;
    for (int i = 0; i < 10000 && !out && !record.GetError(); ++i) out = record.Protect(state, slice);
    return out;
}

std::unique_ptr<ProtectableRecord> UnprotectAll(ProtectableRecord& record, CipherState& state, uint32_t slice) {
    record.BeginUnprotect();
    std::unique_ptr<ProtectableRecord> out;
    for (int i = 0; i < 10000 && !out && !record.GetError(); ++i) out = record.Unprotect(state, slice);
    return out;
}

struct Suite {
    uint8_t major, minor;
    int cipher, digest;
    const char* name;
};

const Suite kSuites[] = {
    {3, 1, 0, kDigestMd5, "TLS NULL-MD5"},         {3, 1, 0, kDigestSha1, "TLS NULL-SHA"},
    {3, 1, kCipherRc4, kDigestMd5, "TLS RC4-MD5"}, {3, 1, kCipherRc4, kDigestSha1, "TLS RC4-SHA"},
    {3, 1, kCipherDesCbc, kDigestSha1, "TLS DES-CBC-SHA"},
    {3, 1, kCipherDesEde3Cbc, kDigestSha1, "TLS DES-CBC3-SHA"},
    {3, 1, kCipherRc2Cbc, kDigestMd5, "TLS RC2-CBC-MD5"},
    {3, 0, kCipherRc4, kDigestMd5, "SSL3 RC4-MD5"}, {3, 0, kCipherDesEde3Cbc, kDigestSha1, "SSL3 DES-CBC3-SHA"},
    {3, 0, 0, kDigestSha1, "SSL3 NULL-SHA"},
    {2, 0, kCipherRc4, kDigestMd5, "SSL2 RC4-MD5"}, {2, 0, kCipherDesEde3Cbc, kDigestMd5, "SSL2 DES-CBC3-MD5"},
    {2, 0, kCipherRc2Cbc, kDigestMd5, "SSL2 RC2-CBC-MD5"},
};

TEST_F(RecordLayer, EverySuiteRoundTripsInSlices) {
    std::vector<uint8_t> text(1000);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>(i * 13 + 5);
    for (const Suite& s : kSuites) {
        std::vector<uint8_t> first;
        for (uint32_t slice : {1u, 7u, 0u}) {
            SCOPED_TRACE(std::string(s.name) + " slice " + std::to_string(slice));
            Ends ends;
            MakeEnds(ends, s.major, s.minor, s.cipher, s.digest);
            // The last record is empty but for its MAC and padding.
            for (int n = 0; n < 4; ++n) {
                std::unique_ptr<ProtectableRecord> plain = ends.version->NewRecord();
                plain->SetContentType(s.major == 2 ? uint32_t{kContentSsl2} : uint32_t{kContentApplicationData});
                plain->SetBytes(text.data(), static_cast<uint32_t>(n == 3 ? 0 : text.size() - n * 100));
                std::unique_ptr<ProtectableRecord> sent = ProtectAll(*plain, ends.send, slice);
                ASSERT_NE(sent, nullptr);
                EXPECT_NE(Bytes(*sent), Bytes(*plain));
                // The output does not depend on the slices.
                if (n == 0 && slice == 1) {
                    first = Bytes(*sent);
                }
                if (n == 0) {
                    EXPECT_EQ(Bytes(*sent), first);
                }
                // Through the wire form and back.
                std::vector<uint8_t> wire(sent->EncodedSize());
                sent->Write(wire.data());
                std::unique_ptr<ProtectableRecord> received = ends.version->NewRecord();
                uint32_t left = static_cast<uint32_t>(wire.size());
                received->Read(wire.data(), left);
                ASSERT_TRUE(received->IsComplete());
                std::unique_ptr<ProtectableRecord> got = UnprotectAll(*received, ends.receive, slice);
                ASSERT_NE(got, nullptr) << received->Error().code;
                EXPECT_EQ(Bytes(*got), Bytes(*plain));
            }
            EXPECT_EQ(ends.send.sequence.low, 4u);
            EXPECT_EQ(ends.receive.sequence.low, 4u);
        }
    }
}

TEST_F(RecordLayer, AFlippedByteAnywhereIsABadRecordMac) {
    std::vector<uint8_t> text(40, 'x');
    for (const Suite& s : kSuites) {
        Ends probe;
            MakeEnds(probe, s.major, s.minor, s.cipher, s.digest);
        std::unique_ptr<ProtectableRecord> plain = probe.version->NewRecord();
        plain->SetBytes(text.data(), static_cast<uint32_t>(text.size()));
        uint32_t length = ProtectAll(*plain, probe.send, 0)->Length();
        for (uint32_t at : {0u, length / 2, length - 1}) {
            SCOPED_TRACE(std::string(s.name) + " byte " + std::to_string(at));
            Ends ends;
            MakeEnds(ends, s.major, s.minor, s.cipher, s.digest);
            std::unique_ptr<ProtectableRecord> record = probe.version->NewRecord();
            record->SetBytes(text.data(), static_cast<uint32_t>(text.size()));
            std::unique_ptr<ProtectableRecord> sent = ProtectAll(*record, ends.send, 0);
            sent->Data()[at] ^= 0x01;
            EXPECT_EQ(UnprotectAll(*sent, ends.receive, 7), nullptr);
            EXPECT_EQ(sent->Error(), SecurityErrorCode(kErrorFatal, kCodeBadRecordMac));
            EXPECT_FALSE(sent->ProtectionPending());
        }
    }
}

// A TLS record encrypted by hand: data, MAC, then the given padding.
std::unique_ptr<ProtectableRecord> HandMade(Ends& ends, const std::vector<uint8_t>& data, bool goodMac,
                                            const std::vector<uint8_t>& padding) {
    ByteVector mac;
    ends.send.mac->ComputeMac(ends.send.sequence, ProtocolVersionItem(3, 1), kContentApplicationData,
                              static_cast<uint32_t>(data.size()), data.data(), 0, nullptr, mac);
    if (!goodMac) mac.Data()[0] ^= 0x80;
    std::vector<uint8_t> body = data;
    body.insert(body.end(), mac.Data(), mac.Data() + mac.Length());
    body.insert(body.end(), padding.begin(), padding.end());
    ByteVector encrypted;
    EncryptVector(*ends.send.cipher, Vector(body), encrypted, 0);
    std::unique_ptr<ProtectableRecord> record = ends.version->NewRecord();
    record->Assign(encrypted);
    return record;
}

TEST_F(RecordLayer, BadPaddingAndBadMacLookTheSame) {
    std::vector<uint8_t> data(11, 'd');  // 11 + 20 = 31: one byte short of a block
    struct Case {
        bool goodMac;
        std::vector<uint8_t> padding;
        bool accepted;
        const char* why;
    } cases[] = {
        {true, {0x00}, true, "good padding of one byte"},
        {true, std::vector<uint8_t>(9, 0x08), true, "good padding of nine bytes"},
        {true, {0x07, 0x03, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, false, "a wrong padding byte"},
        {true, {0xFE}, false, "padding longer than the record"},
        {false, {0x00}, false, "a bad MAC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Ends ends;
            MakeEnds(ends, 3, 1, kCipherDesEde3Cbc, kDigestSha1);
        std::unique_ptr<ProtectableRecord> record = HandMade(ends, data, c.goodMac, c.padding);
        std::unique_ptr<ProtectableRecord> got = UnprotectAll(*record, ends.receive, 0);
        EXPECT_EQ(got != nullptr, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(Bytes(*got), data);
        } else {
            EXPECT_EQ(record->Error(), SecurityErrorCode(kErrorFatal, kCodeBadRecordMac));
        }
    }
    // A length that is no multiple of the block fails to decrypt.
    Ends ends;
            MakeEnds(ends, 3, 1, kCipherDesEde3Cbc, kDigestSha1);
    std::unique_ptr<ProtectableRecord> record = ends.version->NewRecord();
    std::vector<uint8_t> odd(33, 1);
    record->SetBytes(odd.data(), 33);
    EXPECT_EQ(UnprotectAll(*record, ends.receive, 0), nullptr);
    EXPECT_EQ(record->Error(), SecurityErrorCode(kErrorFatal, kCodeDecryptionFailed));
}

TEST_F(RecordLayer, DesRecordsPadAWholeBlockWhenTheyFit) {
    // 4 bytes of data and 20 of MAC fill three blocks: a fourth of padding.
    Ends ends;
            MakeEnds(ends, 3, 1, kCipherDesCbc, kDigestSha1);
    std::vector<uint8_t> data = {1, 2, 3, 4};
    std::unique_ptr<ProtectableRecord> plain = ends.version->NewRecord();
    plain->SetBytes(data.data(), 4);
    std::unique_ptr<ProtectableRecord> sent = ProtectAll(*plain, ends.send, 0);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->Length(), 32u);
    ByteVector decrypted;
    DecryptVector(*ends.receive.cipher, *sent, decrypted, 0);
    ASSERT_EQ(decrypted.Length(), 32u);
    for (uint32_t i = 24; i < 32; ++i) EXPECT_EQ(decrypted.Data()[i], 7);
}

TEST_F(RecordLayer, Ssl2KeyMaterialGivesTheReadKeyFirst) {
    auto ssl2 = Version(2, 0);
    std::vector<uint8_t> challenge = Answer("kdf.client"), id = Answer("kdf.server");
    ssl2->SetValue(kSsl2ValueChallenge, Vector(challenge));
    ssl2->SetValue(kSsl2ValueConnectionId, Vector(id));
    Direction write = MakeDirection(*ssl2, kCipherRc4, kDigestMd5);
    Direction read = MakeDirection(*ssl2, kCipherRc4, kDigestMd5);
    std::vector<uint8_t> master(16, 0x33);
    ssl2->ComputeKeyBlock(Vector(master), write.Pair(), read.Pair(), false, 0);
    // MD5(master || '0' || challenge || connection id), then with '1'.
    std::vector<uint8_t> expected;
    for (char digit : {'0', '1'}) {
        std::vector<uint8_t> input = master;
        input.push_back(static_cast<uint8_t>(digit));
        input.insert(input.end(), challenge.begin(), challenge.end());
        input.insert(input.end(), id.begin(), id.end());
        ByteVector out;
        DigestBytes(*SecurityDigest(kDigestMd5), input.data(), static_cast<uint32_t>(input.size()), out);
        expected.insert(expected.end(), out.Data(), out.Data() + 16);
    }
    EXPECT_EQ(Bytes(read.mac->Secret()), std::vector<uint8_t>(expected.begin(), expected.begin() + 16));
    EXPECT_EQ(Bytes(write.mac->Secret()), std::vector<uint8_t>(expected.begin() + 16, expected.end()));
}

}  // namespace

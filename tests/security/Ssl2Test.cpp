// SSL 2.0 records and messages as they arrive from servers, the error-code
// mapping both ways, and the pieces of record protection that need no keys:
// sequence numbers, padding rules with the null cipher, and field checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "security/ProtocolVersion.h"
#include "security/Ssl2.h"
#include "security/SslRecord.h"
#include "tests/security/HexBytes.h"

namespace {

// Feeds the bytes in pieces; answers how many the record took.
size_t FeedRecord(DataItem& record, const std::vector<uint8_t>& bytes, size_t piece) {
    size_t used = 0;
    while (used < bytes.size() && !record.GetError()) {
        uint32_t left = static_cast<uint32_t>(std::min(piece, bytes.size() - used));
        uint32_t before = left;
        record.Read(bytes.data() + used, left);
        used += before - left;
        if (record.IsComplete()) break;
    }
    return used;
}

TEST(Ssl2Records, HeadersGiveTheSameBodyHoweverTheyArrive) {
    struct Case {
        const char* header;
        uint32_t body;
        uint32_t padding;
        bool escape;
    } cases[] = {
        {"80 25", 37, 0, false},
        {"00 25 03", 37, 3, false},
        {"40 10 00", 16, 0, true},
        {"ff ff", 0x7FFF, 0, false},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t{1}, size_t{2}, size_t{100000}}) {
            SCOPED_TRACE(std::string(c.header) + " piece " + std::to_string(piece));
            std::vector<uint8_t> bytes = Hex(c.header);
            size_t header = bytes.size();
            bytes.resize(header + c.body, 0xAB);
            Ssl2Record record;
            EXPECT_EQ(FeedRecord(record, bytes, piece), bytes.size());
            ASSERT_TRUE(record.IsComplete());
            EXPECT_EQ(record.Length(), c.body);
            EXPECT_EQ(record.PaddingCount(), c.padding);
            EXPECT_EQ(record.Escape(), c.escape);
            EXPECT_EQ(record.ContentType(), uint32_t{kContentSsl2});
            // Written back with the same header.
            std::vector<uint8_t> out(record.EncodedSize());
            record.Write(out.data());
            EXPECT_EQ(out, bytes);
        }
    }
}

TEST(Ssl2Records, LengthsBeyondTheirHeaderAreNotWritten) {
    Ssl2Record record;
    std::vector<uint8_t> body(0x4000, 1);
    record.SetBytes(body.data(), static_cast<uint32_t>(body.size()));
    EXPECT_EQ(record.HeaderSize(), 2u);  // fits the 2-byte header
    record.SetEscape(true);
    EXPECT_EQ(record.HeaderSize(), 0u);  // a 3-byte header holds 14 bits
}

std::vector<uint8_t> Write(const Ssl2Message& message) {
    std::vector<uint8_t> out(message.MessageSize());
    EXPECT_EQ(message.WriteMessage(out.data()), out.data() + out.size());
    return out;
}

TEST(Ssl2Messages, ClientHelloAnnouncesItsVersion) {
    Ssl2Message hello;
    hello.SetType(kSsl2ClientHello);
    std::vector<uint8_t> kinds = Hex("010080 000004");
    hello.cipherKinds.SetBytes(kinds.data(), 6);
    std::vector<uint8_t> challenge(16, 0x5A);
    hello.challenge.SetBytes(challenge.data(), 16);
    struct Case {
        ProtocolVersionItem version;
        const char* field;
    } cases[] = {{ProtocolVersionItem(3, 1), "0301"}, {ProtocolVersionItem(3, 0), "0300"},
                 {ProtocolVersionItem(2, 0), "0002"}};
    for (const Case& c : cases) {
        hello.version = Ssl2HelloVersion(c.version);
        std::vector<uint8_t> out = Write(hello);
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 9), Hex(std::string("01") + c.field + "0006 0000 0010"));
    }
    EXPECT_TRUE(Ssl2ServerVersion(0x0300) == ProtocolVersionItem(3, 0));
    EXPECT_TRUE(Ssl2ServerVersion(2) == ProtocolVersionItem(2, 0));
}

TEST(Ssl2Messages, ServerHelloParsesInPiecesAndIsChecked) {
    // hit, certificate type, version, lengths (certificate 3, cipher kinds 3, id 2).
    std::vector<uint8_t> fresh = Hex("04 00 01 0002 0003 0003 0002 aabbcc 010080 1234");
    for (size_t piece : {size_t{1}, size_t{5}, fresh.size()}) {
        Ssl2Message message;
        size_t used = 0;
        while (used < fresh.size()) {
            uint32_t left = static_cast<uint32_t>(std::min(piece, fresh.size() - used));
            uint32_t before = left;
            message.ReadMessage(fresh.data() + used, left);
            used += before - left;
        }
        ASSERT_TRUE(message.IsComplete());
        EXPECT_EQ(message.Type(), uint32_t{kSsl2ServerHello});
        EXPECT_EQ(message.version, 2u);
        EXPECT_EQ(message.certificate.Length(), 3u);
        EXPECT_EQ(message.connectionId.Length(), 2u);
        ErrorHolder report;
        EXPECT_EQ(message.CheckMessage(&report), 1);
        EXPECT_EQ(Write(message), fresh);
    }
    struct Bad {
        const char* bytes;
        const char* why;
    } bad[] = {
        {"04 00 01 0002 0003 0003 0000 aabbcc 010080", "empty connection id"},
        {"04 01 01 0002 0003 0003 0002 aabbcc 010080 1234", "a hit with a certificate"},
        {"04 00 01 0002 0003 0002 0002 aabbcc 0100 1234", "cipher kinds not in threes"},
        {"04 00 07 0002 0000 0000 0002 1234", "no certificate on a new session"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.why);
        std::vector<uint8_t> bytes = Hex(b.bytes);
        Ssl2Message message;
        uint32_t left = static_cast<uint32_t>(bytes.size());
        message.ReadMessage(bytes.data(), left);
        ErrorHolder report;
        EXPECT_EQ(message.CheckMessage(&report), 0);
        EXPECT_EQ(report.Error(), SecurityErrorCode(kErrorFatal, kCodeIllegalParameter));
    }
}

TEST(Ssl2Messages, UnknownTypesAndErrorCodesAreIllegal) {
    std::vector<uint8_t> unknown = Hex("0b 0102");
    Ssl2Message message;
    uint32_t left = 3;
    message.ReadMessage(unknown.data(), left);
    EXPECT_EQ(message.Type(), uint32_t{kSsl2NoMessage});
    EXPECT_EQ(message.Error(), SecurityErrorCode(kErrorFatal, kCodeIllegalParameter));

    std::vector<uint8_t> error = Hex("00 0005");
    Ssl2Message odd;
    left = 3;
    odd.ReadMessage(error.data(), left);
    EXPECT_EQ(odd.errorCode, 7u);
    ErrorHolder report;
    EXPECT_EQ(odd.CheckMessage(&report), 0);
}

TEST(Ssl2Messages, ErrorCodesMapBothWays) {
    struct Case {
        uint32_t ssl2;
        SecurityErrorCode error;
    } received[] = {{1, {kErrorFatal, 296}}, {2, {kErrorWarning, 41}}, {4, {kErrorWarning, 42}},
                    {6, {kErrorWarning, 43}}, {3, {kErrorFatal, 47}}};
    for (const Case& c : received) EXPECT_EQ(Ssl2ErrorFromCode(c.ssl2), c.error) << c.ssl2;
    struct Sent {
        uint32_t code, ssl2;
    } sent[] = {{41, 2}, {42, 4}, {43, 6}, {46, 6}, {317, 6}, {40, 1}, {80, 1}};
    for (const Sent& s : sent) EXPECT_EQ(Ssl2CodeForError(s.code), s.ssl2) << s.code;
}

TEST(SequenceNumbers, CarryAndShift) {
    SequenceNumber n{0, 0xFFFFFFFF};
    n.Increment();
    EXPECT_EQ(n.high, 1u);
    EXPECT_EQ(n.low, 0u);
    SequenceNumber wide{0x12345678, 0x9ABCDEF0}, copy;
    wide.CopyShifted(copy, 8);
    EXPECT_EQ(copy.high, 0x12345678u);
    EXPECT_EQ(wide.high, 0x00123456u);
    EXPECT_EQ(wide.low, 0x789ABCDEu);
    wide.ShiftRight(64);
    EXPECT_EQ(wide.high | wide.low, 0u);
}

TEST(ErrorTranslation, EachVersionSendsWhatItHasAnAlertFor) {
    struct Case {
        uint32_t errorClass, code;
        int ssl3Result;
        SecurityErrorCode ssl3;
        int tlsResult;
        SecurityErrorCode tls;
    } cases[] = {
        {2, 20, 1, {2, 20}, 1, {2, 20}},
        {511, 21, 1, {2, 20}, 1, {2, 21}},
        {2, 22, 0, {2, 47}, 1, {2, 22}},
        {1, 48, 1, {1, 46}, 1, {1, 48}},
        {2, 51, 1, {2, 42}, 1, {2, 51}},
        {2, 296, 1, {2, 40}, 1, {2, 40}},
        {1, 317, 1, {1, 45}, 0, {2, 317}},
        {511, 336, 0, {2, 47}, 1, {2, 80}},
        {2, 592, 0, {2, 47}, 0, {2, 592}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Ssl3Version ssl3;
        Tls1Version tls;
        ErrorHolder a, b;
        a.SetSecurityError(c.errorClass, c.code);
        b.SetSecurityError(c.errorClass, c.code);
        EXPECT_EQ(ssl3.TranslateError(a), c.ssl3Result);
        EXPECT_EQ(a.Error(), c.ssl3);
        EXPECT_EQ(tls.TranslateError(b), c.tlsResult);
        EXPECT_EQ(b.Error(), c.tls);
    }
    Ssl2Version ssl2;
    ErrorHolder e;
    e.SetSecurityError(kErrorWarning, 42);
    EXPECT_EQ(ssl2.TranslateError(e), 1);
    e.SetSecurityError(kErrorLibrary, 296);
    EXPECT_EQ(ssl2.TranslateError(e), 1);
    EXPECT_EQ(e.Error(), SecurityErrorCode(kErrorFatal, 296));
    e.SetSecurityError(kErrorWarning, 20);
    EXPECT_EQ(ssl2.TranslateError(e), 0);
}

TEST(ProtocolVersions, TheFactoryKnowsThreeVersions) {
    ErrorHolder report;
    EXPECT_TRUE(MakeProtocolVersion(2, 0, nullptr, nullptr, &report)->VersionNumber() == ProtocolVersionItem(2, 0));
    EXPECT_TRUE(MakeProtocolVersion(3, 0, nullptr, nullptr, &report)->VersionNumber() == ProtocolVersionItem(3, 0));
    EXPECT_TRUE(MakeProtocolVersion(3, 1, nullptr, nullptr, &report)->VersionNumber() == ProtocolVersionItem(3, 1));
    EXPECT_FALSE(report.GetError());
    EXPECT_EQ(MakeProtocolVersion(3, 2, nullptr, nullptr, &report), nullptr);
    EXPECT_EQ(report.Error(), SecurityErrorCode(kErrorFatal, kCodeHandshakeFailure));
}

TEST(FieldChecks, OutOfListValuesReadAsTheSentinel) {
    ErrorHolder target;
    EXPECT_EQ(CheckHandshakeType(20), 20u);
    EXPECT_EQ(CheckHandshakeType(3), 255u);
    EXPECT_EQ(CheckContentType(24), 511u);
    EXPECT_EQ(CheckAlertLevel(3), 511u);
    EXPECT_EQ(CheckAlertCode(12), 80u);
    EXPECT_FALSE(target.GetError());
    EXPECT_EQ(CheckCompressionMethod(1, &target), 255u);
    EXPECT_EQ(target.Error(), SecurityErrorCode(kErrorLibrary, kCodeInternalError));
}

// Without keys a record passes unchanged and still counts its sequence.
TEST(RecordProtection, TheNullCipherPassesRecordsThroughInSlices) {
    std::vector<uint8_t> text = Hex("48656c6c6f2c20776f726c6421");
    for (uint32_t slice : {1u, 7u, 0u}) {
        CipherState write, read;
        SslPlainRecord record;
        record.SetContentType(kContentApplicationData);
        record.SetBytes(text.data(), static_cast<uint32_t>(text.size()));
        record.BeginProtect();
        std::unique_ptr<ProtectableRecord> sent;
        int calls = 0;
        while (!sent && !record.GetError() && calls < 100) sent = record.Protect(write, slice), ++calls;
        ASSERT_NE(sent, nullptr);
        EXPECT_EQ(calls, slice == 1 ? 13 : slice == 7 ? 2 : 1);
        EXPECT_EQ(std::vector<uint8_t>(sent->Data(), sent->Data() + sent->Length()), text);
        EXPECT_EQ(write.sequence.low, 1u);
        sent->BeginUnprotect();
        std::unique_ptr<ProtectableRecord> got;
        while (!got && !sent->GetError()) got = sent->Unprotect(read, slice);
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(got->Data(), got->Data() + got->Length()), text);
        EXPECT_EQ(read.sequence.low, 1u);
        // Not begun again: nothing happens.
        EXPECT_EQ(record.Protect(write, slice), nullptr);
    }
}

}  // namespace

// The structured handshake items: their wire forms, read whole or a byte at
// a time, and the checks that refuse what a server may not send.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "security/HandshakeItems.h"
#include "tests/security/HexBytes.h"

namespace {

std::vector<uint8_t> Encode(const DataItem& item) {
    std::vector<uint8_t> out(item.EncodedSize());
    EXPECT_EQ(item.Write(out.data()), out.data() + out.size());
    return out;
}

// Reads the bytes one at a time; answers how many the item took.
size_t ReadByBytes(DataItem& item, const std::vector<uint8_t>& bytes) {
    size_t used = 0;
    while (used < bytes.size()) {
        uint32_t one = 1;
        item.Read(bytes.data() + used, one);
        if (one) break;
        ++used;
        if (item.GetError() || item.IsComplete()) break;
    }
    return used;
}

TEST(HandshakeItems, ThePreMasterSecretIsVersionAndFortySixBytes) {
    std::vector<uint8_t> bytes(48, 0x5A);
    bytes[0] = 3;
    bytes[1] = 1;
    PreMasterSecretItem item;
    EXPECT_EQ(ReadByBytes(item, bytes), 48u);
    EXPECT_TRUE(item.IsComplete());
    EXPECT_EQ(Encode(item), bytes);
}

TEST(HandshakeItems, RsaParametersNeedBothParts) {
    struct Case {
        const char* bytes;
        bool good;
    } cases[] = {{"0003 c0ffee 0001 03", true}, {"0003 c0ffee 0000", false}, {"0000 0001 03", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<uint8_t> bytes = Hex(c.bytes);
        RsaParametersItem item;
        EXPECT_EQ(ReadByBytes(item, bytes), bytes.size());
        ErrorHolder report;
        EXPECT_EQ(item.Check(&report), c.good ? 1 : 0);
        if (c.good) {
            EXPECT_EQ(Encode(item), bytes);
        } else {
            EXPECT_EQ(report.Error(), SecurityErrorCode(kErrorFatal, kCodeIllegalParameter));
        }
    }
}

TEST(HandshakeItems, UnsignedValuesCarryTheirHashes) {
    struct Case {
        int kind;
        const char* prefix;
        uint32_t size;
    } cases[] = {{kSignedRsa, "0024", 38}, {kSignedDsa, "0014", 22}, {kSignedNone, "", 0}};
    for (const Case& c : cases) {
        DigitallySignedItem value(c.kind, nullptr, nullptr);
        value.Init();
        value.Final();
        value.Sign();
        std::vector<uint8_t> out = Encode(value);
        ASSERT_EQ(out.size(), c.size) << c.kind;
        if (c.size) {
            EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 2), Hex(c.prefix));
        }

        // Received back, it matches the computed value; changed, it does not.
        DigitallySignedItem received(c.kind, nullptr, nullptr);
        uint32_t left = static_cast<uint32_t>(out.size());
        received.Read(out.data(), left);
        ErrorHolder report;
        EXPECT_EQ(received.CheckAgainst(value, nullptr, &report), 1);
        if (c.size) {
            out.back() ^= 1;
            DigitallySignedItem changed(c.kind, nullptr, nullptr);
            left = static_cast<uint32_t>(out.size());
            changed.Read(out.data(), left);
            EXPECT_EQ(changed.CheckAgainst(value, nullptr, &report), 0);
            EXPECT_EQ(report.Error(), SecurityErrorCode(kErrorFatal, kCodeIllegalParameter));
        }
    }
    DigitallySignedItem rsa(kSignedRsa, nullptr, nullptr), dsa(kSignedDsa, nullptr, nullptr);
    ErrorHolder report;
    EXPECT_EQ(rsa.CheckAgainst(dsa, nullptr, &report), 0);
}

TEST(HandshakeItems, CertificateRequestsTakeTypesOneToSix) {
    struct Case {
        const char* bytes;
        bool good;
    } cases[] = {{"02 01 02 0008 0006 6e616d652041", true}, {"01 07 0000", false}, {"00 0000", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<uint8_t> bytes = Hex(c.bytes);
        CertificateRequestItem item;
        EXPECT_EQ(ReadByBytes(item, bytes), bytes.size());
        ErrorHolder report;
        EXPECT_EQ(item.Check(&report), c.good ? 1 : 0);
        if (c.good) {
            EXPECT_EQ(Encode(item), bytes);
        } else {
            EXPECT_EQ(report.Error(), SecurityErrorCode(kErrorLibrary, kCodeInternalError));
        }
    }
}

}  // namespace

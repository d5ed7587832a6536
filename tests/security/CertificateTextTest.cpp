// The certificate view's text and its hex dumps, from hand-made records.
#include <gtest/gtest.h>

#include <numeric>

#include "security/CertificateText.h"
#include "security/PasswordSeal.h"

namespace {

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

TEST(CertificateText, HexDumpRowsAndOffsets) {
    struct Case {
        const char* name;
        size_t length;
        uint32_t width;
        const char* prefix;
        const char* suffix;
        std::string expected;
    } cases[] = {
        {"fits one row: no label", 3, 4, "  ", nullptr, "   00 01 02   \r\n"},
        {"two rows: 2-digit labels", 6, 4, "", nullptr, "00: 00 01 02 03\r\n04: 04 05      \r\n"},
        {"suffix after each row", 2, 2, "", "end", " 00 01 end\r\n"},
        {"empty value: no row", 0, 16, "    ", nullptr, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        HexDump(out, c.prefix, Counting(c.length), c.width, c.suffix);
        EXPECT_EQ(out, c.expected) << c.name;
    }
    // A 300-byte value takes 8-digit labels on every row, 64 bytes 2 digits.
    std::string big;
    HexDump(big, "", Counting(300), 16, nullptr);
    EXPECT_EQ(big.substr(0, 9), "00000000:");
    EXPECT_NE(big.find("\r\n00000010: 10 11"), std::string::npos);
    // The last row holds the 12 bytes left and four empty columns.
    EXPECT_NE(big.find("\r\n00000120: 20 21 22 23 24 25 26 27 28 29 2A 2B" + std::string(12, ' ') + "\r\n"),
              std::string::npos);
    std::string small;
    HexDump(small, "", Counting(64), 16, nullptr);
    EXPECT_EQ(small.substr(0, 3), "00:");
    EXPECT_NE(small.find("\r\n30: 30"), std::string::npos);
}

TEST(CertificateText, HexAsciiDumpShowsPrintableBytes) {
    std::string out;
    HexAsciiDump(out, "  ", {'A', 0x01, 'z', 0x7F, ' '}, 4, nullptr);
    EXPECT_EQ(out, "  00: 41 01 7A 7F: A.z.\r\n  04: 20         :     \r\n");
}

TEST(CertificateText, NameFieldsJoinWithoutEmptyOnes) {
    std::string out;
    JoinNameFields(out, {"www.alpha.beta", "", "Unit", "", "", "emailAddress: a@b"});
    EXPECT_EQ(out, "www.alpha.beta\r\nUnit\r\nemailAddress: a@b");
    JoinNameFields(out, {"", ""});
    EXPECT_EQ(out, "");
}

TEST(CertificateText, WholeTextLayout) {
    CertificateEntry entry;
    entry.version = 3;
    entry.serialNumber = {0xC6, 0x49, 0x00};
    entry.subject = {"www.alpha.beta", "Alpha", "", "", "", ""};
    entry.issuer = {"Root", "", "", "", "", ""};
    entry.notBefore = "Jan  1 00:00:00 2020 GMT";
    entry.notAfter = "Jan  1 00:00:00 2040 GMT";
    entry.fingerprint = Counting(16);
    entry.publicKeyAlgorithm = "rsaEncryption";
    entry.keyFields.push_back({true, "Public-Key (16 bit):", false, {}});
    entry.keyFields.push_back({true, "Modulus:", true, {0xC3, 0x5B}});
    entry.keyFields.push_back({true, "privateExponent:", false, {}});
    entry.signatureAlgorithm = "sha256WithRSAEncryption";
    entry.signature = {0xAA, 0xBB};
    CertificateExtensionField constraints;
    constraints.present = true;
    constraints.critical = true;
    constraints.name = "X509v3 Basic Constraints";
    constraints.valueIsText = true;
    constraints.text = "CA:TRUE";
    CertificateExtensionField unknown;
    unknown.present = true;
    unknown.name = "Unknown Extension Object ID ";
    unknown.value = {'h', 'i', 0};
    unknown.dumpWidth = 12;
    entry.extensions = {constraints, unknown};

    std::string text, subject, issuer;
    FormatCertificateText(entry, text, subject, issuer);
    EXPECT_EQ(subject, "www.alpha.beta\r\nAlpha");
    EXPECT_EQ(issuer, "Root");
    const std::string keyRow = "     C3 5B" + std::string(14 * 3, ' ') + "\r\n";
    const std::string signatureRow = "     AA BB" + std::string(14 * 3, ' ') + "\r\n";
    const std::string extensionRow = "     68 69 00" + std::string(9 * 3, ' ') + ": hi." + std::string(9, ' ') + "\r\n";
    EXPECT_EQ(text,
              "Certificate Version : 3\r\n"
              "Serial Number : C6 49 00\r\n"
              "Not Valid Before : Jan  1 00:00:00 2020 GMT\r\n"
              "Not Valid After : Jan  1 00:00:00 2040 GMT\r\n"
              "Fingerprint: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
              "\r\n"
              "Public key algorithm : rsaEncryption\r\n"
              "  Public-Key (16 bit):\r\n"
              "  Modulus:\r\n" +
                  keyRow +
                  "\r\n"
                  "  privateExponent:\r\n"
                  "Signature Algorithm : sha256WithRSAEncryption\r\n"
                  "\r\n" +
                  signatureRow +
                  "\r\n"
                  "Extensions :\r\n"
                  "\r\n"
                  "  X509v3 Basic Constraints (Critical): CA:TRUE\r\n"
                  "  Unknown Extension Object ID :\r\n" +
                  extensionRow);
}

TEST(CertificateText, KeySizeChoices) {
    const std::pair<int, uint32_t> cases[] = {{0, 0}, {1, 512}, {2, 768}, {3, 1024}, {7, 2048}, {8, 0}, {-1, 0}};
    for (auto [choice, bits] : cases) EXPECT_EQ(KeySizeFromChoice(choice), bits) << choice;
}

}  // namespace

// Certificate chains made with the openssl command, verified under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "security/Certificate.h"
#include "security/SecurityDialogs.h"
#include "security/SecurityLibrary.h"
#include "tests/security/SecurityTestData.h"

using namespace security_test;

namespace {

std::unique_ptr<Certificate> Chain(const std::vector<std::string>& files) {
    CertificateList ders;
    ders.Resize(static_cast<uint32_t>(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<uint8_t> der = DataFile(files[i] + ".der");
        ders.Item(static_cast<uint32_t>(i)).SetBytes(der.data(), static_cast<uint32_t>(der.size()));
    }
    auto chain = std::make_unique<Certificate>();
    chain->LoadChain(ders);
    return chain;
}

TEST(Certificates, ChainsVerifyAsTheirFaultsDemand) {
    ASSERT_EQ(StartSecurityLibrary(), 1);
    struct Case {
        const char* name;
        std::vector<std::string> files;
        int result;
        SecurityErrorCode error;
        int badEntry;  // -1 none
    } cases[] = {
        {"ordered", {"leaf", "inter", "root"}, 1, {}, -1},
        {"ordered without the root", {"leaf", "inter"}, 1, {}, -1},
        {"reversed", {"root", "inter", "leaf"}, 0, {511, 298}, 0},
        {"expired leaf", {"expired", "inter", "root"}, 1, {1, 317}, -1},
        {"bad signature", {"leaf-badsig", "inter", "root"}, 0, {2, 554}, 0},
        {"intermediate that is no authority", {"under", "notca", "root"}, 0, {2, 42}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto chain = Chain(c.files);
        ASSERT_EQ(chain->Count(), c.files.size());
        ErrorHolder target;
        EXPECT_EQ(chain->Verify(&target), c.result);
        EXPECT_EQ(chain->Error(), c.error);
        EXPECT_EQ(target.Error(), c.error);
        for (uint32_t i = 0; i < chain->Count(); ++i)
            EXPECT_EQ(chain->EntryAt(i)->bad, static_cast<int>(i) == c.badEntry) << i;
    }
    auto expired = Chain({"expired", "inter", "root"});
    expired->Verify(nullptr);
    EXPECT_TRUE(expired->EntryAt(0)->expired);
}

TEST(Certificates, NamesAndKeys) {
    ASSERT_EQ(StartSecurityLibrary(), 1);
    auto chain = Chain({"leaf", "inter", "root"});
    std::vector<std::string> subject = chain->NameFields(0, false);
    ASSERT_EQ(subject.size(), 2u + 5u);
    EXPECT_EQ(subject[0], "www.alpha.beta");
    EXPECT_EQ(subject[1], "Zintu T\\xC3\\xA9st");  // UTF-8 bytes, escaped one by one
    std::vector<std::string> issuer = chain->NameFields(0, true);
    EXPECT_EQ(issuer[0], "Zintu Test Intermediate");
    EXPECT_TRUE(chain->NameFields(7, false).empty());
    EXPECT_FALSE(chain->IsSelfSigned(0));
    EXPECT_TRUE(chain->IsSelfSigned(2));
    EXPECT_EQ(chain->GetKeyBits(0), 2048u);
    ByteVector line;
    chain->NameLine(2, false, line);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(line.Data()), line.Length()),
              "/O=Zintu Test/CN=Zintu Test Root");

    // A copy is a chain of its own.
    Certificate copy(*chain);
    EXPECT_EQ(copy.Count(), 3u);
    EXPECT_EQ(copy.Verify(nullptr), 1);

    Certificate empty;
    EXPECT_EQ(empty.Verify(nullptr), 0);
    EXPECT_EQ(empty.Error(), SecurityErrorCode(511, 41));

    // Damaged DER ends the chain where it stops decoding.
    CertificateList ders;
    ders.Resize(2);
    std::vector<uint8_t> leaf = DataFile("leaf.der");
    ders.Item(0).SetBytes(leaf.data(), static_cast<uint32_t>(leaf.size()));
    ders.Item(1).SetString("not a certificate");
    Certificate damaged;
    damaged.LoadChain(ders);
    EXPECT_EQ(damaged.Count(), 1u);
    EXPECT_EQ(damaged.Error(), SecurityErrorCode(2, 42));
}

// The certificate view shows a serial number whole, as the hex of its
// bytes: the root's is 20 bytes long, and its last four alone would read as
// a negative 32-bit number.
TEST(Certificates, SerialNumbersShowWholeAsTheHexOfTheirBytes) {
    ASSERT_EQ(StartSecurityLibrary(), 1);
    auto chain = Chain({"leaf", "inter", "root"});
    const char* const serials[] = {"10 01", "10 00",
                                   "7B A5 BD 9F D8 78 3D 2F CE 6A 0D 5E 9C 13 B4 D9 C6 49 C3 39"};
    for (uint32_t i = 0; i < 3; ++i) {
        const std::string text = CertificateViewText(*chain, i);
        EXPECT_NE(text.find(std::string("\r\nSerial Number : ") + serials[i] + "\r\n"), std::string::npos)
            << text;
    }
}

}  // namespace

// The store's three files in a scratch profile folder, under Wine with the
// real crypto library.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "security/BuiltInRoots.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "tests/security/SecurityTestData.h"
#include "tests/support/TestPaths.h"

using namespace security_test;
using testing_support::ReadWholeFile;
using testing_support::WriteWholeFile;

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::string text = ReadWholeFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

// The default options file as an empty profile gets it.
const std::vector<uint8_t> kDefaultOptions = FromHex(
    "00000103" "0100" "0100" "0100"
    "00000010" "000e" "0005" "0004" "000a" "0009" "0008" "0003" "0006"
    "00000014" "0012" "010080" "0700c0" "030080" "060040" "020080" "040080");

class SecurityStore : public ::testing::Test {
protected:
    void SetUp() override {
        SetSecurityProfileDirectory(dir_.Path());
        ASSERT_EQ(StartSecurityLibrary(), 1);
    }
    void TearDown() override { SetSecurityProfileDirectory(""); }
    std::string File(const char* name) const { return dir_.File(name); }

    testing_support::ScratchDir dir_;
};

TEST_F(SecurityStore, EmptyProfileGetsTheDefaultFiles) {
    {
        SecurityManager manager(true);
        EXPECT_EQ(manager.unavailable, 0u);
        EXPECT_EQ(manager.securityEnabled, 1u);
        EXPECT_EQ(ReadBytes(File("znssl.dat")), kDefaultOptions);
        EXPECT_EQ(manager.preferences.activeSsl3Suites.Count(), 7u);
        // The personal file appears once the list is first needed.
        EXPECT_TRUE(ReadBytes(File("zncert.dat")).empty());
        EXPECT_EQ(manager.EntryAt(true, 0), nullptr);
        EXPECT_EQ(ReadBytes(File("zncert.dat")), FromHex("00000103" "00000000" "00000000" "00000000"));
    }
    // Read back as written.
    SecurityManager again(true);
    EXPECT_EQ(again.optionsLoaded, 1u);
    EXPECT_EQ(again.preferences.savedSsl3Suites.Count(), 7u);
    EXPECT_EQ(again.preferences.activeSsl2Kinds.Count(), 6u);
    // The active order is the reverse of the table's.
    EXPECT_EQ(again.preferences.activeSsl3Suites.Item(0).Code(), 0x0005);
}

TEST_F(SecurityStore, OlderOptionsAreReadAndRewritten) {
    // Version 3.0, SSL v2 off, SSL v3 on: TLS 1.0 follows SSL v3.
    std::vector<uint8_t> old = FromHex("00000003" "0000" "0100" "0000" "00000004" "0002" "0004" "00000002" "0000");
    WriteBytes(File("znssl.dat"), old);
    SecurityManager manager(true);
    EXPECT_EQ(manager.enableSsl2, 0u);
    EXPECT_EQ(manager.enableSsl3, 1u);
    EXPECT_EQ(manager.enableTls10, 1u);
    EXPECT_EQ(manager.askPasswordPolicy, 0u);
    std::vector<uint8_t> now = ReadBytes(File("znssl.dat"));
    ASSERT_GE(now.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(now.begin(), now.begin() + 4), FromHex("00000103"));
    EXPECT_EQ(ReadBytes(File("zncert.dat")), FromHex("00000103" "00000000" "00000000" "00000000"));
    ASSERT_EQ(manager.preferences.activeSsl3Suites.Count(), 1u);
    EXPECT_EQ(manager.preferences.activeSsl3Suites.Item(0).Code(), 0x0004);
}

TEST_F(SecurityStore, DamagedFilesAreLeftAsTheyAre) {
    WriteBytes(File("znssl.dat"), kDefaultOptions);
    // A personal file cut inside its second entry.
    std::vector<uint8_t> personal = FromHex("00000103" "00000000" "00000000" "02000000"
                                            "0100" "00024142" "0000" "000000" "0000" "0000" "0000"
                                            "0100" "0002");
    WriteBytes(File("zncert.dat"), personal);
    // An unknown version of the options file is not replaced either.
    {
        SecurityManager manager(true);
        EXPECT_EQ(manager.EntryAt(true, 1), nullptr);
        StoredCertificate* first = manager.EntryAt(true, 0);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->displayName.Length(), 2u);
        EXPECT_EQ(manager.personalLoaded, 0u);
        manager.Save();
    }
    EXPECT_EQ(ReadBytes(File("zncert.dat")), personal);

    std::vector<uint8_t> unknown = FromHex("00000104" "0100");
    WriteBytes(File("znssl.dat"), unknown);
    {
        SecurityManager manager(true);
        EXPECT_EQ(manager.optionsLoaded, 0u);
        manager.Save();
    }
    EXPECT_EQ(ReadBytes(File("znssl.dat")), unknown);
}

TEST_F(SecurityStore, OlderAuthoritiesGetThreeFlagsAndNamesFromTheirCertificates) {
    WriteBytes(File("znssl.dat"), kDefaultOptions);
    std::vector<uint8_t> root = DataFile("root.der");
    std::vector<uint8_t> file = FromHex("00000003" "01000000" "0100" "0000" "0000");
    uint32_t n = static_cast<uint32_t>(root.size());
    file.push_back(static_cast<uint8_t>(n >> 16));
    file.push_back(static_cast<uint8_t>(n >> 8));
    file.push_back(static_cast<uint8_t>(n));
    file.insert(file.end(), root.begin(), root.end());
    std::vector<uint8_t> flags = FromHex("0100" "0000");
    file.insert(file.end(), flags.begin(), flags.end());
    WriteBytes(File("zncacert.dat"), file);
    {
        SecurityManager manager(true);
        StoredCertificate* entry = manager.EntryAt(false, 0);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->allowConnections, 1u);
        EXPECT_EQ(entry->builtIn, 0u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry->displayName.Data())), "Zintu Test Root");
        EXPECT_EQ(manager.authoritiesLoaded, 1u);
        manager.Save();
    }
    std::vector<uint8_t> rewritten = ReadBytes(File("zncacert.dat"));
    ASSERT_GT(rewritten.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(rewritten.begin(), rewritten.begin() + 4), FromHex("00000103"));
    // Read back with three flags: allow 1, warn 0, built-in 0; the built-in
    // roots were merged in after it.
    SecurityManager again(true);
    StoredCertificate* entry = again.EntryAt(false, 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->allowConnections, 1u);
    EXPECT_EQ(entry->warnBeforeSending, 0u);
    EXPECT_EQ(entry->builtIn, 0u);
    EXPECT_EQ(again.authorities.Count(), 13u);
}

// The authorities' built-in entries, in order.
std::vector<StoredCertificate*> BuiltIns(const SecurityManager& manager) {
    std::vector<StoredCertificate*> out;
    for (ListNode* node = manager.authorities.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        if (entry->builtIn) out.push_back(entry);
    }
    return out;
}

TEST_F(SecurityStore, ANewAuthoritiesListStartsWithTheBuiltInRoots) {
    {
        SecurityManager manager(true);
        manager.Load(kLoadAuthorities);
        std::vector<StoredCertificate*> roots = BuiltIns(manager);
        ASSERT_EQ(roots.size(), 12u);
        EXPECT_EQ(manager.authorities.Count(), 12u);
        for (StoredCertificate* root : roots) {
            EXPECT_EQ(root->allowConnections, 1u);
            EXPECT_EQ(root->warnBeforeSending, 0u);
            EXPECT_EQ(root->kind, uint32_t{kKeyRsa});
            ASSERT_NE(root->Parsed(), nullptr);
        }
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(roots[0]->displayName.Data())), "ISRG Root X1");
    }
    // Written once, read back once: not installed a second time.
    SecurityManager again(true);
    again.Load(kLoadAuthorities);
    EXPECT_EQ(again.authorities.Count(), 12u);
    EXPECT_EQ(BuiltIns(again).size(), 12u);
}

TEST_F(SecurityStore, AnOlderFileHoldingABuiltInRootHasItMarkedNotAddedTwice) {
    WriteBytes(File("znssl.dat"), kDefaultOptions);
    // Version 3.0 with the first built-in root, allowed and warned about.
    const DerCertificate& first = kBuiltInRoots[0];
    std::vector<uint8_t> file = FromHex("00000003" "01000000" "0100" "0000" "0000");
    file.push_back(static_cast<uint8_t>(first.length >> 16));
    file.push_back(static_cast<uint8_t>(first.length >> 8));
    file.push_back(static_cast<uint8_t>(first.length));
    file.insert(file.end(), first.data, first.data + first.length);
    std::vector<uint8_t> flags = FromHex("0100" "0100");
    file.insert(file.end(), flags.begin(), flags.end());
    WriteBytes(File("zncacert.dat"), file);
    SecurityManager manager(true);
    manager.Load(kLoadAuthorities);
    EXPECT_EQ(manager.authorities.Count(), 12u);
    StoredCertificate* entry = manager.EntryAt(false, 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->builtIn, 1u);
    // The user's own flags stay.
    EXPECT_EQ(entry->warnBeforeSending, 1u);
}

TEST_F(SecurityStore, AFailedSaveKeepsTheOldFile) {
    WriteBytes(File("znssl.dat"), kDefaultOptions);
    std::vector<uint8_t> personal = FromHex("00000103" "00000000" "00000000" "01000000"
                                            "0100" "00024142" "0000" "000000" "0000" "0000" "0000");
    WriteBytes(File("zncert.dat"), personal);
    SecurityManager manager(true);
    ASSERT_TRUE(manager.DeleteEntry(true, 0));
    // The temporary file cannot be made: the old file stays whole.
    std::string blocker = File("zncert.dat.new");
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
    manager.Save();
    EXPECT_EQ(ReadBytes(File("zncert.dat")), personal);
    ASSERT_TRUE(RemoveDirectoryA(blocker.c_str())) << GetLastError();
    manager.Save();
    EXPECT_EQ(GetFileAttributesA(blocker.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadBytes(File("zncert.dat")), FromHex("00000103" "00000000" "00000000" "00000000"));
}

StoredCertificate* AddAuthority(SecurityManager& manager, const std::string& file) {
    auto* entry = new StoredCertificate();
    std::vector<uint8_t> der = DataFile(file);
    entry->certificate.SetBytes(der.data(), static_cast<uint32_t>(der.size()));
    entry->AppendTo(manager.authorities);
    return entry;
}

TEST_F(SecurityStore, ClientChainsClimbToTheRootAndStopAtLoops) {
    WriteBytes(File("znssl.dat"), kDefaultOptions);
    SecurityManager manager(true);
    manager.Load(kLoadAuthorities);
    StoredCertificate* inter = AddAuthority(manager, "inter.der");
    StoredCertificate* root = AddAuthority(manager, "root.der");  // deleted below
    StoredCertificate personal;
    std::vector<uint8_t> leaf = DataFile("leaf.der");
    personal.certificate.SetBytes(leaf.data(), static_cast<uint32_t>(leaf.size()));
    ShortVectorList none;
    ClientChain chain;
    EXPECT_EQ(manager.BuildClientChain(chain, &personal, none), 2);
    EXPECT_EQ(chain.links, (std::vector<StoredCertificate*>{inter, root}));

    // Without the root the links end below it.
    manager.DeleteEntry(false, manager.authorities.Count() - 1);
    ClientChain partial;
    EXPECT_EQ(manager.BuildClientChain(partial, &personal, none), 1);
    EXPECT_EQ(partial.links, (std::vector<StoredCertificate*>{inter}));

    // Two authorities that issue each other: the climb ends all the same.
    AddAuthority(manager, "loop-a.der");
    AddAuthority(manager, "loop-b.der");
    StoredCertificate looped;
    std::vector<uint8_t> der = DataFile("looped.der");
    looped.certificate.SetBytes(der.data(), static_cast<uint32_t>(der.size()));
    ShortVectorList someCa;
    someCa.Resize(1);
    ClientChain bounded;
    EXPECT_EQ(manager.BuildClientChain(bounded, &looped, someCa), 1);
    EXPECT_GE(bounded.links.size(), 2u);
    EXPECT_LE(bounded.links.size(), 16u);

    // A certificate no stored authority issued.
    StoredCertificate stranger;
    std::vector<uint8_t> rootDer = DataFile("root.der");
    stranger.certificate.SetBytes(rootDer.data(), static_cast<uint32_t>(rootDer.size()));
    ClientChain none2;
    EXPECT_EQ(manager.BuildClientChain(none2, &stranger, someCa), 0);
}

TEST_F(SecurityStore, FilterKeepsAvailableOrderReversed) {
    CipherSuiteList available, saved, active;
    for (uint8_t code : {1, 2, 3, 4}) available.Append(CipherSuiteItem(0, code));
    saved.Append(CipherSuiteItem(0, 4));
    saved.Append(CipherSuiteItem(0, 1));
    saved.Append(CipherSuiteItem(0, 9));  // not available: left out
    SecurityManager::FilterAvailable(active, available, saved, true);
    ASSERT_EQ(active.Count(), 2u);
    EXPECT_EQ(active.Item(0).Code(), 4);
    EXPECT_EQ(active.Item(1).Code(), 1);
}

}  // namespace

// The card-reader binding against our simulated CARDNET.DLL, which sits
// beside this program and reads its reader's port and key from CARDNET.KEY
// there. The same program also runs where the library is absent and where it
// lacks an entry point (GTEST_FILTER picks the cases of each run).
#include <windows.h>

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "core/Preferences.h"
#include "net/CardReader.h"
#include "net/UrlErrors.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "outside/cardnet/CardCipher.h"
#include "tests/support/TestPaths.h"

using testing_support::ReadWholeFile;
using testing_support::ScratchDir;
using testing_support::SourcePath;
using testing_support::WriteWholeFile;

namespace {

constexpr char kKey[] = "zintu test card";

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

class CardTest : public ::testing::Test {
protected:
    void SetUp() override {
        keyFile_ = ProgramFolder() + "CARDNET.KEY";
        WriteReader(3);
        Start(0);
    }
    void TearDown() override {
        urls_.reset();
        g_preferences = nullptr;
        prefs_.reset();
        DeleteFileA(keyFile_.c_str());
        GetUrlSettings() = UrlSettings();
    }
    // The reader on a port (0: no reader at all).
    void WriteReader(int port) {
        if (port == 0) {
            DeleteFileA(keyFile_.c_str());
            return;
        }
        WriteWholeFile(keyFile_, "PORT=" + std::to_string(port) + "\nKEY=" + kKey + "\n");
    }
    void Start(int configuredPort) {
        urls_.reset();
        g_preferences = nullptr;
        ini_ = dir_.File("zintu-test.ini");
        WriteWholeFile(ini_, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n[CARDNET]\r\nPORT=" +
                                 std::to_string(configuredPort) + "\r\n");
        prefs_ = std::make_unique<Preferences>(ini_.c_str());
        prefs_->LoadAll();
        g_preferences = prefs_.get();
        GetUrlSettings().cacheDirectory = dir_.File("cache");
        urls_ = std::make_unique<UrlRegistry>(GetUrlSettings());
    }
    // Decrypts a whole document through a context, as the loader does:
    // what the context takes, block after block. 0 or the error id.
    int32_t DecryptAll(uint32_t recordId, const std::string& document, std::string& plain, std::string& type) {
        DecryptContext* context = urls_->FindDecryptContext(recordId, true);
        if (!context) return urls_->LastCardError();
        size_t at = 0;
        int32_t error = 0;
        do {
            int32_t consumed = 0, length = 0;
            const char* output = nullptr;
            const char* found = nullptr;
            int32_t left = static_cast<int32_t>(document.size() - at);
            error = context->Decrypt(document.data() + at, left, &consumed, &output, &length, &found, true);
            if (error) break;
            EXPECT_LE(consumed, DecryptContext::kOutputSize);
            plain.append(output, static_cast<size_t>(length));
            if (found && *found) type = found;
            context->Consume(length);
            at += static_cast<size_t>(consumed);
        } while (at < document.size());
        urls_->CloseDecryptContext(context);
        EXPECT_EQ(context, nullptr);
        return error;
    }

    ScratchDir dir_;
    std::string keyFile_;
    std::string ini_;
    std::unique_ptr<Preferences> prefs_;
    std::unique_ptr<UrlRegistry> urls_;
};

TEST_F(CardTest, DecryptsAFixtureAndFindsItsType) {
    std::string plain, type;
    ASSERT_EQ(DecryptAll(1, ReadWholeFile(SourcePath("tests/net/data/card/page.cne")), plain, type), 0);
    EXPECT_EQ(plain, ReadWholeFile(SourcePath("tests/net/data/card/page.html")));
    EXPECT_EQ(type, "text/html");
}

TEST_F(CardTest, LargeInputIsHandedOverOnlyAsFarAsTheOutputHolds) {
    // 30000 bytes at once: the 8192-byte block must never be overrun.
    std::string body;
    for (int i = 0; i < 30000; ++i) body.push_back(static_cast<char>('a' + i % 26));
    std::string plain, type;
    ASSERT_EQ(DecryptAll(2, cardnet::Encrypt(kKey, "text/plain", body), plain, type), 0);
    EXPECT_TRUE(plain == body) << plain.size();
}

TEST_F(CardTest, StatusesBecomeTheirMessages) {
    const struct {
        const char* file;
        int32_t error;
    } cases[] = {
        {"other-card.cne", kErrCardNoAccess},
        {"damaged.cne", kErrCardRedundancy},
        {"page.html", kErrCannotDecrypt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string plain, type;
        EXPECT_EQ(DecryptAll(3, ReadWholeFile(SourcePath(std::string("tests/net/data/card/") + c.file)), plain, type),
                  c.error);
        EXPECT_EQ(urls_->LastCardError(), c.error);
    }
    EXPECT_EQ(CardErrorForStatus(2), kErrCardNoPower);
    EXPECT_EQ(CardErrorForStatus(6), kErrCardNoMemory);
    EXPECT_EQ(CardErrorForStatus(99), kErrCardUndefined);
}

TEST_F(CardTest, TwoRecordsShareTheCardWithAContextEach) {
    DecryptContext* a = urls_->FindDecryptContext(10, true);
    DecryptContext* b = urls_->FindDecryptContext(11, true);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(urls_->FindDecryptContext(10, false), a);
    uint32_t card = urls_->CardHandle();
    EXPECT_NE(card, 0u);
    uint32_t again = 0;
    ASSERT_TRUE(urls_->EnsureCard(again));
    EXPECT_EQ(again, card);
    urls_->CloseDecryptContext(a);
    EXPECT_EQ(urls_->FindDecryptContext(10, false), nullptr);
    EXPECT_EQ(urls_->FindDecryptContext(11, false), b);
}

TEST_F(CardTest, AFixedPortThatDoesNotAnswerIsDetectedAndStored) {
    Start(7);  // the reader sits on port 3
    uint32_t card = 0;
    ASSERT_TRUE(urls_->EnsureCard(card));
    EXPECT_NE(card, 0u);
    EXPECT_EQ(prefs_->Get(PrefInt::CardnetPort), 3);
    EXPECT_EQ(GetPrivateProfileIntA("CARDNET", "PORT", -1, ini_.c_str()), 3);
}

TEST_F(CardTest, PortZeroDetectsTheReader) {
    uint32_t card = 0;
    ASSERT_TRUE(urls_->EnsureCard(card));
    EXPECT_NE(card, 0u);
    // Detection at the first open is not stored: 0 keeps meaning "detect".
    EXPECT_EQ(prefs_->Get(PrefInt::CardnetPort), 0);
}

TEST_F(CardTest, WithoutAReaderTheOpenFails) {
    WriteReader(0);
    uint32_t card = 0;
    EXPECT_FALSE(urls_->EnsureCard(card));
    EXPECT_EQ(urls_->LastCardError(), kErrCardNoPower);
    EXPECT_EQ(urls_->FindDecryptContext(1, true), nullptr);
    // The reader is plugged in: the next use opens it.
    WriteReader(3);
    EXPECT_TRUE(urls_->EnsureCard(card));
}

TEST(CardLibraryAbsent, LoadingFailsWithItsMessage) {
    ScratchDir dir;
    GetUrlSettings().cacheDirectory = dir.File("cache");
    UrlRegistry urls(GetUrlSettings());
    EXPECT_FALSE(urls.LoadCardLibrary());
    EXPECT_EQ(urls.LastCardError(), kErrCardLibraryMissing);
    uint32_t card = 0;
    EXPECT_FALSE(urls.EnsureCard(card));
    EXPECT_EQ(urls.LastCardError(), kErrCardLibraryMissing);
    GetUrlSettings() = UrlSettings();
}

TEST(CardLibraryLacking, AMissingEntryPointFailsWithItsMessage) {
    ScratchDir dir;
    GetUrlSettings().cacheDirectory = dir.File("cache");
    UrlRegistry urls(GetUrlSettings());
    EXPECT_FALSE(urls.LoadCardLibrary());
    EXPECT_EQ(urls.LastCardError(), kErrCardLibraryWrong);
    // Freed again: nothing of it stays loaded.
    EXPECT_EQ(GetModuleHandleA("CARDNET.DLL"), nullptr);
    GetUrlSettings() = UrlSettings();
}

}  // namespace

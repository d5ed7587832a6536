// A record's stored data: memory block, cache files, keeping and saving, and
// the content-kind decisions.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

#include "net/SniffContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UrlDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("urldata-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "cache");
        GetUrlSettings() = UrlSettings();
        GetUrlSettings().cacheDirectory = (root_ / "cache").string();
        GetUrlSettings().emptyOnExit = true;
        registry_ = std::make_unique<UrlRegistry>(GetUrlSettings());
    }
    void TearDown() override {
        registry_.reset();
        GetUrlSettings() = UrlSettings();
        fs::remove_all(root_);
    }
    UrlHandle Find(const char* name) { return registry_->Find(nullptr, name, nullptr, false); }
    fs::path root_;
    std::unique_ptr<UrlRegistry> registry_;
};

std::string Pattern(size_t n) {
    std::string s(n, 0);
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return s;
}

TEST_F(UrlDataTest, RawDataMovesToAFileWhenTheBlockIsFull) {
    UrlHandle h = Find("http://h/listing");
    std::string all = Pattern(50000);
    size_t done = 0;
    for (size_t step : {1000u, 20000u, 11766u, 1u, 17233u}) {
        ASSERT_TRUE(h->AppendRaw(all.data() + done, static_cast<int32_t>(step)));
        done += step;
        if (done <= UrlRecord::kMaxBlock) {
            EXPECT_EQ(h->GetStorage(), kStoredInMemory) << done;
        }
    }
    EXPECT_EQ(h->GetStorage(), kStoredInFile);
    EXPECT_EQ(h->GetLoadedBytes(), 50000);
    h->CloseOpenFile();
    EXPECT_EQ(ReadAll(h->GetLocalFilePath()), all);
    char part[100];
    ASSERT_EQ(h->ReadLocalData(32760, 100, part), 100);
    EXPECT_EQ(std::string(part, 100), all.substr(32760, 100));
}

TEST_F(UrlDataTest, StoreSaveAndKeep) {
    UrlHandle h = Find("http://h/page.html");
    ASSERT_TRUE(h->AppendRaw("<p>hello</p>", 12));
    h->SetLoadStatus(kLoadLoaded);
    ASSERT_TRUE(h->SaveToFile((root_ / "saved.htm").string().c_str()));
    EXPECT_EQ(ReadAll(root_ / "saved.htm"), "<p>hello</p>");
    EXPECT_EQ(h->GetStorage(), kStoredInFile);
    EXPECT_EQ(h->GetCacheRelation(), kListCache);
    std::string cacheFile = h->GetLocalFilePath();

    // Keeping into a folder that does not exist fails and loses nothing.
    EXPECT_FALSE(h->KeepAsFile((root_ / "missing" / "kept.htm").string().c_str()));
    EXPECT_EQ(ReadAll(cacheFile), "<p>hello</p>");
    EXPECT_EQ(h->GetLocalFilePath(), cacheFile);

    std::string kept = (root_ / "kept.htm").string();
    ASSERT_TRUE(h->KeepAsFile(kept.c_str()));
    EXPECT_EQ(ReadAll(kept), "<p>hello</p>");
    EXPECT_FALSE(fs::exists(cacheFile));
    EXPECT_EQ(h->GetCacheRelation(), kListNever);
    h->Reset();  // a kept file is the user's: never deleted
    EXPECT_TRUE(fs::exists(kept));
}

// Saving a document onto the file it was read from (a page opened from the
// disk and saved where it is) leaves the file whole, however it is named.
TEST_F(UrlDataTest, SavingOntoItsOwnFileKeepsEveryByte) {
    UrlHandle h = Find("http://h/self.html");
    const std::string all = Pattern(40000);
    ASSERT_TRUE(h->AppendRaw(all.data(), static_cast<int32_t>(all.size())));
    h->SetLoadStatus(kLoadLoaded);
    h->CloseOpenFile();
    const fs::path file = h->GetLocalFilePath();
    ASSERT_EQ(ReadAll(file), all);
    for (const fs::path& target : {file, file.parent_path() / "." / file.filename()}) {
        SCOPED_TRACE(target.string());
        EXPECT_TRUE(h->SaveToFile(target.string().c_str()));
        EXPECT_EQ(ReadAll(file), all);
    }
}

TEST_F(UrlDataTest, MissingCacheFileResetsTheRecord) {
    UrlHandle h = Find("http://h/gone.html");
    ASSERT_TRUE(h->AppendRaw("x", 1));
    h->SetLoadStatus(kLoadLoaded);
    ASSERT_TRUE(h->StoreInCacheFile());
    fs::remove(h->GetLocalFilePath());
    EXPECT_EQ(h->GetStatusCheckingFile(), kLoadEmpty);
    EXPECT_EQ(h->GetStorage(), kStoredNowhere);
    EXPECT_EQ(h->GetLoadedBytes(), 0);
}

TEST_F(UrlDataTest, CacheFileExtensions) {
    const struct {
        const char* name;
        const char* type;  // null: no reply type
        const char* ext;
    } cases[] = {
        {"http://h/photo.jpeg", nullptr, "jpg"}, {"http://h/photo.JPE", nullptr, "jpg"},
        {"http://h/a.html", nullptr, "htm"},     {"http://h/a.html", "text/html", "html"},
        {"http://h/dir/", "text/html", "htm"},   {"http://h/x.php?a=b.c", "text/html", "php"},
        {"http://h/x.a%2F", "text/html", "a"},   {"http://h/x.a%2F..", "text/html", "htm"},
        {"http://h/noext", nullptr, ""},
    };
    for (const auto& c : cases) {
        UrlHandle h = Find(c.name);
        if (c.type) h->MakeHttpPart()->contentType = c.type;
        EXPECT_EQ(h->CacheFileExtension(), c.ext) << c.name;
    }
}

TEST_F(UrlDataTest, KindFromTypeAndName) {
    const struct {
        const char* type;
        const char* name;
        bool trust;
        int kind;
    } cases[] = {
        {"text/html", "http://h/a", false, kKindHtml},
        {"TEXT/HTML", "http://h/a", false, kKindHtml},
        {"text/plain", "http://h/a.gif", false, kKindGif},
        {"text/plain", "http://h/a.gif", true, kKindText},
        {"application/octet-stream", "http://h/a.jpg", false, kKindJpeg},
        {"application/octet-stream", "http://h/a", false, kKindNotYetKnown},
        {nullptr, "http://h/a.txt", false, kKindText},
        {nullptr, "http://h/a", false, kKindNotYetKnown},
        {"*/*", "http://h/a", false, kKindNotYetKnown},
        {"application/x-unknown", "http://h/a", false, kKindUnknownType},
        {"image/gif", "http://h/a.html", false, kKindGif},
    };
    UrlHandle h = Find("http://h/");
    for (const auto& c : cases) {
        GetUrlSettings().trustServerTypes = c.trust;
        EXPECT_EQ(h->KindFromContentType(c.type, c.name, nullptr), c.kind)
            << (c.type ? c.type : "(none)") << " " << c.name;
    }
}

}  // namespace

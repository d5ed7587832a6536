// The registry and its disk cache against a real cache folder: the index and
// visited links across a restart, eviction, stray files, hostile indexes.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

#include "core/MemoryClients.h"
#include "core/RecordFile.h"
#include "net/SniffContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

namespace fs = std::filesystem;

uint32_t g_now = 1000000;
uint32_t FakeClock() {
    return g_now;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ZntFiles(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string n = e.path().filename().string();
        if (n.compare(0, 3, "znt") == 0) out.push_back(n);
    }
    std::sort(out.begin(), out.end());
    return out;
}

class UrlRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ =
            fs::temp_directory_path() /
            ("urlregistry-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "cache");
        fs::create_directories(root_ / "profile");
        UrlSettings& s = GetUrlSettings();
        s = UrlSettings();
        s.cacheDirectory = (root_ / "cache").string();
        s.profileDirectory = (root_ / "profile").string();
        g_now = 1000000;
        SetUrlClock(FakeClock);
    }
    void TearDown() override {
        SetUrlClock(nullptr);
        GetUrlSettings() = UrlSettings();
        fs::remove_all(root_);
    }
    fs::path Cache() const { return root_ / "cache"; }

    // A loaded page in memory, listed in the disk cache table.
    UrlHandle AddPage(UrlRegistry& reg, const char* name, const std::string& body, int kind = kKindHtml) {
        UrlHandle h = reg.Find(nullptr, name, nullptr, false);
        UrlRecord* r = h.Record();
        HttpPart* http = r->MakeHttpPart();
        http->contentType = kind == kKindGif ? "image/gif" : "text/html";
        EXPECT_TRUE(r->AppendRaw(body.data(), static_cast<int32_t>(body.size())));
        r->SetContentKind(kind);
        r->SetLoadStatus(kLoadLoaded);
        r->Touch(g_now);
        r->SetLoadTime(g_now);
        reg.MoveToCacheList(h);
        return h;
    }
    fs::path root_;
};

TEST_F(UrlRegistryTest, CleanExitWritesTheIndexAndTheNextStartRebuildsIt) {
    std::string big(40000, 'b');
    {
        UrlRegistry reg(GetUrlSettings());
        AddPage(reg, "http://h/small.html", "<p>small</p>");
        UrlHandle gif = AddPage(reg, "http://h/pic.gif", std::string("GIF89a") + big, kKindGif);
        EXPECT_EQ(gif->GetStorage(), kStoredInFile);  // too large for the block
        UrlHandle moved = reg.Find(nullptr, "http://h/old", nullptr, false);
        moved->MakeHttpPart()->location = "http://h/new";
        moved->SetLoadStatus(kLoadLoaded);
        moved->SetContentKind(kKindHtml);
        reg.MoveToCacheList(moved);
    }
    std::string index = ReadAll(Cache() / "dcache.url");
    ASSERT_GE(index.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(index[0]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(index[1]), 0xF5);
    std::vector<std::string> files = ZntFiles(Cache());
    ASSERT_EQ(files.size(), 2u);

    UrlRegistry reg(GetUrlSettings());
    EXPECT_EQ(reg.CacheTable().NodeCount(), 3u);
    UrlHandle small = reg.Find(nullptr, "http://h/small.html", nullptr, false);
    EXPECT_EQ(small->GetCacheRelation(), kListCache);
    EXPECT_EQ(small->GetLoadStatusHere(), kLoadLoaded);
    EXPECT_EQ(small->GetStorage(), kStoredInFile);
    EXPECT_EQ(ReadAll(small->GetLocalFilePath()), "<p>small</p>");
    UrlHandle gif = reg.Find(nullptr, "http://h/pic.gif", nullptr, false);
    EXPECT_EQ(gif->GetContentKind(), kKindGif);
    EXPECT_EQ(ReadAll(gif->GetLocalFilePath()), std::string("GIF89a") + big);
    EXPECT_STREQ(gif->GetContentType(), "image/gif");
    UrlHandle moved = reg.Find(nullptr, "http://h/old", nullptr, false);
    ASSERT_NE(moved->GetHttpPart(), nullptr);
    EXPECT_EQ(moved->GetHttpPart()->location, "http://h/new");
    // The kept Location becomes the redirect target on first use.
    EXPECT_EQ(moved->GetLoadStatus(true), kLoadNever);
    EXPECT_STREQ(moved->ChainEnd()->GetName(), "http://h/new");
    EXPECT_EQ(reg.CacheTotal(), static_cast<int32_t>(12 + 6 + big.size()));
    // New cache files continue after the saved counter.
    std::string next = reg.NewCacheFileName("htm");
    ASSERT_FALSE(next.empty());
    for (const std::string& f : files) EXPECT_LT(f, fs::path(next).filename().string());
}

TEST_F(UrlRegistryTest, RestoredRedirectsNeverFormALoop) {
    {
        UrlRegistry reg(GetUrlSettings());
        for (const char* pair : {"http://h/a>http://h/b", "http://h/b>http://h/a"}) {
            std::string p(pair);
            UrlHandle h = reg.Find(nullptr, p.substr(0, p.find('>')).c_str(), nullptr, false);
            h->MakeHttpPart()->location = p.substr(p.find('>') + 1);
            h->SetLoadStatus(kLoadLoaded);
            h->SetContentKind(kKindHtml);
            reg.MoveToCacheList(h);
        }
    }
    UrlRegistry reg(GetUrlSettings());
    UrlHandle a = reg.Find(nullptr, "http://h/a", nullptr, false);
    UrlHandle b = reg.Find(nullptr, "http://h/b", nullptr, false);
    (void)a->GetLoadStatus(true);
    (void)b->GetLoadStatus(true);
    EXPECT_EQ(a->ChainEnd(), b.Record());
    EXPECT_EQ(b->ChainEnd(), b.Record());  // b -> a would close the loop
    EXPECT_EQ(b->GetRedirectRecord(), nullptr);
}

TEST_F(UrlRegistryTest, EmptyOnExitRemovesEveryCacheFile) {
    GetUrlSettings().emptyOnExit = true;
    {
        UrlRegistry reg(GetUrlSettings());
        AddPage(reg, "http://h/a.html", std::string(40000, 'a'));
        UrlHandle b = AddPage(reg, "http://h/b.html", "b");
        ASSERT_TRUE(b->StoreInCacheFile());
        std::ofstream(Cache() / "znt99999.tmp") << "left over";
        EXPECT_EQ(ZntFiles(Cache()).size(), 3u);
    }
    EXPECT_TRUE(ZntFiles(Cache()).empty());
    UrlRegistry reg(GetUrlSettings());
    EXPECT_EQ(reg.CacheTable().NodeCount(), 0u);
}

TEST_F(UrlRegistryTest, UncleanRunLosesOnlyStrayFiles) {
    {
        UrlRegistry reg(GetUrlSettings());
        AddPage(reg, "http://h/kept.html", "kept");
    }
    std::vector<std::string> indexed = ZntFiles(Cache());
    ASSERT_EQ(indexed.size(), 1u);
    std::ofstream(Cache() / "znt0ABCD.htm") << "stray from a crash";
    std::ofstream(Cache() / "other.txt") << "not ours";
    GetUrlSettings().lastRunUnclean = true;
    UrlRegistry reg(GetUrlSettings());
    EXPECT_EQ(ZntFiles(Cache()), indexed);
    EXPECT_TRUE(fs::exists(Cache() / "other.txt"));
    EXPECT_EQ(reg.CacheTable().NodeCount(), 1u);
}

TEST_F(UrlRegistryTest, VisitedLinksRoundTrip) {
    {
        UrlRegistry reg(GetUrlSettings());
        UrlHandle a = reg.Find(nullptr, "http://h/visited", nullptr, false);
        a->Touch(g_now - 10);
        UrlHandle p = reg.Find(nullptr, "http://h/private", nullptr, true);
        p->Touch(g_now);
        UrlHandle old = reg.Find(nullptr, "http://h/long-ago", nullptr, false);
        old->Touch(g_now - GetUrlSettings().linkExpirySeconds - 1);
        reg.Find(nullptr, "http://h/never", nullptr, false);
    }
    std::string data = ReadAll(root_ / "profile" / "vlink.dat");
    ASSERT_GE(data.size(), 2u);
    EXPECT_EQ(data.substr(0, 2), std::string("\x03\xF5", 2));
    EXPECT_EQ(data.find("private"), std::string::npos);
    EXPECT_EQ(data.find("long-ago"), std::string::npos);
    EXPECT_EQ(data.find("never"), std::string::npos);

    UrlRegistry reg(GetUrlSettings());
    UrlHandle a = reg.Find(nullptr, "http://h/visited", nullptr, false);
    EXPECT_TRUE(a->IsVisited(g_now, GetUrlSettings().linkExpirySeconds));
    EXPECT_EQ(a->GetLastUse(), g_now - 10);
    UrlHandle n = reg.Find(nullptr, "http://h/never", nullptr, false);
    EXPECT_FALSE(n->IsVisited(g_now, GetUrlSettings().linkExpirySeconds));
}

// Writes an index of one entry with the given file name and strings.
void WriteIndex(const fs::path& path, uint16_t version, const std::string& url, const std::string& file,
                const std::string& type = "text/html", bool terminate = true) {
    FILE* f = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    WriteRecordU16(version, f);
    (void)WriteRecordString(url.c_str(), f);
    (void)WriteRecordString("", f);
    (void)WriteRecordString(file.c_str(), f);
    (void)WriteRecordString("", f);
    (void)WriteRecordString(type.c_str(), f);
    (void)WriteRecordString("", f);
    WriteRecordU16(0xFFFF, f);
    for (int i = 0; i < 3; ++i) WriteRecordU32(100, f);
    WriteRecordU16(1, f);
    WriteRecordU32(5, f);
    WriteRecordU32(5, f);
    WriteRecordByte(2, f);
    WriteRecordByte(0, f);
    (void)WriteRecordString("", f);
    if (terminate) {
        WriteRecordU16(0, f);
        (void)WriteRecordString("00010", f);
    }
    std::fclose(f);
}

TEST_F(UrlRegistryTest, HostileIndexesTouchNothingOutsideTheCacheFolder) {
    fs::path victim = root_ / "victim.txt";
    const std::string sep(1, kPathSeparator);
    const struct {
        const char* what;
        uint16_t version;
        std::string file;
        std::string type;
    } cases[] = {
        {"parent path in the name", 1013, "znt.." + sep + "victim.txt", "text/html"},
        {"znt prefix then a path", 1013, "znt00001" + sep + ".." + sep + ".." + sep + "victim.txt",
         "text/html"},
        {"absolute path", 1013, victim.string(), "text/html"},
        {"old version cuts to the name", 1012, "C:" + sep + "x" + sep + "znt..", "text/html"},
        {"over-long type", 1013, "znt00001.htm", std::string(40000, 't')},
        {"version too old", 1011, "znt00001.htm", "text/html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(victim) << "precious";
        std::ofstream(Cache() / "znt00001.htm") << "hello";
        WriteIndex(Cache() / "dcache.url", c.version, "http://h/x", c.file, c.type);
        {
            UrlRegistry reg(GetUrlSettings());
            UrlHandle h = reg.Find(nullptr, "http://h/x", nullptr, false);
            h->GetStatusCheckingFile();
            reg.SetCacheSizeLimit(0);  // evicts whatever was taken
            reg.RecountCache(false);
            for (UrlRecord* r : reg.CacheTable().Records()) {
                if (r->GetFileName(false)) {
                    EXPECT_TRUE(UrlRegistry::IsCacheFileName(r->GetFileName(false)));
                }
            }
        }
        EXPECT_EQ(ReadAll(victim), "precious");
    }
}

TEST_F(UrlRegistryTest, DamagedIndexEndDropsStrayFiles) {
    std::ofstream(Cache() / "znt00001.htm") << "hello";
    std::ofstream(Cache() / "znt00002.htm") << "stray";
    WriteIndex(Cache() / "dcache.url", 1013, "http://h/x", "znt00001.htm", "text/html", false);
    UrlRegistry reg(GetUrlSettings());
    // No end marker: the idle records and every file not named are dropped.
    EXPECT_FALSE(fs::exists(Cache() / "znt00002.htm"));
    EXPECT_EQ(reg.CacheTable().NodeCount(), 0u);
}

TEST_F(UrlRegistryTest, EvictionTakesTheLeastRecentlyUsedAndSparesRecordsInUse) {
    UrlRegistry reg(GetUrlSettings());
    std::string body(40000, 'x');
    g_now = 100;
    UrlHandle oldest = AddPage(reg, "http://h/1", body);
    g_now = 200;
    UrlHandle middle = AddPage(reg, "http://h/2", body);
    g_now = 300;
    UrlHandle newest = AddPage(reg, "http://h/3", body);
    for (UrlHandle* h : {&oldest, &middle, &newest}) {
        reg.AddCacheBytes((*h)->GetLoadedBytes());
    }
    oldest->AddUser();  // shown in a window: never evicted
    std::string middleFile = middle->GetLocalFilePath();
    ASSERT_TRUE(fs::exists(middleFile));
    reg.SetCacheSizeLimit(85000);
    EXPECT_EQ(oldest->GetLoadStatusHere(), kLoadLoaded);
    EXPECT_EQ(middle->GetLoadStatusHere(), kLoadEmpty);
    EXPECT_FALSE(fs::exists(middleFile));
    EXPECT_EQ(middle->GetCacheRelation(), kListGeneral);
    EXPECT_EQ(newest->GetLoadStatusHere(), kLoadLoaded);
    EXPECT_EQ(reg.CacheTotal(), 80000);
    reg.SetCacheSizeLimit(0);
    EXPECT_EQ(oldest->GetLoadStatusHere(), kLoadLoaded);
    EXPECT_EQ(newest->GetLoadStatusHere(), kLoadEmpty);
}

TEST_F(UrlRegistryTest, ShortOfMemoryIdleRecordsGiveUpTheirBlocks) {
    UrlRegistry reg(GetUrlSettings());
    UrlHandle cached = AddPage(reg, "http://h/cached.html", "<p>kept</p>");
    UrlHandle plain = reg.Find(nullptr, "http://h/plain.html", nullptr, false);
    ASSERT_TRUE(plain->AppendRaw("<p>dropped</p>", 14));
    plain->SetLoadStatus(kLoadLoaded);
    UrlHandle shown = AddPage(reg, "http://h/shown.html", "<p>in use</p>");
    shown->AddUser();
    static_cast<UnusedUrlReleaser&>(reg).ReleaseUnusedData();
    // Disk cache records move their data to a file; others drop it; records
    // in use keep theirs.
    EXPECT_EQ(cached->GetStorage(), kStoredInFile);
    EXPECT_EQ(ReadAll(cached->GetLocalFilePath()), "<p>kept</p>");
    EXPECT_EQ(plain->GetLoadStatusHere(), kLoadEmpty);
    EXPECT_EQ(plain->GetStorage(), kStoredNowhere);
    EXPECT_EQ(shown->GetStorage(), kStoredInMemory);
    shown->RemoveUser();
}

TEST_F(UrlRegistryTest, FindSplitsFragmentsAndSharesRecords) {
    UrlRegistry reg(GetUrlSettings());
    UrlHandle a = reg.FindWithFragment("http://h/page#one#two");
    EXPECT_STREQ(a.GetName(), "http://h/page");
    EXPECT_STREQ(a.GetFragment(), "one#two");
    UrlHandle b = reg.FindWithFragment("http://h/page");
    EXPECT_EQ(a.Record(), b.Record());
    EXPECT_EQ(b.GetFragment(), nullptr);
    UrlHandle rel = reg.Find(&a, "../other.html", nullptr, false);
    EXPECT_STREQ(rel.GetName(), "http://h/other.html");
    UrlHandle priv = reg.Find(nullptr, "http://h/page", nullptr, true);
    EXPECT_NE(priv.Record(), a.Record());
    EXPECT_TRUE(priv->IsPrivate());
    std::string longName = "http://h/" + std::string(5000, 'a') + "#frag";
    UrlHandle whole = reg.FindWithFragment(longName.c_str());
    EXPECT_EQ(whole.GetFragment(), nullptr);
    UrlHandle i0 = reg.NewInternalUrl();
    UrlHandle i1 = reg.NewInternalUrl();
    EXPECT_STREQ(i0.GetName(), "zintu:0");
    EXPECT_STREQ(i1.GetName(), "zintu:1");
    EXPECT_TRUE(reg.Find(nullptr, "relative.html", nullptr, false).IsEmpty());
}

TEST(UrlRegistryNames, Base36CounterAndFileNames) {
    const struct {
        const char* from;
        const char* to;
    } steps[] = {
        {"00009", "0000A"}, {"0000Z", "00010"}, {"ZZZZZ", "00000"}, {"00ZZZ", "01000"}, {"12345", "12346"}};
    for (const auto& s : steps) {
        char c[6];
        std::memcpy(c, s.from, 6);
        UrlRegistry::IncrementBase36Name(c);
        EXPECT_STREQ(c, s.to) << s.from;
    }
    const struct {
        const char* name;
        bool ok;
    } names[] = {
        {"znt00000.tmp", true},
        {"zntZZZZZ.htm", true},
        {"znt0000A.jpeg", true},
        {"znt00000.abcdefghij", true},
        {"znt00000.abcdefghijk", false},
        {"znt..\\..\\x", false},
        {"znt00000", false},
        {"znt00000.", false},
        {"znt0000a.tmp", false},
        {"znt00000.t/p", false},
        {"ZNT00000.tmp", false},
        {"znt00000.t.p", false},
    };
    for (const auto& n : names) EXPECT_EQ(UrlRegistry::IsCacheFileName(n.name), n.ok) << n.name;
}

TEST_F(UrlRegistryTest, CacheFileNamesCarryOnlyLettersAndDigits) {
    UrlRegistry reg(GetUrlSettings());
    std::string a = reg.NewCacheFileName("htm");
    std::string b = reg.NewCacheFileName("..\\x/y");
    std::string c = reg.NewCacheFileName(nullptr);
    EXPECT_EQ(fs::path(a).filename().string(), "znt00000.htm");
    EXPECT_EQ(fs::path(b).filename().string(), "znt00001.xy");
    EXPECT_EQ(fs::path(c).filename().string(), "znt00002.tmp");
    // An existing file is skipped, not overwritten.
    std::ofstream(Cache() / "znt00003.tmp") << "taken";
    std::string d = reg.NewCacheFileName("tmp");
    EXPECT_EQ(fs::path(d).filename().string(), "znt00004.tmp");
    EXPECT_EQ(ReadAll(Cache() / "znt00003.tmp"), "taken");
    // A folder that is gone gives no name, at once, and says so.
    fs::remove_all(Cache());
    EXPECT_EQ(reg.NewCacheFileName("htm"), "");
}

}  // namespace

// Counting of handles and records, the record's bytes and the redirect chain.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "net/SniffContent.h"
#include "net/UrlRecord.h"

namespace {

namespace fs = std::filesystem;

// A real cache folder: a record's cache file disappears exactly when the
// record is deleted, which shows when counting lets it go.
class UrlRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("urlrecord-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        std::string d = dir_.string() + static_cast<char>(fs::path::preferred_separator);
        SetUrlCacheDirectory(d.c_str());
    }
    void TearDown() override {
        SetUrlCacheDirectory("");
        fs::remove_all(dir_);
    }
    // A record that owns a cache file.
    UrlRecord* RecordWithFile(const char* name, const char* file) {
        std::ofstream(dir_ / file) << "data";
        auto* r = new UrlRecord(name, true);
        r->SetFileName(file);
        r->SetStorage(kStoredInFile);
        return r;
    }
    bool Exists(const char* file) const { return fs::exists(dir_ / file); }
    fs::path dir_;
};

TEST_F(UrlRecordTest, DefaultHandlesShareTheEmptyRecord) {
    UrlRecord* empty = nullptr;
    {
        UrlHandle a, b;
        EXPECT_TRUE(a.IsEmpty());
        EXPECT_TRUE(b.IsEmpty());
        EXPECT_EQ(a.Record(), b.Record());
        EXPECT_EQ(a.GetName(), nullptr);
        EXPECT_EQ(a.GetFragment(), nullptr);
        empty = a.Record();
        UrlHandle c(nullptr, nullptr);
        EXPECT_EQ(c.Record(), empty);
    }
    // Still usable after every handle went away.
    UrlHandle d;
    EXPECT_EQ(d.Record(), empty);
    EXPECT_EQ(empty->GetLoadStatusHere(), kLoadNever);
}

TEST_F(UrlRecordTest, LastReleaseDeletesTheRecordAndItsFile) {
    UrlRecord* r = RecordWithFile("http://h/a", "znt00001.tmp");
    {
        UrlHandle h1(r, "top");
        EXPECT_EQ(r->RefCount(), 2);
        {
            UrlHandle h2 = h1;
            EXPECT_EQ(r->RefCount(), 3);
            EXPECT_STREQ(h2.GetFragment(), "top");
        }
        // The registry's count goes away; handles keep the record.
        EXPECT_EQ(r->ReleaseRef(), 1);
        EXPECT_TRUE(Exists("znt00001.tmp"));
        UrlHandle& itself = h1;
        h1 = itself;  // self-assignment keeps it alive
        EXPECT_EQ(r->RefCount(), 1);
        EXPECT_STREQ(h1.GetName(), "http://h/a");
        UrlHandle other(h1);
        h1 = UrlHandle();
        EXPECT_TRUE(Exists("znt00001.tmp"));
        UrlHandle& otherItself = other;
        other = otherItself;
        EXPECT_TRUE(Exists("znt00001.tmp"));
    }
    EXPECT_FALSE(Exists("znt00001.tmp"));
}

TEST_F(UrlRecordTest, KeptAndUserFilesSurviveTheRecord) {
    UrlRecord* kept = RecordWithFile("http://h/k", "znt00002.tmp");
    kept->SetKeepFile(true);
    delete kept;
    EXPECT_TRUE(Exists("znt00002.tmp"));

    // A file: URL's own file is the user's ...
    std::string user = (dir_ / "page.htm").string();
    std::ofstream(user) << "x";
    auto* local = new UrlRecord(("file:///" + user).c_str(), true);
    local->SetFileName(user.c_str());
    delete local;
    EXPECT_TRUE(fs::exists(user));
    // ... unless it is our temporary copy.
    auto* copy = new UrlRecord(("file:///" + user).c_str(), true);
    copy->SetFileName(user.c_str());
    copy->SetTempCopy(true);
    delete copy;
    EXPECT_FALSE(fs::exists(user));
}

TEST_F(UrlRecordTest, NewRecordFields) {
    UrlHandle h("HTTP://h/a/./b", true);
    UrlRecord* r = h.Record();
    EXPECT_STREQ(r->GetName(), "HTTP://h/a/b");
    EXPECT_EQ(r->GetScheme(), kSchemeHttp);
    EXPECT_EQ(r->GetLoadStatusHere(), kLoadNever);
    EXPECT_EQ(r->GetContentKind(), kKindNotYetKnown);
    EXPECT_EQ(r->GetSecurityLevel(), 10);
    EXPECT_EQ(r->RefCount(), 1);

    UrlHandle next("http://h/c", true);
    EXPECT_GT(next->GetId(), r->GetId());

    UrlHandle unresolved("not resolved", false);
    EXPECT_STREQ(unresolved.GetName(), "not resolved");
    EXPECT_EQ(unresolved->GetScheme(), 0);
    UrlHandle rejected("relative.html", true);
    EXPECT_EQ(rejected.GetName(), nullptr);
    UrlHandle odd("weird:x", true);
    EXPECT_EQ(odd->GetScheme(), kSchemeUnknown);
}

TEST_F(UrlRecordTest, ByteFieldsKeepTheirNeighbours) {
    UrlHandle h("http://h/", true);
    UrlRecord* r = h.Record();
    r->SetStorage(kStoredInFile);
    r->SetEncoding(2);
    r->SetCacheRelation(kListNever);
    EXPECT_EQ(r->GetStorage(), kStoredInFile);
    EXPECT_EQ(r->GetEncoding(), 2);
    EXPECT_EQ(r->GetCacheRelation(), kListNever);
    r->SetStorage(7);  // masked to two bits
    EXPECT_EQ(r->GetStorage(), 3);
    EXPECT_EQ(r->GetCacheRelation(), kListNever);

    r->SetVisited(true);
    r->SetPageMark(3);
    r->SetLoadStatus(kLoadFailed);
    EXPECT_EQ(r->GetLoadStatusHere(), kLoadFailed);
    EXPECT_EQ(r->GetPageMark(), 3);
    r->SetContentKind(kKindJpeg);
    r->SetInlineLoad(true);
    EXPECT_EQ(r->GetContentKind(), kKindJpeg);
    EXPECT_TRUE(r->IsInlineLoad());
    EXPECT_TRUE(r->IsImage());
}

TEST_F(UrlRecordTest, CacheIndexEntryRestoresTheRecord) {
    CacheIndexEntry e;
    e.name = "http://h/page.html";
    e.fileName = "znt0000A.htm";
    e.contentType = "text/html";
    e.loadTime = 1000;
    e.lastUse = 2000;
    e.useCount = 7;
    e.expires = 3000;
    e.contentLength = 40000;
    e.bytesLoaded = 40000;
    e.contentKind = kKindHtml;
    const struct {
        uint8_t saved;
        int restored;
    } statuses[] = {{2, kLoadLoaded}, {3, kLoadEmpty}, {6, kLoadEmpty}, {7, kLoadEmpty}, {5, kLoadFailed}};
    for (const auto& s : statuses) {
        e.loadStatus = s.saved;
        UrlRecord r(e);
        r.SetKeepFile(true);  // the file is not ours to delete here
        EXPECT_EQ(r.GetLoadStatusHere(), s.restored) << int(s.saved);
        EXPECT_EQ(r.GetCacheRelation(), kListCache);
        EXPECT_EQ(r.GetStorage(), kStoredInFile);
        EXPECT_STREQ(r.GetFileName(), "znt0000A.htm");
        EXPECT_STREQ(r.GetContentType(), "text/html");
        EXPECT_EQ(r.GetExpires(), 3000u);
        EXPECT_EQ(r.GetLoadedBytes(), 40000);
        EXPECT_EQ(r.GetUseCount(), 7u);
        // Visited, but only within the link expiry.
        EXPECT_TRUE(r.IsVisited(2500, 1000));
        EXPECT_FALSE(r.IsVisited(3001, 1000));
    }
}

TEST_F(UrlRecordTest, GettersFollowTheRedirectChainAndLoopsEnd) {
    UrlHandle a("http://h/a", true);
    UrlHandle b("http://h/b", true);
    b->SetContentKind(kKindGif);
    b->SetContentLength(123);
    b->SetLoadedBytes(100);
    b->SetFileName("znt00003.gif");
    b->SetKeepFile(true);
    a->MakeHttpPart()->redirectTarget = std::make_unique<UrlHandle>(b);
    EXPECT_EQ(a->ChainEnd(), b.Record());
    EXPECT_EQ(a->GetContentKind(), kKindGif);
    EXPECT_EQ(a->GetContentLength(), 123);
    EXPECT_EQ(a->GetLoadedBytes(), 100);
    EXPECT_STREQ(a->GetFileName(), "znt00003.gif");
    EXPECT_STREQ(a->GetName(true), "http://h/b");
    EXPECT_EQ(a->GetId(true), b->GetId());

    a->AddUser();
    EXPECT_EQ(a->GetInUse(), 1);
    EXPECT_EQ(b->GetInUse(), 1);
    a->RemoveUser(5, true);
    EXPECT_EQ(a->GetInUse(), 0);
    EXPECT_EQ(b->GetInUse(), 0);

    // A loop (as a damaged index could make) still ends.
    b->MakeHttpPart()->redirectTarget = std::make_unique<UrlHandle>(a);
    UrlRecord* end = a->ChainEnd();
    EXPECT_TRUE(end == a.Record() || end == b.Record());
    a->AddUser();
    EXPECT_LE(a->GetInUse(), 1 + kMaxRedirectChain);
    (void)a->GetContentKind();
    // Break the loop so both records can go.
    b->MakeHttpPart()->redirectTarget.reset();
}

TEST_F(UrlRecordTest, OriginOnlyForScriptAndInternalRecords) {
    UrlHandle page("http://h/page", true);
    UrlHandle script("javascript:go()", true);
    UrlHandle nested("javascript:more()", true);
    UrlHandle plain("http://h/other", true);
    script->SetOrigin(page);
    EXPECT_EQ(script->GetOriginUrl(), page);
    nested->SetOrigin(script);  // takes the script's own origin
    EXPECT_EQ(nested->GetOriginUrl(), page);
    plain->SetOrigin(page);
    EXPECT_TRUE(plain->GetOriginUrl().IsEmpty());
    nested->SetOrigin(UrlHandle());  // an empty handle changes nothing
    EXPECT_EQ(nested->GetOriginUrl(), page);
}

TEST_F(UrlRecordTest, BasicRealm) {
    const struct {
        const char* challenge;
        const char* realm;
    } cases[] = {
        {"Basic realm=\"Members\"", "Members"},
        {"  basic REALM=  Area51", "Area51"},
        {"Digest realm=\"x\"", ""},
        {"Basic realm", ""},
        {"", ""},
    };
    UrlHandle h("http://h/", true);
    for (const auto& c : cases) {
        h->SetChallenge(c.challenge);
        EXPECT_EQ(h->GetBasicRealm(), c.realm) << c.challenge;
    }
}

}  // namespace

// Directory listings: the LIST line parser, the entry lines of the page, and
// a local folder listed by a record into its store.
#include <chrono>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "net/DirectoryListing.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

namespace fs = std::filesystem;

struct LineCase {
    const char* line;
    bool gives;
    uint8_t kind;
    const char* name;
    uint32_t size;
    int year, month, day, hours, minutes;
};

// The current date of these cases: 15 June 2026.
constexpr int kYear = 2026;
constexpr int kMonth = 6;

TEST(FtpListLine, TableOfLines) {
    const LineCase cases[] = {
        {"drwxr-xr-x 2 user group 512 Mar 4 10:05 pub\r\n", true, kListingDirectory, "pub", 512, kYear, 3, 4, 10, 5},
        {"-rw-r--r-- 1 u g 123456 Dec 31 1997 file.txt\n", true, kListingFile, "file.txt", 123456, 1997, 12, 31, 0, 0},
        {"lrwxrwxrwx 1 u g 7 Jan 1 2001 bin -> usr/bin", true, kListingLink, "bin", 7, 2001, 1, 1, 0, 0},
        // A time in a month after the current one is of last year.
        {"-rw-r--r-- 1 u g 1 Sep 9 23:59 late", true, kListingFile, "late", 1, kYear - 1, 9, 9, 23, 59},
        {"  -rw-r--r--   1 u   g   0 jAN  2   1970 old name with  spaces\r\n", true, kListingFile,
         "old name with  spaces", 0, 1980, 1, 2, 0, 0},
        {"-rw-r--r-- 1 u g 99999999999 Feb 3 2003 huge", true, kListingFile, "huge", 0xFFFFFFFFu, 2003, 2, 3, 0, 0},
        // No group column: the fifth field is no number.
        {"-rw-r--r-- 1 owner 1234 Mar 4 2001 x", false},
        {"drwxr-xr-x 2 u g 512 Foo 4 10:05 pub", false},
        {"drwxr-xr-x 2 u g 512 Mar 32 10:05 pub", false},
        {"drwxr-xr-x 2 u g 512 Mar 4 24:05 pub", false},
        {"drwxr-xr-x 2 u g 512 Mar 4 10:60 pub", false},
        {"drwxr-xr-x 2 u g 512 Mar 4 10:05 .", false},
        {"drwxr-xr-x 2 u g 512 Mar 4 10:05 ..\r\n", false},
        {"drwxr-xr-x 2 u g 512 Mar 4 10:05 \r\n", false},
        {"total 24", false},
        {"", false},
    };
    for (const LineCase& c : cases) {
        ListingEntry e;
        bool gave = ParseFtpListLine(c.line, kYear, kMonth, e);
        ASSERT_EQ(gave, c.gives) << c.line;
        if (!gave) continue;
        EXPECT_EQ(e.kind, c.kind) << c.line;
        EXPECT_EQ(e.name, c.name) << c.line;
        EXPECT_EQ(e.size, c.size) << c.line;
        EXPECT_EQ(e.date, PackListingDate(c.year, c.month, c.day)) << c.line;
        EXPECT_EQ(e.time, PackListingTime(c.hours, c.minutes, 0)) << c.line;
    }
}

ListingEntry Entry(uint8_t kind, const char* name, uint32_t size, int year, int month, int day) {
    ListingEntry e;
    e.kind = kind;
    e.name = name;
    e.size = size;
    e.date = PackListingDate(year, month, day);
    e.time = PackListingTime(10, 5, 8);
    return e;
}

std::string Spaces(size_t n) {
    return std::string(n, ' ');
}

TEST(ListingLines, SizesDatesAndNames) {
    const std::string file = "<IMG SRC=\"internal-unknown\"> <A HREF=\"";
    const std::string folder = "<IMG SRC=\"internal-directory\"> <A HREF=\"";
    struct Case {
        ListingEntry entry;
        int width;
        std::string line;
    } cases[] = {
        {Entry(kListingFile, "file.txt", 123456, 1997, 12, 31), 24,
         file + "file.txt\">file.txt</A>" + Spaces(16) + "123.45 kB" + Spaces(5) + "31.12.97  10:05:08\n"},
        {Entry(kListingFile, "a", 999, 2026, 1, 2), 4,
         file + "a\">a</A>" + Spaces(3) + "   999 bytes  02.01.2026  10:05:08\n"},
        {Entry(kListingFile, "a", 12345, 2026, 1, 2), 1, file + "a\">a</A> 12.34 kB     02.01.2026  10:05:08\n"},
        {Entry(kListingFile, "a", 1000, 2026, 1, 2), 1, file + "a\">a</A>  1.00 kB     02.01.2026  10:05:08\n"},
        {Entry(kListingFile, "a", 1234567, 2026, 1, 2), 1, file + "a\">a</A>  1.23 MB     02.01.2026  10:05:08\n"},
        // Folders carry a '/' and no size; the columns stay aligned.
        {Entry(kListingDirectory, "pub", 512, 2001, 1, 1), 4,
         folder + "pub/\">pub/</A>" + Spaces(1) + Spaces(13) + "01.01.2001  10:05:08\n"},
        // A link's name column is one wider.
        {Entry(kListingLink, "bin", 7, 2001, 1, 1), 3,
         folder + "bin\">bin</A>" + Spaces(1) + Spaces(13) + "01.01.2001  10:05:08\n"},
        // A long name is cut for show; the link keeps all of it.
        {Entry(kListingFile, "abcdefghij", 1, 1999, 5, 6), 6,
         file + "abcdefghij\">abc...</A>     1 bytes  06.05.99  10:05:08\n"},
        // Markup and link characters in names are escaped, never taken as markup.
        {Entry(kListingFile, "<b>&\"x y#", 1, 2001, 1, 1), 9,
         file + "%3Cb%3E%26%22x%20y%23\">&lt;b&gt;&amp;&quot;x y#</A>     1 bytes  01.01.2001  10:05:08\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(ListingEntryLine(c.entry, c.width), c.line) << c.entry.name;
}

TEST(ListingLines, HeaderAndWelcomeAreEscaped) {
    EXPECT_EQ(ListingHeader("ftp://h/a\"b/", "Directory listing of ", "ftp://h/<x>"),
              "<HEAD><BASE href=\"ftp://h/a&quot;b/\"></HEAD>\n<TITLE>Directory listing of ftp://h/&lt;x&gt;"
              "</TITLE><H1>\nftp://h/&lt;x&gt;</H1>\n<PRE>");
    EXPECT_EQ(ListingWelcome("Hi <script>"), "\n<HR>\nHi &lt;script&gt;\n<HR>\n");
    EXPECT_EQ(ListingWelcome(""), "");
}

TEST(ListingLines, LocalSortKeepsParentFirstAndIgnoresCase) {
    std::vector<ListingEntry> entries;
    for (const char* n : {"..", "beta", "Alpha", "gamma", "ALPHA2", "_x"}) entries.push_back(Entry(0, n, 0, 2001, 1, 1));
    SortLocalListing(entries);
    std::vector<std::string> names;
    for (const ListingEntry& e : entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"..", "_x", "Alpha", "ALPHA2", "beta", "gamma"}));
}

// A local folder listed by a file: record.
class LocalListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per run: test runs of other trees may share the machine.
        root_ = fs::temp_directory_path() /
                ("zintu-listing-test-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "cache");
        fs::create_directories(root_ / "folder");
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
    // "file:///C:/..." on Windows, "file:///tmp/..." elsewhere.
    static std::string FileUrl(const fs::path& p) {
        std::string g = p.generic_string();
        return "file:///" + (g.empty() || g[0] != '/' ? g : g.substr(1));
    }
    std::string Page(UrlRecord& r) {
        std::string page(static_cast<size_t>(r.GetLoadedBytes()), '\0');
        int32_t n = r.ReadLocalData(0, r.GetLoadedBytes(), page.data());
        page.resize(static_cast<size_t>(n < 0 ? 0 : n));
        return page;
    }
    fs::path root_;
    std::unique_ptr<UrlRegistry> registry_;
};

TEST_F(LocalListingTest, ParentFirstSortedFoldersAsFoldersAndEscaped) {
    fs::path folder = root_ / "folder";
    std::ofstream(folder / "b.txt") << "12345";
    // Characters that mean something in markup or in a link (and that every
    // platform allows in a file name).
    std::ofstream(folder / "A&B #1.txt") << "x";
    fs::create_directories(folder / "Sub");
    // A folder that may not be written to is still a folder.
    fs::create_directories(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_write, fs::perm_options::remove);
    UrlHandle h = registry_->FindWithFragment(FileUrl(folder).c_str());
    ASSERT_FALSE(h.IsEmpty());
    ASSERT_TRUE(h->BuildLocalListing("Directory listing of "));
    std::string page = Page(*h.Record());
    fs::permissions(folder / "locked", fs::perms::owner_write, fs::perm_options::add);
    size_t parent = page.find("HREF=\"../\"");
    size_t amp = page.find("HREF=\"A%26B%20%231.txt\">A&amp;B #1.txt</A>");
    size_t b = page.find("HREF=\"b.txt\">b.txt</A>");
    size_t locked = page.find("HREF=\"locked/\">locked/</A>");
    size_t sub = page.find("HREF=\"Sub/\">Sub/</A>");
    ASSERT_NE(parent, std::string::npos) << page;
    ASSERT_NE(amp, std::string::npos) << page;
    ASSERT_NE(b, std::string::npos) << page;
    ASSERT_NE(locked, std::string::npos) << page;
    ASSERT_NE(sub, std::string::npos) << page;
    EXPECT_LT(parent, amp);
    EXPECT_LT(amp, b);
    EXPECT_LT(b, locked);
    EXPECT_LT(locked, sub);
    EXPECT_NE(page.find("b.txt</A>" + Spaces(18 + 5) + "5 bytes"), std::string::npos) << page;
    EXPECT_EQ(page.rfind("</PRE>\n"), page.size() - 7);
    EXPECT_EQ(page.find("<HEAD><BASE href=\"file:///"), 0u) << page;
}

TEST_F(LocalListingTest, ABigFolderListsTheFirstEntriesOnly) {
    fs::path folder = root_ / "folder";
    for (int i = 0; i < 1700; ++i) std::ofstream(folder / ("f" + std::to_string(10000 + i)));
    UrlHandle h = registry_->FindWithFragment(FileUrl(folder).c_str());
    ASSERT_TRUE(h->BuildLocalListing("Directory listing of "));
    std::string page = Page(*h.Record());
    size_t lines = 0;
    for (size_t at = page.find("<IMG"); at != std::string::npos; at = page.find("<IMG", at + 1)) ++lines;
    EXPECT_EQ(lines, kMaxListingEntries);
    EXPECT_NE(page.find("HREF=\"../\""), std::string::npos);
    // Larger than a memory block: the page went to a cache file of its own.
    EXPECT_EQ(h->GetStorage(), kStoredInFile);
    std::string file = h->GetLocalFilePath();
    EXPECT_EQ(file.rfind((root_ / "cache").string(), 0), 0u) << file;
    h->DeleteCacheFile();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::exists(folder));
}

}  // namespace

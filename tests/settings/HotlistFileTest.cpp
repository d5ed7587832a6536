// The hotlist's tree and its file: what is written reads back the same,
// older files are read, damaged files are refused with a reason and leave
// the hotlist as it was,
// and the rules of sorting, nicknames, visits and command ids.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/HotlistFile.h"
#include "settings/HotlistItem.h"

namespace {

HotlistTime g_now = 1700000000;
HotlistTime TestClock() {
    return g_now;
}

class HotlistFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetHotlistClock(TestClock); }
    void TearDown() override { SetHotlistClock(nullptr); }
};

HotlistUrl& AddUrl(HotlistFolder& folder, const char* name, const char* url) {
    auto* item = new HotlistUrl(name, url);
    folder.AppendItem(*item);
    return *item;
}

HotlistFolder& AddFolder(HotlistFolder& folder, const char* name) {
    auto* item = new HotlistFolder(name);
    folder.AppendItem(*item);
    return *item;
}

// The tree as one line per entry, indented by depth, with every field the
// file keeps.
void Dump(const HotlistFolder& folder, std::string& out, int depth = 0) {
    for (const HotlistItem* item = folder.FirstItem(); item; item = item->NextItem()) {
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + (item->IsFolder() ? "F " : "U ") + item->Name();
        if (item->IsUrl()) out += " <" + static_cast<const HotlistUrl*>(item)->Url() + ">";
        out += " c" + std::to_string(item->created) + " v" + std::to_string(item->visited) + " o" +
               std::to_string(item->order);
        if (!item->ShortName().empty()) out += " s:" + item->ShortName();
        if (!item->Description().empty()) out += " d:" + item->Description();
        if (item->IsFolder() && static_cast<const HotlistFolder*>(item)->expanded) out += " expanded";
        out += "\n";
        if (item->IsFolder()) Dump(static_cast<const HotlistFolder&>(*item), out, depth + 1);
    }
}

std::string Dump(const HotlistFolder& folder) {
    std::string out;
    Dump(folder, out);
    return out;
}

const std::string kHeader = "Zintu Hotlist version 2.0\r\n\r\n";

TEST_F(HotlistFileTest, WrittenTreeReadsBackWholeWithItsActiveFolder) {
    HotlistFolder root("ROOT");
    HotlistUrl& plain = AddUrl(root, "Plain", "http://127.0.0.1/a.html");
    plain.visited = 1700000500;
    plain.SetShortName("plain");
    HotlistFolder& news = AddFolder(root, "News");
    news.expanded = true;
    news.SetDescription("a line\r\nbroken in two");
    HotlistFolder& deeper = AddFolder(news, "Deeper");
    HotlistUrl& inner = AddUrl(deeper, "Inner = with equals", "http://h/?q=1&r=2");
    inner.created = 0;
    AddUrl(news, "", "http://no-name/");
    // A very long address survives whole.
    AddUrl(root, "Long", ("http://h/" + std::string(20000, 'x')).c_str());
    root.Renumber(0, true);

    const std::string text = WriteHotlistText(root, &deeper);
    EXPECT_EQ(text.compare(0, kHeader.size(), kHeader), 0);
    EXPECT_NE(text.find("\r\n\tCREATED=1700000000 ("), std::string::npos);
    EXPECT_NE(text.find("\r\n\tVISITED=0 (?)\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 3), "-\r\n");

    HotlistFolder loaded("ROOT");
    HotlistFolder* active = nullptr;
    std::string error;
    ASSERT_TRUE(LoadHotlistText(text, loaded, &active, &error)) << error;
    // The broken description was written as one line.
    std::string expected = Dump(root);
    const size_t broken = expected.find("a line\r\nbroken");
    ASSERT_NE(broken, std::string::npos);
    expected.replace(broken, 14, "a line  broken");
    EXPECT_EQ(Dump(loaded), expected);
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->Name(), "Deeper");
    // Written again it is the same text: nothing was lost on the way.
    EXPECT_EQ(WriteHotlistText(loaded, active), text);
}

TEST_F(HotlistFileTest, DamagedFilesAreRefusedWithAReasonAndChangeNothing) {
    const std::string entry = "#URL\n\tNAME=A\n\tURL=http://a/\n\n";
    struct Case {
        const char* name;
        std::string text;
        const char* reason;  // a part of the error
    };
    const std::vector<Case> cases = {
        {"empty file", "", "first line"},
        {"garbage", std::string("\x01\x02\xff garbage\n\0\n", 14), "first line"},
        {"header in lower case", "zintu hotlist version 2.0\n\n" + entry + "-\n", "first line"},
        {"older format with no folders", "x\ny\n0\n", "older hotlist (line 3"},
        {"older format's item cut short", "x\ny\n1\nFolder\n2\nTitle\n1\n", "older hotlist (line 7"},
        {"older format's sub-folder cut short", "x\ny\n1\nF\n1\nSub\n3\nhttp://a/\n", "older hotlist"},
        {"unknown record at the top", kHeader + entry + "#BOGUS\n\tNAME=b\n\n-\n", "line 7"},
        {"header line of 100000 letters", std::string(100000, 'Z') + "\n" + entry, "first line"},
        {"folders nested 300 deep",
         [] {
             std::string t = kHeader;
             for (int i = 0; i < 300; ++i) t += "#FOLDER\n\tNAME=f\n\n";
             return t;
         }(),
         "nested"},
    };
    for (const Case& c : cases) {
        HotlistFolder root("ROOT");
        AddUrl(root, "Kept", "http://kept/");
        const std::string before = Dump(root);
        HotlistFolder* active = &root;
        std::string error;
        EXPECT_FALSE(LoadHotlistText(c.text, root, &active, &error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(Dump(root), before) << c.name;
        EXPECT_EQ(active, nullptr) << c.name;
    }
}

TEST_F(HotlistFileTest, ReaderRulesAndRecordsCutShort) {
    struct Case {
        const char* name;
        std::string text;
        std::string tree;
    };
    const std::string longName(70000, 'n');
    const std::vector<Case> cases = {
        {"LF line ends, keys by their first letter, blanks trimmed",
         kHeader + "#URL\n   Name=A  \n\tUniform=http://a/\n\tOrder=7\n\tXYZ=ignored\n\tno equals\n\tS=\n\n-\n",
         "U A <http://a/> c1700000000 v0 o7\n"},
        {"a minus sign: creation kept, visit cleared",
         kHeader + "#URL\n\tNAME=A\n\tCREATED=-5\n\tVISITED=-9 (?)\n\n-\n", "U A <> c1700000000 v0 o-1\n"},
        {"a URL line on a folder is ignored, EXPANDED and ACTIVE only on folders",
         kHeader + "#FOLDER\n\tNAME=F\n\tURL=http://x/\n\tEXPANDED=YES\n\n-\n#URL\n\tNAME=U\n\tEXPANDED=YES\n\n-\n",
         "F F c1700000000 v0 o-1 expanded\nU U <> c1700000000 v0 o-1\n"},
        {"a folder never closed still loads",
         kHeader + "#FOLDER\n\tNAME=F\n\n#URL\n\tNAME=In\n\tURL=http://in/\n\n",
         "F F c1700000000 v0 o-1\n  U In <http://in/> c1700000000 v0 o-1\n"},
        {"a failure inside a folder ends that folder only",
         kHeader + "#FOLDER\n\tNAME=F\n\n#?\n#URL\n\tNAME=After\n\n-\n",
         "F F c1700000000 v0 o-1\nU After <> c1700000000 v0 o-1\n"},
        {"a record cut short by the end of the file is kept",
         kHeader + "#URL\n\tNAME=A\n\tURL=http://a/\n\n#URL\n\tNAME=Cut\n\tURL=http://cu",
         "U A <http://a/> c1700000000 v0 o-1\nU Cut <http://cu> c1700000000 v0 o-1\n"},
        {"a record without its blank line before the next is kept",
         kHeader + "#URL\n\tNAME=A\n#URL\n\tNAME=B\n-\n", "U A <> c1700000000 v0 o-1\nU B <> c1700000000 v0 o-1\n"},
        {"a name of 70000 characters", kHeader + "#URL\n\tNAME=" + longName + "\n\n-\n",
         "U " + longName + " <> c1700000000 v0 o-1\n"},
    };
    for (const Case& c : cases) {
        HotlistFolder root("ROOT");
        std::string error;
        EXPECT_TRUE(LoadHotlistText(c.text, root, nullptr, &error)) << c.name << ": " << error;
        EXPECT_EQ(Dump(root), c.tree) << c.name;
    }
}

TEST_F(HotlistFileTest, OlderFilesAreReadIntoFolders) {
    struct Case {
        const char* name;
        std::string text;
        std::string tree;
    };
    const std::vector<Case> cases = {
        {"an unnamed folder, an address and a sub-folder of two",
         "ignored\r\nignored\r\n2\r\n\r\n2\r\nHome\r\n1\r\nhttp://home/\r\nSub\r\n2\r\nhttp://a/\r\n"
         "http://b/\r\nEmpty\r\n0\r\n",
         "F ... c1700000000 v0 o-1\n"
         "  U Home <http://home/> c1700000000 v0 o-1\n"
         "  F Sub c1700000000 v0 o-1\n"
         "    U http://a/ <http://a/> c1700000000 v0 o-1\n"
         "    U http://b/ <http://b/> c1700000000 v0 o-1\n"
         "F Empty c1700000000 v0 o-1\n"},
        {"a count of 0 is one address, LF line ends", "x\ny\n1\nF\n1\nT\n0\nhttp://t/\n",
         "F F c1700000000 v0 o-1\n  U T <http://t/> c1700000000 v0 o-1\n"},
    };
    for (const Case& c : cases) {
        HotlistFolder root("ROOT");
        HotlistFolder* active = &root;
        std::string error;
        EXPECT_TRUE(LoadHotlistText(c.text, root, &active, &error)) << c.name << ": " << error;
        EXPECT_EQ(Dump(root), c.tree) << c.name;
        EXPECT_EQ(active, nullptr) << c.name;
    }
}

TEST_F(HotlistFileTest, NicknamesVisitsAndSorting) {
    HotlistFolder root("ROOT");
    HotlistFolder& sub = AddFolder(root, "sub");
    HotlistUrl& a = AddUrl(sub, "b-page", "http://h/Page");
    a.SetShortName("News");
    HotlistUrl& b = AddUrl(root, "a-page", "http://h/page");
    b.SetShortName("news");
    // Depth-first in order: the folder's entry comes first; letter case aside.
    EXPECT_EQ(FindByShortName(root, "NEWS"), &a);
    EXPECT_EQ(FindByShortName(root, ""), nullptr);
    EXPECT_EQ(FindByShortName(root, "new"), nullptr);
    for (const char* nickname : {".", "a:b", "x/y", "dot.ted"}) EXPECT_FALSE(IsValidNickname(nickname)) << nickname;
    EXPECT_TRUE(IsValidNickname("letters"));

    // Visits match the address exactly, letter case included.
    g_now = 1700000900;
    EXPECT_TRUE(MarkUrlVisited(root, "http://h/page"));
    EXPECT_EQ(b.visited, 1700000900u);
    EXPECT_EQ(a.visited, 0u);
    EXPECT_FALSE(MarkUrlVisited(root, "http://h/PAGE"));

    // By visit: never-visited last going up, first going down.
    root.sortKey = kSortByVisited;
    root.Sort(false);
    EXPECT_EQ(root.FirstItem(), &b);
    root.ascending = false;
    root.Sort(false);
    EXPECT_EQ(root.FirstItem(), &sub);
    // By title: folders first going up, last going down.
    root.sortKey = kSortByTitle;
    root.Sort(false);
    EXPECT_EQ(root.FirstItem(), &b);
    root.ascending = true;
    root.Sort(true);
    EXPECT_EQ(root.FirstItem(), &sub);
    // User order always ascends.
    root.sortKey = kSortByOrder;
    root.ascending = false;
    sub.order = 5;
    b.order = 1;
    root.Sort(false);
    EXPECT_EQ(root.FirstItem(), &b);
}

TEST_F(HotlistFileTest, CommandIdsWrapAndFoldersOwnTheirBlock) {
    auto first = std::make_unique<HotlistUrl>();
    const uint32_t start = first->CommandId();
    // The counter wraps at 32758: 31724 entries after one that got 1034,
    // the next gets 1034 again.
    uint32_t id = 0;
    for (uint32_t i = 0; i < kLastHotlistCommand - kFirstHotlistCommand; ++i) id = HotlistUrl().CommandId();
    EXPECT_EQ(id, start);
    HotlistFolder root("ROOT");
    HotlistFolder& folder = AddFolder(root, "F");
    HotlistUrl& url = AddUrl(folder, "U", "http://u/");
    EXPECT_EQ(url.CommandId(), folder.CommandId() + kFolderCommandBlock + 1);
    EXPECT_EQ(FindByCommandId(root, folder.CommandId() + kFolderCommandBlock), &folder);
    EXPECT_EQ(FindByCommandId(root, url.CommandId()), &url);
    EXPECT_EQ(FindByCommandId(root, 5), nullptr);
}

}  // namespace

// ftp: loads end to end against a real FTP server on 127.0.0.1 (pyftpdlib,
// passive mode, anonymous and a user who may write), a scripted server for
// what a real one will not do, and local folders shown as listings.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "net/FtpConnection.h"
#include "net/NetErrors.h"
#include "tests/net/UrlLoadFixture.h"
#include "tests/support/LocalServer.h"

using namespace url_load_test;
using testing_support::ScriptedServer;
using testing_support::ScriptStep;

namespace {

namespace fs = std::filesystem;

std::string Ftp(const std::string& path, const std::string& login = "") {
    return "ftp://" + login + "127.0.0.1:" + std::to_string(testing_support::ServerPortFromEnv("FTP")) + path;
}

// A file of the server's tree, seen from the Windows side.
fs::path ServerFile(const std::string& relative) {
    const char* dir = std::getenv("ZINTU_FTP_DIR");
    return fs::path(std::string("Z:") + (dir ? dir : "/nonexistent") + "/root/" + relative);
}

std::string Stored(UrlRecord& r) {
    std::string data(static_cast<size_t>(r.GetLoadedBytes()), '\0');
    int32_t n = r.ReadLocalData(0, r.GetLoadedBytes(), data.data());
    data.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return data;
}

class FtpLoadTest : public UrlLoadTest {
protected:
    uint32_t ErrorOf(const UrlHandle& h) {
        const Notice* error = recorder_->Find(kMsgLoadError, h->GetId());
        return error ? error->p1 : 0;
    }
};

TEST_F(FtpLoadTest, AFolderIsAListingPage) {
    UrlHandle h = Load(Ftp("/pub/"));
    ASSERT_EQ(ErrorOf(h), 0u);
    EXPECT_EQ(h->GetLoadStatusHere(), kLoadLoaded);
    EXPECT_EQ(h->GetContentKind(), kKindHtml);
    ASSERT_NE(Content(h), nullptr);
    const std::string& page = Content(h)->fed;
    EXPECT_EQ(page.find("<HEAD><BASE href=\"" + Ftp("/pub/") + "\"></HEAD>\n<TITLE>Directory listing of "), 0u)
        << page;
    EXPECT_NE(page.find("<A HREF=\"..\">..</A>"), std::string::npos) << page;
    EXPECT_NE(page.find("<A HREF=\"file.txt\">file.txt</A>                123.45 kB     31.12.97  "),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<IMG SRC=\"internal-directory\"> <A HREF=\"sub/\">sub/</A>"), std::string::npos);
    // A name that is markup shows as text.
    EXPECT_NE(page.find("<A HREF=\"a%26b%3Cc%3E.txt\">a&amp;b&lt;c&gt;.txt</A>"), std::string::npos) << page;
    EXPECT_EQ(page.rfind("</PRE>\n"), page.size() - 7);
    EXPECT_EQ(Content(h)->finals, 1);
    // An empty folder is an empty listing, not an empty file.
    UrlHandle empty = Load(Ftp("/empty"));
    ASSERT_EQ(ErrorOf(empty), 0u);
    ASSERT_NE(Content(empty), nullptr);
    EXPECT_NE(Content(empty)->fed.find("<PRE><IMG SRC=\"internal-directory\"> <A HREF=\"..\">..</A>\n</PRE>"),
              std::string::npos)
        << Content(empty)->fed;
}

TEST_F(FtpLoadTest, FilesArriveByteForByte) {
    for (const char* name : {"pub/bytes.bin", "pub/file.txt"}) {
        UrlHandle h = Load(Ftp(std::string("/") + name));
        ASSERT_EQ(ErrorOf(h), 0u) << name;
        EXPECT_EQ(h->GetLoadStatusHere(), kLoadLoaded) << name;
        std::string expected = ReadAll(ServerFile(name));
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_TRUE(Stored(*h.Record()) == expected) << name << ": " << Stored(*h.Record()).size() << " bytes";
    }
    // The same as the user who logs in.
    UrlHandle h = Load(Ftp("/pub/bytes.bin", "zintu:secret@"));
    EXPECT_TRUE(Stored(*h.Record()) == ReadAll(ServerFile("pub/bytes.bin")));
}

TEST_F(FtpLoadTest, MissingFilesAndFoldersFailWithTheirCodes) {
    const struct {
        const char* path;
        uint32_t error;
    } cases[] = {
        {"/pub/missing.txt", kErrFtpFileNotFound},
        {"/nowhere/file.txt", kErrFtpNoDirectory},
    };
    for (const auto& c : cases) {
        UrlHandle h = Load(Ftp(c.path));
        EXPECT_EQ(ErrorOf(h), c.error) << c.path;
        EXPECT_EQ(h->GetLoadStatusHere(), kLoadFailed) << c.path;
    }
    UrlHandle h = Load(Ftp("/pub/", "zintu:wrong@"));
    EXPECT_EQ(ErrorOf(h), static_cast<uint32_t>(kErrFtpLogin));
}

TEST_F(FtpLoadTest, AnUploadArrivesIntact) {
    fs::path local = root_ / "up load.bin";
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<char>((i * 13) % 256));
    bytes += "\r\n.\r\n";
    std::ofstream(local, std::ios::binary) << bytes;
    std::string path = local.string();
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    // The file's name in quotes: it holds a space.
    UrlHandle h = Load(Ftp("/incoming/;UPLOAD=%22" + path + "%22", "zintu:secret@"));
    EXPECT_EQ(ErrorOf(h), 0u);
    std::string arrived = ReadAll(ServerFile("incoming/up load.bin"));
    EXPECT_EQ(arrived.size(), bytes.size());
    EXPECT_TRUE(arrived == bytes);
}

TEST_F(FtpLoadTest, AnEscapedLineEndInThePathSendsNothing) {
    ScriptedServer server({{ScriptStep::Send, "220 ready\r\n"}, {ScriptStep::Expect, "QUIT\r\n"}});
    std::string base = "ftp://127.0.0.1:" + std::to_string(server.Port());
    for (const char* path : {"/pub/x%0d%0aDELE%20file.txt", "/pub/x%0aRMD%20pub", "/a%00b"}) {
        UrlHandle h = Load(base + path);
        EXPECT_EQ(ErrorOf(h), static_cast<uint32_t>(kErrIllegalAddress)) << path;
    }
    UrlHandle user = Load("ftp://a%0d%0aDELE%20x:pw@127.0.0.1:" + std::to_string(server.Port()) + "/");
    EXPECT_EQ(ErrorOf(user), static_cast<uint32_t>(kErrIllegalAddress));
    testing_support::PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(FtpLoadTest, AUserWithoutPasswordIsNotAskedForOne) {
    ScriptedServer server({{ScriptStep::Send, "220-Welcome\r\n220-to the test\r\n220 ready\r\n"},
                           {ScriptStep::Expect, "USER bob\r\n"},
                           {ScriptStep::Send, "331 Password required\r\n"},
                           {ScriptStep::Expect, "QUIT\r\n"},
                           {ScriptStep::Send, "221 Bye\r\n"},
                           {ScriptStep::Close, ""}});
    UrlHandle h = Load("ftp://bob@127.0.0.1:" + std::to_string(server.Port()) + "/pub/a%2Fb");
    EXPECT_EQ(ErrorOf(h), static_cast<uint32_t>(kErrFtpNeedsPassword));
    EXPECT_EQ(server.Received(), "USER bob\r\nQUIT\r\n");
}

TEST_F(FtpLoadTest, TheWalkTakesTheLastComponentAsAFileWhenCwdRefusesIt) {
    ScriptedServer server({{ScriptStep::Send, "220 ready\r\n"},
                           {ScriptStep::Expect, "USER anonymous\r\n"},
                           {ScriptStep::Send, "331 Password\r\n"},
                           {ScriptStep::Expect, "PASS kvemo@\r\n"},
                           {ScriptStep::Send, "230 In\r\n"},
                           {ScriptStep::Expect, "CWD d/e\r\n"},
                           {ScriptStep::Send, "250 OK\r\n"},
                           {ScriptStep::Expect, "CWD f\r\n"},
                           {ScriptStep::Send, "550 Not a folder\r\n"},
                           {ScriptStep::Expect, "TYPE I\r\n"},
                           {ScriptStep::Send, "200 OK\r\n"},
                           {ScriptStep::Expect, "PASV\r\n"},
                           // No data channel: the port nothing listens on.
                           {ScriptStep::Send, "425 Cannot open data connection\r\n"},
                           {ScriptStep::Expect, "QUIT\r\n"},
                           {ScriptStep::Send, "221 Bye\r\n"},
                           {ScriptStep::Close, ""}});
    UrlHandle h = Load("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/d%2fe/f");
    EXPECT_EQ(ErrorOf(h), static_cast<uint32_t>(kErrFtpNoDataChannel));
}

TEST_F(FtpLoadTest, ALocalFolderIsAListingPage) {
    fs::path folder = root_ / "folder";
    fs::create_directories(folder / "Sub");
    std::ofstream(folder / "b.txt") << "12345";
    std::ofstream(folder / "a.txt") << "1";
    std::string url = "file:///" + folder.string();
    for (char& c : url) {
        if (c == '\\') c = '/';
    }
    UrlHandle h = Load(url);
    ASSERT_EQ(ErrorOf(h), 0u);
    EXPECT_EQ(h->GetLoadStatusHere(), kLoadLoaded);
    ASSERT_NE(Content(h), nullptr);
    const std::string& page = Content(h)->fed;
    size_t parent = page.find("HREF=\"../\"");
    size_t a = page.find("HREF=\"a.txt\"");
    size_t b = page.find("HREF=\"b.txt\"");
    size_t sub = page.find("HREF=\"Sub/\"");
    ASSERT_NE(parent, std::string::npos) << page;
    EXPECT_LT(parent, a);
    EXPECT_LT(a, b);
    EXPECT_LT(b, sub);
    EXPECT_TRUE(fs::exists(folder / "b.txt"));
    // Shown again: the folder is read again, the listing's own store is not
    // taken for the folder.
    std::ofstream(folder / "c.txt") << "new";
    h->ReleaseContent();
    recorder_->log.clear();
    ASSERT_EQ(h->StartLoad(view_.get(), UrlHandle(), false, false), 0);
    WaitFor(h);
    ASSERT_NE(Content(h), nullptr);
    EXPECT_NE(Content(h)->fed.find("HREF=\"c.txt\""), std::string::npos);
}

}  // namespace

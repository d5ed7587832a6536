// A form with a KEYGEN field in a document window of the real frame under
// Wine and Xvfb, with the real crypto library: the field is the list of key
// sizes, and the form reaches a server on 127.0.0.1 with the key made for
// the chosen size, or not at all when no key can be made.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "app/FrameWindow.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FormControlWindows.h"
#include "layout/FormSubmission.h"
#include "security/SecurityManager.h"
#include "security/SecurityPrompts.h"
#include "tests/app/TestFrame.h"
#include "tests/security/PasswordAnswerer.h"
#include "tests/support/LocalServer.h"
#include "tests/support/SecureTestSession.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

int AnswerBox(HWND, const char*, const char*, UINT) {
    return IDOK;
}

class KeygenWindow : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(dir_.File("user").c_str(), nullptr);
        frame_ = StartTestFrame(
            frameWindow_, dir_.File("zintu.ini"),
            "[USER PREFS]\r\nSHOW PROGRESS DIALOG=0\r\nWARN INSECURE FORM=0\r\nZINTU DIRECTORY=" +
                dir_.File("user") + "\r\n",
            AnswerBox);
        ASSERT_NE(frame_, nullptr);
        InstallFormControlWindows();
        ASSERT_TRUE(security_.Start(dir_.File("user"), {}, false));
    }
    void TearDown() override {
        RegisterKeygenTextMaker(nullptr);
        EndTestFrame(frame_);
        RegisterFormControlFactory(nullptr);
        security_.Stop();
        while (g_securityManager) g_securityManager->Release();
    }

    // A maximised window showing the form, which posts to the server.
    HWND ShowForm(uint16_t port) {
        const std::string path = dir_.File("key.html");
        WriteWholeFile(path, "<title>Key form</title><form method=post action=\"http://127.0.0.1:" +
                                 std::to_string(port) +
                                 "/key\">Size: <keygen name=k challenge=abc> "
                                 "<input type=submit name=go value=Send></form>");
        int tile = 1;
        HWND view = g_windowList->OpenNewWindow(&tile);
        if (!view) return nullptr;
        SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
        if (!OpenLocalFileAsUrl(view, path.c_str()) || !WaitIdle(view, "Key form")) return nullptr;
        return view;
    }
    // Shown and idle, its title starting with the text.
    static bool WaitIdle(HWND view, const char* title) {
        return PumpUntil(
            [&] {
                DocumentList* list = g_windowList->GetDocumentList(view);
                Document* d = list ? list->GetCurrentDocument() : nullptr;
                return d && d->IsFormatted() && g_windowList->GetLoadState(view) == kWindowIdle &&
                       d->GetTitle() && std::string(d->GetTitle()).rfind(title, 0) == 0;
            },
            std::chrono::seconds(20));
    }
    static HWND Field(HWND view, int id) {
        for (HWND w = GetWindow(view, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(w) == id) return w;
        }
        return nullptr;
    }

    ScratchDir dir_;
    SecureTestSession security_;
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
};

TEST_F(KeygenWindow, TheKeyOfTheChosenSizeIsPosted) {
    ScriptedServer server(
        {{ScriptStep::Expect, "go=Send"},
         {ScriptStep::Send,
          "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<title>Key taken</title>Thank you."},
         {ScriptStep::Close, ""}});
    RegisterKeygenTextMaker(&MakeFormKeyText);
    HWND view = ShowForm(server.Port());
    ASSERT_NE(view, nullptr);
    HWND sizes = Field(view, kIdDropDown);
    ASSERT_NE(sizes, nullptr) << "the KEYGEN is laid out as a list";
    std::vector<std::string> entries;
    for (int i = 0; i < SendMessageA(sizes, CB_GETCOUNT, 0, 0); ++i) {
        char text[32] = "";
        SendMessageA(sizes, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"512", "768", "1024", "1280", "1536", "1792", "2048"}));
    EXPECT_EQ(SendMessageA(sizes, CB_GETCURSEL, 0, 0), 2) << "1024 bits to start with";
    CheckWindowScreenshot(frame_, "keygen-field");

    // The smallest key, quick to make; the store is new, so the user sets
    // its password first.
    SendMessageA(sizes, CB_SETCURSEL, 0, 0);
    {
        security_test::PasswordAnswerer answers({"secret", "secret"});
        PostMessageA(Field(view, kIdPushButton), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitIdle(view, "Key taken")) << server.Received();
        EXPECT_EQ(answers.Prompts().size(), 2u);
    }
    const std::string received = server.Received();
    const size_t body = received.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << received;
    EXPECT_EQ(received.rfind("POST /key ", 0), 0u) << received;
    std::string pairs = received.substr(body + 4);
    // The body ends with a line end of its own.
    if (pairs.size() >= 2 && pairs.compare(pairs.size() - 2, 2, "\r\n") == 0) pairs.resize(pairs.size() - 2);
    // A DER sequence in base64, escaped: "MI" and then no byte unescaped
    // that the form encoding escapes.
    ASSERT_EQ(pairs.rfind("k=MI", 0), 0u) << pairs;
    ASSERT_GT(pairs.size(), 200u) << pairs;
    EXPECT_EQ(pairs.substr(pairs.size() - 8), "&go=Send") << pairs;
    const std::string key = pairs.substr(2, pairs.size() - 10);
    EXPECT_EQ(key.find_first_of("+/= \r\n&"), std::string::npos) << key;
    EXPECT_NE(key.find('%'), std::string::npos) << "base64's plus, slash or padding escaped: " << key;
    // The private key stays in the store, made for 512 bits.
    ASSERT_NE(g_securityManager, nullptr);
    auto* entry = static_cast<StoredCertificate*>(g_securityManager->personalCertificates.First());
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(entry->displayName.Data()),
                 "512 Bit Private Key. No Certificate Loaded");
}

TEST_F(KeygenWindow, WithoutAKeyMakerTheFormIsNotSent) {
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"}, {ScriptStep::Close, ""}});
    HWND view = ShowForm(server.Port());
    ASSERT_NE(view, nullptr);
    {
        DialogPresser box("Zintu", IDOK);
        PostMessageA(Field(view, kIdPushButton), BM_CLICK, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return box.Presses() > 0; }, std::chrono::seconds(10)));
        EXPECT_NE(box.SeenText().find("Security operations are not available."), std::string::npos)
            << box.SeenText();
    }
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_EQ(server.Connections(), 0) << server.Received();
    EXPECT_TRUE(WaitIdle(view, "Key form")) << "the page with the form stays";
}

}  // namespace

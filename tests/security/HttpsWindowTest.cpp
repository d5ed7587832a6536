// An https address in a document window of the real frame under Wine and
// Xvfb: the page from "openssl s_server" (TLS 1.0) shows with its title, and
// the window keeps the level the connection reported.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/FrameWindow.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "security/SecureConnections.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "security/SslConnection.h"
#include "tests/app/TestFrame.h"
#include "tests/security/SecurityTestData.h"
#include "tests/support/LocalServer.h"
#include "tests/support/SecureTestSession.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

std::vector<std::string> g_boxes;
int RecordBox(HWND, const char* text, const char* caption, UINT) {
    g_boxes.push_back(std::string(caption ? caption : "") + " | " + (text ? text : ""));
    return IDOK;
}

std::vector<int> g_questions;
const SslUserInterface kRefusingUser = {
    [](uint32_t code, bool) { g_boxes.push_back("fatal " + std::to_string(code)); },
    [](uint32_t code, bool) {
        g_boxes.push_back("warning " + std::to_string(code));
        return false;
    },
    [](int mode, const Certificate&, const char*) {
        g_questions.push_back(mode);
        return false;
    },
};

class HttpsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_boxes.clear();
        g_questions.clear();
        frame_ = StartTestFrame(frameWindow_, dir_.File("zintu.ini"),
                                "[USER PREFS]\r\nSHOW PROGRESS DIALOG=0\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n",
                                RecordBox);
        ASSERT_NE(frame_, nullptr);
        ASSERT_TRUE(session_.Start(dir_.Path(), {0x02}, trustAuthority_));
        InstallSecureConnections();
        SetSslUserInterface(&kRefusingUser);
    }
    void TearDown() override {
        EndTestFrame(frame_);
        session_.Stop();
    }

    struct Question {
        const char* host;
        const char* caption;
        int button;  // the page shows only after IDOK
    };
    // Loads the test server's page by that host name; the question's dialog
    // must come up, and is answered with the button.
    void AskAndAnswer(const Question& k, const char* shot) {
        SCOPED_TRACE(std::string(k.caption) + (k.button == IDOK ? " accepted" : " refused"));
        ClearSslSessionCache();
        ClearAcceptedCertificates();
        std::string shown;
        DialogDriver asker(
            k.caption,
            [&](HWND d) {
                shown = StaticTexts(d);
                // Modal to the frame: no window (nor its connection) can be
                // closed under the question.
                EXPECT_EQ(GetWindow(d, GW_OWNER), frame_);
                EXPECT_FALSE(IsWindowEnabled(frame_));
                if (k.button == IDOK) CheckWindowScreenshot(d, shot);
            },
            k.button);
        std::string url =
            std::string("https://") + k.host + ":" + std::to_string(ServerPortFromEnv("TLS")) + "/page.html";
        HWND view = OpenTypedUrl(nullptr, url.c_str(), nullptr, false, 0);
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(PumpUntil([&] { return asker.Found(); }, std::chrono::seconds(20)));
        EXPECT_TRUE(PumpUntil([&] { return g_windowList->GetLoadState(view) == kWindowIdle; },
                              std::chrono::seconds(20)));
        PumpFor(std::chrono::milliseconds(300));
        EXPECT_NE(shown, "");
        DocumentWindow* w = g_windowList->FindWindowById(view);
        ASSERT_NE(w, nullptr);
        std::string title = WindowTitle(w->Frame());
        EXPECT_EQ(title.rfind("Secure test page", 0) == 0, k.button == IDOK) << title;
    }

    bool trustAuthority_ = true;
    ScratchDir dir_;
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
    SecureTestSession session_;
};

TEST_F(HttpsWindow, ASecurePageShowsWithItsTitleAndItsLevel) {
    std::string url = "https://127.0.0.1:" + std::to_string(ServerPortFromEnv("TLS")) + "/page.html";
    HWND view = OpenTypedUrl(nullptr, url.c_str(), nullptr, false, 0);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(PumpUntil(
        [&] {
            DocumentList* list = g_windowList->GetDocumentList(view);
            Document* d = list ? list->GetCurrentDocument() : nullptr;
            return d && d->IsFormatted() && g_windowList->GetLoadState(view) == kWindowIdle;
        },
        std::chrono::seconds(20)));
    PumpFor(std::chrono::milliseconds(300));
    DocumentWindow* w = g_windowList->FindWindowById(view);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WindowTitle(w->Frame()).rfind("Secure test page", 0), 0u) << WindowTitle(w->Frame());
    // NULL-SHA only authenticates: the weak level.
    EXPECT_EQ(g_windowList->GetSecurityLevel(view), 1);
    EXPECT_TRUE(g_boxes.empty()) << g_boxes.front();
    EXPECT_TRUE(g_questions.empty());
    CheckWindowScreenshot(frame_, "https-page");
}

// With the program's own certificate questions: the dialog of the question
// shows the server's chain, and only Accept lets the page through.
class HttpsWindowUntrusted : public HttpsWindow {
protected:
    HttpsWindowUntrusted() { trustAuthority_ = false; }
};

TEST_F(HttpsWindowUntrusted, AnUnknownAuthorityIsAskedInTheCertificateDialog) {
    SetSslUserInterface(nullptr);
    for (int button : {IDCANCEL, IDOK})
        AskAndAnswer({"127.0.0.1", "Certificate signer not found", button}, "certificate-signer-not-found");
}

TEST_F(HttpsWindow, AWrongNameIsAskedInTheCertificateDialog) {
    SetSslUserInterface(nullptr);
    for (int button : {IDCANCEL, IDOK})
        AskAndAnswer({"localhost", "Wrong certificate name", button}, "wrong-certificate-name");
}

}  // namespace

// Browsing as a user does it, in the real frame under Wine and Xvfb, with
// real input from the system's queue through the program's own message
// loop: forms that ask before they leave (over plain http, by mail), typed
// addresses in a window's address field, what a window shows when a load of
// a page it has in the cache fails, and compose windows that send to a mail
// server and post to a news server on 127.0.0.1.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameWindow.h"
#include "app/MessageLoop.h"
#include "app/SettingsHandOver.h"
#include "core/AppGlobals.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FormControlWindows.h"
#include "core/CommandLine.h"
#include "mailnews/ComposeWindow.h"
#include "mailnews/MailFile.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "resources/MailIds.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/BrowsingCommands.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

// Types the text on the keyboard, then presses the key (0: none).
void TypeKeys(const std::string& text, WORD then) {
    std::vector<INPUT> in;
    for (char c : text) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wScan = static_cast<unsigned char>(c);
        i.ki.dwFlags = KEYEVENTF_UNICODE;
        in.push_back(i);
        i.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    if (!in.empty()) SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    if (then) SendKeyPress(then);
    RunLoopFor(300);
}

// A left click at the middle of the window.
void ClickMiddle(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    INPUT in[3] = {};
    for (INPUT& i : in) i.type = INPUT_MOUSE;
    in[0].mi.dx = static_cast<LONG>((r.left + r.right) / 2 * 65535.0 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in[0].mi.dy = static_cast<LONG>((r.top + r.bottom) / 2 * 65535.0 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof in[0]);
    // A plain loop: a question box the click opens runs its own, which the
    // end of RunLoopFor's loop would close.
    PumpFor(std::chrono::milliseconds(300));
}

// An HTTP/1.0 reply of a page with the given title.
std::string Reply(const std::string& title) {
    const std::string body = "<html><head><title>" + title + "</title></head><p>" + title + "</p></html>";
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// What the mail sink on 127.0.0.1 kept: message n and its envelope.
std::string SunkFile(int n, const char* extension) {
    return ServerFileFromEnv("SMTP", ("mail/" + std::to_string(n) + extension).c_str());
}
int SunkMailCount() {
    int n = 0;
    while (!SunkFile(n + 1, ".eml").empty()) ++n;
    return n;
}

class Browsing : public FrameTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(FrameTest::SetUp());
        RegisterBrowsingCommands();
        InstallFormControlWindows();
    }
    void TearDown() override {
        FrameTest::TearDown();
        RegisterFormControlFactory(nullptr);
    }
    std::string MoreIni() const override {
        return "[MAIL]\r\nSERVER=127.0.0.1:" + std::to_string(ServerPortFromEnv("SMTP")) +
               "\r\nADDRESS=me@zintu.test\r\n";
    }

    // Runs until the window shows the URL, laid out and idle.
    bool WaitShowing(HWND view, const std::string& url) {
        return PumpUntil(
            [&] {
                Document* d = CurrentDocument(view);
                return Shown(view) == url && d->IsFormatted() && Idle(view);
            },
            std::chrono::seconds(15));
    }
    // A maximised window with its bottom bar, the frame in front.
    HWND FrontWindow() {
        int tile = 1;
        HWND view = g_windowList->OpenNewWindow(&tile);
        if (!view) return nullptr;
        g_windowList->ShowBottomToolbar(view, true);
        SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
        SetForegroundWindow(frame_);
        PumpFor(std::chrono::milliseconds(200));
        return view;
    }
    // A window showing a local page with the body.
    HWND ShowingPage(const std::string& name, const std::string& body) {
        const std::string path = dir_.File(name);
        WriteWholeFile(path, "<html><head><title>Page</title></head><body>" + body + "</body></html>");
        HWND view = FrontWindow();
        if (!view || !OpenLocalFileAsUrl(view, path.c_str())) return nullptr;
        if (!WaitShown(view)) return nullptr;
        RunLoopFor(200);
        return view;
    }
    // The page's button with the label.
    static HWND PageButton(HWND view, const char* label) {
        for (HWND w = GetWindow(view, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            char className[16] = "";
            GetClassNameA(w, className, sizeof className);
            if (lstrcmpiA(className, "Button") == 0 && WindowTitle(w) == label) return w;
        }
        return nullptr;
    }
    // Clicks the button; a question box that comes is answered with the
    // button (0: none is expected) and its text answered.
    std::string ClickAndAnswer(HWND button, int answer, const char* shot = nullptr) {
        if (!answer) {
            ClickMiddle(button);
            return "";
        }
        std::string seen;
        DialogDriver driver("Zintu", [&](HWND box) {
            seen = StaticTexts(box);
            if (shot) CheckWindowScreenshot(box, shot);
        }, answer);
        ClickMiddle(button);
        PumpUntil([&] { return driver.Found(); }, std::chrono::seconds(10));
        RunLoopFor(200);
        return seen;
    }

    const std::string nginx_ = Url("");
};

// --- forms that ask before they leave --------------------------------------------------

TEST_F(Browsing, AFormOverPlainHttpLeavesOnlyWhenTheUserSaysOk) {
    // A GET carries the value in its request line, a POST in its body.
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                           {ScriptStep::Expect, "q=case"},
                           {ScriptStep::Send, Reply("Thanks")},
                           {ScriptStep::Close, ""}});
    const std::string action = "http://127.0.0.1:" + std::to_string(server.Port()) + "/answer";
    struct Case {
        const char* method;
        bool warn;   // USER PREFS "WARN INSECURE FORM"
        int answer;  // the button pressed in the question, 0: no question
        bool sent;
    } const cases[] = {
        {"post", true, IDCANCEL, false},
        {"post", true, IDOK, true},
        {"get", true, IDCANCEL, false},
        {"get", true, IDOK, true},
        {"post", false, 0, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        SCOPED_TRACE(std::string(c.method) + " case " + std::to_string(n));
        g_preferences->Set(PrefInt::WarnInsecureForm, c.warn ? 1 : 0);
        const std::string value = "case" + std::to_string(n);
        HWND view = ShowingPage("form" + std::to_string(n) + ".html",
                                "<form method=" + std::string(c.method) + " action=\"" + action +
                                    "\"><input name=q value=" + value + "><input type=submit value=Send></form>");
        ASSERT_NE(view, nullptr);
        HWND send = PageButton(view, "Send");
        ASSERT_NE(send, nullptr);
        const int before = server.Connections();
        const std::string asked = ClickAndAnswer(send, c.answer, n == 1 ? "form-unencrypted-question" : nullptr);
        if (c.answer) {
            EXPECT_NE(asked.find("submitted without encryption. Do you want to continue?"), std::string::npos) << asked;
        }
        if (c.sent) {
            ASSERT_TRUE(WaitShowing(view, action + (std::string(c.method) == "get" ? "?q=" + value : "")));
            EXPECT_EQ(server.Connections(), before + 1);
            EXPECT_NE(server.Received().find("q=" + value), std::string::npos) << server.Received();
        } else {
            RunLoopFor(1000);
            EXPECT_EQ(server.Connections(), before) << "nothing leaves after Cancel";
            EXPECT_EQ(server.Received().find("q=" + value), std::string::npos);
            EXPECT_TRUE(Idle(view));
            const std::string shown = Shown(view);
            EXPECT_EQ(lstrcmpiA(shown.substr(shown.size() - 10).c_str(), ("form" + std::to_string(n) + ".html").c_str()), 0)
                << "the page stays: " << shown;
        }
    }
    EXPECT_TRUE(g_boxTexts.empty()) << g_boxTexts.front();
}

TEST_F(Browsing, AFormByMailAsksWhetherTheUsersAddressGoesWithIt) {
    struct Case {
        int answer;
        const char* sender;  // the envelope's sender; null: no mail
    } const cases[] = {
        {IDCANCEL, nullptr},
        {IDYES, "me@zintu.test"},
        {IDNO, "nobody@sender.invalid"},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        SCOPED_TRACE("case " + std::to_string(n));
        g_boxTexts.clear();
        HWND view = ShowingPage("mailform" + std::to_string(n) + ".html",
                                "<form method=post action=\"mailto:forms@zintu.test\"><input name=q value=mail" +
                                    std::to_string(n) + "><input type=submit value=Send></form>");
        ASSERT_NE(view, nullptr);
        HWND send = PageButton(view, "Send");
        ASSERT_NE(send, nullptr);
        const int before = SunkMailCount();
        const std::string asked = ClickAndAnswer(send, c.answer, n == 1 ? "form-by-mail-question" : nullptr);
        EXPECT_NE(asked.find("submitted via email"), std::string::npos) << asked;
        if (!c.sender) {
            RunLoopFor(1500);
            EXPECT_EQ(SunkMailCount(), before) << "nothing is sent after Cancel";
            EXPECT_TRUE(Idle(view));
            EXPECT_TRUE(g_boxTexts.empty());
            continue;
        }
        ASSERT_TRUE(PumpUntil([&] { return SunkMailCount() == before + 1 && !g_boxTexts.empty(); },
                              std::chrono::seconds(15)));
        EXPECT_EQ(g_boxTexts.front(), "Message(s) posted");
        const std::string envelope = SunkFile(before + 1, ".env");
        EXPECT_EQ(envelope.substr(0, envelope.find('\n')), std::string("from ") + c.sender);
        const std::string mail = SunkFile(before + 1, ".eml");
        EXPECT_NE(mail.find("q=mail" + std::to_string(n)), std::string::npos) << mail;
        EXPECT_EQ(mail.find("me@zintu.test") != std::string::npos, c.answer == IDYES) << mail;
        EXPECT_TRUE(PumpUntil([&] { return Idle(view); }));
    }
}

// --- the address field -------------------------------------------------------------------

TEST_F(Browsing, EachAddressEnteredInTheFieldOpensItselfEvenAfterAnUntitledPage) {
    ScriptedServer untitled({{ScriptStep::Expect, "\r\n\r\n"},
                             {ScriptStep::Send, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                                                "<html><body><p>A page without a title.</p></body></html>"},
                             {ScriptStep::Close, ""}});
    const std::string bare = "127.0.0.1:" + std::to_string(untitled.Port()) + "/untitled.html";
    const struct {
        std::string typed, shown;
    } steps[] = {
        {bare, "http://" + bare},
        {nginx_.substr(7) + "/other.html", nginx_ + "/other.html"},
        {bare, "http://" + bare},
        {nginx_.substr(7) + "/text.html", nginx_ + "/text.html"},
        {nginx_.substr(7) + "/page.html", nginx_ + "/page.html"},
    };
    // The address goes into the field key by key, or whole (as another
    // program's text put there); Enter is a key either way. The list keeps
    // an untitled page's entry, its address, selected.
    for (bool keyByKey : {true, false}) {
        SCOPED_TRACE(keyByKey ? "typed" : "put in whole");
        HWND view = FrontWindow();
        ASSERT_NE(view, nullptr);
        HWND combo = GetDlgItem(g_windowList->GetBottomToolbar(view), IDC_BAR_HISTORY);
        HWND edit = GetWindow(combo, GW_CHILD);
        for (const auto& step : steps) {
            ClickMiddle(edit);
            if (keyByKey) {
                SendKeyPress(VK_HOME);
                SendKeyPress(VK_END, {VK_SHIFT});
                TypeKeys(step.typed, VK_RETURN);
            } else {
                SetWindowTextA(edit, step.typed.c_str());
                TypeKeys("", VK_RETURN);
            }
            EXPECT_TRUE(WaitShowing(view, step.shown)) << step.typed << " shows " << Shown(view);
            char text[300] = "";
            GetWindowTextA(combo, text, sizeof text);
            EXPECT_EQ(std::string(text), step.shown);
        }
        // Enter on the address the field shows still goes back to its entry.
        ClickMiddle(edit);
        TypeKeys("", VK_RETURN);
        EXPECT_TRUE(WaitShowing(view, steps[4].shown));
        EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 5);
        if (keyByKey) CheckWindowScreenshot(frame_, "typed-addresses");
    }
    EXPECT_TRUE(g_boxTexts.empty()) << g_boxTexts.front();
}

// --- failed loads of pages the cache holds -----------------------------------------------

// A page too long to be held in memory (its copy is kept in a cache file);
// with cut, the reply announces the whole length but ends half way.
std::string LongReply(const std::string& title, bool cut = false) {
    std::string body = "<html><head><title>" + title + "</title></head><body>";
    for (int i = 0; i < 2000; ++i) body += "<p>Line " + std::to_string(i) + " of " + title + ".</p>\n";
    body += "</body></html>";
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\nLast-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n\r\n";
    return head + (cut ? body.substr(0, body.size() / 2) : body);
}

std::vector<ScriptStep> Serving(const std::string& reply) {
    return {{ScriptStep::Expect, "\r\n\r\n"}, {ScriptStep::Send, reply}, {ScriptStep::Close, ""}};
}

class CachedPages : public Browsing {
protected:
    // A window showing the URL, the active one.
    HWND ShowingUrl(const std::string& url) {
        HWND view = FrontWindow();
        if (!view || !OpenTypedUrl(view, url.c_str(), nullptr, true, 0) || !WaitShowing(view, url)) return nullptr;
        g_windowList->SetActiveWindow(view);
        return view;
    }
    void Reload() {
        SendMessageA(frame_, WM_COMMAND, CMD_RELOAD, 0);
        PumpFor(std::chrono::milliseconds(200));
    }
    std::string Caption(HWND view) { return WindowTitle(g_windowList->FindWindowById(view)->Frame()); }
};

TEST_F(CachedPages, AFailedReloadShowsTheCopyTheCacheKept) {
    auto server = std::make_unique<ScriptedServer>(Serving(LongReply("Kept")));
    const std::string url = "http://127.0.0.1:" + std::to_string(server->Port()) + "/kept.html";
    HWND view = ShowingUrl(url);
    ASSERT_NE(view, nullptr);
    UrlHandle record = UrlRegistry::Instance()->FindWithFragment(url.c_str());
    ASSERT_EQ(record->GetStorage(), kStoredInFile) << "a long page is kept in a cache file";
    server.reset();  // the port refuses from now on
    Reload();
    ASSERT_TRUE(WaitShowing(view, url));
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(g_boxTexts.empty()) << "the kept copy is shown instead of the error: " << g_boxTexts.front();
    EXPECT_EQ(Caption(view).rfind("Kept", 0), 0u) << Caption(view);
    EXPECT_EQ(record->GetLoadStatus(true), kLoadLoaded);
    EXPECT_EQ(record->GetStorage(), kStoredInFile);
    EXPECT_FALSE(ReadWholeFile(record->GetLocalFilePath()).empty()) << "the cache file stays";
    CheckWindowScreenshot(frame_, "failed-reload-kept-copy");
    // The cache still has the page for a window of its own.
    HWND fresh = FrontWindow();
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(OpenTypedUrl(fresh, url.c_str(), nullptr, true, 0), nullptr);
    ASSERT_TRUE(WaitShowing(fresh, url));
    EXPECT_EQ(Caption(fresh).rfind("Kept", 0), 0u) << Caption(fresh);
    EXPECT_TRUE(g_boxTexts.empty()) << g_boxTexts.front();
}

TEST_F(CachedPages, AReloadCutShortIsToldAndNeverTakenForTheDocument) {
    ScriptedServer server(Serving(LongReply("Whole")));
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/whole.html";
    HWND view = ShowingUrl(url);
    ASSERT_NE(view, nullptr);
    server.SetScript(Serving(LongReply("Whole", true)));
    Reload();
    ASSERT_TRUE(PumpUntil([] { return !g_boxTexts.empty(); }, std::chrono::seconds(15)));
    ASSERT_TRUE(PumpUntil([&] { return Idle(view); }));
    EXPECT_NE(g_boxTexts[0].find("Connection closed by remote server"), std::string::npos) << g_boxTexts[0];
    UrlHandle record = UrlRegistry::Instance()->FindWithFragment(url.c_str());
    EXPECT_NE(record->GetLoadStatus(true), kLoadLoaded) << "half a page is not the document";
    // Opened again, the page is asked for anew, not taken from what came.
    server.SetScript(Serving(LongReply("Again")));
    const int before = server.Connections();
    HWND fresh = FrontWindow();
    ASSERT_NE(OpenTypedUrl(fresh, url.c_str(), nullptr, true, 0), nullptr);
    ASSERT_TRUE(WaitShowing(fresh, url));
    EXPECT_EQ(server.Connections(), before + 1);
    EXPECT_EQ(Caption(fresh).rfind("Again", 0), 0u) << Caption(fresh);
}

// --- compose windows ---------------------------------------------------------------------

class ComposeWindows : public Browsing {
protected:
    void SetUp() override {
        Browsing::SetUp();
        RegisterComposeCommands();
    }
    std::string MoreIni() const override {
        return "NEWS SERVER=127.0.0.1:" + std::to_string(ServerPortFromEnv("NNTP")) + "\r\n" +
               Browsing::MoreIni() + "NAME=Me Myself\r\n";
    }
    // The fields panel of the compose window.
    static HWND Fields(HWND compose) {
        for (HWND w = GetWindow(compose, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (GetDlgItem(w, IDC_MAIL_TO)) return w;
        return nullptr;
    }
    // The compose window the command opens, checked as the user sees it.
    HWND OpenedBy(int command) {
        SendMessageA(frame_, WM_COMMAND, command, 0);
        RunLoopFor(200);
        HWND compose = g_windowList->GetActiveWindow();
        if (!compose || !g_windowList->IsComposeWindow(compose)) return nullptr;
        char className[32] = "";
        GetClassNameA(compose, className, sizeof className);
        EXPECT_STREQ(className, "ZUV_Mail");
        EXPECT_EQ(GetParent(compose), g_mdiClient) << "an MDI child of the frame";
        EXPECT_EQ(WindowTitle(compose), "Zintu mail");
        EXPECT_TRUE(IsWindowVisible(compose));
        return compose;
    }
    // Real keys into a field of the panel.
    static void TypeInto(HWND panel, int field, const std::string& text) {
        if (text.empty()) return;
        ClickMiddle(GetDlgItem(panel, field));
        TypeKeys(text, 0);
    }
    static std::string FieldOf(HWND compose, int field) {
        char text[2000] = "";
        GetDlgItemTextA(Fields(compose), field, text, sizeof text);
        return text;
    }
};

// The articles the news server on 127.0.0.1 filed in a group, as stored.
std::string FiledArticle(const char* group, int n) {
    return ServerFileFromEnv("NNTP", ("news/spool/articles/zintu/" + std::string(group) + "/" + std::to_string(n)).c_str());
}
int FiledArticles(const char* group) {
    int n = 0;
    while (!FiledArticle(group, n + 1).empty()) ++n;
    return n;
}

TEST_F(ComposeWindows, NewMailOpensAComposeWindowWhoseSendReachesTheMailServer) {
    struct Case {
        int command;
        const char *to, *cc, *bcc;
        bool sendButton;        // the panel's Send button, else Mail > Send
        const char* recipients; // the envelope's "to" lines
    } const cases[] = {
        {CMD_NEW_MAIL_WINDOW, "friend@zintu.test", "copy@zintu.test", "", true,
         "to friend@zintu.test\nto copy@zintu.test\n"},
        // A blind copy alone is a mail too: it goes, and is not dropped.
        {CMD_NEW_MAIL, "", "", "hidden@zintu.test", false, "to hidden@zintu.test\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        SCOPED_TRACE("case " + std::to_string(n));
        g_boxTexts.clear();
        HWND compose = OpenedBy(c.command);
        ASSERT_NE(compose, nullptr);
        HWND panel = Fields(compose);
        ASSERT_NE(panel, nullptr);
        const std::string subject = "Greetings " + std::to_string(n);
        TypeInto(panel, IDC_MAIL_TO, c.to);
        TypeInto(panel, IDC_MAIL_CC, c.cc);
        TypeInto(panel, IDC_MAIL_BCC, c.bcc);
        TypeInto(panel, IDC_MAIL_SUBJECT, subject);
        TypeInto(panel, IDC_MAIL_BODY, "Written in the compose window.");
        if (n == 1) CheckWindowScreenshot(frame_, "compose-window");
        const int before = SunkMailCount();
        if (c.sendButton) ClickMiddle(GetDlgItem(panel, IDC_MAIL_SEND));
        else SendMessageA(frame_, WM_COMMAND, CMD_SEND, 0);
        ASSERT_TRUE(PumpUntil([&] { return SunkMailCount() == before + 1 && !IsWindow(compose); },
                              std::chrono::seconds(15)))
            << "the mail is sent and the window closes";
        ASSERT_EQ(g_boxTexts.size(), 1u);
        EXPECT_EQ(g_boxTexts[0], "Message(s) posted");
        EXPECT_EQ(SunkFile(before + 1, ".env"), std::string("from me@zintu.test\n") + c.recipients);
        const std::string mail = SunkFile(before + 1, ".eml");
        EXPECT_NE(mail.find("Subject: " + subject + "\r\n"), std::string::npos) << mail;
        EXPECT_NE(mail.find("Written in the compose window."), std::string::npos) << mail;
        EXPECT_FALSE(g_windowList->IsComposeWindow(compose));
    }
}

TEST_F(ComposeWindows, WithoutAMailServerOrARecipientNothingIsSentAndTheUserIsTold) {
    // No recipient: the window stays, with what was written.
    HWND compose = OpenedBy(CMD_NEW_MAIL);
    ASSERT_NE(compose, nullptr);
    TypeInto(Fields(compose), IDC_MAIL_SUBJECT, "Nobody");
    const int before = SunkMailCount();
    SendMessageA(frame_, WM_COMMAND, CMD_SEND, 0);
    RunLoopFor(500);
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_NE(g_boxTexts[0].find("No recpipient specified"), std::string::npos) << g_boxTexts[0];
    EXPECT_TRUE(IsWindow(compose));
    EXPECT_EQ(SunkMailCount(), before);
    // No mail server: no window.
    g_boxTexts.clear();
    g_preferences->Set(PrefText::MailServer, "");
    SendMessageA(frame_, WM_COMMAND, CMD_NEW_MAIL_WINDOW, 0);
    RunLoopFor(200);
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_NE(g_boxTexts[0].find("No mail server specified"), std::string::npos) << g_boxTexts[0];
    EXPECT_EQ(g_windowList->GetActiveWindow(), compose) << "no other window opened";
}

TEST_F(ComposeWindows, AMailtoAddressOpensAComposeWindowWithItsRecipientAndSubject) {
    HWND view = FrontWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(OpenTypedUrl(view, "mailto:some%20one@zintu.test?subject=Hello%20there&body=x", nullptr, true, 0),
              nullptr);
    RunLoopFor(200);
    HWND compose = g_windowList->GetActiveWindow();
    ASSERT_TRUE(g_windowList->IsComposeWindow(compose));
    char text[100] = "";
    GetDlgItemTextA(Fields(compose), IDC_MAIL_TO, text, sizeof text);
    EXPECT_STREQ(text, "some one@zintu.test");
    GetDlgItemTextA(Fields(compose), IDC_MAIL_SUBJECT, text, sizeof text);
    EXPECT_STREQ(text, "Hello there");
    EXPECT_NE(g_windowList->GetLoadState(view), kWindowLoading) << "the window is not left busy";
    // The next window starts empty.
    HWND next = OpenedBy(CMD_NEW_MAIL_WINDOW);
    ASSERT_NE(next, nullptr);
    GetDlgItemTextA(Fields(next), IDC_MAIL_TO, text, sizeof text);
    EXPECT_STREQ(text, "");
}

TEST_F(ComposeWindows, APostingAddressOpensAWindowWhoseSendPostsTheArticle) {
    HWND view = FrontWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(OpenTypedUrl(view, "newspost:zintu.misc", nullptr, true, 0), nullptr);
    RunLoopFor(200);
    HWND compose = g_windowList->GetActiveWindow();
    ASSERT_TRUE(g_windowList->IsComposeWindow(compose));
    EXPECT_EQ(WindowTitle(compose), "Zintu mail");
    EXPECT_EQ(FieldOf(compose, IDC_MAIL_NEWSGROUPS), "zintu.misc");
    EXPECT_EQ(FieldOf(compose, IDC_MAIL_TO), "");
    HWND panel = Fields(compose);
    TypeInto(panel, IDC_MAIL_SUBJECT, "First post");
    ClickMiddle(GetDlgItem(panel, IDC_MAIL_BODY));
    TypeKeys("Hello group", VK_RETURN);
    TypeKeys(".a line with a dot", 0);
    CheckWindowScreenshot(frame_, "posting-window");
    g_boxTexts.clear();
    const int before = FiledArticles("misc");
    ClickMiddle(GetDlgItem(panel, IDC_MAIL_SEND));
    ASSERT_TRUE(PumpUntil([&] { return FiledArticles("misc") == before + 1 && !IsWindow(compose); },
                          std::chrono::seconds(20)))
        << "the article is filed and the window closes: " << FiledArticles("misc") << " filed, told "
        << (g_boxTexts.empty() ? std::string() : g_boxTexts[0]);
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_EQ(g_boxTexts[0], "Message(s) posted to news server");
    const std::string article = FiledArticle("misc", before + 1);
    for (const char* line : {"From: me@zintu.test (Me Myself)", "Newsgroups: zintu.misc", "Subject: First post",
                             "Message-ID: <zintu.", "Date: "})
        EXPECT_NE(article.find(std::string("\n") + line), std::string::npos) << line << "\n" << article;
    // Filed as it came over the wire: the body after the headers, its dot
    // line doubled, then the end mark.
    const std::string body = "\r\n\r\nHello group\r\n..a line with a dot\r\n.\r\n";
    EXPECT_EQ(article.find("\r\n\r\n"), article.size() - body.size()) << article;
    EXPECT_EQ(article.substr(article.size() - std::min(body.size(), article.size())), body) << article;
}

TEST_F(ComposeWindows, APostingThatFailsIsToldAndKeptToBeSentAgain) {
    using testing_support::ScriptedServer;
    using testing_support::ScriptStep;
    // Po&st needs no mail server.
    g_preferences->Set(PrefText::MailServer, "");
    HWND compose = OpenedBy(CMD_POST);
    ASSERT_NE(compose, nullptr);
    HWND panel = Fields(compose);
    TypeInto(panel, IDC_MAIL_NEWSGROUPS, "zintu.test");
    TypeInto(panel, IDC_MAIL_SUBJECT, "Kept");
    TypeInto(panel, IDC_MAIL_BODY, "Not lost");
    const std::vector<ScriptStep> refused = {{ScriptStep::Send, "201 No posting here\r\n"},
                                             {ScriptStep::Expect, "QUIT\r\n"},
                                             {ScriptStep::Send, "205 Bye\r\n"},
                                             {ScriptStep::Close, ""}};
    ScriptedServer server(refused);
    struct Case {
        const char* server;               // NEWS SERVER; "scripted" for the scripted one
        std::vector<ScriptStep> script;   // what it plays
        const char* told;                 // the start of the error box
    } const cases[] = {
        {"", {}, "No news server specified"},
        {"127.0.0.1:" , {}, "No news server specified"},
        {"scripted", refused, "Could not post to the news group. Access denied"},
        {"scripted",
         {{ScriptStep::Send, "200 ready\r\n"},
          {ScriptStep::Expect, "POST\r\n"},
          {ScriptStep::Send, "340 Go ahead\r\n"},
          {ScriptStep::Expect, "\r\n.\r\n"},
          {ScriptStep::Send, "441 Posting failed\r\n"},
          {ScriptStep::Expect, "QUIT\r\n"},
          {ScriptStep::Send, "205 Bye\r\n"},
          {ScriptStep::Close, ""}},
         "Could not post to the news group"},
        {"scripted", {{ScriptStep::Send, "200 ready\r\n"}, {ScriptStep::Expect, "POST\r\n"}, {ScriptStep::Close, ""}},
         "The news server is not available"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(++n));
        g_boxTexts.clear();
        const bool scripted = std::string(c.server) == "scripted";
        if (scripted) server.SetScript(c.script);
        g_preferences->Set(PrefText::NewsServer,
                           scripted ? ("127.0.0.1:" + std::to_string(server.Port())).c_str() : c.server);
        const int connections = server.Connections();
        SendMessageA(frame_, WM_COMMAND, CMD_SEND, 0);
        ASSERT_TRUE(PumpUntil([&] { return !g_boxTexts.empty(); }, std::chrono::seconds(15)));
        RunLoopFor(300);
        ASSERT_EQ(g_boxTexts.size(), 1u);
        EXPECT_EQ(g_boxTexts[0].rfind(c.told, 0), 0u) << g_boxTexts[0];
        EXPECT_EQ(server.Connections(), connections + (scripted ? 1 : 0));
        ASSERT_TRUE(IsWindow(compose)) << "the window stays";
        EXPECT_EQ(FieldOf(compose, IDC_MAIL_SUBJECT), "Kept");
        EXPECT_EQ(FieldOf(compose, IDC_MAIL_BODY), "Not lost");
    }
    // Sent again, it goes: the server gets the article's headers and body.
    server.SetScript({{ScriptStep::Send, "200 ready\r\n"},
                      {ScriptStep::Expect, "POST\r\n"},
                      {ScriptStep::Send, "340 Go ahead\r\n"},
                      {ScriptStep::Expect, "\r\n.\r\n"},
                      {ScriptStep::Send, "240 Article posted\r\n"},
                      {ScriptStep::Expect, "QUIT\r\n"},
                      {ScriptStep::Send, "205 Bye\r\n"},
                      {ScriptStep::Close, ""}});
    g_boxTexts.clear();
    const size_t received = server.Received().size();
    SendMessageA(frame_, WM_COMMAND, CMD_SEND, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(compose); }, std::chrono::seconds(15)));
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_EQ(g_boxTexts[0], "Message(s) posted to news server");
    const std::string sent = server.Received().substr(received);
    EXPECT_EQ(sent.rfind("POST\r\nFrom: me@zintu.test (Me Myself)\r\nNewsgroups: zintu.test\r\nSubject: Kept\r\n", 0), 0u)
        << sent;
    EXPECT_NE(sent.find("\r\n\r\nNot lost\r\n.\r\nQUIT\r\n"), std::string::npos) << sent;
}

TEST_F(ComposeWindows, SaveAsKeepsTheMessageInAMailFileThatOpensWhole) {
    HWND compose = OpenedBy(CMD_NEW_MAIL);
    ASSERT_NE(compose, nullptr);
    HWND panel = Fields(compose);
    TypeInto(panel, IDC_MAIL_TO, "friend@zintu.test");
    TypeInto(panel, IDC_MAIL_NEWSGROUPS, "zintu.test");
    TypeInto(panel, IDC_MAIL_SUBJECT, "Saved for later");
    // What a paste brings: bytes of any code page and a line far longer
    // than any line buffer.
    std::string body = "Gr\xfc\xdf" "e, \xe9l\xe8ve\r\n\r\n";
    for (int i = 0; i < 3000; ++i) body += static_cast<char>('a' + i % 26);
    body += "\r\nlast line";
    SetDlgItemTextA(panel, IDC_MAIL_BODY, body.c_str());
    const ComposeFields written{"friend@zintu.test", "zintu.test", "", "", "Saved for later", body};
    const std::string path = dir_.File("draft.pst");
    {
        DialogDriver driver("Save mail file", [&](HWND d) {
            for (int id : {0x47c, 0x480})
                if (HWND field = GetDlgItem(d, id)) SetWindowTextA(field, path.c_str());
        }, IDOK);
        SendMessageA(frame_, WM_COMMAND, CMD_SAVE_AS, 0);
        EXPECT_TRUE(PumpUntil([&] { return ReadWholeFile(path) == FormatMailFile(written); },
                              std::chrono::seconds(15)))
            << ReadWholeFile(path).substr(0, 200);
        EXPECT_TRUE(driver.Found());
    }
    SendMessageA(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(compose), 0);
    // File > Open of the file, and the file given to the program, each
    // open a compose window holding exactly what was saved.
    const std::vector<std::function<void()>> opens = {
        [&] {
            DialogDriver driver("Open", [&](HWND d) {
                for (int id : {0x47c, 0x480})
                    if (HWND field = GetDlgItem(d, id)) SetWindowTextA(field, path.c_str());
            }, IDOK);
            SendMessageA(frame_, WM_COMMAND, CMD_OPEN_FILE, 0);
            PumpFor(std::chrono::milliseconds(500));
            EXPECT_TRUE(driver.Found());
        },
        [&] {
            StartUrls = {path};
            OpenStartUrls(nullptr);
        },
    };
    for (const auto& open : opens) {
        HWND before = g_windowList->GetActiveWindow();
        open();
        HWND opened = g_windowList->GetActiveWindow();
        ASSERT_NE(opened, before);
        ASSERT_TRUE(g_windowList->IsComposeWindow(opened));
        const ComposeFields shown{FieldOf(opened, IDC_MAIL_TO), FieldOf(opened, IDC_MAIL_NEWSGROUPS),
                                  FieldOf(opened, IDC_MAIL_CC), FieldOf(opened, IDC_MAIL_BCC),
                                  FieldOf(opened, IDC_MAIL_SUBJECT), ""};
        EXPECT_TRUE(shown == (ComposeFields{"friend@zintu.test", "zintu.test", "", "", "Saved for later", ""}));
        HWND field = GetDlgItem(Fields(opened), IDC_MAIL_BODY);
        std::string back(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
        back.resize(static_cast<size_t>(GetWindowTextA(field, &back[0], static_cast<int>(back.size()))));
        EXPECT_EQ(back, body);
    }
    // A damaged file is told and opens nothing.
    const std::string whole = ReadWholeFile(path);
    WriteWholeFile(path, whole.substr(0, whole.size() - 10));
    g_boxTexts.clear();
    HWND before = g_windowList->GetActiveWindow();
    StartUrls = {path};
    OpenStartUrls(nullptr);
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_NE(g_boxTexts[0].find("damaged"), std::string::npos) << g_boxTexts[0];
    EXPECT_EQ(g_windowList->GetActiveWindow(), before);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}

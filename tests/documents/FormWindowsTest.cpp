// Form fields as live child windows of a page under Wine: typed into with
// key messages, stepped through with Tab, reset, and submitted through the
// URL loader to a local server that records each request byte for byte.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/Preferences.h"
#include "documents/FormControlWindows.h"
#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FormSubmission.h"
#include "layout/LayoutFormatter.h"
#include "layout/PaintTree.h"
#include "layout/ScreenDevice.h"
#include "mailnews/MimeFormMessage.h"
#include "net/NetSettings.h"
#include "net/UrlErrors.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "resources/FormIds.h"
#include "tests/net/UrlLoadFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/MenuWatcher.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::PumpFor;
using testing_support::PumpUntil;
using testing_support::ScriptedServer;
using testing_support::ScriptStep;

constexpr int kPageWidth = 560;
constexpr int kPageHeight = 360;

LRESULT CALLBACK PageProc(HWND w, UINT m, WPARAM wp, LPARAM lp);

// A page of fields in a visible window: formatted on the window's screen
// device, whose paint places the fields' windows.
class FormPageWindow {
public:
    FormPageWindow(const std::string& html, const UrlHandle& url) : url_(url) {
        static const ATOM atom = [] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = PageProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            wc.lpszClassName = "ZintuFormPage";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        window_ = CreateWindowExA(0, "ZintuFormPage", "form page", WS_POPUP | WS_VISIBLE, 0, 0, kPageWidth,
                                  kPageHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        device_ = std::make_unique<ScreenDevice>(window_, false);
        content_.FeedData(url, html.data(), static_cast<long>(html.size()), false, 0);
        LayoutRequest request;
        request.width = kPageWidth - 20;
        root_ = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        LayoutFormatter formatter(*device_, content_.GetPage());
        for (int steps = 0;
             formatter.FormatStep(content_.Root(), root_.get(), 1000000) == kResultBudgetOut && steps < 1000;
             ++steps) {
        }
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
        PumpFor(std::chrono::milliseconds(100));
    }
    ~FormPageWindow() {
        root_.reset();  // the fields' windows go with their boxes
        device_.reset();
        DestroyWindow(window_);
    }

    void Paint() {
        PAINTSTRUCT ps;
        BeginPaint(window_, &ps);
        PaintRequest request;
        request.clipX = ps.rcPaint.left;
        request.clipY = ps.rcPaint.top;
        request.clipWidth = ps.rcPaint.right - ps.rcPaint.left;
        request.clipHeight = ps.rcPaint.bottom - ps.rcPaint.top;
        if (root_) root_->PaintTree(*device_, request);
        EndPaint(window_, &ps);
    }

    HtmlElement* Named(const char* name) { return FindFieldByName(content_.Root(), name); }
    FormControl* Control(const char* name) {
        FormControlBox* box = FindControlBox(root_.get(), Named(name));
        return box ? box->Control() : nullptr;
    }
    HWND Field(const char* name) {
        FormControl* control = Control(name);
        return control ? static_cast<HWND>(control->Window()) : nullptr;
    }
    HtmlElement* Form() { return content_.Root()->FindFirstOfType(kTagForm); }
    LayoutElement* Layout() { return root_.get(); }
    HWND Window() const { return window_; }
    const UrlHandle& Url() { return url_; }

private:
    HWND window_ = nullptr;
    std::unique_ptr<ScreenDevice> device_;
    DocumentContent content_;
    std::unique_ptr<BlockBox> root_;
    UrlHandle url_;
};

LRESULT CALLBACK PageProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* page = reinterpret_cast<FormPageWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (m == WM_PAINT && page) {
        page->Paint();
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

// Types the text into the window as the keyboard would: one character
// message each.
void Type(HWND window, const std::string& text) {
    for (char c : text) PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
    PumpFor(std::chrono::milliseconds(50));
}

void PressKey(HWND window, WPARAM key) {
    SendMessageA(window, WM_KEYDOWN, key, 1);
    SendMessageA(window, WM_KEYUP, key, 0xC0000001);
}

class FormWindowsTest : public url_load_test::UrlLoadTest {
protected:
    void SetUp() override {
        UrlLoadTest::SetUp();
        InstallFormControlWindows();
        InstallMimeFormEncoder();
    }
    void TearDown() override {
        RegisterFormControlFactory(nullptr);
        RegisterFormMultipartMaker(nullptr);
        GetNetSettings() = NetSettings{};
        UrlLoadTest::TearDown();
    }
    // Submits the page's form as the named button (null: the form alone),
    // loads the answer and gives back what the server received.
    std::string SubmitAndRecord(FormPageWindow& page, ScriptedServer& server, const char* by, int16_t x = 0,
                                int16_t y = 0) {
        HtmlElement* element = by ? page.Named(by) : nullptr;
        FormSubmission submission(element, page.Form(), page.Url(), x, y);
        UrlHandle url = SubmitForm(submission, page.Layout());
        EXPECT_FALSE(url.IsEmpty()) << submission.error;
        if (url.IsEmpty()) return std::string();
        EXPECT_EQ(url->StartLoad(view_.get(), UrlHandle(), false, false), 0);
        EXPECT_TRUE(WaitFor(url, 30));
        return server.Received();
    }
    static std::vector<ScriptStep> Reply(const std::string& until) {
        return {{ScriptStep::Expect, until},
                {ScriptStep::Send, "HTTP/1.0 200 OK\r\nContent-type: text/plain\r\n\r\nthanks"},
                {ScriptStep::Close}};
    }
    static std::string Action(const ScriptedServer& server, const char* path) {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
    }
};

TEST_F(FormWindowsTest, TypedFieldsGoOutAsQueryAndBody) {
    ScriptedServer get(Reply("\r\n\r\n"));
    FormPageWindow page(
        "<form action=\"" + Action(get, "/find") +
            "\"><input name=\"a b\"> <input type=checkbox name=c> <input type=submit name=go value=Go>"
            "<input type=image name=pic></form>",
        UrlHandle("http://127.0.0.1/page.html", true));
    HWND text = page.Field("a b");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(IsWindowVisible(text)) << "the paint placed and showed the field";
    Type(text, "x&y=1~");
    SendMessageA(page.Field("c"), BM_CLICK, 0, 0);
    const std::string received = SubmitAndRecord(page, get, "go");
    EXPECT_EQ(received.rfind("GET /find?a+b=x%26y%3D1%7E&c=on&go=Go HTTP/1.0\r\n", 0), 0u) << received;

    ScriptedServer post(Reply("x%26y%3D1"));
    FormPageWindow postPage(
        "<form method=post action=\"" + Action(post, "/post") + "\"><input name=\"a b\" value=start></form>",
        UrlHandle("http://127.0.0.1/page.html", true));
    HWND field = postPage.Field("a b");
    SendMessageA(field, EM_SETSEL, 0, -1);
    Type(field, "x&y=1");
    const std::string body = SubmitAndRecord(postPage, post, nullptr);
    EXPECT_EQ(body.rfind("POST /post HTTP/1.0\r\n", 0), 0u) << body;
    EXPECT_NE(body.find("Content-type: application/x-www-form-urlencoded\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("Content-length: 13\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("\r\n\r\na+b=x%26y%3D1"), std::string::npos) << body;
}

TEST_F(FormWindowsTest, ImageButtonSendsItsClickPoint) {
    ScriptedServer server(Reply("\r\n\r\n"));
    FormPageWindow page(
        "<form action=\"" + Action(server, "/map") +
            "\"><input type=hidden name=h value=1><input type=image name=go src=\"go.gif\"></form>",
        UrlHandle("http://127.0.0.1/page.html", true));
    const std::string received = SubmitAndRecord(page, server, "go", 10, 5);
    EXPECT_EQ(received.rfind("GET /map?h=1&go.x=10&go.y=5 HTTP/1.0\r\n", 0), 0u) << received;
}

TEST_F(FormWindowsTest, UploadedFileArrivesIntact) {
    testing_support::ScratchDir dir;
    std::string bytes;
    for (int i = 0; i < 20000; ++i) bytes += static_cast<char>((i * 31 + i / 256) & 0xFF);
    const std::string path = dir.File("upload.bin");
    testing_support::WriteWholeFile(path, bytes);
    ScriptedServer server(Reply("--\r\n"));
    FormPageWindow page("<form method=post enctype=multipart/form-data action=\"" + Action(server, "/up") +
                            "\"><input name=note value=\"x&amp;y\"><input type=file name=f></form>",
                        UrlHandle("http://127.0.0.1/page.html", true));
    HWND upload = page.Field("f");
    ASSERT_NE(upload, nullptr);
    char className[64] = {};
    GetClassNameA(upload, className, sizeof className);
    EXPECT_STREQ(className, kFileUploadClass);
    page.Control("f")->SetValue(("\"" + path + "\"").c_str());
    const std::string received = SubmitAndRecord(page, server, nullptr);
    const size_t headerEnd = received.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos) << received;
    const std::string headers = received.substr(0, headerEnd);
    EXPECT_NE(headers.find("Content-Type: multipart/form-data; boundary="), std::string::npos) << headers;
    const std::string body = received.substr(headerEnd + 4);
    EXPECT_NE(headers.find("Content-length: " + std::to_string(body.size()) + "\r\n"), std::string::npos)
        << "the announced length is the body's: " << headers;
    EXPECT_NE(body.find("name=\"note\"\r\n\r\nx&y\r\n"), std::string::npos) << body.substr(0, 400);
    EXPECT_NE(body.find("filename=\"upload.bin\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes +
                        "\r\n--"),
              std::string::npos)
        << "the file's bytes arrive as they are";
}

TEST_F(FormWindowsTest, LongListsAndTextsAreSentWhole) {
    std::string options;
    for (int i = 1; i <= 13000; ++i) options += "<option selected>" + std::to_string(i);
    // Words, as a user types them: 70,000 characters in all.
    std::string area;
    for (int i = 0; i < 13999; ++i) area += "word ";
    area += "words";
    ScriptedServer server(Reply("words\r\n"));
    FormPageWindow page("<form method=post action=\"" + Action(server, "/long") +
                            "\"><input name=t value=default><select name=s multiple size=4>" + options +
                            "</select><textarea name=area rows=3 cols=20>" + area + "</textarea></form>",
                        UrlHandle("http://127.0.0.1/page.html", true));
    HWND text = page.Field("t");
    SendMessageA(text, EM_SETSEL, 0, -1);
    Type(text, "\b");
    EXPECT_EQ(GetWindowTextLengthA(page.Field("area")), 70000);
    const std::string received = SubmitAndRecord(page, server, nullptr);
    const std::string body = received.substr(received.find("\r\n\r\n") + 4);
    EXPECT_EQ(body.rfind("t=&s=1&s=2&", 0), 0u) << "the emptied field is sent empty";
    size_t options_sent = 0;
    for (size_t at = body.find("s="); at != std::string::npos; at = body.find("&s=", at + 1)) ++options_sent;
    EXPECT_EQ(options_sent, 13000u);
    std::string sent = area;
    std::replace(sent.begin(), sent.end(), ' ', '+');
    EXPECT_NE(body.find("&s=13000&area=" + sent + "\r\n"), std::string::npos) << "the whole text area";
}

TEST_F(FormWindowsTest, TabResetAndTheLook) {
    FormPageWindow page(
        "<form><input name=a value=one> <input type=checkbox name=b checked>"
        "<select name=c><option>x<option selected>y</select><br>"
        "<input type=radio name=r value=1 checked><input type=radio name=r value=2>"
        "<textarea name=d rows=2 cols=12>two\nlines</textarea>"
        "<input type=reset><input type=submit></form>",
        UrlHandle("http://127.0.0.1/page.html", true));
    const char* const order[] = {"a", "b", "c", "r", nullptr};
    SetFocus(page.Field("a"));
    for (int i = 1; order[i]; ++i) {
        PressKey(GetFocus(), VK_TAB);
        EXPECT_EQ(FormControlOfWindow(GetFocus()), page.Control(order[i])) << "Tab to " << order[i];
    }
    PressKey(GetFocus(), VK_TAB);
    PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(FormControlOfWindow(GetFocus()), page.Control("d")) << "past the second radio button";
    PressKey(GetFocus(), VK_TAB);
    SetFocus(page.Field("c"));
    {
        // Shift+Tab goes back.
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        PressKey(GetFocus(), VK_TAB);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        EXPECT_EQ(FormControlOfWindow(GetFocus()), page.Control("b"));
    }

    Type(page.Field("a"), "-changed");
    SendMessageA(page.Field("b"), BM_CLICK, 0, 0);
    SendMessageA(page.Field("c"), CB_SETCURSEL, 0, 0);
    HWND second = nullptr;
    for (HWND w = GetWindow(page.Window(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(w) == kIdRadioButton && w != page.Field("r")) second = w;
    }
    ASSERT_NE(second, nullptr);
    SendMessageA(second, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(page.Field("r"), BM_GETCHECK, 0, 0), BST_UNCHECKED) << "one choice per name";
    std::string value;
    ASSERT_TRUE(page.Control("d")->GetValue(value));
    EXPECT_EQ(value, "two\r\nlines") << "the text area shows CR LF lines";
    testing_support::CheckWindowScreenshot(page.Window(), "form-controls");

    ResetForm(page.Form(), page.Layout());
    char text[64] = {};
    GetWindowTextA(page.Field("a"), text, sizeof text);
    EXPECT_STREQ(text, "one");
    EXPECT_EQ(SendMessageA(page.Field("b"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(page.Field("c"), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(page.Field("r"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(second, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

// The messages the mail sink on 127.0.0.1 kept, as they came.
std::string SunkMail(int n) {
    return testing_support::ServerFileFromEnv("SMTP", ("mail/" + std::to_string(n) + ".eml").c_str());
}
int SunkMailCount() {
    int n = 0;
    while (!SunkMail(n + 1).empty()) ++n;
    return n;
}

TEST_F(FormWindowsTest, AMailtoFormIsSentAsAMail) {
    GetNetSettings().mailServer = "127.0.0.1:" + std::to_string(testing_support::ServerPortFromEnv("SMTP"));
    struct Case {
        const char* form;     // the FORM's attributes
        const char* type;     // the Content-Type header of the mail
        const char* content;  // what the body holds
    } const cases[] = {
        {"method=post", "Content-Type: application/x-www-form-urlencoded\r\n", "\r\n\r\na+b=x%26y%3D1&c=on"},
        {"", "Content-Type: application/x-www-form-urlencoded\r\n", "\r\n\r\na+b=x%26y%3D1&c=on"},
        {"method=post enctype=multipart/form-data",
         "Content-Type: multipart/form-data; boundary=", "name=\"a b\"\r\n\r\nx&y=1\r\n"},
    };
    for (const Case& c : cases) {
        FormPageWindow page(std::string("<form ") + c.form +
                                " action=\"mailto:forms@zintu.test?subject=ignored\"><input name=\"a b\">"
                                "<input type=checkbox name=c></form>",
                            UrlHandle("http://127.0.0.1/page.html", true));
        Type(page.Field("a b"), "x&y=1");
        SendMessageA(page.Field("c"), BM_CLICK, 0, 0);
        const int before = SunkMailCount();
        FormSubmission submission(nullptr, page.Form(), page.Url());
        UrlHandle url = SubmitForm(submission, page.Layout());
        ASSERT_FALSE(url.IsEmpty()) << c.form << ": " << submission.error;
        EXPECT_EQ(url->GetScheme(), kSchemeMailto);
        ASSERT_EQ(url->StartLoad(view_.get(), UrlHandle(), false, false), 0);
        ASSERT_TRUE(WaitFor(url, 20)) << c.form;
        bool sent = false;
        for (const url_load_test::Notice& n : recorder_->log)
            sent = sent || (n.message == kMsgLoadNotice && n.p1 == kNoticeLoaded && n.p2 == url->GetId());
        EXPECT_TRUE(sent) << c.form << ": the load ends as done";
        ASSERT_EQ(SunkMailCount(), before + 1) << c.form << ": the mail server got one message";
        const std::string mail = SunkMail(before + 1);
        EXPECT_NE(mail.find("\r\nSubject: Form posted from Zintu\r\n"), std::string::npos) << mail;
        EXPECT_NE(mail.find("To: forms@zintu.test\r\n"), std::string::npos) << mail;
        EXPECT_NE(mail.find(c.type), std::string::npos) << mail;
        EXPECT_NE(mail.find(c.content), std::string::npos) << mail;
    }

    // Without a mail server nothing is sent, and the window is told why.
    GetNetSettings().mailServer.clear();
    FormPageWindow page("<form method=post action=\"mailto:forms@zintu.test\"><input name=a value=1></form>",
                        UrlHandle("http://127.0.0.1/page.html", true));
    const int before = SunkMailCount();
    FormSubmission submission(nullptr, page.Form(), page.Url());
    UrlHandle url = SubmitForm(submission, page.Layout());
    ASSERT_FALSE(url.IsEmpty());
    (void)url->StartLoad(view_.get(), UrlHandle(), false, false);
    ASSERT_TRUE(WaitFor(url, 5));
    const url_load_test::Notice* error = recorder_->Find(kMsgLoadError, url->GetId());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->p1, static_cast<uint32_t>(kErrNoMailServer));
    EXPECT_EQ(SunkMailCount(), before);
}

// A click of the mouse's right button at the middle of the field, while a
// watcher reads the menu that opens, takes its picture and chooses in it
// with the keys.
testing_support::MenuSeen RightClickAndChoose(HWND field, const std::vector<WORD>& keys,
                                              const std::string& shot) {
    SetForegroundWindow(GetParent(field));
    RECT r;
    GetWindowRect(field, &r);
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((r.left + r.right) / 2 * 65535.0 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    move.mi.dy = static_cast<LONG>((r.top + r.bottom) / 2 * 65535.0 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    PumpFor(std::chrono::milliseconds(100));
    testing_support::MenuWatcher watcher(GetParent(field), shot, keys);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, click, sizeof click[0]);
    PumpFor(std::chrono::milliseconds(200));
    const testing_support::MenuSeen seen = watcher.Finish();
    PumpFor(std::chrono::milliseconds(200));
    return seen;
}

TEST_F(FormWindowsTest, TheFieldMenuEditsAndTypesInThePersonalInformation) {
    testing_support::ScratchDir dir;
    const std::string ini = dir.File("zintu.ini");
    testing_support::WriteWholeFile(ini,
                                    "[PERSONAL INFO]\r\nFIRST NAME=Ada\r\nSURNAME=Lovelace\r\nCITY=London\r\n"
                                    "EMAIL=ada@zintu.test\r\n");
    Preferences preferences(ini.c_str());
    preferences.LoadAll();
    g_preferences = &preferences;
    struct Restore {
        ~Restore() { g_preferences = nullptr; }
    } restore;
    FormPageWindow page("<form><input name=t value=start size=30><textarea name=x rows=3 cols=40></textarea></form>",
                        UrlHandle("http://127.0.0.1/page.html", true));
    HWND field = page.Field("t");
    ASSERT_NE(field, nullptr);
    struct Case {
        int command;
        const char* text;  // the field's text after it, from "start"
    } const cases[] = {
        {CMD_FIELD_FULL_NAME, "Ada Lovelace"}, {CMD_FIELD_FIRST_NAME, "Ada"}, {CMD_FIELD_CITY, "London"},
        {CMD_FIELD_EMAIL, "ada@zintu.test"},   {CMD_FIELD_STATE, "start"},    {CMD_FIELD_SPECIAL_3, "start"},
    };
    for (const Case& c : cases) {
        SetWindowTextA(field, "start");
        SendMessageA(field, WM_COMMAND, static_cast<WPARAM>(c.command), 0);
        char text[64] = {};
        GetWindowTextA(field, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.command;
    }

    // The menu itself, opened with the right button and chosen from with
    // the keys: the name into the field, then the whole of a long text
    // selected.
    SetWindowTextA(field, "start");
    const testing_support::MenuSeen seen = RightClickAndChoose(field, {'I', 'N'}, "form-field-menu");
    EXPECT_FALSE(seen.leftOpen);
    EXPECT_EQ(seen.firstId, static_cast<UINT>(CMD_FIELD_UNDO));
    EXPECT_GE(seen.items, 8);
    char text[64] = {};
    GetWindowTextA(field, text, sizeof text);
    EXPECT_STREQ(text, "Ada Lovelace");
    HWND area = page.Field("x");
    std::string longText;
    for (int i = 0; i < 7000; ++i) longText += "word ";
    SetWindowTextA(area, longText.c_str());
    EXPECT_FALSE(RightClickAndChoose(area, {'A'}, "").leftOpen);
    DWORD from = 0, to = 0;
    SendMessageA(area, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, longText.size()) << "Select All takes the whole text";
}

TEST_F(FormWindowsTest, ChosenFilesAreQuoted) {
    EXPECT_EQ(ChosenFilesText({"C:\\data\\a.txt"}, false), "\"C:\\data\\a.txt\"");
    EXPECT_EQ(ChosenFilesText({"C:\\data", "a.txt", "b.txt"}, false),
              "\"C:\\data\\a.txt\", \"C:\\data\\b.txt\"");
    EXPECT_EQ(ChosenFilesText({"C:\\", "a.txt", "b.txt"}, true), "\"C:\\a.txt\", \r\n\"C:\\b.txt\"");
}

}  // namespace

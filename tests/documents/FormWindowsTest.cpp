// Form fields as live child windows of a page under Wine: typed into with
// key messages, stepped through with Tab, reset, and submitted through the
// URL loader to a local server that records each request byte for byte.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "documents/FormControlWindows.h"
#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FormSubmission.h"
#include "layout/LayoutFormatter.h"
#include "layout/PaintTree.h"
#include "layout/ScreenDevice.h"
#include "mailnews/MimeFormMessage.h"
#include "tests/net/UrlLoadFixture.h"
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

TEST_F(FormWindowsTest, ChosenFilesAreQuoted) {
    EXPECT_EQ(ChosenFilesText({"C:\\data\\a.txt"}, false), "\"C:\\data\\a.txt\"");
    EXPECT_EQ(ChosenFilesText({"C:\\data", "a.txt", "b.txt"}, false),
              "\"C:\\data\\a.txt\", \"C:\\data\\b.txt\"");
    EXPECT_EQ(ChosenFilesText({"C:\\", "a.txt", "b.txt"}, true), "\"C:\\a.txt\", \r\n\"C:\\b.txt\"");
}

}  // namespace

#include "tests/support/WindowTools.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace testing_support {

namespace {

struct FindData {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* d = reinterpret_cast<FindData*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != d->pid) return TRUE;
    char cls[256] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, d->className) != 0) return TRUE;
    if (d->title && WindowTitle(w) != d->title) return TRUE;
    d->found = w;
    return FALSE;
}

LRESULT CALLBACK TestWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* handler = reinterpret_cast<TestWindowHandler*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        LRESULT r = handler ? (*handler)(w, msg, wp, lp) : DefWindowProcA(w, msg, wp, lp);
        delete handler;
        return r;
    }
    if (handler) return (*handler)(w, msg, wp, lp);
    return DefWindowProcA(w, msg, wp, lp);
}

struct Spin {
    explicit Spin(std::atomic_flag& f) : flag(f) {
        while (flag.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    ~Spin() { flag.clear(std::memory_order_release); }
    std::atomic_flag& flag;
};

BOOL CALLBACK CollectStatic(HWND w, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        auto* out = reinterpret_cast<std::string*>(lp);
        std::string t = WindowTitle(w);
        if (!t.empty()) {
            if (!out->empty()) *out += '\n';
            *out += t;
        }
    }
    return TRUE;
}

}  // namespace

HWND FindWindowByClass(const char* className, const char* title) {
    return FindWindowOfProcess(GetCurrentProcessId(), className, title);
}

HWND FindWindowOfProcess(DWORD pid, const char* className, const char* title) {
    FindData d{pid, className, title, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

std::string WindowTitle(HWND window) {
    int n = GetWindowTextLengthA(window);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(window, &s[0], n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return done();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

void PumpDialogKeysFor(HWND dialog, std::chrono::milliseconds time) {
    auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

void TypeAndPress(HWND dialog, HWND edit, const char* text, WPARAM key) {
    SetFocus(edit);
    SetWindowTextA(edit, text);
    PostMessageA(edit, WM_KEYDOWN, key, 0);
    PostMessageA(edit, WM_KEYUP, key, static_cast<LPARAM>(0xC0000000u));
    PumpDialogKeysFor(dialog, std::chrono::milliseconds(200));
}

void SendKeyPress(WORD key, const std::vector<WORD>& held) {
    std::vector<INPUT> in;
    auto add = [&](WORD vk, bool up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD h : held) add(h, false);
    add(key, false);
    add(key, true);
    for (auto h = held.rbegin(); h != held.rend(); ++h) add(*h, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

HWND CreateTestWindow(TestWindowHandler handler, const char* title) {
    static ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZintuTestWindow";
        return RegisterClassA(&wc);
    }();
    (void)atom;
    HWND w = CreateWindowA("ZintuTestWindow", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    if (w && handler)
        SetWindowLongPtrA(w, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(new TestWindowHandler(std::move(handler))));
    return w;
}

DialogPresser::DialogPresser(std::string title, int buttonId)
    : title_(std::move(title)), buttonId_(buttonId) {
    thread_ = std::thread([this] {
        while (!stop_) {
            HWND d = FindWindowByClass("#32770", title_.c_str());
            if (d && IsWindowVisible(d)) {
                std::string text;
                EnumChildWindows(d, CollectStatic, reinterpret_cast<LPARAM>(&text));
                {
                    Spin guard(lock_);
                    seen_ = text;
                }
                PostMessageA(d, WM_COMMAND, MAKEWPARAM(buttonId_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(d, buttonId_)));
                ++presses_;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

DialogPresser::~DialogPresser() {
    stop_ = true;
    thread_.join();
}

std::string DialogPresser::SeenText() const {
    Spin guard(lock_);
    return seen_;
}

DialogDriver::DialogDriver(const char* title, std::function<void(HWND)> steps, int button) {
    std::string wanted = title;
    thread_ = std::thread([this, wanted, steps, button] {
        for (int i = 0; i < 500 && !stop_; ++i) {
            if (HWND d = FindWindowByClass("#32770", wanted.c_str())) {
                Sleep(200);  // let it paint
                steps(d);
                if (button) PressDialogButton(d, button);
                found_ = true;
                return;
            }
            Sleep(20);
        }
    });
}

DialogDriver::~DialogDriver() {
    stop_ = true;
    thread_.join();
}

std::string StaticTexts(HWND window) {
    std::string text;
    EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

void PressDialogButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string TypeFileName(HWND dialog, const std::string& path) {
    char text[MAX_PATH] = "";
    for (int id : {0x47c, 0x480}) {
        if (HWND field = GetDlgItem(dialog, id)) {
            GetWindowTextA(field, text, sizeof text);
            SetWindowTextA(field, path.c_str());
        }
    }
    return text;
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path);
    return p.substr(0, p.rfind('\\') + 1);
}

void CheckWindowScreenshot(HWND window, const std::string& name) {
    RECT r;
    ASSERT_TRUE(GetWindowRect(window, &r));
    ASSERT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(SaveScreenshot(ProgramFolder() + name + ".bmp"));
    HDC screen = GetDC(nullptr);
    std::map<COLORREF, int> colours;
    for (int y = r.top + 30; y < r.bottom - 4; y += 3) {
        for (int x = r.left + 4; x < r.right - 4; x += 3) ++colours[GetPixel(screen, x, y)];
    }
    ReleaseDC(nullptr, screen);
    EXPECT_GE(colours.size(), 3u) << name << " is not drawn";
}

bool SaveScreenshot(const std::string& path) {
    HDC screen = GetDC(nullptr);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    std::vector<char> pixels(stride * static_cast<DWORD>(h));
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4d42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    return std::fclose(f) == 0;
}

namespace {

class ScreenshotOnFailure : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        if (!info.result()->Failed()) return;
        std::string path = std::string(info.test_suite_name()) + "." + info.name() + ".bmp";
        for (char& c : path)
            if (c == '/') c = '_';
        if (SaveScreenshot(path)) std::printf("screenshot saved: %s\n", path.c_str());
    }
};

}  // namespace

void InstallScreenshotOnFailure() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    ::testing::UnitTest::GetInstance()->listeners().Append(new ScreenshotOnFailure);
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(clipboard busy)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void ClearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void SendMouseTo(HWND window, POINT client) {
    ClientToScreen(window, &client);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>(client.x * 65535.0 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = static_cast<LONG>(client.y * 65535.0 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    PumpFor(std::chrono::milliseconds(100));
}

void SendMouseButton(DWORD flags, int wheel) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = static_cast<DWORD>(wheel);
    SendInput(1, &in, sizeof in);
    PumpFor(std::chrono::milliseconds(60));
}

std::vector<uint32_t> CaptureClientArea(HWND window, int& width, int& height) {
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    if (bits) {
        const auto* first = static_cast<const uint32_t*>(bits);
        pixels.assign(first, first + static_cast<size_t>(width) * height);
        for (uint32_t& p : pixels) p &= 0x00FFFFFF;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

MemoryCanvas::MemoryCanvas(int size, COLORREF fill) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

MemoryCanvas::~MemoryCanvas() {
    SelectObject(dc, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc);
}

}  // namespace testing_support

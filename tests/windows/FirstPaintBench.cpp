// Measures the first paint of a page given on the command line: starts
// Zintu.exe with an ini file and the page, and reports the seconds from the
// start to the frame window shown, to the document window captioned with
// the page's title, and to the page's text painted in its view. Used by
// tools/bench-first-paint.sh; not a test.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Found {
    DWORD pid;
    const char* className;
    const char* titlePrefix;
    HWND window;
};

BOOL CALLBACK FindInProcess(HWND window, LPARAM parameter) {
    auto* f = reinterpret_cast<Found*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (pid != f->pid || std::strcmp(name, f->className) != 0) return TRUE;
    if (f->titlePrefix) {
        char title[512] = {};
        GetWindowTextA(window, title, sizeof title);
        if (std::strncmp(title, f->titlePrefix, std::strlen(f->titlePrefix)) != 0) return TRUE;
    }
    f->window = window;
    return FALSE;
}

HWND FindChild(HWND parent, DWORD pid, const char* className, const char* titlePrefix) {
    Found f{pid, className, titlePrefix, nullptr};
    if (parent) EnumChildWindows(parent, FindInProcess, reinterpret_cast<LPARAM>(&f));
    else EnumWindows(FindInProcess, reinterpret_cast<LPARAM>(&f));
    return f.window;
}

// Pixels of the view's upper part that differ from its bottom-right corner.
int Ink(HWND view) {
    RECT r;
    if (!GetWindowRect(view, &r)) return 0;
    int w = r.right - r.left, h = (r.bottom - r.top) / 3;
    if (w <= 8 || h <= 8) return 0;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    COLORREF background = GetPixel(screen, r.right - 24, r.bottom - 24);
    int ink = 0;
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w - 20; x += 2) ink += GetPixel(memory, x, y) != background;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ink;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER frequency) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: first_paint_bench Zintu.exe file.ini page.html title\n");
        return 2;
    }
    std::string line = std::string("\"") + argv[1] + "\" \"" + argv[2] + "\" \"" + argv[3] + "\"";
    const char* title = argv[4];
    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    double shown = -1, titled = -1, painted = -1;
    HWND frame = nullptr, child = nullptr;
    while (Seconds(start, frequency) < 30 && painted < 0) {
        if (!frame) {
            frame = FindChild(nullptr, pi.dwProcessId, "BLDZINTU", nullptr);
            if (frame && !IsWindowVisible(frame)) frame = nullptr;
            if (frame) shown = Seconds(start, frequency);
        } else if (!child) {
            child = FindChild(frame, pi.dwProcessId, "ZUV_ObjWin", title);
            if (child) titled = Seconds(start, frequency);
        } else if (HWND view = FindChild(child, pi.dwProcessId, "ZUV_MDICHILD", nullptr); view && Ink(view) > 100) {
            painted = Seconds(start, frequency);
        }
        if (WaitForSingleObject(pi.hProcess, 2) == WAIT_OBJECT_0) break;
    }
    std::printf("frame shown %.3f s, titled %.3f s, painted %.3f s\n", shown, titled, painted);
    if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return painted < 0 ? 1 : 0;
}

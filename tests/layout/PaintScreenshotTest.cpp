// Pages served by nginx on 127.0.0.1, formatted and painted through the
// screen device into a real window under Wine: a page of nested blocks
// with their own backgrounds and the simpler page built to look the same
// (one bordered block) give the same pixels, and a page that differs by a
// pixel of border does not.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "html/DocumentContent.h"
#include "layout/LayoutFormatter.h"
#include "layout/PaintTree.h"
#include "layout/ScreenDevice.h"
#include "net/UrlHandle.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

constexpr int kWidth = 420, kHeight = 260;

// The body of a page that nginx serves, or "" when the reply is not a 200.
std::string Fetch(const std::string& path) {
    const uint16_t port = ServerPortFromEnv("NGINX");
    const std::string reply = port ? HttpGet(port, path) : "";
    if (reply.compare(0, 12, "HTTP/1.1 200") != 0) return "";
    const size_t body = reply.find("\r\n\r\n");
    return body == std::string::npos ? "" : reply.substr(body + 4);
}

// A window that shows one formatted page; its paint goes through the
// layout's PaintTree on the screen device.
class PageWindow {
public:
    explicit PageWindow(const std::string& url, const std::string& html) {
        window_ = CreateTestWindow(
            [this](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message == WM_PAINT) {
                    PAINTSTRUCT ps;
                    BeginPaint(w, &ps);
                    Paint();
                    EndPaint(w, &ps);
                    ++paints_;
                    return 0;
                }
                if (message == WM_ERASEBKGND) return 1;
                return DefWindowProcA(w, message, wParam, lParam);
            },
            "zintu-paint");
        RECT frame = {0, 0, kWidth, kHeight};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(window_, HWND_TOP, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOACTIVATE);
        device_ = std::make_unique<ScreenDevice>(window_, false);
        LogFont font;
        font.height = -16;
        font.weight = 400;
        SetLogFontFace(font, "Arial");
        device_->SetLogFont(font);
        device_->SetTextColor(RGB(0, 0, 0));
        content_.FeedData(UrlHandle(url.c_str(), true), html.data(), static_cast<long>(html.size()), false, 0);
        LayoutRequest request;
        request.width = device_->GetViewWidth();
        root_ = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        formatter_ = std::make_unique<LayoutFormatter>(*device_, content_.GetPage());
        for (int steps = 0; steps < 1000; ++steps) {
            if (formatter_->FormatStep(content_.Root(), root_.get(), kStepBudget) != kResultBudgetOut) break;
        }
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        UpdateWindow(window_);
    }
    ~PageWindow() {
        device_.reset();
        DestroyWindow(window_);
    }

    bool Formatted() const { return formatter_->IsComplete(); }
    int Paints() const { return paints_; }

    // The client area's pixels as 0x00RRGGBB, row by row.
    std::vector<uint32_t> Capture() const {
        int width = 0, height = 0;
        return testing_support::CaptureClientArea(window_, width, height);
    }

private:
    void Paint() {
        DeviceRect all;
        all.right = device_->GetViewWidth();
        all.bottom = device_->GetViewHeight();
        device_->UseDefaultBackground();
        device_->FillBackground(all);
        PaintRequest request;
        request.clipWidth = device_->GetViewWidth();
        request.clipHeight = device_->GetViewHeight();
        root_->PaintTree(*device_, request);
    }

    HWND window_ = nullptr;
    std::unique_ptr<ScreenDevice> device_;
    DocumentContent content_;
    std::unique_ptr<BlockBox> root_;
    std::unique_ptr<LayoutFormatter> formatter_;
    int paints_ = 0;
};

std::vector<uint32_t> Shot(const std::string& page) {
    const std::string html = Fetch("/" + page);
    EXPECT_FALSE(html.empty()) << page << " was not served";
    PageWindow window("http://127.0.0.1/" + page, html);
    EXPECT_TRUE(window.Formatted()) << page;
    PumpUntil([&] { return window.Paints() > 0; });
    PumpFor(std::chrono::milliseconds(100));
    return window.Capture();
}

// Keeps a capture as a PPM picture beside the test, to look at when the
// comparison fails.
void SavePicture(const std::vector<uint32_t>& pixels, const std::string& path) {
    std::string data = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    for (uint32_t p : pixels) {
        data += static_cast<char>((p >> 16) & 0xFF);
        data += static_cast<char>((p >> 8) & 0xFF);
        data += static_cast<char>(p & 0xFF);
    }
    WriteWholeFile(path, data);
}

int Differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
}

TEST(PaintScreenshot, NestedBlocksLookLikeTheirSimplerReference) {
    const std::vector<uint32_t> nested = Shot("nested.html");
    const std::vector<uint32_t> reference = Shot("reference.html");
    ASSERT_EQ(nested.size(), static_cast<size_t>(kWidth * kHeight));
    ASSERT_EQ(reference.size(), nested.size());
    // The page was really drawn: the border's blue, the block's colour and
    // dark text pixels are all there.
    int blue = 0, sand = 0, dark = 0;
    for (uint32_t p : reference) {
        blue += p == 0x3060a0;
        sand += p == 0xf0e0c0;
        dark += (p & 0xFF) < 0x40 && ((p >> 8) & 0xFF) < 0x40 && (p >> 16) < 0x40;
    }
    EXPECT_GT(blue, 1000);
    EXPECT_GT(sand, 5000);
    EXPECT_GT(dark, 100);
    const int differences = Differences(nested, reference);
    EXPECT_EQ(differences, 0) << "pixels that differ";
    if (differences != 0) {
        SavePicture(nested, "paint_nested.ppm");
        SavePicture(reference, "paint_reference.ppm");
    }
    // One pixel more padding and less border shows.
    EXPECT_GT(Differences(Shot("different.html"), reference), 100);
}

}  // namespace

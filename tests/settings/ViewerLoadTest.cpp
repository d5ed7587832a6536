// A document loaded from a real server goes where the viewer table says: a
// GIF that nginx sends as "application/octet-stream" is shown while server
// types are not trusted, and asks the user (the "Unknown type" dialog, with
// the type) while they are.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerDialogs.h"
#include "settings/ViewerSystemWin32.h"
#include "settings/ViewerTable.h"
#include "tests/net/NetFixture.h"
#include "tests/settings/RecordingViewerWindows.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace net_test;

namespace {

class ViewerLoadTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        GetUrlSettings() = UrlSettings();
        GetUrlSettings().cacheDirectory = scratch_.Path();
        GetUrlSettings().emptyOnExit = true;
        urls_ = std::make_unique<UrlRegistry>(GetUrlSettings());
        table_.AddBuiltInRows();
        SetViewerWindows(&windows_);
        SetViewerSystem(&system_);
    }
    void TearDown() override {
        if (HWND d = UnknownTypeDialogOf(kWindow)) DestroyWindow(d);
        SetViewerWindows(nullptr);
        SetViewerSystem(nullptr);
        urls_.reset();
        GetUrlSettings() = UrlSettings();
        NetTest::TearDown();
    }
    UrlHandle Load(const char* path) {
        std::string url =
            "http://127.0.0.1:" + std::to_string(testing_support::ServerPortFromEnv("NGINX")) + path;
        UrlHandle h = urls_->FindWithFragment(url.c_str());
        EXPECT_EQ(h->StartLoad(view_.get(), UrlHandle(), false, true), 0);
        EXPECT_TRUE(testing_support::PumpUntil([&] { return h->GetLoadStatusHere() != kLoadLoading; },
                                               std::chrono::seconds(10)));
        return h;
    }
    static constexpr ViewerWindow kWindow = 5;
    testing_support::ScratchDir scratch_;
    std::unique_ptr<UrlRegistry> urls_;
    ViewerTable table_;
    RecordingViewerWindows windows_;
    Win32ViewerSystem system_;
};

TEST_F(ViewerLoadTest, AGifSentAsOctetStream) {
    UrlHandle gif = Load("/wrong/a.gif");
    ASSERT_EQ(gif->GetLoadStatusHere(), kLoadLoaded);
    ASSERT_STREQ(gif->GetContentType(), "application/octet-stream");

    GetUrlSettings().trustServerTypes = false;
    HandleDocumentStart(table_, kWindow, gif);
    EXPECT_EQ(windows_.log, std::vector<std::string>{"show"}) << "the extension decides: the image shows";
    EXPECT_EQ(UnknownTypeDialogOf(kWindow), nullptr);

    GetUrlSettings().trustServerTypes = true;
    windows_.log.clear();
    windows_.pending.clear();
    HandleDocumentStart(table_, kWindow, gif);
    HWND dialog = UnknownTypeDialogOf(kWindow);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    char type[100] = "";
    GetDlgItemTextA(dialog, IDC_UNKNOWN_TYPE, type, sizeof type);
    EXPECT_STREQ(type, "application/octet-stream");
    EXPECT_TRUE(windows_.log.empty());
}

}  // namespace

// What the URL loading tests share: a recording page content in place of
// the parser, a window whose message handler records every notice in order,
// and a fixture with a fresh registry and cache folder per test.
#pragma once
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/InternalMessages.h"
#include "net/SniffContent.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "tests/net/NetFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/WindowTools.h"

namespace url_load_test {

using namespace net_test;

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline fs::path WwwFile(const char* name) {
    return fs::path(ZINTU_SOURCE_DIR) / "tests/net/data/urlload-www" / name;
}

// Stands in for the parsed page: keeps what it is fed.
struct RecordingContent : UrlPageContent {
    long FeedData(const char* bytes, long length, bool final) override {
        if (length > 0) fed.append(bytes, static_cast<size_t>(length));
        if (final) ++finals;
        return length;
    }
    bool CanTakeData() const override { return true; }
    bool IsComplete() const override { return finals > 0; }
    bool HasPendingWork() const override { return false; }
    void StopFeeding(int reason) override {
        stopReason = reason;
        ++finals;
    }
    std::string fed;
    int finals = 0;
    int stopReason = 0;
};

inline std::unique_ptr<UrlPageContent> MakeRecordingContent(UrlRecord&) {
    return std::make_unique<RecordingContent>();
}

struct Notice {
    uint32_t message, p1, p2;
};

inline constexpr uint32_t kNotices[] = {kMsgLoadNotice,
                                 kMsgAuthNeeded,
                                 kMsgLoadError,
                                 kMsgSecurityNotice,
                                 kMsgContentKnown,
                                 kMsgProgressKnown,
                                 kMsgProgressUnknown,
                                 kMsgInlineProgressKnown,
                                 kMsgInlineProgressUnknown,
                                 kMsgLoadStatus,
                                 kMsgMoreData,
                                 kMsgRedirected,
                                 kMsgScriptsPending,
                                 kMsgUploadNotice};

// A window's view of the loads it asked for: every notice, in order.
class NoticeRecorder : public MessageCallback {
public:
    explicit NoticeRecorder(MessageHandler& handler) : handler_(handler) {
        for (uint32_t m : kNotices) (void)handler_.Register(this, m, 0);
    }
    ~NoticeRecorder() override { handler_.UnregisterAll(this); }
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override { log.push_back({message, p1, p2}); }
    // The record's own messages, by number, in order (progress steps folded).
    std::vector<uint32_t> Sequence(uint32_t id) const {
        std::vector<uint32_t> out;
        for (const Notice& n : log) {
            bool mine =
                n.message == kMsgLoadNotice || n.message == kMsgLoadError || n.message == kMsgAuthNeeded
                    ? n.p2 == id
                    : n.p1 == id;
            if (!mine) continue;
            if (!out.empty() && out.back() == n.message &&
                (n.message == kMsgProgressKnown || n.message == kMsgProgressUnknown ||
                 n.message == kMsgMoreData))
                continue;
            out.push_back(n.message);
        }
        return out;
    }
    bool Ended(uint32_t id) const {
        for (const Notice& n : log) {
            if (n.message == kMsgLoadNotice && n.p1 == kNoticeLoaded && n.p2 == id) return true;
            if (n.message == kMsgLoadNotice && n.p1 == kNoticeNotModified && n.p2 == id) return true;
            if ((n.message == kMsgLoadError || n.message == kMsgAuthNeeded) && n.p2 == id) return true;
        }
        return false;
    }
    const Notice* Find(uint32_t message, uint32_t id) const {
        for (const Notice& n : log) {
            uint32_t nid =
                n.message == kMsgLoadNotice || n.message == kMsgLoadError || n.message == kMsgAuthNeeded
                    ? n.p2
                    : n.p1;
            if (n.message == message && nid == id) return &n;
        }
        return nullptr;
    }
    std::vector<Notice> log;

private:
    MessageHandler& handler_;
};

inline uint16_t Nginx() {
    return testing_support::ServerPortFromEnv("NGINX");
}
inline std::string At(const char* path) {
    return "http://127.0.0.1:" + std::to_string(Nginx()) + path;
}

class UrlLoadTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        root_ = fs::temp_directory_path() /
                ("urlload-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "cache");
        GetUrlSettings() = UrlSettings();
        GetUrlSettings().cacheDirectory = (root_ / "cache").string();
        GetUrlSettings().emptyOnExit = true;
        urls_ = std::make_unique<UrlRegistry>(GetUrlSettings());
        SetPageContentFactory(MakeRecordingContent);
        recorder_ = std::make_unique<NoticeRecorder>(*view_);
        // A second document window (the main handler is no window's own:
        // connections never report to it).
        otherWindow_ =
            testing_support::CreateTestWindow([this](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                if (m >= 0x8001 && m < 0xC000 && other_) {
                    other_->Dispatch(m, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp));
                    return 0;
                }
                return DefWindowProcA(w, m, wp, lp);
            });
        other_ = std::make_unique<MessageHandler>(otherWindow_);
    }
    void TearDown() override {
        recorder_.reset();
        urls_.reset();
        other_.reset();
        DestroyWindow(otherWindow_);
        SetPageContentFactory(nullptr);
        GetUrlSettings() = UrlSettings();
        NetTest::TearDown();
        fs::remove_all(root_);
    }
    UrlHandle Find(const std::string& name) { return urls_->FindWithFragment(name.c_str()); }
    // Starts a load for the view window and runs until its end.
    UrlHandle Load(const std::string& name, int* result = nullptr) {
        UrlHandle h = Find(name);
        EXPECT_FALSE(h.IsEmpty()) << name;
        int r = h->StartLoad(view_.get(), UrlHandle(), false, false);
        if (result) *result = r;
        WaitFor(h);
        return h;
    }
    bool WaitFor(const UrlHandle& h, int seconds = 10) {
        uint32_t id = h->GetId();
        return testing_support::PumpUntil([&] { return recorder_->Ended(id); },
                                          std::chrono::seconds(seconds));
    }
    // Asks again conditionally; the server must confirm the kept copy.
    void ExpectNotModified(const UrlHandle& h) {
        recorder_->log.clear();
        h->RequestLoad(view_.get(), UrlHandle(), true, false, true, false);
        ASSERT_TRUE(WaitFor(h));
        const Notice* notice = recorder_->Find(kMsgLoadNotice, h->GetId());
        ASSERT_NE(notice, nullptr);
        EXPECT_EQ(notice->p1, kNoticeNotModified);
    }
    RecordingContent* Content(const UrlHandle& h) {
        return static_cast<RecordingContent*>(h->GetPageContent());
    }

    fs::path root_;
    std::unique_ptr<UrlRegistry> urls_;
    std::unique_ptr<NoticeRecorder> recorder_;
    std::unique_ptr<MessageHandler> other_;
    HWND otherWindow_ = nullptr;
};

}  // namespace url_load_test

// The decisions for a loaded document: which entry decides for a URL, and
// what each action does at the start and at the end of a load, against a
// window list and a system that record what they were asked.
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"
#include "settings/ViewerDispatch.h"
#include "settings/ViewerTable.h"
#include "tests/settings/RecordingViewerWindows.h"
#include "tests/support/TestPaths.h"

namespace {

struct Recorder : RecordingViewerWindows, ViewerSystem {
    bool runSucceeds = true;

    bool RunProgram(const std::string& program, const std::string& argument) override {
        log.push_back("run " + program + " " + argument);
        return runSucceeds;
    }
    bool ShellOpen(const std::string& path) override {
        log.push_back("open " + path);
        return true;
    }
    void OpenUnknownTypeDialog(ViewerWindow, const UrlHandle&) override { log.push_back("ask"); }
};

class ViewerDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetUrlSettings() = UrlSettings();
        std::string dir = scratch_.Path() + kPathSeparator;
        SetUrlCacheDirectory(dir.c_str());
        table_.AddBuiltInRows();
        (void)table_.AddEntry(kViewerProgram, "x-run/prog", "C:\\tools\\viewer.exe", "prg", nullptr, nullptr,
                              false);
        (void)table_.AddEntry(kViewerPlugin, "x-sample/thing", nullptr, "smp", "C:\\p\\np.dll", "Sample", false);
        SetViewerWindows(&rec_);
        SetViewerSystem(&rec_);
    }
    void TearDown() override {
        SetViewerWindows(nullptr);
        SetViewerSystem(nullptr);
        SetUrlCacheDirectory("");
        GetUrlSettings() = UrlSettings();
    }
    // A record as a loaded reply leaves it: type, kind and a cache file.
    UrlHandle Url(const char* name, const char* type, int kind = kTypeOther, bool loaded = true) {
        UrlHandle h(name, true);
        if (type) h->SetStoredContentType(type);
        h->SetContentKind(kind);
        h->SetLoadStatus(loaded ? kLoadLoaded : kLoadLoading);
        std::string file = "znt" + std::to_string(++files_) + ".tmp";
        testing_support::WriteWholeFile(scratch_.File(file), "data");
        h->SetFileName(file.c_str());
        h->SetStorage(kStoredInFile);
        return h;
    }
    testing_support::ScratchDir scratch_;
    ViewerTable table_;
    Recorder rec_;
    int files_ = 0;
};

TEST_F(ViewerDispatchTest, WhichEntryDecides) {
    const struct {
        const char* url;
        const char* type;
        bool trust;
        int action;
    } cases[] = {
        {"http://h.test/a.gif", "application/octet-stream", false, kViewerShow},  // the extension wins
        {"http://h.test/a.gif", "application/octet-stream", true, kViewerAsk},    // the server is trusted
        {"http://h.test/a.gif", "text/plain", false, kViewerShow},
        {"http://h.test/a.txt", "image/gif", false, kViewerShow},                 // a definite type stands
        {"http://h.test/a.pdf", "x-unknown/type", false, kViewerAsk},             // no entry, no look at .pdf
        {"http://h.test/a.prg", nullptr, false, kViewerProgram},
        {"http://h.test/noextension", nullptr, false, kViewerAsk},                // the "..." entry
        {"news:group.name", "application/octet-stream", false, kViewerShow},      // news is always shown
        {"http://h.test/doc.smp", nullptr, false, kViewerPlugin},
    };
    for (const auto& c : cases) {
        GetUrlSettings().trustServerTypes = c.trust;
        UrlHandle h = Url(c.url, c.type);
        ViewerChoice choice = LookupViewerForUrl(table_, *h.Record());
        EXPECT_EQ(choice.action, c.action) << c.url << " " << (c.type ? c.type : "-") << " trust " << c.trust;
    }
    UrlHandle plugin = Url("http://h.test/doc", "x-sample/thing");
    EXPECT_EQ(LookupViewerForUrl(table_, *plugin.Record()).handler, "C:\\p\\np.dll");
    UrlHandle program = Url("http://h.test/doc", "x-run/prog");
    EXPECT_EQ(LookupViewerForUrl(table_, *program.Record()).handler, "C:\\tools\\viewer.exe");
}

TEST_F(ViewerDispatchTest, ActionsAtStartAndAtLoadEnd) {
    const ViewerWindow w = 0x1234;
    struct Case {
        const char* name;
        const char* type;
        int kind;
        std::vector<std::string> atStart, atEnd;
    };
    std::string path = scratch_.Path() + kPathSeparator;
    const Case cases[] = {
        {"http://h.test/p.html", "text/html", kTypeHtml, {"show"}, {"show"}},
        {"http://h.test/p.zip", "application/zip", kTypeOther, {"ask"}, {"ask"}},
        {"http://h.test/p.smp", "x-sample/thing", kTypeOther, {"show with plug-in"}, {"show with plug-in"}},
        {"http://h.test/p.prg", "x-run/prog", kTypeOther, {}, {"run C:\\tools\\viewer.exe " + path + "znt", "finished"}},
        {"http://h.test/s.wav", "audio/x-wav", kTypeWav, {}, {"wav " + path + "znt", "finished"}},
        {"http://h.test/c.crt", "application/x-x509-ca-cert", kTypeCaCert, {}, {}},
    };
    for (const Case& c : cases) {
        rec_.pending.clear();
        rec_.handlers.clear();
        rec_.log.clear();
        UrlHandle loading = Url(c.name, c.type, c.kind, false);
        HandleDocumentStart(table_, w, loading);
        // The file names differ per record: compare up to their prefix.
        auto trimmed = [](std::vector<std::string> log) {
            for (std::string& s : log) {
                size_t znt = s.find("znt");
                if (znt != std::string::npos) s = s.substr(0, znt + 3);
            }
            return log;
        };
        EXPECT_EQ(trimmed(rec_.log), c.atStart) << c.name;
        rec_.log.clear();
        loading->SetLoadStatus(kLoadLoaded);
        HandleLoadedDocument(table_, w, loading);
        EXPECT_EQ(trimmed(rec_.log), c.atEnd) << c.name;
    }
}

TEST_F(ViewerDispatchTest, PendingChoicesSavingAndFailedPrograms) {
    const ViewerWindow w = 7;
    // A program that cannot start leaves the document pending.
    rec_.runSucceeds = false;
    UrlHandle h = Url("http://h.test/p.prg", "x-run/prog");
    HandleLoadedDocument(table_, w, h);
    ASSERT_EQ(rec_.log.size(), 1u);
    EXPECT_EQ(rec_.log[0].rfind("run ", 0), 0u);
    EXPECT_EQ(rec_.pending[w], kViewerProgram);

    // What the "Unknown type" dialog chose (pending) decides at load end.
    rec_.log.clear();
    rec_.runSucceeds = true;
    rec_.pending[w] = kViewerProgram;
    rec_.handlers[w] = "C:\\chosen.exe";
    UrlHandle zip = Url("http://h.test/p.zip", "application/zip");
    HandleLoadedDocument(table_, w, zip);
    ASSERT_FALSE(rec_.log.empty());
    EXPECT_EQ(rec_.log[0].rfind("run C:\\chosen.exe ", 0), 0u);

    // A window that is saving is not asked about its document.
    rec_.log.clear();
    rec_.pending.clear();
    rec_.saving = true;
    HandleDocumentStart(table_, w, Url("http://h.test/q.zip", "application/zip"));
    EXPECT_TRUE(rec_.log.empty());

    // Media marks give the bare name with ",HD" or ",CD".
    EXPECT_EQ(ProgramArgument("C:\\cache\\znt00001.mid", 1), "znt00001.mid,HD");
    EXPECT_EQ(ProgramArgument("C:\\cache\\znt00001.mid", 2), "znt00001.mid,CD");
    EXPECT_EQ(ProgramArgument("C:\\cache\\znt00001.mid", 0), "C:\\cache\\znt00001.mid");
    EXPECT_EQ(ProgramArgument("C:\\", 1), "C:\\,HD");
}

}  // namespace

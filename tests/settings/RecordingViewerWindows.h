// Document windows for the viewer decisions that record what they are asked,
// in order, instead of showing anything.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "settings/ViewerDispatch.h"

struct RecordingViewerWindows : ViewerWindows {
    std::map<ViewerWindow, int> pending;
    std::map<ViewerWindow, std::string> handlers;
    bool saving = false;
    std::vector<std::string> log;

    int PendingAction(ViewerWindow w) override { return pending.count(w) ? pending[w] : -1; }
    void SetPendingAction(ViewerWindow w, int a) override { pending[w] = a; }
    std::string PendingHandler(ViewerWindow w) override { return handlers[w]; }
    void SetPendingHandler(ViewerWindow w, const std::string& h) override { handlers[w] = h; }
    bool IsSaving(ViewerWindow) override { return saving; }
    void SetSaving(ViewerWindow, bool s) override { saving = s; }
    void SaveDocumentAs(ViewerWindow) override { log.push_back("save"); }
    void ShowInWindow(ViewerWindow, const UrlHandle&, bool plugin) override {
        log.push_back(plugin ? "show with plug-in" : "show");
    }
    void PlaySound(ViewerWindow, const std::string& path, bool midi) override {
        log.push_back(std::string(midi ? "midi " : "wav ") + path);
    }
    void SetLoadFinished(ViewerWindow) override { log.push_back("finished"); }
    void StopLoad(ViewerWindow w) override { log.push_back("stop " + std::to_string(w)); }
    void ViewerTableReplaced() override { log.push_back("table replaced"); }
};

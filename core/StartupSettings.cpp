#include "core/StartupSettings.h"

#include <strings.h>

#include "core/Preferences.h"

namespace {

int Setting(PrefInt setting, int absent) {
    return g_preferences ? g_preferences->Get(setting) : absent;
}

}  // namespace

bool ShowSplashScreen() {
    // Asked before LoadAll: read from the file, not the default.
    return g_preferences && g_preferences->ReadEarly(PrefInt::ShowSplashScreen) != 0;
}
bool ShowProblemDialog() {
    return Setting(PrefInt::ShowProblemDialog, 0) != 0;
}
bool LastRunEndedUncleanly() {
    return Setting(PrefInt::StateRun, 0) == 1;
}
bool ShowMenu() {
    return Setting(PrefInt::ShowMenu, 1) != 0;
}
int StatusLineMode() {
    return Setting(PrefInt::StatusLine, 0);
}
int ToolbarType() {
    return Setting(PrefInt::ToolbarType, 2);
}
bool SynchronousDnsLookup() {
    return Setting(PrefInt::SynchronousDnsLookup, 0) != 0;
}
int GoHomeTimeOutSeconds() {
    return Setting(PrefInt::GoHomeTimeOut, 0);
}

void WriteRunState(int running) {
    if (g_preferences) g_preferences->Set(PrefInt::StateRun, running);
}

void MarkFirstRunGreeted() {
    if (!g_preferences) return;
    char hello[16] = "";
    g_preferences->ReadString("INSTALL", "HELLO", "", hello, sizeof hello, g_preferences->IniPath());
    if (strcasecmp(hello, "YES") == 0)
        g_preferences->WriteString("INSTALL", "HELLO", "NO", g_preferences->IniPath());
}

namespace {
bool g_loadDocumentsAtStartup = true;
}

bool LoadDocumentsAtStartup() {
    return g_loadDocumentsAtStartup;
}

void ApplyProblemSolvingChoices(const ProblemSolvingChoices& c) {
    g_loadDocumentsAtStartup = !c.noDocumentsAtStart;
    if (!g_preferences) return;
    if (c.fewConnections) {
        g_preferences->SetForThisRun(PrefInt::MaxConnectionsServer, 4);
        g_preferences->SetForThisRun(PrefInt::MaxConnectionsTotal, 4);
    }
    if (c.smallNetworkBuffer) g_preferences->SetForThisRun(PrefInt::NetworkBufferSize, 1);
    g_preferences->SetForThisRun(PrefInt::SynchronousDnsLookup, c.synchronousDns ? 1 : 0);
}

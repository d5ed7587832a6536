// What start-up, the frame and the core dialogs read from and write to the
// preferences, in one place. Each call works without preferences (the
// defaults) so that a failed allocation never stops the program.
#pragma once
#include <cstdint>
#include <string>

bool ShowSplashScreen();
bool ShowProblemDialog();
bool LastRunEndedUncleanly();  // [STATE] RUN is still 1
bool ShowMenu();
int StatusLineMode();  // 0 off, 1 top, other: bottom
int ToolbarType();     // 0 off, 1 simple, other: full
bool SynchronousDnsLookup();
int GoHomeTimeOutSeconds();
// [STATE] RUN = 1 once running, 0 at an orderly end.
void WriteRunState(int running);
// [INSTALL] HELLO "YES" becomes "NO" after the first start.
void MarkFirstRunGreeted();

// Whether the saved windows load their documents at start (the
// problem-solving dialog can turn it off for one run).
bool LoadDocumentsAtStartup();

struct ProblemSolvingChoices {
    bool noDocumentsAtStart = false;
    bool fewConnections = false;
    bool smallNetworkBuffer = false;
    bool synchronousDns = false;
};
// For this run only: nothing is written to the ini file.
void ApplyProblemSolvingChoices(const ProblemSolvingChoices& choices);

// The program's command line: the ini file to use, the no-window start, the
// kiosk switches and the addresses to open once the frame is up.
#pragma once
#include <string>
#include <vector>

// The six kiosk flags (all 0 at start). Other parts consult them: full screen
// at start, and the settings a kiosk user may not change.
extern int KioskFullScreen;
extern int KioskNoChangeFullScreen;
extern int KioskNoChangeMenu;
extern int KioskNoChangeButtons;
extern int KioskNoSysMenu;
extern int KioskNoMinMaxButtons;

// At most this many addresses are taken from the command line.
constexpr int MaxStartUrls = 10;

struct CommandLineOptions {
    std::string iniFile;  // empty: the default "zintu.ini"
    bool noWindow = false;
    bool kioskFullScreen = false;
    bool kioskNoChangeFullScreen = false;
    bool kioskNoChangeMenu = false;
    bool kioskNoChangeButtons = false;
    bool kioskNoSysMenu = false;
    bool kioskNoMinMaxButtons = false;
    std::vector<std::string> urls;  // in order, at most MaxStartUrls
};

// An ini file name is a word of at least 5 characters whose last four are
// exactly ".ini" (case-sensitive, so "MY.INI" is an address).
bool IsIniFileName(const std::string& word);

// True when the first argument asks to undo the default-browser settings.
bool IsUninstallRequest(const std::vector<std::string>& args);

// Reads the words after the program name (args[0]).
CommandLineOptions ParseCommandLine(const std::vector<std::string>& args);

// Copies the options' kiosk switches into the global flags.
void ApplyKioskFlags(const CommandLineOptions& options);

// The addresses named on the command line, kept until the frame opens them.
extern std::vector<std::string> StartUrls;

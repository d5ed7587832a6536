#include "core/CommandLine.h"

#include <strings.h>

int KioskFullScreen = 0;
int KioskNoChangeFullScreen = 0;
int KioskNoChangeMenu = 0;
int KioskNoChangeButtons = 0;
int KioskNoSysMenu = 0;
int KioskNoMinMaxButtons = 0;

std::vector<std::string> StartUrls;

namespace {

bool SameWord(const std::string& word, const char* name) {
    return strcasecmp(word.c_str(), name) == 0;
}

bool StartsWith(const std::string& word, const char* prefix) {
    size_t n = std::char_traits<char>::length(prefix);
    return word.size() >= n && strncasecmp(word.c_str(), prefix, n) == 0;
}

}  // namespace

bool IsIniFileName(const std::string& word) {
    return word.size() >= 5 && word.compare(word.size() - 4, 4, ".ini") == 0;
}

bool IsUninstallRequest(const std::vector<std::string>& args) {
    return args.size() > 1 && SameWord(args[1], "/U_n_i_n_s_t_a_l_l");
}

CommandLineOptions ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineOptions o;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (IsIniFileName(word)) {
            o.iniFile = word;
        } else if (StartsWith(word, "/nowin")) {
            o.noWindow = true;
        } else if (StartsWith(word, "/e")) {
            break;  // the rest belongs to whoever started us (e.g. DDE)
        } else if (SameWord(word, "/k") || SameWord(word, "/KioskMode")) {
            o.kioskFullScreen = o.kioskNoChangeFullScreen = o.kioskNoChangeMenu = true;
            o.kioskNoChangeButtons = o.kioskNoSysMenu = o.kioskNoMinMaxButtons = true;
        } else if (SameWord(word, "/NoChangeFullScreen")) {
            o.kioskNoChangeFullScreen = true;
        } else if (SameWord(word, "/NoChangeMenu")) {
            o.kioskNoChangeMenu = true;
        } else if (SameWord(word, "/NoChangeButtons")) {
            o.kioskNoChangeButtons = true;
        } else if (SameWord(word, "/NoSysMenu")) {
            o.kioskNoSysMenu = true;
        } else if (SameWord(word, "/NoMinMaxButtons")) {
            o.kioskNoMinMaxButtons = true;
        } else if (o.urls.size() < static_cast<size_t>(MaxStartUrls)) {
            o.urls.push_back(word);
        }
    }
    return o;
}

void ApplyKioskFlags(const CommandLineOptions& o) {
    KioskFullScreen = o.kioskFullScreen;
    KioskNoChangeFullScreen = o.kioskNoChangeFullScreen;
    KioskNoChangeMenu = o.kioskNoChangeMenu;
    KioskNoChangeButtons = o.kioskNoChangeButtons;
    KioskNoSysMenu = o.kioskNoSysMenu;
    KioskNoMinMaxButtons = o.kioskNoMinMaxButtons;
}

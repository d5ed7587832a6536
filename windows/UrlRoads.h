// Which road a URL takes once it is to be opened: loaded by the program,
// run as a script, handed to an outside program (telnet, tn3270, the
// mailer), opened in a compose window, or refused. And what may go into an
// outside program's command line.
#pragma once
#include <string>

enum class UrlRoad {
    Load,          // the program loads it into a document window
    Script,        // a javascript: URL run for the window
    Telnet,        // ADV USER PREFS "TELNET APP" with the host
    Tn3270,        // ADV USER PREFS "TN3270 APP" with the host
    MailProgram,   // MAIL "EXTERNAL APPLICATION" with the URL
    MailCompose,   // a compose window for a mail message
    NewsCompose,   // a compose window for a news posting
    NeedsProxy,    // gopher and wais only go through a proxy (20076)
    External,      // a scheme the user trusts to the system's handler
    Unknown,       // refused (20003)
};

struct UrlRoadFacts {
    int scheme = 0;                // the record's scheme id
    bool proxyForScheme = false;   // a proxy is switched on and set for it
    bool scriptingOn = false;      // EXTENSIONS "SCRIPTING"
    bool carriesMailForm = false;  // a form to be sent by mail
    bool mailProgramSet = false;   // MAIL "EXTERNAL APPLICATION" is set
    bool trustedExternal = false;  // listed in "TrustedExternalURLProtocols"
};

UrlRoad ChooseUrlRoad(const UrlRoadFacts& facts);

// A host handed to a telnet program: letters, digits and ".-:[]" only (an
// address with its port or a bracketed IPv6 literal), so that a page cannot
// smuggle options or a second argument into the command line.
bool IsSafeOutsideHost(const std::string& host);
// Any argument of an outside program (it is always quoted): no '"', which
// would end the quotes, and no control characters.
bool IsSafeOutsideArgument(const std::string& argument);

// What a news or snews URL names, for choosing the window that shows it:
// 0 every group, 2 a group and 4 a group on a named server, 5 an article
// and 6 an article on a named server; -1 for an empty or other URL.
enum NewsUrlKind : int {
    kNewsAllGroups = 0,
    kNewsGroup = 2,
    kNewsServerGroup = 4,
    kNewsArticle = 5,
    kNewsServerArticle = 6,
};
int ClassifyNewsUrl(const std::string& text);

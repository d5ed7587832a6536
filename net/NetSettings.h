// The preferences the connections read, kept in one place so that the
// network layer needs no ini file of its own. Start-up's settings hand-over
// fills them whenever the preferences are read or changed, so a changed
// setting holds from the next connection on; tests set them directly. The
// values below are the program's defaults.
#pragma once
#include <cstdint>
#include <string>

struct NetSettings {
    int32_t maxConnectionsServer = 8;              // [PERFORMANCE] MAX CONNECTIONS SERVER
    int32_t maxConnectionsTotal = 20;              // [PERFORMANCE] MAX CONNECTIONS TOTAL
    bool synchronousDnsLookup = false;             // [PERFORMANCE] SYNCHRONOUS DNS LOOKUP
    int32_t networkBufferSize = 6;                 // [PERFORMANCE] NETWORK BUFFER SIZE, in KB
    bool enableHostnameExpansion = true;           // [ADV USER PREFS] ENABLE HOSTNAME EXPANSION
    bool checkLocalHostname = false;               // [ADV USER PREFS] CHECK LOCAL HOSTNAME
    std::string hostnameExpansionPrefix = "www";   // HOSTNAME EXPANSION PREFIX
    std::string hostnameExpansionPostfix = "com";  // HOSTNAME EXPANSION POSTFIX
    bool enableReferrer = true;                    // [USER PREFS] ENABLE REFERRER
    bool enableCookies = true;                     // [USER PREFS] ENABLE COOKIES
    // [MAIL] SERVER: the mail server mail goes to, "host" or "host:port"
    // (port 25 when none is given).
    std::string mailServer;
    std::string mailName;     // [MAIL] NAME: shown after the sender's address
    std::string mailAddress;  // [MAIL] ADDRESS: the sender of MAIL FROM
    // Wait before a failed connect is tried again.
    uint32_t connectRetryDelayMs = 5000;

    int32_t NetworkBufferBytes() const { return (networkBufferSize < 1 ? 1 : networkBufferSize) * 1024; }
};

NetSettings& GetNetSettings();

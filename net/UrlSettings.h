// The settings that URL loading and the disk cache consult, as plain values.
// Start-up's settings hand-over fills them when the preferences are read
// (and again when a setter changes one); tests set them directly. Defaults
// are those of a fresh ini. The connections' own settings (the network
// buffer among them) are in net/NetSettings.h.
#pragma once

#include <cstdint>
#include <string>

struct UrlSettings {
    // [DISK CACHE]
    bool cacheDocs = true;
    bool cacheFigs = true;
    bool cacheOther = true;
    uint32_t diskCacheSizeKb = 2000;  // at most 999999
    bool emptyOnExit = false;
    int docsModification = 2;  // 1 always, 2 after the expiry time, else never
    int figsModification = 2;
    int otherModification = 2;
    uint32_t docsExpirySeconds = 18000;
    uint32_t figsExpirySeconds = 18000;
    uint32_t otherExpirySeconds = 18000;
    // [CACHE]
    bool alwaysCheckRedirect = true;
    bool alwaysCheckRedirectImages = true;
    // [LINK] expiry: (days x 24 + hours) x 3600
    uint32_t linkExpirySeconds = (10 * 24 + 10) * 3600;
    bool offlineMode = false;
    bool trustServerTypes = false;
    int httpErrorStrategy = 2;
    bool allowPreAuthentication = true;
    bool absoluteFtpPath = false;
    // The cache folder as derived from CACHE DIRECTORY, and the user's folder.
    std::string cacheDirectory;
    std::string profileDirectory;
    // [STATE] RUN was still 1 at start: the last run did not end cleanly.
    bool lastRunUnclean = false;
    // Proxies (host[:port], empty when switched off) and the no-proxy test.
    std::string httpProxy;
    std::string ftpProxy;
    std::string gopherProxy;
    std::string waisProxy;
    bool (*isNoProxyHost)(const char* host) = nullptr;
};

UrlSettings& GetUrlSettings();

// "now" for the cache, visited links and reload policy: the program's
// coarse clock in seconds since 1970.
uint32_t UrlClockNow();
void SetUrlClock(uint32_t (*clock)());

// The platform's folder separator: cache paths are built with it.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

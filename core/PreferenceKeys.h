// The vocabulary of the ini file: every number and text setting with its
// section, key, default and the rule that bounds it. Preferences reads them in
// this order (the order matters only where a setting is derived from another:
// the user directory comes first). Settings marked ReadOnly have no setter;
// only the user edits them.
#pragma once
#include <cstddef>
#include <cstdint>

// How a number setting is bounded when it is read or set.
enum class IntRule : uint8_t {
    Int32,          // as read
    Int16,          // kept as a signed 16-bit number
    Byte,           // kept as its low byte
    History255,     // -255..255
    History999,     // -999..999
    Scale,          // rounded down to a multiple of 10, then 20..1000
    FontTagScale,   // 0..500
    PrinterScale,   // 20..400
    Margin,         // above 500 is taken as 100
    ErrorStrategy,  // 0, 1 or 2; anything else is 2
    GoHomeTimeOut,  // below 30 is 0 (off), above 6000 is 6000
    BoxTimeOut,     // outside 0..32 is 32
    AtLeast10,      // MAX ARTICLES
    Expiry99,       // 0..99
    ServerConnections,
    TotalConnections,
    NetworkBuffer,  // negative is 1, above 9999 is 9999
};

enum class Access : uint8_t { ReadWrite, ReadOnly };

// X(Name, section, key, default, rule, access)
#define ZINTU_INT_PREFERENCES(X)                                                                      \
    X(SaveWindows, "USER PREFS", "SAVE WINDOWS", 1, Int32, ReadWrite)                                 \
    X(ForceCd, "SYSTEM", "FORCE CD", 0, Int32, ReadOnly)                                              \
    X(AskSaveWindowsExit, "SYSTEM", "ASK SAVE WINDOWS EXIT", 1, Int32, ReadOnly)                      \
    X(NoProxyServersCheck, "PROXY", "NO PROXY SERVERS CHECK", 1, Int32, ReadWrite)                    \
    X(UseHttpProxy, "PROXY", "USE HTTP", 1, Int32, ReadWrite)                                         \
    X(UseHttpsProxy, "PROXY", "USE HTTPS", 0, Int32, ReadWrite)                                       \
    X(UseFtpProxy, "PROXY", "USE FTP", 1, Int32, ReadWrite)                                           \
    X(UseGopherProxy, "PROXY", "USE GOPHER", 1, Int32, ReadWrite)                                     \
    X(UseWaisProxy, "PROXY", "USE WAIS", 1, Int32, ReadWrite)                                         \
    X(MemoryCacheDocuments, "CACHE", "DOCUMENT", 500, Int16, ReadWrite)                               \
    X(MemoryCacheFigures, "CACHE", "FIGURE", 500, Int16, ReadWrite)                                   \
    X(ToolbarType, "USER PREFS", "TOOLBAR TYPE", 2, Int32, ReadWrite)                                 \
    X(ButtonType, "USER PREFS", "BUTTON TYPE", 0, Int32, ReadWrite)                                   \
    X(ButtonBorder, "USER PREFS", "BUTTON BORDER", 0, Int32, ReadWrite)                               \
    X(ButtonColor, "USER PREFS", "BUTTON COLOR", 1, Int32, ReadWrite)                                 \
    X(StatusLine, "USER PREFS", "STATUS LINE", 0, Int32, ReadWrite)                                   \
    X(MikroHelp, "USER PREFS", "MIKRO HELP", 2, Int32, ReadOnly)                                      \
    X(AutoTile, "USER PREFS", "AUTO TILE", 0, Int32, ReadWrite)                                       \
    X(NewWindow, "USER PREFS", "NEW WINDOW", 0, Int32, ReadWrite)                                     \
    X(LoadFigures, "USER PREFS", "LOAD FIGURES", 1, Int32, ReadWrite)                                 \
    X(ShowFigures, "USER PREFS", "SHOW FIGURES", 1, Int32, ReadWrite)                                 \
    X(PopupButtonHelp, "USER PREFS", "POPUP BUTTON HELP", 1, Int32, ReadWrite)                        \
    X(PopupLinkAddress, "USER PREFS", "POPUP LINK ADDRESS", 1, Int32, ReadWrite)                      \
    X(ShowClock, "USER PREFS", "SHOW CLOCK", 1, Int32, ReadWrite)                                     \
    X(DisplayLinkTitle, "USER PREFS", "DISPLAY LINK TITLE", 1, Int32, ReadWrite)                      \
    X(ShowProblemDialog, "USER PREFS", "SHOW PROBLEM DIALOG", 1, Int32, ReadOnly)                     \
    X(ShowExitDialog, "USER PREFS", "SHOW EXIT DIALOG", 1, Int32, ReadOnly)                           \
    X(ShowSplashScreen, "USER PREFS", "SHOW SPLASH SCREEN", 1, Int32, ReadOnly)                       \
    X(SecureNewsServer, "USER PREFS", "SECURE NEWS SERVER", 0, Int32, ReadWrite)                      \
    X(NewsSort, "NEWS", "SORT", 1, Int32, ReadWrite)                                                  \
    X(NewsGroupMode, "NEWS", "GROUP MODE", 1, Int32, ReadWrite)                                       \
    X(NewsArticleMode, "NEWS", "ARTICLE MODE", 1, Int32, ReadWrite)                                   \
    X(NewsForceWrapLines, "NEWS", "FORCEWRAP LINES", 1, Int32, ReadWrite)                             \
    X(LinkExpiryDays, "LINK", "EXPIRY", 10, Expiry99, ReadWrite)                                      \
    X(LinkExpiryHours, "LINK", "EXPIRY (HOURS)", 10, Expiry99, ReadWrite)                             \
    X(FontTagScale, "FONT TAG", "SCALE", 20, FontTagScale, ReadWrite)                                 \
    X(LinkColorOn, "LINK", "COLOR", 1, Int32, ReadWrite)                                              \
    X(LinkBold, "LINK", "BOLD", 0, Int32, ReadWrite)                                                  \
    X(LinkItalic, "LINK", "ITALIC", 0, Int32, ReadWrite)                                              \
    X(LinkUnderline, "LINK", "UNDERLINE", 0, Int32, ReadWrite)                                        \
    X(LinkStrikethrough, "LINK", "STRIKETHROUGH", 0, Int32, ReadWrite)                                \
    X(LinkFrame, "LINK", "FRAME", 0, Int32, ReadWrite)                                                \
    X(LinkForceImageFrame, "LINK", "FORCE IMAGE FRAME", 0, Int32, ReadWrite)                          \
    X(VisitedColorOn, "VISITED LINK", "COLOR", 1, Int32, ReadWrite)                                   \
    X(VisitedBold, "VISITED LINK", "BOLD", 0, Int32, ReadWrite)                                       \
    X(VisitedItalic, "VISITED LINK", "ITALIC", 0, Int32, ReadWrite)                                   \
    X(VisitedUnderline, "VISITED LINK", "UNDERLINE", 0, Int32, ReadWrite)                             \
    X(VisitedStrikethrough, "VISITED LINK", "STRIKETHROUGH", 0, Int32, ReadWrite)                     \
    X(VisitedFrame, "VISITED LINK", "FRAME", 0, Int32, ReadWrite)                                     \
    X(PrinterScale, "PRINTER", "SCALE", 100, PrinterScale, ReadWrite)                                 \
    X(MaxConnectionsServer, "PERFORMANCE", "MAX CONNECTIONS SERVER", 8, ServerConnections, ReadWrite) \
    X(MaxConnectionsTotal, "PERFORMANCE", "MAX CONNECTIONS TOTAL", 20, TotalConnections, ReadWrite)   \
    X(MaxDirectHistoryLines, "USER PREFS", "MAX DIRECT HISTORY LINES", 10, History255, ReadWrite)     \
    X(MaxWindowHistoryLines, "USER PREFS", "MAX WINDOW HISTORY LINES", 100, History255, ReadWrite)    \
    X(MaxGlobalHistoryLines, "USER PREFS", "MAX GLOBAL HISTORY LINES", -200, History999, ReadWrite)   \
    X(JpegDctMethod, "JPEG", "DCT METHOD", 0, Int32, ReadWrite)                                       \
    X(JpegDithering, "JPEG", "DITHERING", 0, Int32, ReadWrite)                                        \
    X(JpegPasses, "JPEG", "PASSES", 0, Int32, ReadWrite)                                              \
    X(JpegSmoothing, "JPEG", "SMOOTHING", 0, Int32, ReadWrite)                                        \
    X(UseDefaultMailtoProgram, "MAIL", "USE DEFAULT MAILTO PROGRAM", 0, Int32, ReadOnly)              \
    X(DiskCacheDocs, "DISK CACHE", "CACHE DOCS", 1, Int32, ReadWrite)                                 \
    X(DiskCacheFigs, "DISK CACHE", "CACHE FIGS", 1, Int32, ReadWrite)                                 \
    X(DiskCacheOther, "DISK CACHE", "CACHE OTHER", 1, Int32, ReadWrite)                               \
    X(MemoryCacheDocs, "CACHE", "CACHE DOCS", 1, Int32, ReadWrite)                                    \
    X(MemoryCacheFigs, "CACHE", "CACHE FIGS", 1, Int32, ReadWrite)                                    \
    X(EmptyCacheOnExit, "DISK CACHE", "EMPTY ON EXIT", 0, Int32, ReadWrite)                           \
    X(DocsModification, "DISK CACHE", "DOCS MODIFICATION", 2, Int32, ReadWrite)                       \
    X(FigsModification, "DISK CACHE", "FIGS MODIFICATION", 2, Int32, ReadWrite)                       \
    X(OtherModification, "DISK CACHE", "OTHER MODIFICATION", 2, Int32, ReadWrite)                     \
    X(DocsExpDays, "DISK CACHE", "DOCS EXP DAYS", 0, Int16, ReadWrite)                                \
    X(DocsExpHours, "DISK CACHE", "DOCS EXP HOURS", 5, Int16, ReadWrite)                              \
    X(DocsExpMinutes, "DISK CACHE", "DOCS EXP MINUTES", 0, Int16, ReadWrite)                          \
    X(FigsExpDays, "DISK CACHE", "FIGS EXP DAYS", 0, Int16, ReadWrite)                                \
    X(FigsExpHours, "DISK CACHE", "FIGS EXP HOURS", 5, Int16, ReadWrite)                              \
    X(FigsExpMinutes, "DISK CACHE", "FIGS EXP MINUTES", 0, Int16, ReadWrite)                          \
    X(OtherExpDays, "DISK CACHE", "OTHER EXP DAYS", 0, Int16, ReadWrite)                              \
    X(OtherExpHours, "DISK CACHE", "OTHER EXP HOURS", 5, Int16, ReadWrite)                            \
    X(OtherExpMinutes, "DISK CACHE", "OTHER EXP MINUTES", 0, Int16, ReadWrite)                        \
    X(SynchronousDnsLookup, "PERFORMANCE", "SYNCHRONOUS DNS LOOKUP", 0, Int32, ReadWrite)             \
    X(NetworkBufferSize, "PERFORMANCE", "NETWORK BUFFER SIZE", 6, NetworkBuffer, ReadWrite)           \
    X(HttpErrorStrategy, "PERFORMANCE", "HTTP ERROR STRATEGY", 2, ErrorStrategy, ReadWrite)           \
    X(LeftMargin, "PRINTER", "LEFT MARGIN", 100, Margin, ReadWrite)                                   \
    X(RightMargin, "PRINTER", "RIGHT MARGIN", 100, Margin, ReadWrite)                                 \
    X(TopMargin, "PRINTER", "TOP MARGIN", 100, Margin, ReadWrite)                                     \
    X(BottomMargin, "PRINTER", "BOTTOM MARGIN", 100, Margin, ReadWrite)                               \
    X(StartupType, "USER PREFS", "STARTUP TYPE", 0, Int32, ReadWrite)                                 \
    X(ShowMenu, "USER PREFS", "SHOW MENU", 1, Int32, ReadWrite)                                       \
    X(ShowProgressDialog, "USER PREFS", "SHOW PROGRESS DIALOG", 1, Int32, ReadWrite)                  \
    X(ShowScrollbars, "USER PREFS", "SHOW SCROLLBARS", 1, Int32, ReadWrite)                           \
    X(ShowWindowToolbars, "USER PREFS", "SHOW WINDOW TOOLBARS", 1, Int32, ReadWrite)                  \
    X(ShowWindowSize, "USER PREFS", "SHOW WINDOW SIZE", 0, Int32, ReadWrite)                          \
    X(Scale, "USER PREFS", "SCALE", 100, Scale, ReadWrite)                                            \
    X(SoundsEnabled, "SOUNDS", "ENABLED", 1, Int32, ReadWrite)                                        \
    X(GoHomeTimeOut, "SPECIAL", "GO HOME TIME OUT", 0, GoHomeTimeOut, ReadOnly)                       \
    X(BoxTimeOut, "SPECIAL", "BOX TIME OUT", 0, BoxTimeOut, ReadOnly)                                 \
    X(ClientPull, "USER PREFS", "CLIENT PULL", 1, Int32, ReadWrite)                                   \
    X(NewsShowThreads, "NEWS", "SHOW THREADS", 1, Int32, ReadWrite)                                   \
    X(NewsOpenThreads, "NEWS", "OPEN THREADS", 1, Int32, ReadWrite)                                   \
    X(NewsShowAllMessages, "NEWS", "SHOW ALL MESSAGES", 0, Int32, ReadOnly)                           \
    X(NewsShowAllGroups, "NEWS", "SHOW ALL GROUPS", 0, Int32, ReadOnly)                               \
    X(ShowAnimation, "MULTIMEDIA", "SHOW ANIMATION", 1, Int32, ReadWrite)                             \
    X(ShowVideo, "MULTIMEDIA", "SHOW VIDEO", 1, Int32, ReadWrite)                                     \
    X(PlayBackgroundSound, "MULTIMEDIA", "PLAY BACKGROUND SOUND", 1, Int32, ReadWrite)                \
    X(Frames, "EXTENSIONS", "FRAMES", 1, Int32, ReadWrite)                                            \
    X(FramesShowActive, "EXTENSIONS", "FRAMES SHOW ACTIVE", 0, Int32, ReadWrite)                      \
    X(Scripting, "EXTENSIONS", "SCRIPTING", 1, Int32, ReadWrite)                                      \
    X(Plugins, "EXTENSIONS", "PLUGINS", 1, Int32, ReadWrite)                                          \
    X(Security, "EXTENSIONS", "SECURITY", 1, Int32, ReadOnly)                                         \
    X(MaxArticles, "NEWS", "MAX ARTICLES", 500, AtLeast10, ReadWrite)                                 \
    X(EnableReferrer, "USER PREFS", "ENABLE REFERRER", 1, Int32, ReadWrite)                           \
    X(EnableCookies, "USER PREFS", "ENABLE COOKIES", 1, Int32, ReadWrite)                             \
    X(SmallNewsButtons, "USER INTERFACE", "SMALL NEWS BUTTONS", 1, Int32, ReadWrite)                  \
    X(SmallMailButtons, "USER INTERFACE", "SMALL MAIL BUTTONS", 1, Int32, ReadWrite)                  \
    X(SmallProgressButtons, "USER INTERFACE", "SMALL PROGRESS BUTTONS", 1, Int32, ReadWrite)          \
    X(CardnetPort, "CARDNET", "PORT", 0, Int32, ReadWrite)                                            \
    X(WordDiv, "PRESENTATION", "WORD DIV", 0, Int32, ReadOnly)                                        \
    X(ShowPrinterHeader, "PRINTING", "SHOW PRINTER HEADER", 1, Int32, ReadOnly)                       \
    X(ShowNewButton, "TOOLBAR", "SHOW NEW BUTTON", 1, Int32, ReadOnly)                                \
    X(ShowOpenButton, "TOOLBAR", "SHOW OPEN BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowSaveButton, "TOOLBAR", "SHOW SAVE BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowPrintButton, "TOOLBAR", "SHOW PRINT BUTTON", 1, Int32, ReadOnly)                            \
    X(ShowCopyButton, "TOOLBAR", "SHOW COPY BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowSearchButton, "TOOLBAR", "SHOW SEARCH BUTTON", 1, Int32, ReadOnly)                          \
    X(ShowPrevButton, "TOOLBAR", "SHOW PREV BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowReloadButton, "TOOLBAR", "SHOW RELOAD BUTTON", 1, Int32, ReadOnly)                          \
    X(ShowNextButton, "TOOLBAR", "SHOW NEXT BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowHomeButton, "TOOLBAR", "SHOW HOME BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowOpenUrlButton, "TOOLBAR", "SHOW OPEN URL BUTTON", 1, Int32, ReadOnly)                       \
    X(ShowHotListButton, "TOOLBAR", "SHOW HOT LIST BUTTON", 1, Int32, ReadOnly)                       \
    X(ShowAddHotListButton, "TOOLBAR", "SHOW ADD HOT LIST BUTTON", 1, Int32, ReadOnly)                \
    X(ShowTileButton, "TOOLBAR", "SHOW TILE BUTTON", 1, Int32, ReadOnly)                              \
    X(ShowCascadeButton, "TOOLBAR", "SHOW CASCADE BUTTON", 1, Int32, ReadOnly)                        \
    X(ShowSpecialButton, "TOOLBAR", "SHOW SPECIAL BUTTON", 1, Int32, ReadOnly)                        \
    X(IgnoreTarget, "USER PREFS", "IGNORE TARGET", 0, Int32, ReadWrite)                               \
    X(AlwaysCheckRedirect, "CACHE", "ALWAYS CHECK REDIRECT", 1, Int32, ReadWrite)                     \
    X(AlwaysCheckRedirectImages, "CACHE", "ALWAYS CHECK REDIRECT IMAGES", 1, Int32, ReadWrite)        \
    X(EnableDde, "USER PREFS", "Enable DDE", 1, Int32, ReadOnly)                                      \
    X(InvertActiveElement, "USER PREFS", "INVERT ACTIVE ELEMENT", 0, Int32, ReadWrite)                \
    X(TrustServerTypes, "USER PREFS", "TRUST SERVER TYPES", 0, Int32, ReadWrite)                      \
    X(StateRun, "STATE", "RUN", 0, Int32, ReadWrite)                                                  \
    X(WarnInsecureForm, "USER PREFS", "WARN INSECURE FORM", 1, Int32, ReadWrite)                      \
    X(AllowPreAuthentication, "USER", "ALLOW PRE AUTHENTICATION", 1, Int32, ReadOnly)                 \
    X(EnableHostnameExpansion, "ADV USER PREFS", "ENABLE HOSTNAME EXPANSION", 1, Int32, ReadWrite)    \
    X(CheckLocalHostname, "ADV USER PREFS", "CHECK LOCAL HOSTNAME", 0, Int32, ReadWrite)              \
    X(UiEnableLocalCss, "USER PREFS", "UI ENABLE LOCAL CSS", 1, Int32, ReadWrite)                     \
    X(UiEnableFont, "USER PREFS", "UI ENABLE FONT", 0, Int32, ReadWrite)                              \
    X(UiEnableColor, "USER PREFS", "UI ENABLE COLOR", 0, Int32, ReadWrite)                            \
    X(CssEnableLocal, "USER PREFS", "CSS ENABLE LOCAL", 1, Int32, ReadWrite)                          \
    X(CssEnableGlobal, "USER PREFS", "CSS ENABLE GLOBAL", 1, Int32, ReadWrite)                        \
    X(CssLocalOverride, "USER PREFS", "CSS LOCAL OVERRIDE", 0, Int32, ReadWrite)                      \
    X(CssEnableUserFont, "USER PREFS", "CSS ENABLE USER FONT", 0, Int32, ReadWrite)                   \
    X(UseAbsoluteFtpPath, "ADV USER PREFS", "USE ABSOLUTE FTP PATH", 0, Int32, ReadOnly)              \
    X(PrintBackground, "PRINTER", "PRINT BACKGROUND", 0, Int32, ReadWrite)                            \
    X(TablesEnabled, "USER PREFS", "TABLES ENABLED", 1, Int32, ReadWrite)                             \
    X(OfflineMode, "USER PREFS", "OFFLINE MODE", 0, Int32, ReadWrite)                                 \
    X(DocumentMode, "USER PREFS", "DOCUMENT MODE", 1, Byte, ReadWrite)                                \
    X(MenuGeneric, "MENU PREFS SETTINGS", "GENERIC", 1, Int32, ReadOnly)                              \
    X(MenuButton, "MENU PREFS SETTINGS", "BUTTON", 1, Int32, ReadOnly)                                \
    X(MenuDocument, "MENU PREFS SETTINGS", "DOCUMENT", 1, Int32, ReadOnly)                            \
    X(MenuAdvanced, "MENU PREFS SETTINGS", "ADVANCED", 1, Int32, ReadOnly)                            \
    X(MenuFont, "MENU PREFS SETTINGS", "FONT", 1, Int32, ReadOnly)                                    \
    X(MenuLinks, "MENU PREFS SETTINGS", "LINKS", 1, Int32, ReadOnly)                                  \
    X(MenuMultimedia, "MENU PREFS SETTINGS", "MULTIMEDIA", 1, Int32, ReadOnly)                        \
    X(MenuMail, "MENU PREFS SETTINGS", "MAIL", 1, Int32, ReadOnly)                                    \
    X(MenuNews, "MENU PREFS SETTINGS", "NEWS", 1, Int32, ReadOnly)                                    \
    X(MenuViewer, "MENU PREFS SETTINGS", "VIEWER", 1, Int32, ReadOnly)                                \
    X(MenuCache, "MENU PREFS SETTINGS", "CACHE", 1, Int32, ReadOnly)                                  \
    X(MenuProxy, "MENU PREFS SETTINGS", "PROXY", 1, Int32, ReadOnly)                                  \
    X(MenuSound, "MENU PREFS SETTINGS", "SOUND", 1, Int32, ReadOnly)                                  \
    X(MenuJpeg, "MENU PREFS SETTINGS", "JPEG", 1, Int32, ReadOnly)                                    \
    X(HelpWindowX, "HELP WINDOW", "X", 18, Int32, ReadWrite)                                          \
    X(HelpWindowY, "HELP WINDOW", "Y", 86, Int32, ReadWrite)                                          \
    X(HelpWindowWidth, "HELP WINDOW", "WIDTH", 530, Int32, ReadWrite)                                 \
    X(HelpWindowHeight, "HELP WINDOW", "HEIGHT", 388, Int32, ReadWrite)                               \
    X(WinSaveUseDefault, "TEMP", "WIN SAVE USE DEF", 1, Int32, ReadWrite)

// How a text setting is kept once read.
enum class TextRule : uint8_t {
    Plain,        // trimmed copy; empty stays empty
    Proxy,        // normalised to host[:port]; empty becomes null
    ProxyList,    // each entry normalised, joined with ","
    NullIfEmpty,  // sounds: kept only when not empty
    Derived,      // read here, then resolved by Preferences (paths, home URL)
};

// X(Name, section, key, buffer size, default, rule, access)
#define ZINTU_TEXT_PREFERENCES(X)                                                                            \
    X(ZintuDirectory, "USER PREFS", "ZINTU DIRECTORY", 100, "c:\\zintu", Derived, ReadWrite)                 \
    X(CacheDirectory, "USER PREFS", "CACHE DIRECTORY", 100, "", Derived, ReadOnly)                           \
    X(HelpDirectory, "USER PREFS", "HELP DIRECTORY", 100, "", Derived, ReadOnly)                             \
    X(WindowsStorageFile, "USER PREFS", "WINDOWS STORAGE FILE", 200, "", Derived, ReadWrite)                 \
    X(DirectHistoryFile, "USER PREFS", "DIRECT HISTORY FILE", 200, "", Derived, ReadOnly)                    \
    X(GlobalHistoryFile, "USER PREFS", "GLOBAL HISTORY FILE", 200, "", Derived, ReadOnly)                    \
    X(ButtonDirectory, "USER PREFS", "BUTTON DIRECTORY", 100, "", Plain, ReadWrite)                          \
    X(ButtonSet, "USER PREFS", "BUTTON SET", 100, "", Plain, ReadWrite)                                      \
    X(HomeUrl, "USER PREFS", "HOME URL", 100, "", Derived, ReadWrite)                                        \
    X(SpecialUrl, "USER PREFS", "SPECIAL URL", 100, "http://www.zintu.example/start.html", Plain, ReadOnly)  \
    X(HttpProxy, "PROXY", "HTTP SERVER", 100, "", Proxy, ReadWrite)                                          \
    X(HttpsProxy, "PROXY", "HTTPS SERVER", 100, "", Proxy, ReadWrite)                                        \
    X(FtpProxy, "PROXY", "FTP SERVER", 100, "", Proxy, ReadWrite)                                            \
    X(GopherProxy, "PROXY", "Gopher SERVER", 100, "", Proxy, ReadWrite)                                      \
    X(WaisProxy, "PROXY", "WAIS SERVER", 100, "", Proxy, ReadWrite)                                          \
    X(NoProxyServers, "PROXY", "NO PROXY SERVERS", 500, "", ProxyList, ReadWrite)                            \
    X(NewsServer, "USER PREFS", "NEWS SERVER", 100, "", Plain, ReadWrite)                                    \
    X(TelnetApp, "ADV USER PREFS", "TELNET APP", 100, "", Plain, ReadWrite)                                  \
    X(Tn3270App, "ADV USER PREFS", "TN3270 APP", 100, "", Plain, ReadWrite)                                  \
    X(HotListFile, "USER PREFS", "HOT LIST FILE VER2", 100, "", Derived, ReadWrite)                          \
    X(SystemHotListFile, "SYSTEM", "SYSTEM HOT LIST FILE", 100, "", Plain, ReadOnly)                         \
    X(MailServer, "MAIL", "SERVER", 200, "", Plain, ReadWrite)                                               \
    X(MailName, "MAIL", "NAME", 200, "", Plain, ReadWrite)                                                   \
    X(MailAddress, "MAIL", "ADDRESS", 200, "", Plain, ReadWrite)                                             \
    X(MailExternalApplication, "MAIL", "EXTERNAL APPLICATION", 200, "", Plain, ReadWrite)                    \
    X(MailSignatureFile, "MAIL", "SIGNATURE FILE", 400, "", Plain, ReadWrite)                                \
    X(MailOutFile, "MAIL", "MAIL OUT FILE", 256, "", Plain, ReadWrite)                                       \
    X(SourceViewer, "USER PREFS", "SOURCE VIEWER", 200, "write.exe", Plain, ReadWrite)                       \
    X(SoundStart, "SOUNDS", "START", 200, "None", NullIfEmpty, ReadWrite)                                    \
    X(SoundEnd, "SOUNDS", "END", 200, "None", NullIfEmpty, ReadWrite)                                        \
    X(SoundLoaded, "SOUNDS", "LOADED", 200, "None", NullIfEmpty, ReadWrite)                                  \
    X(SoundFailure, "SOUNDS", "FAILURE", 200, "None", NullIfEmpty, ReadWrite)                                \
    X(SoundClicked, "SOUNDS", "CLICKED", 200, "None", NullIfEmpty, ReadWrite)                                \
    X(FixedUrlsSearch, "FIXED URLS", "SEARCH", 200, "http://www.zintu.example/search.html", Plain, ReadOnly) \
    X(PersonalFirstName, "PERSONAL INFO", "FIRST NAME", 300, "", Plain, ReadWrite)                           \
    X(PersonalSurname, "PERSONAL INFO", "SURNAME", 300, "", Plain, ReadWrite)                                \
    X(PersonalAddress, "PERSONAL INFO", "ADDRESS", 300, "", Plain, ReadWrite)                                \
    X(PersonalCity, "PERSONAL INFO", "CITY", 300, "", Plain, ReadWrite)                                      \
    X(PersonalState, "PERSONAL INFO", "STATE", 300, "", Plain, ReadWrite)                                    \
    X(PersonalCountry, "PERSONAL INFO", "COUNTRY", 300, "", Plain, ReadWrite)                                \
    X(PersonalTelephone, "PERSONAL INFO", "TELEPHONE", 300, "", Plain, ReadWrite)                            \
    X(PersonalTelefax, "PERSONAL INFO", "TELEFAX", 300, "", Plain, ReadWrite)                                \
    X(PersonalEmail, "PERSONAL INFO", "EMAIL", 300, "", Plain, ReadWrite)                                    \
    X(PersonalHomePage, "PERSONAL INFO", "HOME PAGE", 300, "", Plain, ReadWrite)                             \
    X(PersonalSpecial1, "PERSONAL INFO", "SPECIAL 1", 300, "", Plain, ReadWrite)                             \
    X(PersonalSpecial2, "PERSONAL INFO", "SPECIAL 2", 300, "", Plain, ReadWrite)                             \
    X(PersonalSpecial3, "PERSONAL INFO", "SPECIAL 3", 300, "", Plain, ReadWrite)                             \
    X(ScriptAppName, "SPECIAL", "JAVASCRIPT APPNAME", 256, "Netscape", Plain, ReadOnly)                      \
    X(ScriptAppCodeName, "SPECIAL", "JAVASCRIPT APPCODENAME", 256, "Mozilla", Plain, ReadOnly)               \
    X(ScriptAppVersion, "SPECIAL", "JAVASCRIPT APPVERSION", 256, "3.0", Plain, ReadOnly)                     \
    X(HostnameExpansionPrefix, "ADV USER PREFS", "HOSTNAME EXPANSION PREFIX", 300, "www", Plain, ReadWrite)  \
    X(HostnameExpansionPostfix, "ADV USER PREFS", "HOSTNAME EXPANSION POSTFIX", 300, "com", Plain,           \
      ReadWrite)                                                                                             \
    X(LocalCssFile, "USER PREFS", "LOCAL CSS FILE", 300, "", Plain, ReadWrite)                               \
    X(CssSerif, "CSS GENERIC FONT FAMILY", "SERIF", 300, "", Plain, ReadWrite)                               \
    X(CssSansSerif, "CSS GENERIC FONT FAMILY", "SANS-SERIF", 300, "", Plain, ReadWrite)                      \
    X(CssCursive, "CSS GENERIC FONT FAMILY", "CURSIVE", 300, "", Plain, ReadWrite)                           \
    X(CssFantasy, "CSS GENERIC FONT FAMILY", "FANTASY", 300, "", Plain, ReadWrite)                           \
    X(CssMonospace, "CSS GENERIC FONT FAMILY", "MONOSPACE", 300, "", Plain, ReadWrite)                       \
    X(OpenDir, "SAVED SETTINGS", "OPEN DIR", 256, "", Derived, ReadWrite)                                    \
    X(SaveDir, "SAVED SETTINGS", "SAVE DIR", 256, "", Derived, ReadWrite)                                    \
    X(PluginPath, "USER PREFS", "PLUGIN PATH", 1999, "", Derived, ReadWrite)

#define ZINTU_PREFERENCE_NAME(Name, ...) Name,
enum class PrefInt : uint16_t { ZINTU_INT_PREFERENCES(ZINTU_PREFERENCE_NAME) Count };
enum class PrefText : uint16_t { ZINTU_TEXT_PREFERENCES(ZINTU_PREFERENCE_NAME) Count };
#undef ZINTU_PREFERENCE_NAME

struct IntKey {
    const char* section;
    const char* key;
    int defaultValue;
    IntRule rule;
    Access access;
};

struct TextKey {
    const char* section;
    const char* key;
    int bufferSize;
    const char* defaultValue;
    TextRule rule;
    Access access;
};

const IntKey& KeyOf(PrefInt setting);
const TextKey& KeyOf(PrefText setting);

// Applies the rule of a number setting to a value read or set.
int ApplyIntRule(IntRule rule, int value);

// Proxy server text reduced to host and port: white space dropped, a scheme
// ("http://") dropped, and the text cut at the first '/' after the host.
// Empty when nothing is left.
void NormalizeProxyServer(const char* text, char* out, size_t size);
// The NO PROXY SERVERS list: entries split at " \n\t,;", each normalised,
// joined with ",".
void NormalizeProxyList(const char* text, char* out, size_t size);
// Whether the host matches an entry of the list ('*' matches any run),
// ignoring case.
bool HostMatchesProxyList(const char* list, const char* host);
// Whether the URL's scheme (the text before its first "://", shorter than 64
// characters) is one of the comma-separated protocols (exact case).
bool IsSchemeInProtocolList(const char* protocols, const char* url);

// Button images: ids 0-19 are small images, 20-299 tool-bar buttons (six
// ids per button), 300 and above status images.
enum class ButtonImageKind : uint8_t { None, Small, Toolbar, Status };
struct ButtonImage {
    ButtonImageKind kind;
    int index;
};
constexpr int kToolbarButtonCount = 36;
constexpr int kStatusImageCount = 28;
constexpr int kSmallImageCount = 12;
extern const char* const kToolbarButtonNames[kToolbarButtonCount];
extern const char* const kStatusImageNames[kStatusImageCount];
extern const char* const kSmallImageNames[kSmallImageCount];
// Which image an id names; None for ids past the end of their tables.
ButtonImage ButtonImageForId(int id);

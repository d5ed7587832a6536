// The browser's settings, held in memory and kept in one ini file.
//
// Start-up makes the one global object with the ini name from the command
// line (or "zintu.ini"), then calls LoadAll once; every setting is read then,
// in a fixed order. Each setter stores the new value and writes its key at
// once, so the next start reads what was set. A second ini file named by
// [SYSTEM] SUPER INI overrides what is read (site-wide defaults) and is never
// written. Destroying the object writes [STATE] RUN=0: a 1 read at the next
// start means the last run did not end cleanly.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/PreferenceKeys.h"

enum class CacheKind : uint8_t { Docs, Figs, Other };

class Preferences {
public:
    // The ini file: a name other than "zintu.ini" (any case) is used as
    // given; "zintu.ini" means the copy beside the program when one exists,
    // else the bare name (which the system looks for in the Windows folder).
    explicit Preferences(const char* iniName);
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // Reads every setting once, the user directory and its derived paths first.
    void LoadAll();

    // The ini file primitives. Reads ask the override file first: a number
    // other than 32767 or a non-empty text there is the answer.
    int ReadInt(const char* section, const char* key, int defaultValue, const char* iniPath) const;
    int ReadString(const char* section, const char* key, const char* defaultValue, char* buffer, int size,
                   const char* iniPath) const;
    // Writes go to the given file only, never to the override file. A null
    // text is written as the empty string.
    void WriteInt(const char* section, const char* key, int value, const char* iniPath) const;
    void WriteString(const char* section, const char* key, const char* value, const char* iniPath) const;

    const char* IniPath() const { return iniPath_.c_str(); }
    // The override file, or null.
    const char* OverridePath() const { return overridePath_.empty() ? nullptr : overridePath_.c_str(); }

    // Number settings: the value as bounded by its rule.
    int Get(PrefInt setting) const { return ints_[static_cast<size_t>(setting)]; }
    // Reads one setting from the file ahead of LoadAll, for the few that
    // start-up needs before everything is read (the splash screen).
    int ReadEarly(PrefInt setting);
    // Bounds, stores and writes the value; false (nothing changes) for a
    // read-only setting.
    bool Set(PrefInt setting, int value);
    // Changes the running program only (the status-line mode of this run, the
    // choices of the problem-solving dialog); nothing is written.
    void SetForThisRun(PrefInt setting, int value);

    // Text settings: the kept (trimmed, normalised) text, or null.
    const char* Get(PrefText setting) const { return texts_[static_cast<size_t>(setting)]; }
    // Writes the value as given and keeps it as the reader would; false for a
    // read-only setting and for a null or empty SOURCE VIEWER.
    bool Set(PrefText setting, const char* value);

    // Derived settings.
    const char* GetUserDirectory() const { return Get(PrefText::ZintuDirectory); }
    const char* GetHttpProxy() const { return ProxyIfUsed(PrefText::HttpProxy, PrefInt::UseHttpProxy); }
    const char* GetFtpProxy() const { return ProxyIfUsed(PrefText::FtpProxy, PrefInt::UseFtpProxy); }
    const char* GetGopherProxy() const { return ProxyIfUsed(PrefText::GopherProxy, PrefInt::UseGopherProxy); }
    const char* GetWaisProxy() const { return ProxyIfUsed(PrefText::WaisProxy, PrefInt::UseWaisProxy); }
    // The HTTPS proxy for a host: null unless asked, USE HTTPS is 1, a server
    // is set and the host is not excluded by NO PROXY SERVERS.
    const char* GetSecureProxyForHost(const char* host, int asked) const;
    // Whether an HTTP proxy should be skipped for the host.
    bool IsHostExcludedFromProxy(const char* host) const;
    int IsTrustedExternalProtocol(const char* url);
    const char* GetPluginPath() const { return Get(PrefText::PluginPath); }
    // The window-history limit: 0 when the setting is negative.
    int GetMaxWindowHistory() const;
    int GetMaxWindowHistorySigned() const { return Get(PrefInt::MaxWindowHistoryLines); }
    // LOAD FIGURES and SHOW FIGURES from an image mode 1, 2 or 3.
    void SetImageMode(int mode);
    // [CACHE] DOCUMENT and FIGURE, in thousands of bytes: written together and
    // handed to the memory manager as its budgets.
    void SetMemoryCacheSizes(int documentKilobytes, int figureKilobytes);
    uint32_t GetDocumentBudget() const;
    uint32_t GetImageBudget() const;
    // The disk cache size in kilobytes (SIZE and SIZE H), below 1000000.
    uint32_t GetDiskCacheSize() const { return diskCacheSize_; }
    void SetDiskCacheSize(uint32_t kilobytes);
    // Expiry of a kind of cached file in seconds, from its days, hours, minutes.
    uint32_t GetExpirySeconds(CacheKind kind) const;
    // How long a visited link stays visited, in seconds.
    uint32_t GetVisitedLinkLifetime() const;
    // The home URL as used (a relative path becomes a file URL on the CD).
    const char* GetHomeUrl() const { return Get(PrefText::HomeUrl); }
    char GetCdDriveLetter() const { return cdDrive_; }
    // Store the folder of a file that was opened or saved; a path without a
    // backslash (or only a leading one) changes nothing.
    void SetOpenDirFromFile(const char* path) { SetDirFromFile(PrefText::OpenDir, path); }
    void SetSaveDirFromFile(const char* path) { SetDirFromFile(PrefText::SaveDir, path); }
    // [TEMP] WIN SAVE NAME into the caller's buffer (default: the storage file).
    int ReadWinSaveName(char* buffer, int size) const;
    void WriteWinSaveName(const char* name) const;

    // Colours.
    COLORREF GetLinkColor() const { return linkColor_; }
    COLORREF GetVisitedLinkColor() const { return visitedColor_; }
    COLORREF GetBackgroundColor() const { return backgroundColor_; }
    // The colour in use: the ini's, unless changed for this run.
    COLORREF GetBackgroundInUse() const { return backgroundInUse_; }
    void SetLinkColor(COLORREF color);
    void SetVisitedLinkColor(COLORREF color);
    void SetBackgroundColor(COLORREF color);
    void SetBackgroundInUse(COLORREF color) { backgroundInUse_ = color; }
    // RED, GREEN and BLUE of a section.
    COLORREF ReadColorKeys(const char* section, COLORREF defaultColor) const;
    void WriteColorKeys(const char* section, COLORREF color) const;

    // The main window's placement: the normal rectangle and show command
    // (1, a normal window, in kiosk mode).
    void ReadWindowPlacement(RECT* normal, int* showCmd, bool kiosk) const;
    // Writes the frame window's placement when SAVE WINDOWS is 1 or forced.
    void SaveWindowPlacement(HWND frame, bool force) const;

    // Button images of the button set (null when there is no set or the id
    // names no image) and the button size.
    HBITMAP GetButtonBitmap(int id) const;
    int GetButtonWidth() const { return buttonWidth_; }
    int GetButtonHeight() const { return buttonHeight_; }
    // [OPTIONS] OnMouseOver, WhenDisabled and WhenEnabled of the button set.
    int GetButtonOnMouseOver() const { return buttonOptions_[0]; }
    int GetButtonWhenDisabled() const { return buttonOptions_[1]; }
    int GetButtonWhenEnabled() const { return buttonOptions_[2]; }

    // Text styles: a FONT.<name> section with the fields of a LOGFONT and a
    // COLOR.<name> section per style id (0-6 program styles, 268-273 and 283
    // H1-H6 and PRE, 20220-20225 the user interface). Defaults follow the
    // display's resolution, measured once per run. ReadFont answers false
    // (and leaves the record) for a style without a font section.
    bool ReadFont(int styleId, LOGFONTA* font) const;
    void WriteFont(int styleId, const LOGFONTA& font) const;
    // The style's colour; 0 for a style without a colour section.
    COLORREF ReadColor(int styleId) const;
    void WriteColor(int styleId, COLORREF color) const;
    // Makes the user-interface fonts and brushes (part of LoadAll).
    void LoadUiObjects();
    HFONT GetUiFont() const { return uiFont_; }
    HFONT GetUiDisabledFont() const { return uiDisabledFont_; }
    HBRUSH GetUiBackgroundBrush() const { return uiBackgroundBrush_; }
    HBRUSH GetProgressBrush() const { return progressBrush_; }
    HBRUSH GetButtonBackgroundBrush() const { return buttonBackgroundBrush_; }
    COLORREF GetUiColor() const { return uiColor_; }
    COLORREF GetUiDisabledColor() const { return uiDisabledColor_; }
    COLORREF GetUiBackgroundColor() const { return uiBackgroundColor_; }
    COLORREF GetProgressColor() const { return progressColor_; }
    COLORREF GetButtonBackgroundColor() const { return buttonBackgroundColor_; }
    // Each writes its style and replaces its font or brush at once.
    void SetUiFont(const LOGFONTA& font);
    void SetUiDisabledFont(const LOGFONTA& font);
    void SetUiColor(COLORREF color);
    void SetUiDisabledColor(COLORREF color);
    void SetUiBackgroundColor(COLORREF color);
    void SetButtonBackgroundColor(COLORREF color);
    void SetProgressColor(COLORREF color);

    // The viewer table's keys. [FILE TYPES SECTION INFO] VERSION of the
    // user's file.
    int GetFileTypesVersion() const;
    void SetFileTypesVersion(int version) const;
    // Reads [FILE TYPES] of the user's or the override file whole as
    // "key=value\0...\0" (following its "#include" keys), however long its
    // lines; empty when it has none. An old [FILE TYPES] VERSION marker
    // becomes [FILE TYPES SECTION INFO] VERSION=1 in the user's file (the
    // override file is never written).
    std::string ReadFileTypesSection(const char* iniFile) const;
    // [FILE TYPES] <key>="action,a,b,c,d" (empty for null texts).
    void WriteFileTypeEntry(const char* key, int action, const char* a, const char* b, const char* c,
                            const char* d) const;
    // Deletes [FILE TYPES] and the sections "FILE TYPE 0" to "FILE TYPE 99".
    void ClearFileTypes() const;
    struct FileTypeEntry {
        int action;
        char mimeType[100];
        char program[200];
        char extensions[100];
    };
    // One entry from a section of its own (ACTION -1 and empty texts by default).
    void ReadFileTypeEntry(const char* section, FileTypeEntry* entry) const;

    // The coarse clock (seconds since 1970), refreshed by the frame's timer.
    uint32_t GetClock() const;
    void RefreshClock();

    // The program's own file name, taken once.
    const char* GetProgramPath();

    // [STATE] RUN was still 1 when LoadAll read it: the last run did not end
    // cleanly.
    bool LastRunWasUnclean() const { return lastRunUnclean_; }

    // What the listener hears: every setting read (LoadAll), one changed by a
    // setter, the disk cache size changed, or the object going away.
    enum class Change : uint8_t { Loaded, Changed, DiskCacheSize, Gone };
    // The one listener of the settings, installed by start-up (null removes
    // it): the lower layers keep plain copies of what they consult and never
    // read the preferences themselves. It is called on the object's own
    // thread, after the change is stored.
    using Listener = void (*)(const Preferences& preferences, Change change);
    static void SetListener(Listener listener);

private:
    void Tell(Change change) const;
    const char* ProxyIfUsed(PrefText server, PrefInt use) const;
    void ReadIntSetting(PrefInt setting);
    void ReadTextSetting(PrefText setting);
    void KeepText(PrefText setting, const char* value);
    void StoreText(PrefText setting, const char* value);
    std::string JoinUserDirectory(const char* name) const;
    void DeriveUserDirectory();
    void DerivePaths();
    void DeriveDirectory(PrefText setting, const char* name);
    void DeriveStorageFile(PrefText setting, const char* name);
    void DeriveCdDrive();
    void DeriveHomeUrl();
    void DerivePluginPath();
    void DeriveSavedDir(PrefText setting);
    void ReadDiskCacheSize();
    void LoadButtonSet();
    void FreeButtonBitmaps();
    void SetDirFromFile(PrefText setting, const char* path);
    void FreeUiObjects();
    void ReplaceFont(HFONT* font, int styleId, const LOGFONTA& record);
    void ReplaceBrush(HBRUSH* brush, COLORREF* kept, int styleId, COLORREF color);
    void MeasureButtonLabels();

    std::string iniPath_;
    std::string overridePath_;
    std::string programPath_;
    std::vector<int> ints_;
    std::vector<char*> texts_;
    uint32_t diskCacheSize_ = 2000;
    char cdDrive_ = 'D';
    COLORREF linkColor_ = RGB(0, 0, 255);
    COLORREF visitedColor_ = RGB(0, 0, 128);
    COLORREF backgroundColor_ = 0;
    COLORREF backgroundInUse_ = 0;
    bool trustedLoaded_ = false;
    bool lastRunUnclean_ = false;
    std::string trustedProtocols_;
    std::string buttonSetFile_;
    int buttonWidth_ = 26;
    int buttonHeight_ = 22;
    int buttonOptions_[3] = {};
    std::vector<HBITMAP> toolbarBitmaps_;
    std::vector<HBITMAP> statusBitmaps_;
    std::vector<HBITMAP> smallBitmaps_;
    HFONT uiFont_ = nullptr;
    HFONT uiDisabledFont_ = nullptr;
    HBRUSH uiBackgroundBrush_ = nullptr;
    HBRUSH progressBrush_ = nullptr;
    HBRUSH buttonBackgroundBrush_ = nullptr;
    COLORREF uiColor_ = 0;
    COLORREF uiDisabledColor_ = 0;
    COLORREF uiBackgroundColor_ = 0;
    COLORREF progressColor_ = 0;
    COLORREF buttonBackgroundColor_ = 0;
};

// Text style ids of the user interface.
constexpr int kStyleUi = 20220;
constexpr int kStyleUiBackground = 20221;
constexpr int kStyleUiDisabled = 20222;
constexpr int kStyleUiProgress = 20223;
constexpr int kStyleUiButtonBackground = 20224;
constexpr int kStyleHotlistTree = 20225;

// The one preferences object, made by start-up; null before and after.
extern Preferences* g_preferences;

// Opens a data file in the user directory (cookies.dat, dcache.url, ...); null
// without preferences, without a user directory, or when it cannot be opened.
FILE* OpenProfileDataFile(const char* name, const char* mode);

#include "core/Preferences.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "core/CoarseClock.h"
#include "core/DirectoryPath.h"
#include "core/MemoryManager.h"
#include "core/RecordFile.h"
#include "core/StringHelpers.h"
#include "core/TextRoutines.h"

Preferences* g_preferences = nullptr;

namespace {

Preferences::Listener g_listener = nullptr;

const char kDefaultIniName[] = "zintu.ini";
const char kFallbackUserDirectory[] = "c:\\zintu";
// An override file cannot set a number to this: it means "not set there".
constexpr int kOverrideUnset = 32767;

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileOpens(const char* path, const char* mode) {
    FILE* f = std::fopen(path, mode);
    if (!f) return false;
    std::fclose(f);
    return true;
}

// A number key as GetPrivateProfileIntA reads it (leading digits with an
// optional sign; text without digits is 0), but with negative values kept on
// every system: several keys have negative defaults and ranges.
int ReadIniNumber(const char* section, const char* key, int defaultValue, const char* iniPath) {
    char text[32];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, iniPath);
    if (!text[0]) return defaultValue;
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

int ClampColorPart(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

}  // namespace

Preferences::Preferences(const char* iniName)
    : ints_(static_cast<size_t>(PrefInt::Count), 0), texts_(static_cast<size_t>(PrefText::Count), nullptr) {
    const char* name = iniName && *iniName ? iniName : kDefaultIniName;
    if (_stricmp(name, kDefaultIniName) != 0) {
        iniPath_ = name;
    } else {
        // The folder of the program itself, not of whatever the command line
        // claims the program is.
        std::string beside = FolderOf(GetProgramPath());
        beside = beside.empty() ? std::string() : beside + "\\" + kDefaultIniName;
        iniPath_ = !beside.empty() && FileOpens(beside.c_str(), "r") ? beside : kDefaultIniName;
    }
    RefreshCoarseClock();
    for (size_t i = 0; i < ints_.size(); ++i) ints_[i] = KeyOf(static_cast<PrefInt>(i)).defaultValue;
    char superIni[100];
    GetPrivateProfileStringA("SYSTEM", "SUPER INI", "", superIni, sizeof superIni, iniPath_.c_str());
    TrimInPlace(superIni);
    overridePath_ = superIni;
}

Preferences::~Preferences() {
    WriteInt("STATE", "RUN", 0, iniPath_.c_str());
    Tell(Change::Gone);
    for (char*& text : texts_) FreeStringField(&text);
    FreeButtonBitmaps();
    FreeUiObjects();
}

void Preferences::SetListener(Listener listener) {
    g_listener = listener;
}

void Preferences::Tell(Change change) const {
    if (g_listener) g_listener(*this, change);
}

void Preferences::LoadAll() {
    std::vector<bool> intDone(ints_.size()), textDone(texts_.size());
    auto readInt = [&](PrefInt s) {
        ReadIntSetting(s);
        intDone[static_cast<size_t>(s)] = true;
    };
    auto readText = [&](PrefText s) {
        ReadTextSetting(s);
        textDone[static_cast<size_t>(s)] = true;
    };
    readInt(PrefInt::SaveWindows);
    // The user directory first: most paths are derived from it; FORCE CD
    // before HOME URL and PLUGIN PATH, which depend on it.
    readInt(PrefInt::ForceCd);
    DeriveUserDirectory();
    DerivePaths();
    for (PrefText s : {PrefText::ZintuDirectory, PrefText::CacheDirectory, PrefText::HelpDirectory,
                       PrefText::WindowsStorageFile, PrefText::DirectHistoryFile, PrefText::GlobalHistoryFile,
                       PrefText::HotListFile, PrefText::HomeUrl, PrefText::PluginPath, PrefText::OpenDir,
                       PrefText::SaveDir}) {
        textDone[static_cast<size_t>(s)] = true;
    }
    readText(PrefText::ButtonDirectory);
    readText(PrefText::ButtonSet);
    for (size_t i = 0; i < texts_.size(); ++i) {
        if (!textDone[i]) readText(static_cast<PrefText>(i));
    }
    for (size_t i = 0; i < ints_.size(); ++i) {
        if (!intDone[i]) readInt(static_cast<PrefInt>(i));
    }
    linkColor_ = ReadColorKeys("LINK", RGB(0, 0, 255));
    visitedColor_ = ReadColorKeys("VISITED LINK", RGB(0, 0, 128));
    backgroundColor_ = ReadColorKeys("BACKGROUND", GetSysColor(COLOR_WINDOW));
    backgroundInUse_ = backgroundColor_;
    ReadDiskCacheSize();
    LoadUiObjects();
    LoadButtonSet();
    MeasureButtonLabels();
    lastRunUnclean_ = Get(PrefInt::StateRun) == 1;
    Tell(Change::Loaded);
}

int Preferences::ReadInt(const char* section, const char* key, int defaultValue, const char* iniPath) const {
    if (!overridePath_.empty()) {
        int value = ReadIniNumber(section, key, kOverrideUnset, overridePath_.c_str());
        if (value != kOverrideUnset) return value;
    }
    return ReadIniNumber(section, key, defaultValue, iniPath);
}

int Preferences::ReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            int size, const char* iniPath) const {
    if (!buffer || size <= 0) return 0;
    if (!overridePath_.empty()) {
        DWORD got = GetPrivateProfileStringA(section, key, "", buffer, static_cast<DWORD>(size),
                                             overridePath_.c_str());
        if (got > 0) return static_cast<int>(got);
    }
    return static_cast<int>(GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "", buffer,
                                                     static_cast<DWORD>(size), iniPath));
}

void Preferences::WriteInt(const char* section, const char* key, int value, const char* iniPath) const {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, iniPath);
}

void Preferences::WriteString(const char* section, const char* key, const char* value,
                              const char* iniPath) const {
    WritePrivateProfileStringA(section, key, value ? value : "", iniPath);
}

bool Preferences::Set(PrefInt setting, int value) {
    const IntKey& key = KeyOf(setting);
    if (key.access == Access::ReadOnly) return false;
    int kept = ApplyIntRule(key.rule, value);
    ints_[static_cast<size_t>(setting)] = kept;
    WriteInt(key.section, key.key, kept, iniPath_.c_str());
    Tell(Change::Changed);
    return true;
}

void Preferences::SetForThisRun(PrefInt setting, int value) {
    ints_[static_cast<size_t>(setting)] = ApplyIntRule(KeyOf(setting).rule, value);
    Tell(Change::Changed);
}

bool Preferences::Set(PrefText setting, const char* value) {
    const TextKey& key = KeyOf(setting);
    if (key.access == Access::ReadOnly) return false;
    if (setting == PrefText::SourceViewer && (!value || !*value)) return false;
    WriteString(key.section, key.key, value, iniPath_.c_str());
    switch (setting) {
        case PrefText::ZintuDirectory:
            DeriveUserDirectory();
            DerivePaths();
            break;
        case PrefText::HomeUrl:
            DeriveHomeUrl();
            break;
        case PrefText::PluginPath:
            DerivePluginPath();
            break;
        case PrefText::WindowsStorageFile:
            DeriveStorageFile(setting, "zintu.win");
            break;
        case PrefText::OpenDir:
        case PrefText::SaveDir:
            DeriveSavedDir(setting);
            break;
        case PrefText::HotListFile:
            KeepText(setting, value);
            if (!*Get(setting)) StoreText(setting, JoinUserDirectory("zintu.adr").c_str());
            break;
        default:
            KeepText(setting, value);
            break;
    }
    Tell(Change::Changed);
    return true;
}

int Preferences::ReadEarly(PrefInt setting) {
    ReadIntSetting(setting);
    return Get(setting);
}

void Preferences::ReadIntSetting(PrefInt setting) {
    const IntKey& key = KeyOf(setting);
    int value = ReadInt(key.section, key.key, key.defaultValue, iniPath_.c_str());
    ints_[static_cast<size_t>(setting)] = ApplyIntRule(key.rule, value);
}

void Preferences::ReadTextSetting(PrefText setting) {
    const TextKey& key = KeyOf(setting);
    std::vector<char> buffer(static_cast<size_t>(key.bufferSize));
    ReadString(key.section, key.key, key.defaultValue, buffer.data(), key.bufferSize, iniPath_.c_str());
    KeepText(setting, buffer.data());
}

void Preferences::KeepText(PrefText setting, const char* value) {
    char*& field = texts_[static_cast<size_t>(setting)];
    switch (KeyOf(setting).rule) {
        case TextRule::Proxy:
        case TextRule::ProxyList: {
            std::vector<char> normal(static_cast<size_t>(KeyOf(setting).bufferSize) + 1);
            if (KeyOf(setting).rule == TextRule::Proxy) {
                NormalizeProxyServer(value, normal.data(), normal.size());
            } else {
                NormalizeProxyList(value, normal.data(), normal.size());
            }
            SetStringField(&field, normal.data());
            break;
        }
        case TextRule::NullIfEmpty: {
            char* trimmed = StrDupTrimmed(value);
            SetStringField(&field, trimmed);
            std::free(trimmed);
            break;
        }
        case TextRule::Plain:
        case TextRule::Derived: {
            char* trimmed = StrDupTrimmed(value ? value : "");
            FreeStringField(&field);
            field = trimmed;
            break;
        }
    }
}

void Preferences::StoreText(PrefText setting, const char* value) {
    SetStringFieldAlways(&texts_[static_cast<size_t>(setting)], value);
}

std::string Preferences::JoinUserDirectory(const char* name) const {
    const char* directory = GetUserDirectory();
    if (!directory || !*directory) return name;
    std::string joined(directory);
    if (joined.back() != '\\') joined += '\\';
    return joined + name;
}

void Preferences::DeriveUserDirectory() {
    ReadTextSetting(PrefText::ZintuDirectory);
    const char* wanted = Get(PrefText::ZintuDirectory);
    if (wanted && *wanted && CreateDirectoryPath(wanted)) return;
    if (CreateDirectoryPath(kFallbackUserDirectory)) {
        StoreText(PrefText::ZintuDirectory, kFallbackUserDirectory);
    } else {
        FreeStringField(&texts_[static_cast<size_t>(PrefText::ZintuDirectory)]);
    }
}

void Preferences::DerivePaths() {
    DeriveDirectory(PrefText::CacheDirectory, "CACHE");
    DeriveCdDrive();
    DeriveDirectory(PrefText::HelpDirectory, "HELP");
    DeriveStorageFile(PrefText::WindowsStorageFile, "zintu.win");
    DeriveStorageFile(PrefText::DirectHistoryFile, "zintu.dir");
    DeriveStorageFile(PrefText::GlobalHistoryFile, "global.dat");
    ReadTextSetting(PrefText::HotListFile);
    if (!*Get(PrefText::HotListFile))
        StoreText(PrefText::HotListFile, JoinUserDirectory("zintu.adr").c_str());
    DeriveHomeUrl();
    DerivePluginPath();
    DeriveSavedDir(PrefText::OpenDir);
    DeriveSavedDir(PrefText::SaveDir);
}

void Preferences::DeriveDirectory(PrefText setting, const char* name) {
    ReadTextSetting(setting);
    const char* value = Get(setting);
    if (*value && CreateDirectoryPath(value)) return;
    StoreText(setting, JoinUserDirectory(name).c_str());
}

void Preferences::DeriveStorageFile(PrefText setting, const char* name) {
    ReadTextSetting(setting);
    const char* value = Get(setting);
    if (*value && FileOpens(value, "a+")) return;
    StoreText(setting, JoinUserDirectory(name).c_str());
}

void Preferences::DeriveCdDrive() {
    cdDrive_ = 'D';
    if (!Get(PrefInt::ForceCd)) return;
    std::string program = GetProgramPath();
    if (program.size() > 3 && GetDriveTypeA(program.substr(0, 3).c_str()) == DRIVE_CDROM) {
        cdDrive_ = program[0];
        return;
    }
    for (char drive = 'Z'; drive >= 'A'; --drive) {
        char root[4] = {drive, ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_CDROM) {
            cdDrive_ = drive;
            return;
        }
    }
}

void Preferences::DeriveHomeUrl() {
    ReadTextSetting(PrefText::HomeUrl);
    const char* value = Get(PrefText::HomeUrl);
    if (Get(PrefInt::ForceCd) && *value && !std::strchr(value, ':')) {
        std::string url = std::string("file://localhost/") + cdDrive_ + ":\\" + value;
        StoreText(PrefText::HomeUrl, url.c_str());
    }
}

void Preferences::DerivePluginPath() {
    ReadTextSetting(PrefText::PluginPath);
    std::string path = Get(PrefText::PluginPath);
    if (path.empty()) {
        const char* directory = GetUserDirectory();
        path = directory && *directory ? JoinUserDirectory("plugins") : "c:\\zintu\\plugins";
    }
    if (Get(PrefInt::ForceCd)) {
        for (size_t i = 1; i < path.size(); ++i) {
            if (path[i] == ':') path[i - 1] = cdDrive_;
        }
    }
    StoreText(PrefText::PluginPath, path.c_str());
}

void Preferences::DeriveSavedDir(PrefText setting) {
    ReadTextSetting(setting);
    const char* directory = GetUserDirectory();
    if (!*Get(setting) && directory) StoreText(setting, directory);
}

void Preferences::ReadDiskCacheSize() {
    uint32_t low = static_cast<uint32_t>(ReadInt("DISK CACHE", "SIZE", 2000, iniPath_.c_str())) & 0xFFFF;
    uint32_t high = static_cast<uint32_t>(ReadInt("DISK CACHE", "SIZE H", 0, iniPath_.c_str())) & 0xFFFF;
    uint32_t size = high * 65536 + low;
    diskCacheSize_ = size >= 1000000 ? 999999 : size;
}

void Preferences::SetDiskCacheSize(uint32_t kilobytes) {
    diskCacheSize_ = kilobytes >= 1000000 ? 999999 : kilobytes;
    WriteInt("DISK CACHE", "SIZE", static_cast<int>(diskCacheSize_ & 0xFFFF), iniPath_.c_str());
    WriteInt("DISK CACHE", "SIZE H", static_cast<int>(diskCacheSize_ >> 16), iniPath_.c_str());
    Tell(Change::DiskCacheSize);
}

uint32_t Preferences::GetExpirySeconds(CacheKind kind) const {
    static const PrefInt kKeys[3][3] = {
        {PrefInt::DocsExpDays, PrefInt::DocsExpHours, PrefInt::DocsExpMinutes},
        {PrefInt::FigsExpDays, PrefInt::FigsExpHours, PrefInt::FigsExpMinutes},
        {PrefInt::OtherExpDays, PrefInt::OtherExpHours, PrefInt::OtherExpMinutes},
    };
    const PrefInt* keys = kKeys[static_cast<int>(kind)];
    long long minutes = (static_cast<long long>(Get(keys[0])) * 24 + Get(keys[1])) * 60 + Get(keys[2]);
    return minutes <= 0 ? 0 : static_cast<uint32_t>(minutes * 60);
}

uint32_t Preferences::GetVisitedLinkLifetime() const {
    return static_cast<uint32_t>((Get(PrefInt::LinkExpiryDays) * 24 + Get(PrefInt::LinkExpiryHours)) * 3600);
}

void Preferences::SetMemoryCacheSizes(int documentKilobytes, int figureKilobytes) {
    Set(PrefInt::MemoryCacheDocuments, documentKilobytes);
    Set(PrefInt::MemoryCacheFigures, figureKilobytes);
    if (g_memoryManager) {
        g_memoryManager->SetDocumentBudget(GetDocumentBudget());
        g_memoryManager->SetImageBudget(GetImageBudget());
    }
}

uint32_t Preferences::GetDocumentBudget() const {
    int thousands = Get(PrefInt::MemoryCacheDocuments);
    return thousands > 0 ? static_cast<uint32_t>(thousands) * 1000 : 0;
}

uint32_t Preferences::GetImageBudget() const {
    int thousands = Get(PrefInt::MemoryCacheFigures);
    return thousands > 0 ? static_cast<uint32_t>(thousands) * 1000 : 0;
}

int Preferences::GetMaxWindowHistory() const {
    int value = Get(PrefInt::MaxWindowHistoryLines);
    return value < 0 ? 0 : value;
}

void Preferences::SetImageMode(int mode) {
    if (mode < 1 || mode > 3) return;
    Set(PrefInt::LoadFigures, mode == 3 ? 1 : 0);
    Set(PrefInt::ShowFigures, mode == 1 ? 0 : 1);
}

const char* Preferences::ProxyIfUsed(PrefText server, PrefInt use) const {
    return Get(use) == 1 ? Get(server) : nullptr;
}

bool Preferences::IsHostExcludedFromProxy(const char* host) const {
    return Get(PrefInt::NoProxyServersCheck) == 1 &&
           HostMatchesProxyList(Get(PrefText::NoProxyServers), host);
}

const char* Preferences::GetSecureProxyForHost(const char* host, int asked) const {
    const char* server = Get(PrefText::HttpsProxy);
    if (!asked || Get(PrefInt::UseHttpsProxy) != 1 || !server) return nullptr;
    return IsHostExcludedFromProxy(host) ? nullptr : server;
}

int Preferences::IsTrustedExternalProtocol(const char* url) {
    if (!trustedLoaded_) {
        char buffer[512];
        ReadString("USER PREFS", "TrustedExternalURLProtocols", "", buffer, sizeof buffer, iniPath_.c_str());
        trustedProtocols_ = buffer;
        trustedLoaded_ = true;
    }
    return IsSchemeInProtocolList(trustedProtocols_.c_str(), url) ? 1 : 0;
}

void Preferences::SetDirFromFile(PrefText setting, const char* path) {
    if (!path) return;
    const char* slash = std::strrchr(path, '\\');
    if (!slash || slash == path) return;
    std::string folder(path, slash);
    Set(setting, folder.c_str());
}

int Preferences::ReadWinSaveName(char* buffer, int size) const {
    return ReadString("TEMP", "WIN SAVE NAME", Get(PrefText::WindowsStorageFile), buffer, size,
                      iniPath_.c_str());
}

void Preferences::WriteWinSaveName(const char* name) const {
    WriteString("TEMP", "WIN SAVE NAME", name, iniPath_.c_str());
}

COLORREF Preferences::ReadColorKeys(const char* section, COLORREF defaultColor) const {
    const char* path = iniPath_.c_str();
    int red = ClampColorPart(ReadInt(section, "RED", GetRValue(defaultColor), path));
    int green = ClampColorPart(ReadInt(section, "GREEN", GetGValue(defaultColor), path));
    int blue = ClampColorPart(ReadInt(section, "BLUE", GetBValue(defaultColor), path));
    return RGB(red, green, blue);
}

void Preferences::WriteColorKeys(const char* section, COLORREF color) const {
    WriteInt(section, "RED", GetRValue(color), iniPath_.c_str());
    WriteInt(section, "GREEN", GetGValue(color), iniPath_.c_str());
    WriteInt(section, "BLUE", GetBValue(color), iniPath_.c_str());
}

void Preferences::SetLinkColor(COLORREF color) {
    linkColor_ = color;
    WriteColorKeys("LINK", color);
}

void Preferences::SetVisitedLinkColor(COLORREF color) {
    visitedColor_ = color;
    WriteColorKeys("VISITED LINK", color);
}

void Preferences::SetBackgroundColor(COLORREF color) {
    backgroundColor_ = backgroundInUse_ = color;
    WriteColorKeys("BACKGROUND", color);
}

void Preferences::ReadWindowPlacement(RECT* normal, int* showCmd, bool kiosk) const {
    const char* path = iniPath_.c_str();
    normal->left = ReadInt("WINDOW", "LEFT", 0, path);
    normal->top = ReadInt("WINDOW", "TOP", 0, path);
    normal->right = ReadInt("WINDOW", "RIGHT", 620, path);
    normal->bottom = ReadInt("WINDOW", "BOTTOM", 450, path);
    *showCmd = kiosk ? SW_SHOWNORMAL : ReadInt("WINDOW", "SHOWCMD", 3, path);
}

void Preferences::SaveWindowPlacement(HWND frame, bool force) const {
    if (!force && Get(PrefInt::SaveWindows) != 1) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!frame || !GetWindowPlacement(frame, &placement)) return;
    const char* path = iniPath_.c_str();
    WriteInt("WINDOW", "LEFT", placement.rcNormalPosition.left, path);
    WriteInt("WINDOW", "TOP", placement.rcNormalPosition.top, path);
    WriteInt("WINDOW", "RIGHT", placement.rcNormalPosition.right, path);
    WriteInt("WINDOW", "BOTTOM", placement.rcNormalPosition.bottom, path);
    WriteInt("WINDOW", "MINX", placement.ptMinPosition.x, path);
    WriteInt("WINDOW", "MINY", placement.ptMinPosition.y, path);
    WriteInt("WINDOW", "MAXX", placement.ptMaxPosition.x, path);
    WriteInt("WINDOW", "MAXY", placement.ptMaxPosition.y, path);
    WriteInt("WINDOW", "SHOWCMD", static_cast<int>(placement.showCmd), path);
}

void Preferences::LoadButtonSet() {
    FreeButtonBitmaps();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const char* name : kSmallImageNames) smallBitmaps_.push_back(LoadBitmapA(instance, name));
    const char* directory = Get(PrefText::ButtonDirectory);
    const char* set = Get(PrefText::ButtonSet);
    if (!directory || !*directory || !set || !*set) {
        buttonSetFile_.clear();
        return;
    }
    buttonSetFile_ = std::string(directory) + "\\" + set;
    const char* file = buttonSetFile_.c_str();
    buttonWidth_ = ReadInt("OPTIONS", "Width", 26, file);
    buttonHeight_ = ReadInt("OPTIONS", "Height", 22, file);
    buttonOptions_[0] = ReadInt("OPTIONS", "OnMouseOver", 0, file);
    buttonOptions_[1] = ReadInt("OPTIONS", "WhenDisabled", 0, file);
    buttonOptions_[2] = ReadInt("OPTIONS", "WhenEnabled", 0, file);
    auto load = [&](const char* name) -> HBITMAP {
        char value[127];
        ReadString("BUTTONS", name, "", value, sizeof value, file);
        if (!*value) return nullptr;
        std::string path = std::string(directory) + "\\" + value;
        return static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    };
    for (const char* name : kToolbarButtonNames) toolbarBitmaps_.push_back(load(name));
    for (const char* name : kStatusImageNames) statusBitmaps_.push_back(load(name));
}

void Preferences::FreeButtonBitmaps() {
    for (auto* list : {&toolbarBitmaps_, &statusBitmaps_, &smallBitmaps_}) {
        for (HBITMAP bitmap : *list) {
            if (bitmap) DeleteObject(bitmap);
        }
        list->clear();
    }
}

HBITMAP Preferences::GetButtonBitmap(int id) const {
    ButtonImage image = ButtonImageForId(id);
    const std::vector<HBITMAP>* list = nullptr;
    switch (image.kind) {
        case ButtonImageKind::None:
            return nullptr;
        case ButtonImageKind::Small:
            list = &smallBitmaps_;
            break;
        case ButtonImageKind::Toolbar:
            list = &toolbarBitmaps_;
            break;
        case ButtonImageKind::Status:
            list = &statusBitmaps_;
            break;
    }
    return static_cast<size_t>(image.index) < list->size() ? (*list)[static_cast<size_t>(image.index)]
                                                           : nullptr;
}

uint32_t Preferences::GetClock() const {
    return CoarseClockNow();
}

void Preferences::RefreshClock() {
    RefreshCoarseClock();
}

const char* Preferences::GetProgramPath() {
    if (programPath_.empty()) {
        char path[MAX_PATH + 1] = {};
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        programPath_.assign(path, length < MAX_PATH ? length : MAX_PATH);
    }
    return programPath_.c_str();
}

FILE* OpenProfileDataFile(const char* name, const char* mode) {
    if (!g_preferences) return nullptr;
    return OpenRecordFileIn(g_preferences->GetUserDirectory(), name, mode);
}

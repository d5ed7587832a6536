#include "core/Win32Utilities.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <io.h>
#include <vector>

namespace {

HMENU Submenu(HMENU menu, int position) {
    return GetSubMenu(menu, position);
}

int ColourCount(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed) return static_cast<int>(h.biClrUsed);
    return h.biBitCount <= 8 ? 1 << h.biBitCount : 0;
}

size_t DibSize(const BITMAPINFO* dib) {
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    size_t stride = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
    size_t bits = h.biSizeImage ? h.biSizeImage : stride * static_cast<size_t>(std::abs(h.biHeight));
    return h.biSize + ColourCount(h) * sizeof(RGBQUAD) + bits;
}

void GreyPixels(BITMAPINFO* dib) {
    BITMAPINFOHEADER& h = dib->bmiHeader;
    int colours = ColourCount(h);
    if (colours > 0 && colours <= 256) {
        for (int i = 0; i < colours; ++i) {
            RGBQUAD& q = dib->bmiColors[i];
            q.rgbRed = q.rgbGreen = q.rgbBlue = GreyOf(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        return;
    }
    BYTE* bits = reinterpret_cast<BYTE*>(dib) + h.biSize + colours * sizeof(RGBQUAD);
    size_t stride = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
    for (int y = 0; y < std::abs(h.biHeight); ++y) {
        BYTE* row = bits + y * stride;
        for (int x = 0; x < h.biWidth; ++x) {
            if (h.biBitCount == 16) {
                WORD* p = reinterpret_cast<WORD*>(row) + x;
                BYTE r = (*p >> 10) & 31, g = (*p >> 5) & 31, b = *p & 31;
                WORD grey = GreyOf(r, g, b);
                *p = static_cast<WORD>((grey << 10) | (grey << 5) | grey);
            } else if (h.biBitCount == 24) {
                BYTE* p = row + 3 * x;
                p[0] = p[1] = p[2] = GreyOf(p[2], p[1], p[0]);
            }
        }
    }
}

}  // namespace

bool IsNetworkDrivePath(const char* path) {
    if (!path || !*path) return false;
    char drive[_MAX_DRIVE] = "";
    _splitpath(path, drive, nullptr, nullptr, nullptr);
    if (!*drive) return false;
    char root[8];
    snprintf(root, sizeof root, "%s\\", drive);
    return GetDriveTypeA(root) == DRIVE_REMOTE;
}

bool FileExists(const char* path) {
    // File attributes work for every path length the system allows; the
    // old file-open call stopped at 127 characters.
    return path && *path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsFileWritable(const char* path) {
    return _access(path, 6) == 0 || errno == ENOENT;
}

HMENU FindMenuWithCommand(HMENU menu, UINT commandId) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = Submenu(menu, i)) {
            if (HMENU found = FindMenuWithCommand(sub, commandId)) return found;
        } else if (GetMenuItemID(menu, i) == commandId) {
            return menu;
        }
    }
    return nullptr;
}

HMENU FindParentMenu(HMENU menu, HMENU submenu, int* position) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = Submenu(menu, i);
        if (!sub) continue;
        if (sub == submenu) {
            if (position) *position = i;
            return menu;
        }
        if (HMENU found = FindParentMenu(sub, submenu, position)) return found;
    }
    return nullptr;
}

bool MenuContainsSubmenu(HMENU menu, HMENU submenu) {
    return FindParentMenu(menu, submenu, nullptr) != nullptr;
}

int FindMenuItemPosition(HMENU menu, UINT commandId) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (!Submenu(menu, i) && GetMenuItemID(menu, i) == commandId) return i;
    return -1;
}

int EnableMenuCommand(HMENU menu, UINT commandId, bool enable) {
    HMENU holder = FindMenuWithCommand(menu, commandId);
    if (!holder) return -1;
    int position = FindMenuItemPosition(holder, commandId);
    return EnableMenuItem(holder, position, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
}

SIZE GetWindowSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void DeleteGdiObject(HGDIOBJ* object) {
    if (object && *object) {
        DeleteObject(*object);
        *object = nullptr;
    }
}

BOOL CenterWindow(HWND window, HWND over) {
    if (!over) over = GetWindow(window, GW_OWNER);
    RECT area;
    if (over)
        GetWindowRect(over, &area);
    else
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SIZE s = GetWindowSize(window);
    int x = area.left + (area.right - area.left - s.cx) / 2;
    int y = area.top + (area.bottom - area.top - s.cy) / 2;
    int maxX = GetSystemMetrics(SM_CXSCREEN) - s.cx, maxY = GetSystemMetrics(SM_CYSCREEN) - s.cy;
    x = x > maxX ? maxX : x;
    y = y > maxY ? maxY : y;
    x = x < 0 ? 0 : x;
    y = y < 0 ? 0 : y;
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

bool IsActiveMdiChildMaximized(HWND mdiClient) {
    BOOL maximized = FALSE;
    SendMessageA(mdiClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized));
    return maximized != FALSE;
}

bool GetFavoritesFolder(std::string* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return false;
    char value[MAX_PATH] = "";
    DWORD size = sizeof value - 1, type = 0;
    bool ok = RegQueryValueExA(key, "Favorites", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                  ERROR_SUCCESS &&
              type == REG_SZ;
    RegCloseKey(key);
    if (ok) *path = value;
    return ok;
}

int ReadIniSectionWithIncludes(const char* section, char* out, int size, const char* iniFile,
                               bool allowIncludes) {
    if (!out || size < 3) return 0;
    std::vector<char> keys(size);
    DWORD got = GetPrivateProfileStringA(section, nullptr, "", keys.data(), size, iniFile);
    if (static_cast<int>(got) >= size - 2) return 0;  // the key list did not fit
    int used = 0;
    for (const char* key = keys.data(); *key; key += strlen(key) + 1) {
        char value[521];
        DWORD length = GetPrivateProfileStringA(section, key, "", value, sizeof value, iniFile);
        if (length > 519) return 0;
        if (allowIncludes && *value && strcmp(key, "#include") == 0) {
            int part = ReadIniSectionWithIncludes(value, out + used, size - used, iniFile, false);
            if (part == 0 && IniSectionHasKeys(iniFile, value)) return 0;
            if (part > 0) used += part - 1;  // drop its closing zero
            continue;
        }
        int entry = static_cast<int>(strlen(key) + 1 + length + 1);
        if (used + entry >= size - 1) return 0;
        used += snprintf(out + used, size - used, "%s=%s", key, value) + 1;
    }
    out[used] = '\0';
    if (used == 0) out[1] = '\0';
    return used == 0 ? 0 : used + 1;
}

namespace {

// A value (or, with no key, the key list) of any length: the buffer grows
// until what is read leaves room to spare, so nothing was cut.
std::string WholeProfileString(const char* section, const char* key, const char* iniFile) {
    constexpr DWORD kLargest = 64u << 20;
    for (DWORD size = 1024;; size *= 2) {
        std::vector<char> buffer(size);
        DWORD got = GetPrivateProfileStringA(section, key, "", buffer.data(), size, iniFile);
        // A cut value answers size - 1, a cut key list size - 2.
        if (got + 2 < size) return std::string(buffer.data(), got);
        if (size >= kLargest) return std::string();
    }
}

}  // namespace

std::string ReadWholeIniSection(const char* section, const char* iniFile, bool allowIncludes) {
    std::string out;
    if (!section || !iniFile || !*iniFile) return out;
    const std::string keys = WholeProfileString(section, nullptr, iniFile);
    for (size_t at = 0; at < keys.size(); at += strlen(keys.c_str() + at) + 1) {
        const char* key = keys.c_str() + at;
        if (!*key) continue;
        std::string value = WholeProfileString(section, key, iniFile);
        if (allowIncludes && !value.empty() && strcmp(key, "#include") == 0) {
            out += ReadWholeIniSection(value.c_str(), iniFile, false);
            continue;
        }
        out.append(key).append(1, '=').append(value).append(1, '\0');
    }
    return out;
}

bool IniSectionHasKeys(const char* iniFile, const char* section) {
    char keys[4] = "";
    GetPrivateProfileStringA(section, nullptr, "", keys, sizeof keys, iniFile);
    return keys[0] != '\0';
}

void* LoadResourceCopy(HINSTANCE instance, const char* name, const char* type, DWORD* size) {
    HRSRC found = FindResourceA(instance, name, type);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD length = found ? SizeofResource(instance, found) : 0;
    if (!bytes || !length) return nullptr;
    void* copy = malloc(length);
    if (!copy) return nullptr;
    memcpy(copy, bytes, length);
    if (size) *size = length;
    return copy;
}

std::string FormatWindowsVersion(DWORD platform, DWORD major, DWORD minor) {
    char text[64];
    if (platform == VER_PLATFORM_WIN32s)
        snprintf(text, sizeof text, "Win32s %lu.%lu", major, minor);
    else if (platform == VER_PLATFORM_WIN32_WINDOWS && major == 4 && minor == 0)
        snprintf(text, sizeof text, "Windows 95");
    else if (platform == VER_PLATFORM_WIN32_WINDOWS && major == 4 && minor == 10)
        snprintf(text, sizeof text, "Windows 98");
    else if (platform == VER_PLATFORM_WIN32_WINDOWS)
        snprintf(text, sizeof text, "Windows %lu.%lu", major, minor);
    else
        snprintf(text, sizeof text, "Windows NT %lu.%lu", major, minor);
    return text;
}

char* GetWindowsVersionText(char* out) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    snprintf(out, 64, "%s",
             FormatWindowsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion).c_str());
    return out;
}

bool SetClipboardBlock(HWND owner, UINT format, HGLOBAL block) {
    if (!block || !OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool set = SetClipboardData(format, block) != nullptr;
    CloseClipboard();
    return set;
}

bool CopyTextToClipboard(HWND owner, const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    if (!block) return false;
    char* bytes = static_cast<char*>(GlobalLock(block));
    if (bytes) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    }
    if (bytes && SetClipboardBlock(owner, CF_TEXT, block)) return true;
    GlobalFree(block);
    return false;
}

HGLOBAL CreateDibFromBitmap(HBITMAP bitmap, DWORD compression, HPALETTE palette) {
    if (compression == BI_BITFIELDS) return nullptr;
    if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    BITMAP bm;
    if (!GetObjectA(bitmap, sizeof bm, &bm)) return nullptr;
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = bm.bmWidth;
    h.biHeight = bm.bmHeight;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    h.biCompression = compression;
    int colours = h.biBitCount <= 8 ? 1 << h.biBitCount : 0;
    size_t head = sizeof h + colours * sizeof(RGBQUAD);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, head);
    if (!block) return nullptr;
    HDC screen = GetDC(nullptr);
    HPALETTE old = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
    auto* info = static_cast<BITMAPINFO*>(GlobalLock(block));
    info->bmiHeader = h;
    bool ok = GetDIBits(screen, bitmap, 0, h.biHeight, nullptr, info, DIB_RGB_COLORS) != 0;
    DWORD image = info->bmiHeader.biSizeImage;
    if (!image) image = ((h.biWidth * h.biBitCount + 31) / 32) * 4 * h.biHeight;
    GlobalUnlock(block);
    HGLOBAL grown = ok ? GlobalReAlloc(block, head + image, GMEM_MOVEABLE) : nullptr;
    if (grown) {
        block = grown;
        info = static_cast<BITMAPINFO*>(GlobalLock(block));
        ok = GetDIBits(screen, bitmap, 0, h.biHeight, reinterpret_cast<BYTE*>(info) + head, info,
                       DIB_RGB_COLORS) != 0;
        GlobalUnlock(block);
    } else {
        ok = false;
    }
    SelectPalette(screen, old, FALSE);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

BYTE GreyOf(BYTE r, BYTE g, BYTE b) {
    return static_cast<BYTE>(std::sqrt((r * r + g * g + b * b) / 3.0));
}

void DrawDibWithPalette(HDC dc, const BITMAPINFO* dib) {
    if (!dib) return;
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    int colours = ColourCount(h);
    HPALETTE palette = nullptr, old = nullptr;
    // Greying works on a copy: the caller's bitmap keeps its colours for the
    // next time it is drawn enabled.
    size_t size = DibSize(dib);
    std::vector<BYTE> copy(reinterpret_cast<const BYTE*>(dib), reinterpret_cast<const BYTE*>(dib) + size);
    auto* grey = reinterpret_cast<BITMAPINFO*>(copy.data());
    UINT usage = DIB_RGB_COLORS;
    if ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) && colours > 0 && colours <= 256) {
        std::vector<BYTE> block(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(colours);
        for (int i = 0; i < colours; ++i) {
            const RGBQUAD& q = dib->bmiColors[i];
            BYTE g = GreyOf(q.rgbRed, q.rgbGreen, q.rgbBlue);
            COLORREF nearest = GetNearestColor(dc, PALETTERGB(g, g, g));
            logical->palPalEntry[i] = {GetRValue(nearest), GetGValue(nearest), GetBValue(nearest), 0};
        }
        palette = CreatePalette(logical);
        old = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
        GreyPixels(grey);
    } else {
        GreyPixels(grey);
    }
    const BYTE* bits = copy.data() + h.biSize + colours * sizeof(RGBQUAD);
    SetDIBitsToDevice(dc, 0, 0, h.biWidth, std::abs(h.biHeight), 0, 0, 0, std::abs(h.biHeight), bits, grey,
                      usage);
    if (palette) {
        SelectPalette(dc, old, TRUE);
        DeleteObject(palette);
    }
}

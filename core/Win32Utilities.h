// Small window-system helpers used across the program: menus, files, window
// placement, ini sections, resources, the Windows version text and
// device-independent bitmaps.
#pragma once
#include <windows.h>

#include <string>

bool IsNetworkDrivePath(const char* path);
// Whether the file or folder exists (any length of path).
bool FileExists(const char* path);
// Whether the file can be opened for reading and writing, or does not exist.
bool IsFileWritable(const char* path);

// Depth-first: the menu or submenu that directly holds an item with the id.
HMENU FindMenuWithCommand(HMENU menu, UINT commandId);
// Depth-first: the menu that holds the submenu, and the submenu's position.
HMENU FindParentMenu(HMENU menu, HMENU submenu, int* position);
bool MenuContainsSubmenu(HMENU menu, HMENU submenu);
// The first top-level item with the id, or -1.
int FindMenuItemPosition(HMENU menu, UINT commandId);
// Enables or greys the item; answers its previous state (MF_GRAYED etc.), or
// -1 when no menu holds it.
int EnableMenuCommand(HMENU menu, UINT commandId, bool enable);

SIZE GetWindowSize(HWND window);
void DeleteGdiObject(HGDIOBJ* object);
// Centres the window over another (else its owner, else the screen), kept
// inside the screen.
BOOL CenterWindow(HWND window, HWND over);
bool IsActiveMdiChildMaximized(HWND mdiClient);
bool GetFavoritesFolder(std::string* path);

// Reads a section as "key=value\0...\0\0". With includes allowed, a key
// "#include" is replaced by the keys of the section it names (one level).
// Answers the total length with the closing zero, or 0 when the section is
// empty or does not fit.
int ReadIniSectionWithIncludes(const char* section, char* out, int size, const char* iniFile,
                               bool allowIncludes);
bool IniSectionHasKeys(const char* iniFile, const char* section);
// The same, read whole however long its keys, values and lines: the text
// "key=value\0...\0" without the closing extra zero, empty when the section
// has no key.
std::string ReadWholeIniSection(const char* section, const char* iniFile, bool allowIncludes);

// A heap copy of a resource of the module (free it with free()), or null.
void* LoadResourceCopy(HINSTANCE instance, const char* name, const char* type, DWORD* size);

// "Windows 95", "Windows 98", "Windows NT 4.0" ... of this system, into a
// buffer of at least 64 characters.
char* GetWindowsVersionText(char* out);
// The text for a platform id (VER_PLATFORM_*) and version.
std::string FormatWindowsVersion(DWORD platform, DWORD major, DWORD minor);

// Puts the block on the clipboard as the format, owned by the window; the
// clipboard then owns the block. False when the clipboard is busy: the
// caller keeps (and frees) the block.
bool SetClipboardBlock(HWND owner, UINT format, HGLOBAL block);
// The text (and its zero) as CF_TEXT in a moveable block; false when the
// clipboard is busy or memory is short.
bool CopyTextToClipboard(HWND owner, const std::string& text);

// A packed DIB (GlobalAlloc) of the bitmap, or null; BI_BITFIELDS is refused.
HGLOBAL CreateDibFromBitmap(HBITMAP bitmap, DWORD compression, HPALETTE palette);
// Draws a packed DIB at (0, 0) in grey (the disabled look of bitmap buttons),
// leaving the caller's DIB as it was.
void DrawDibWithPalette(HDC dc, const BITMAPINFO* dib);
// The grey of a colour: sqrt((r² + g² + b²) / 3), truncated.
BYTE GreyOf(BYTE r, BYTE g, BYTE b);

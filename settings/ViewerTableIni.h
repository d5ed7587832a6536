// The viewer table and the ini files: built at start-up from the old
// per-type sections, the [FILE TYPES] lines of the program's and the
// override file, the built-in rows and the plug-in scan; written back as
// one [FILE TYPES] line per entry under VERSION 1.
#pragma once
#include <windows.h>

#include <memory>

#include "settings/ViewerTable.h"

class Preferences;

std::unique_ptr<ViewerTable> LoadViewerTable(const Preferences& preferences);
void SaveViewerTable(const ViewerTable& table, const Preferences& preferences);

// Reads a whole [FILE TYPES] section (however long) as "key=value\0...\0\0";
// empty when the file has none.
std::string ReadWholeFileTypesSection(const Preferences& preferences, const char* iniFile);

// Scans the folders of the plug-in path (separated by newline, TAB or ";")
// for libraries whose version block declares MIME types.
void ScanPlugins(ViewerTable& table, const char* pluginPath);
// The values of a library's "\StringFileInfo\040904E4\" block; false when it
// has no version block.
struct PluginVersionValues {
    std::string companyName, productName, mimeTypes, fileExtents, fileOpenName;
    bool hasMimeTypes = false, hasExtents = false, hasOpenName = false;
};
bool ReadPluginVersionValues(const char* path, PluginVersionValues& out);
// Resolves every entry's plug-in; with an owner the user is asked whether a
// found plug-in becomes the action of a known type.
void ResolvePluginsAsking(ViewerTable& table, HWND owner);

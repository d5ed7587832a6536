// The plug-in scan: every library in the plug-in folders whose version block
// names MIME types adds them to the viewer table.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/DialogRuntime.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerTableIni.h"

namespace {

constexpr char kBlock[] = "\\StringFileInfo\\040904E4\\";

bool QueryValue(void* block, const char* name, std::string& out) {
    std::string key = std::string(kBlock) + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, key.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return false;
    out.assign(value, length > 0 && value[length - 1] == '\0' ? length - 1 : length);
    out.resize(std::strlen(out.c_str()));
    return true;
}

std::vector<std::string> SplitFolders(const char* path) {
    std::vector<std::string> folders;
    std::string current;
    for (const char* p = path ? path : ""; ; ++p) {
        if (*p == '\0' || *p == '\n' || *p == '\r' || *p == '\t' || *p == ';') {
            if (!current.empty()) folders.push_back(current);
            current.clear();
            if (*p == '\0') break;
        } else {
            current.push_back(*p);
        }
    }
    return folders;
}

}  // namespace

bool ReadPluginVersionValues(const char* path, PluginVersionValues& out) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) return false;
    void* block = GlobalLock(memory);
    bool ok = block && GetFileVersionInfoA(path, 0, size, block);
    if (ok) {
        QueryValue(block, "CompanyName", out.companyName);
        QueryValue(block, "ProductName", out.productName);
        out.hasMimeTypes = QueryValue(block, "MIMEType", out.mimeTypes);
        out.hasExtents = QueryValue(block, "FileExtents", out.fileExtents);
        out.hasOpenName = QueryValue(block, "FileOpenName", out.fileOpenName);
    }
    if (block) GlobalUnlock(memory);
    GlobalFree(memory);
    return ok;
}

void ScanPlugins(ViewerTable& table, const char* pluginPath) {
    table.Plugins().Clear();
    for (std::string folder : SplitFolders(pluginPath)) {
        if (folder.back() != '\\') folder.push_back('\\');
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*.dll").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            std::string path = folder + found.cFileName;
            PluginVersionValues values;
            if (!ReadPluginVersionValues(path.c_str(), values)) continue;
            table.RegisterPlugin(path, values.productName, values.hasMimeTypes ? values.mimeTypes.c_str() : nullptr,
                                 values.hasExtents ? values.fileExtents.c_str() : nullptr,
                                 values.hasOpenName ? values.fileOpenName.c_str() : nullptr);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
}

void ResolvePluginsAsking(ViewerTable& table, HWND owner) {
    table.ResolvePlugins([owner](const ViewerEntry&) {
        return ShowStringMessage(owner, IDS_PLUGIN_MAKE_DEFAULT, nullptr, MB_YESNO | MB_ICONQUESTION) == IDYES;
    });
}

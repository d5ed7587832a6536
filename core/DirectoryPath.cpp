#include "core/DirectoryPath.h"

#include <windows.h>

#include <string>

namespace {

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

int CreateDirectoryPath(const char* path) {
    if (!path || !*path) return 0;
    std::string full(path);
    if (!IsSeparator(full.back())) full.push_back('\\');
    std::string made;
    for (size_t i = 0; i < full.size(); ++i) {
        if (!IsSeparator(full[i]) || i == 0 || IsSeparator(full[i - 1])) continue;
        std::string folder = full.substr(0, i);
        if (folder.size() == 2 && folder[1] == ':') {
            if (!IsDirectory(folder + "\\")) return 0;
            continue;
        }
        if (IsDirectory(folder)) continue;
        if (!CreateDirectoryA(folder.c_str(), nullptr)) {
            if (!made.empty()) RemoveDirectoryA(made.c_str());
            return 0;
        }
        made = folder;
    }
    return 1;
}

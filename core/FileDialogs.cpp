#include "core/FileDialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"

namespace {

constexpr int kLongestFilter = 255;
constexpr int kLongestTitle = 49;
constexpr size_t kLongestCustomFilter = 40;
// Room for many names chosen at once, each up to a full path.
constexpr DWORD kChosenFilesSize = 32768;

char g_chosen[kChosenFilesSize];

// The string-table filter with each '|' made a NUL (the list's own ends).
std::string LoadFilter(UINT id) {
    char text[kLongestFilter + 2] = "";
    int n = LoadStringResource(id, text, kLongestFilter + 1);
    std::string filter(text, static_cast<size_t>(std::max(n, 0)));
    std::replace(filter.begin(), filter.end(), '|', '\0');
    filter.append(2, '\0');
    return filter;
}

std::string LoadTitle(UINT id) {
    char text[kLongestTitle + 1] = "";
    LoadStringResource(id, text, sizeof text);
    return text;
}

const char* StartFolder(PrefText setting) {
    const char* folder = g_preferences ? g_preferences->Get(setting) : nullptr;
    return folder && *folder ? folder : nullptr;
}

}  // namespace

const char* ShowOpenFileDialog(HWND owner, UINT titleId, UINT filterId, bool allowMultiple) {
    std::string filter = LoadFilter(filterId);
    std::string title = LoadTitle(titleId);
    std::memset(g_chosen, 0, sizeof g_chosen);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = g_chosen;
    dialog.nMaxFile = kChosenFilesSize;
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.lpstrInitialDir = StartFolder(PrefText::OpenDir);
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (allowMultiple) dialog.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    if (!GetOpenFileNameA(&dialog)) return nullptr;
    std::vector<std::string> files = ChosenFiles(g_chosen);
    if (g_preferences && !files.empty()) g_preferences->SetOpenDirFromFile(files.front().c_str());
    return g_chosen;
}

std::vector<std::string> ChosenFiles(const char* answer) {
    std::vector<std::string> files;
    if (!answer || !*answer) return files;
    std::string first = answer;
    const char* name = answer + first.size() + 1;
    if (!*name) {
        files.push_back(first);
        return files;
    }
    // The folder, then the names in it.
    std::string folder = first;
    if (folder.back() != '\\') folder += '\\';
    for (; *name; name += std::strlen(name) + 1) files.push_back(folder + name);
    return files;
}

int ShowSaveFileDialog(HWND owner, UINT titleId, UINT filterId, char* name, const std::string& customFilter) {
    std::string filter = LoadFilter(filterId);
    std::string title = LoadTitle(titleId);
    char custom[kLongestCustomFilter] = {};
    std::memcpy(custom, customFilter.data(), std::min(customFilter.size(), sizeof custom - 2));
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    if (!customFilter.empty()) {
        dialog.lpstrCustomFilter = custom;
        dialog.nMaxCustFilter = sizeof custom;
    }
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.lpstrInitialDir = StartFolder(PrefText::SaveDir);
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    BOOL chosen = GetSaveFileNameA(&dialog);
    if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        name[0] = '\0';
        chosen = GetSaveFileNameA(&dialog);
    }
    if (!chosen) return 0;
    if (g_preferences) g_preferences->SetSaveDirFromFile(name);
    return 1;
}

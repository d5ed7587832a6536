#include "settings/ViewerSystemWin32.h"

#include <shellapi.h>

#include <string>

#include "core/DialogRuntime.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerDialogs.h"

namespace {

std::string Quoted(const std::string& argument) {
    return argument.find(' ') != std::string::npos ? "\"" + argument + "\"" : argument;
}

void ShowFailure(UINT firstId, UINT code, UINT last, const char* caption) {
    char text[256] = "";
    UINT id = code <= last - firstId ? firstId + code : last;
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

UINT RunErrorOffset(UINT result) {
    switch (result) {
        case 0: return 0;
        case ERROR_FILE_NOT_FOUND: return 1;
        case ERROR_PATH_NOT_FOUND: return 2;
        case 8: return 3;
        case 20: return 4;
        case 21: return 5;
        default: return 6;
    }
}

}  // namespace

int RunProgramWithArgument(const char* program, const char* argument, int show) {
    if (program == nullptr || *program == '\0') return 0;
    std::string command(program);
    std::string arg = argument ? argument : "";
    if (arg.rfind("mailto:", 0) == 0) arg = arg.substr(7);
    size_t percent = command.find('%');
    std::string line;
    if (percent != std::string::npos) {
        std::string after = command.substr(percent + 1);
        // "%s" after the '%' is the place holder itself.
        if (after.rfind('s', 0) == 0) after = after.substr(1);
        line = command.substr(0, percent) + " " + (arg.empty() ? "\"\"" : Quoted(arg)) + " " + after;
    } else {
        line = arg.empty() ? command : command + " " + Quoted(arg);
    }
    UINT result = WinExec(line.c_str(), static_cast<UINT>(show));
    if (result > 31) return 1;
    ShowFailure(IDS_RUN_APP_FIRST, RunErrorOffset(result), IDS_RUN_APP_FIRST + 6, program);
    return 0;
}

int ShellOpenFile(HWND owner, const char* verb, const char* file, const char* parameters, const char* folder,
                  int show) {
    HINSTANCE result = ShellExecuteA(owner, verb, file, parameters, folder, show);
    auto code = static_cast<UINT>(reinterpret_cast<UINT_PTR>(result));
    if (code > 32) return 1;
    UINT offset = code == SE_ERR_NOASSOC ? 6 : RunErrorOffset(code);
    ShowFailure(IDS_REGISTERED_APP_FIRST, offset == 6 && code != SE_ERR_NOASSOC ? 7 : offset,
                IDS_REGISTERED_APP_FIRST + 7, file);
    return 0;
}

bool Win32ViewerSystem::RunProgram(const std::string& program, const std::string& argument) {
    return RunProgramWithArgument(program.c_str(), argument.c_str(), SW_SHOWNORMAL) != 0;
}

bool Win32ViewerSystem::ShellOpen(const std::string& path) {
    return ShellOpenFile(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW) != 0;
}

void Win32ViewerSystem::OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url) {
    ::OpenUnknownTypeDialog(window, url);
}

#include "core/ExternalPrograms.h"

#include <shellapi.h>

#include <string>

#include "core/ProgramCommandLine.h"
#include "resources/ViewerIds.h"

namespace {

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

int RunProgramWithArgument(const char* program, const char* argument, int show, bool alwaysQuote) {
    if (program == nullptr || *program == '\0') return 0;
    std::string line = ComposeProgramCommandLine(program, argument ? argument : "", alwaysQuote);
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

#include "settings/ViewerSystemWin32.h"

#include "core/ExternalPrograms.h"
#include "settings/ViewerDialogs.h"

bool Win32ViewerSystem::RunProgram(const std::string& program, const std::string& argument) {
    return RunProgramWithArgument(program.c_str(), argument.c_str(), SW_SHOWNORMAL) != 0;
}

bool Win32ViewerSystem::ShellOpen(const std::string& path) {
    return ShellOpenFile(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW) != 0;
}

void Win32ViewerSystem::OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url) {
    ::OpenUnknownTypeDialog(window, url);
}

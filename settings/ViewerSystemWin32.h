// The system's side of the viewer decisions on Windows: programs started
// with an argument, files opened with their registered application (both of
// core/ExternalPrograms.h), and the "Unknown type" dialog.
#pragma once
#include <windows.h>

#include "core/ExternalPrograms.h"
#include "settings/ViewerDispatch.h"

class Win32ViewerSystem : public ViewerSystem {
public:
    bool RunProgram(const std::string& program, const std::string& argument) override;
    bool ShellOpen(const std::string& path) override;
    void OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url) override;
};

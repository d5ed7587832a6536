// The system's side of the viewer decisions on Windows: programs started
// with an argument, files opened with their registered application, and the
// "Unknown type" dialog.
#pragma once
#include <windows.h>

#include "settings/ViewerDispatch.h"

// Runs "program argument" (or, when the program holds a '%', the argument
// in its place), the argument quoted when it holds a blank. 1 when started;
// a failure is shown with the program as caption.
int RunProgramWithArgument(const char* program, const char* argument, int show);
// Opens the file with its registered application; nonzero on success, a
// failure is shown.
int ShellOpenFile(HWND owner, const char* verb, const char* file, const char* parameters, const char* folder,
                  int show);

class Win32ViewerSystem : public ViewerSystem {
public:
    bool RunProgram(const std::string& program, const std::string& argument) override;
    bool ShellOpen(const std::string& path) override;
    void OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url) override;
};

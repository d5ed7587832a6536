// Starting outside programs: by a command line with one argument, or through
// the shell's file associations. Failures are shown to the user with the
// string table's texts.
#pragma once
#include <windows.h>

// Runs the program with the argument (see ComposeProgramCommandLine). 1 when
// started; a failure is shown with the program as caption and answers 0, as
// does a missing program.
int RunProgramWithArgument(const char* program, const char* argument, int show, bool alwaysQuote = false);
// Opens the file with its registered application; nonzero on success, a
// failure is shown.
int ShellOpenFile(HWND owner, const char* verb, const char* file, const char* parameters, const char* folder,
                  int show);

// The splash window shown while the program starts, and the problem-solving
// dialog offered when the last run did not end cleanly.
#pragma once
#include <windows.h>

// 1: shows the splash (made once) and lets it paint; answers its window.
// 0: closes it and answers null.
HWND ShowSplashWindow(int show);
void CloseSplashWindow();
void PumpSplashMessages();
HWND SplashWindow();

// Modal "Problem Solving" dialog; answers 1 (OK), 2 (Cancel) or -1 when it
// could not be made. OK applies the choices for this run only.
INT_PTR ShowProblemSolvingDialog(HWND owner);

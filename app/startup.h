// Quarry's start-up: the debug privilege, COM and the common controls, the main window
// and the message loop, in that order.
#pragma once

#include <windows.h>

namespace quarry {

// How start-up enables a privilege; EnablePrivilege in the program, a stand-in in tests.
using PrivilegeRoutine = bool (*)(const wchar_t* name);

// The whole program: returns its exit status, 1 when the debug privilege cannot be enabled
// (after saying so) or after the main window has closed, 0 when the main window cannot be
// created.
int RunQuarry(int show, PrivilegeRoutine enablePrivilege);

// Creates and shows the main window, runs the Open command once and then the message loop
// until the window is gone; returns the loop's status, or 0 when the window cannot be
// created.
int RunMainWindow(int show);

}  // namespace quarry

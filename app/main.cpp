// Quarry's entry point. Start-up (privilege, main window, message loop) arrives with the
// main window; until then the program starts and ends cleanly.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }

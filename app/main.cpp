// Quarry's entry point. The command line is not read: Quarry takes no arguments.
#include <windows.h>

#include "app/startup.h"
#include "procsel/privileges.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    return quarry::RunQuarry(show, &quarry::EnablePrivilege);
}

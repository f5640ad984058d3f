// Quarry's entry point. The command line is not read: Quarry takes no arguments.
#include <windows.h>

#include "app/startup.h"
#include "procsel/privileges.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return quarry::RunQuarry(instance, show, &quarry::EnablePrivilege);
}

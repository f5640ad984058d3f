#include "app/startup.h"

#include <commctrl.h>

#include "app/main_frame.h"
#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/message_loop.h"
#include "resources/resource.h"

namespace quarry {

int RunMainWindow(int show) {
    CMainFrame mainFrame;
    if (!mainFrame.Create()) return 0;
    ShowWindow(mainFrame.hwnd(), show);
    // Exactly as if the user had chosen Open: the process selection comes up at once.
    SendMessageW(mainFrame.hwnd(), WM_COMMAND, MAKEWPARAM(ID_TARGET_OPEN, 0), 0);
    // The main window's accelerators come before translation and dispatch.
    CMessageLoop loop(mainFrame);
    return loop.Run();
}

int RunQuarry(int show, PrivilegeRoutine enablePrivilege) {
    if (!enablePrivilege(L"SeDebugPrivilege")) {
        ShowMessage(nullptr, L"Failed to get debug privilege.", MB_ICONERROR);
        return 1;
    }
    // Neither result matters: start-up goes on regardless.
    const ComScope com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    return RunMainWindow(show);
}

}  // namespace quarry

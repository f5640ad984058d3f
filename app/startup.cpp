#include "app/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/main_frame.h"
#include "framework/message_loop.h"
#include "resources/resource.h"

namespace quarry {
namespace {

// Keeps the loop registered as the thread's loop for as long as it runs.
class RegisteredLoop {
public:
    RegisteredLoop() : registered_(g_module.AddMessageLoop(&loop_)) {}
    ~RegisteredLoop() {
        if (registered_) g_module.RemoveMessageLoop();
    }
    RegisteredLoop(const RegisteredLoop&) = delete;
    RegisteredLoop& operator=(const RegisteredLoop&) = delete;
    int Run() { return loop_.Run(); }

private:
    CMessageLoop loop_;
    bool registered_;
};

}  // namespace

int RunMainWindow(int show) {
    RegisteredLoop loop;
    CMainFrame mainFrame;
    if (!mainFrame.Create()) return 0;
    ShowWindow(mainFrame.hwnd(), show);
    // Exactly as if the user had chosen Open: the process selection comes up at once.
    SendMessageW(mainFrame.hwnd(), WM_COMMAND, MAKEWPARAM(ID_TARGET_OPEN, 0), 0);
    return loop.Run();
}

int RunQuarry(HINSTANCE instance, int show, PrivilegeRoutine enablePrivilege) {
    if (!enablePrivilege(L"SeDebugPrivilege")) {
        MessageBoxW(nullptr, L"Failed to get debug privilege.", L"", MB_ICONERROR);
        return 1;
    }
    // Neither result matters: start-up goes on regardless.
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    g_module.Init(instance);
    const int status = RunMainWindow(show);
    g_module.Term();
    CoUninitialize();
    return status;
}

}  // namespace quarry

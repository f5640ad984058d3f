#include "framework/message_loop.h"

namespace quarry {

int CMessageLoop::Run() {
    MSG message{};
    BOOL got = FALSE;
    // GetMessageW answers 0 for WM_QUIT and -1 when it fails.
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (filter_.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : -1;
}

}  // namespace quarry

// Test help for code that runs its own modal loop (dialog boxes, message boxes, the main
// window's loop): the test acts from inside that loop when a window of this thread has
// just handled a sent message, for example a dialog its WM_INITDIALOG.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace quarry::test {

class AfterSentMessage {
public:
    using Action = std::function<void(HWND window, WPARAM wParam, LPARAM lParam)>;

    AfterSentMessage(UINT message, Action action) : message_(message), action_(std::move(action)) {
        previous_ = current_;
        current_ = this;
        // One hook serves all watchers of the thread; the outermost one owns it.
        hook_ = previous_ ? previous_->hook_
                          : SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterSentMessage::Hook, nullptr, GetCurrentThreadId());
    }
    ~AfterSentMessage() {
        if (hook_ && !previous_) UnhookWindowsHookEx(hook_);
        current_ = previous_;
    }
    AfterSentMessage(const AfterSentMessage&) = delete;
    AfterSentMessage& operator=(const AfterSentMessage&) = delete;

    bool Installed() const { return hook_ != nullptr; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        for (AfterSentMessage* watch = current_; code == HC_ACTION && watch; watch = watch->previous_)
            if (sent->message == watch->message_) watch->action_(sent->hwnd, sent->wParam, sent->lParam);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline thread_local AfterSentMessage* current_ = nullptr;
    AfterSentMessage* previous_ = nullptr;
    UINT message_;
    Action action_;
    HHOOK hook_ = nullptr;
};

// A window's text, as the user reads it; asked for with the message, which also reaches a
// control of another process (GetWindowText would not ask it).
inline std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// Removes a pending quit message (a destroyed frame posts one) and returns its status.
inline std::optional<int> TakeQuitMessage() {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
    return static_cast<int>(message.wParam);
}

}  // namespace quarry::test

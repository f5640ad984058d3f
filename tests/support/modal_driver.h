// Test help for code that runs its own modal loop (dialog boxes, message boxes, the main
// window's loop): the test acts from inside that loop when a window of this thread has
// just handled a sent message, for example a dialog its WM_INITDIALOG.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "resources/resource.h"

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

// The text on the clipboard, or nothing when it cannot be opened.
inline std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT))
        if (const auto* at = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = std::wstring(at, wcsnlen(at, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

// Moves this thread, before it has any window, onto desktop `name`, which under Wine is a
// virtual desktop: it gives frames, captions and focus that Xvfb alone does not, and its
// windows close at once (a top-level X window waits two seconds for a window manager that
// is not there). Windows ignores the configuration key. The desktop stays for the program.
inline bool JoinDesktop(const wchar_t* name) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", name, REG_SZ, L"1280x900",
                    sizeof(L"1280x900"));
    static const HDESK desktop = CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    return desktop && SetThreadDesktop(desktop);
}

enum class Icon { None, Information, Warning, Error };

// A dialog or message box as it opened; `text` is a box's message.
struct Shown {
    std::wstring title, text;
    HWND owner = nullptr;
    Icon icon = Icon::None;
    bool waitCursor = false;
    bool operator==(const Shown&) const = default;
};

// Answers every modal window of this thread while it lives: message boxes with their first
// button (Yes, else OK), other dialogs with `dialog` (cancelled when it is unset). Records
// what each box showed, and counts the dialogs.
class ModalAnswers {
public:
    static constexpr int kBoxText = 0xFFFF;  // the static holding a message box's text

    std::function<void(HWND dialog)> dialog;
    std::function<void()> afterBox;
    std::vector<Shown> boxes;
    int dialogs = 0;

    ModalAnswers() : opened_(WM_INITDIALOG, [this](HWND window, WPARAM, LPARAM) { Answer(window); }) {}

private:
    void Answer(HWND window) {
        if (const HWND text = GetDlgItem(window, kBoxText)) {
            const bool waiting = GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
            boxes.push_back({TextOf(window), TextOf(text), GetWindow(window, GW_OWNER), IconOf(window), waiting});
            PostMessageW(window, WM_COMMAND, GetDlgItem(window, IDYES) ? IDYES : IDOK, 0);
            if (afterBox) afterBox();
            return;
        }
        ++dialogs;
        if (dialog) dialog(window);
        else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    }

    static Icon IconOf(HWND box) {
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
            const auto shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            if (shown == LoadIconW(nullptr, IDI_INFORMATION)) return Icon::Information;
            if (shown == LoadIconW(nullptr, IDI_WARNING)) return Icon::Warning;
            if (shown == LoadIconW(nullptr, IDI_ERROR)) return Icon::Error;
        }
        return Icon::None;
    }

    AfterSentMessage opened_;
};

// An answer for the process selection: the row of process `pid`, confirmed with OK.
inline std::function<void(HWND)> ChooseProcess(DWORD pid) {
    return [pid](HWND dialog) {
        const HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
        LVFINDINFOW wanted{};
        wanted.flags = LVFI_PARAM;
        wanted.lParam = static_cast<LPARAM>(pid);
        const int row = ListView_FindItem(list, -1, &wanted);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PostMessageW(dialog, WM_COMMAND, row < 0 ? IDCANCEL : IDOK, 0);
    };
}

}  // namespace quarry::test

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/message_loop.h"
#include "framework/window.h"

namespace quarry {
namespace {

constexpr UINT kProbe = WM_APP + 1;

// A window whose table records which handlers ran, in order.
class RecordingWindow : public CWindowImpl<RecordingWindow> {
public:
    static std::span<const Route<RecordingWindow>> Routes() {
        static const Route<RecordingWindow> table[] = {
            OnMessage(kProbe, &RecordingWindow::OnProbePassing),
            OnCommand(40001, &RecordingWindow::OnCommandA),
            OnNotify(9, -5, &RecordingWindow::OnRightClick),
            OnNotify(kAnyControl, -2, &RecordingWindow::OnClick),
            OnMessage(kProbe, &RecordingWindow::OnProbeTaking),
        };
        return table;
    }

    HWND Create() {
        return CreateBound({L"QuarryTestRecordingWindow"}, nullptr, RECT{0, 0, 200, 100}, L"recording",
                           WS_OVERLAPPEDWINDOW, 0, nullptr);
    }

    std::vector<std::string> calls;

private:
    LRESULT OnProbePassing(WindowMessage& m) {
        calls.push_back("passing");
        m.handled = false;
        return 1;
    }
    LRESULT OnProbeTaking(WindowMessage&) {
        calls.push_back("taking");
        return 42;
    }
    LRESULT OnCommandA(WindowMessage&) {
        calls.push_back("command");
        return 0;
    }
    LRESULT OnRightClick(WindowMessage&) {
        calls.push_back("rclick");
        return 7;
    }
    LRESULT OnClick(WindowMessage&) {
        calls.push_back("click");
        return 8;
    }
};

TEST(Framework, RoutesAreTriedInTableOrderNotificationsByControlAndUnhandledMessagesGoOn) {
    RecordingWindow window;
    ASSERT_NE(window.Create(), nullptr);

    EXPECT_EQ(SendMessageW(window.hwnd(), kProbe, 0, 0), 42);
    // Commands match on the id alone, whatever the notification code.
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(40002, 0), 0);
    const auto notify = [&window](WPARAM controlId, int code) {
        // The record names the child that sent it: a control passing a child's notification
        // on puts its own id in wParam only.
        NMHDR header{window.hwnd(), 0, static_cast<UINT>(code)};
        return SendMessageW(window.hwnd(), WM_NOTIFY, controlId, reinterpret_cast<LPARAM>(&header));
    };
    EXPECT_EQ(notify(9, -5), 7);
    EXPECT_EQ(notify(8, -5), 0);  // another control's: nobody's
    EXPECT_EQ(notify(8, -2), 8);
    EXPECT_EQ(notify(9, -2), 8);
    EXPECT_EQ(notify(9, -12), 0);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"passing", "taking", "command", "rclick", "click", "click"}));

    DestroyWindow(window.hwnd());
    EXPECT_EQ(window.hwnd(), nullptr);
}

// Answers the probe itself and leaves everything else to the edit control.
class EditProbe : public CSubclassImpl<EditProbe> {
public:
    static std::span<const Route<EditProbe>> Routes() {
        static const Route<EditProbe> table[] = {
            OnMessage(kProbe, &EditProbe::OnProbe),
            OnMessage(WM_GETTEXTLENGTH, &EditProbe::OnTextLength),
        };
        return table;
    }
    int lengthAsked = 0;

private:
    LRESULT OnProbe(WindowMessage&) { return 99; }
    // Seen, then passed on.
    LRESULT OnTextLength(WindowMessage& m) {
        ++lengthAsked;
        m.handled = false;
        return 0;
    }
};

TEST(Framework, SubclassSeesMessagesFirstAndRestoresThePreviousProcedure) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"text", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    {
        EditProbe probe;
        ASSERT_TRUE(probe.Attach(edit));
        EditProbe second;
        EXPECT_FALSE(second.Attach(edit));  // would unbind the first
        EXPECT_EQ(SendMessageW(edit, kProbe, 0, 0), 99);
        EXPECT_EQ(GetWindowTextLengthW(edit), 4);  // passed on to the edit control
        EXPECT_EQ(probe.lengthAsked, 1);
    }
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    DestroyWindow(edit);
}

// Consumes the probe wherever it is posted; everything else goes on to dispatch.
class ProbeFilter : public CMessageFilter {
public:
    int filtered = 0;
    bool PreTranslateMessage(MSG& message) override {
        if (message.message != kProbe) return false;
        ++filtered;
        return true;
    }
};

TEST(Framework, LoopLetsTheFilterConsumeMessagesDispatchesTheRestAndEndsWithTheQuitParameter) {
    RecordingWindow window;
    ASSERT_NE(window.Create(), nullptr);
    ProbeFilter filter;
    CMessageLoop loop(filter);
    PostMessageW(window.hwnd(), kProbe, 0, 0);
    PostMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    PostThreadMessageW(GetCurrentThreadId(), kProbe, 0, 0);
    PostQuitMessage(3);
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(filter.filtered, 2);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"command"}));
    DestroyWindow(window.hwnd());
}

}  // namespace
}  // namespace quarry

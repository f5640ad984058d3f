// Routing tables: each window class lists, in one table, which handler takes a message,
// a command id or a control's notification code. Routes are tried in table order; a handler that
// clears `handled` lets the search (and finally default processing) go on.
#pragma once

#include <windows.h>

#include <concepts>
#include <span>

namespace quarry {

struct WindowMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool handled = true;

    UINT CommandId() const { return LOWORD(wParam); }
    NMHDR* Notification() const { return reinterpret_cast<NMHDR*>(lParam); }
};

enum class RouteKind { Message, Command, Notify, NotifyFromAnyControl };

template <class T>
struct Route {
    using Handler = LRESULT (T::*)(WindowMessage&);
    RouteKind kind;
    UINT key;            // message, command id or notification code
    UINT_PTR controlId;  // Notify: the control the notification is for
    Handler handler;

    bool Matches(const WindowMessage& m) const {
        switch (kind) {
            case RouteKind::Message: return m.message == key;
            // Commands match on their id alone, whatever their origin or notification code.
            case RouteKind::Command: return m.message == WM_COMMAND && m.CommandId() == key;
            // WM_NOTIFY's wParam, not the record's idFrom: a control of ours that passes a
            // child's notification on puts its own id there and leaves the record as it was.
            case RouteKind::Notify:
                return m.message == WM_NOTIFY && m.wParam == controlId && m.Notification()->code == key;
            case RouteKind::NotifyFromAnyControl: return m.message == WM_NOTIFY && m.Notification()->code == key;
        }
        return false;
    }

    // Lets a table route to a handler its class inherits, such as the frame's.
    template <class Derived>
        requires std::derived_from<Derived, T>
    constexpr operator Route<Derived>() const {
        return {kind, key, controlId, handler};
    }
};

template <class T>
constexpr Route<T> OnMessage(UINT message, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::Message, message, 0, handler};
}
template <class T>
constexpr Route<T> OnCommand(UINT id, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::Command, id, 0, handler};
}
template <class T>
constexpr Route<T> OnNotify(UINT_PTR controlId, int code, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::Notify, static_cast<UINT>(code), controlId, handler};
}

// Stands for the control id of a notification route that takes the code from every control.
struct AnyControl {};
inline constexpr AnyControl kAnyControl;

template <class T>
constexpr Route<T> OnNotify(AnyControl, int code, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::NotifyFromAnyControl, static_cast<UINT>(code), 0, handler};
}

// Returns true when a handler took the message; `result` is then its answer.
template <class T>
bool RouteMessage(T* target, std::span<const Route<T>> routes, WindowMessage& m, LRESULT& result) {
    for (const Route<T>& route : routes) {
        if (!route.Matches(m)) continue;
        m.handled = true;
        const LRESULT answer = (target->*route.handler)(m);
        if (m.handled) {
            result = answer;
            return true;
        }
    }
    return false;
}

}  // namespace quarry

// Routing tables: each window class lists, in one table, which handler takes a message,
// a command id or a notification code. Routes are tried in table order; a handler that
// clears `handled` lets the search (and finally default processing) go on.
#pragma once

#include <windows.h>

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

enum class RouteKind { Message, Command, Notify };

template <class T>
struct Route {
    using Handler = LRESULT (T::*)(WindowMessage&);
    RouteKind kind;
    UINT key;  // message, command id or notification code
    Handler handler;

    bool Matches(const WindowMessage& m) const {
        switch (kind) {
            case RouteKind::Message: return m.message == key;
            // Commands match on their id alone, whatever their origin or notification code.
            case RouteKind::Command: return m.message == WM_COMMAND && m.CommandId() == key;
            case RouteKind::Notify: return m.message == WM_NOTIFY && m.Notification()->code == key;
        }
        return false;
    }
};

template <class T>
constexpr Route<T> OnMessage(UINT message, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::Message, message, handler};
}
template <class T>
constexpr Route<T> OnCommand(UINT id, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::Command, id, handler};
}
template <class T>
constexpr Route<T> OnNotify(int code, LRESULT (T::*handler)(WindowMessage&)) {
    return {RouteKind::Notify, static_cast<UINT>(code), handler};
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

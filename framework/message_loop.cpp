#include "framework/message_loop.h"

#include <algorithm>

namespace quarry {

CAppModule g_module;

namespace {

template <class T>
void RemoveValue(std::vector<T*>& items, T* item) {
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
}

}  // namespace

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) { filters_.push_back(filter); }
void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { RemoveValue(filters_, filter); }
void CMessageLoop::AddIdleHandler(CIdleHandler* handler) { idleHandlers_.push_back(handler); }
void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { RemoveValue(idleHandlers_, handler); }

bool CMessageLoop::PreTranslateMessage(MSG& message) {
    // A copy, since a filter may remove itself while it runs.
    const std::vector<CMessageFilter*> filters = filters_;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(message)) return true;
    return false;
}

bool CMessageLoop::RunIdleHandlers() {
    const std::vector<CIdleHandler*> handlers = idleHandlers_;
    bool more = false;
    for (CIdleHandler* handler : handlers) more = handler->OnIdle() || more;
    return more;
}

int CMessageLoop::Run() {
    MSG message{};
    bool idle = true;
    for (;;) {
        while (idle && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) idle = RunIdleHandlers();
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) continue;  // an invalid window handle; nothing to dispatch
        if (!got) break;
        if (!PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        idle = true;
    }
    return static_cast<int>(message.wParam);
}

class CAppModule::Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~Lock() { LeaveCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

bool CAppModule::Init(HINSTANCE instance) {
    instance_ = instance;
    mainThreadId_ = GetCurrentThreadId();
    InitializeCriticalSection(&guard_);
    initialised_ = true;
    return true;
}

void CAppModule::Term() {
    if (!initialised_) return;
    loops_.clear();
    DeleteCriticalSection(&guard_);
    initialised_ = false;
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    Lock lock(guard_);
    return loops_.emplace(GetCurrentThreadId(), loop).second;
}

void CAppModule::RemoveMessageLoop() {
    Lock lock(guard_);
    loops_.erase(GetCurrentThreadId());
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) {
    Lock lock(guard_);
    const auto found = loops_.find(threadId);
    return found == loops_.end() ? nullptr : found->second;
}

}  // namespace quarry

// The user-interface thread's message loop with its message filters and idle handlers,
// and the module object that keeps one loop per thread.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

namespace quarry {

// Sees every message before translation and dispatch; true consumes it.
class CMessageFilter {
public:
    virtual ~CMessageFilter() = default;
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

// Runs when the queue is empty; true asks for another idle turn.
class CIdleHandler {
public:
    virtual ~CIdleHandler() = default;
    virtual bool OnIdle() = 0;
};

class CMessageLoop {
public:
    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    void RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its parameter.
    int Run();
    // Offers the message to the filters, newest first, as dialogs and popups expect.
    bool PreTranslateMessage(MSG& message);

private:
    bool RunIdleHandlers();

    std::vector<CMessageFilter*> filters_;
    std::vector<CIdleHandler*> idleHandlers_;
};

// The program's module object: the instance handle and the registry of message loops,
// one per thread, guarded because any thread may ask for its own loop.
class CAppModule {
public:
    bool Init(HINSTANCE instance);
    void Term();

    HINSTANCE Instance() const { return instance_; }
    bool AddMessageLoop(CMessageLoop* loop);
    void RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId());

private:
    class Lock;

    HINSTANCE instance_ = nullptr;
    DWORD mainThreadId_ = 0;
    bool initialised_ = false;
    CRITICAL_SECTION guard_{};
    std::map<DWORD, CMessageLoop*> loops_;
};

extern CAppModule g_module;

}  // namespace quarry

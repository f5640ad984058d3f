// The user-interface thread's message loop, with one filter that sees each message first.
#pragma once

#include <windows.h>

namespace quarry {

// Sees every message before translation and dispatch; true consumes it.
class CMessageFilter {
public:
    virtual ~CMessageFilter() = default;
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

class CMessageLoop {
public:
    // The filter must outlive the loop's run.
    explicit CMessageLoop(CMessageFilter& filter) : filter_(filter) {}

    // Runs until WM_QUIT and returns its parameter; -1 when the queue cannot be read.
    int Run();

private:
    CMessageFilter& filter_;
};

}  // namespace quarry

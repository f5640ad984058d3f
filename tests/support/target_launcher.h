// Starts the test target (tests/target) for a real-process test and reads the facts it
// reports; at the end, closing its standard input tells it to end.
#pragma once

#include "framework/handles.h"
#include "target/target_layout.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarry::test {

// A program built beside this test program: the test target, its DLL, Quarry.exe.
std::wstring BesideTestProgram(const std::wstring& fileName);

// Waits up to a minute for `condition`, so that a fault fails a test instead of hanging it.
inline bool WaitUntil(const std::function<bool()>& condition) {
    for (int tries = 0; tries < 3000 && !condition(); ++tries) Sleep(20);
    return condition();
}

struct ReportedRange {
    std::uint64_t address = 0, size = 0;
};

struct TargetFacts {
    DWORD pid = 0;
    ReportedRange patternAlloc, reservedAlloc, guardedAlloc, mappedView;
    std::vector<DWORD> threadIds;
    std::uint64_t dllBase = 0, dllSection = 0;
    std::wstring mappedFilePath, dllPath;
    std::vector<std::string> lines;  // every line of the report before "ready"
};

class TargetLauncher {
public:
    ~TargetLauncher() { Stop(); }

    // Starts QuarryTestTarget.exe from this test program's folder and reads its facts until
    // "ready"; false, with Error() saying why, when it cannot start or does not get there.
    bool Start(const std::wstring& arguments = {});
    // Lets the target end; one that does not end within 30 s is killed.
    void Stop();
    // Sends the target one line and returns the line it answers ("grow": "grown <address>").
    std::string Ask(const std::string& line);

    const TargetFacts& Facts() const { return facts_; }
    const std::string& Error() const { return error_; }

private:
    UniqueHandle process_, input_, report_;
    TargetFacts facts_;
    std::string error_;
};

}  // namespace quarry::test

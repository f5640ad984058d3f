// Starts the test target for a real-process test, reads the facts it reports and, at the
// end, lets it go: closing its standard input tells it to clean up and exit.
#pragma once

#include "support/win_handles.h"
#include "target/target_layout.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarry::test {

struct ReportedRange {
    std::uint64_t address = 0;
    std::uint64_t size = 0;
};

struct TargetFacts {
    DWORD pid = 0;
    ReportedRange patternAlloc;
    std::uint64_t patternCommitted = 0;
    ReportedRange reservedAlloc, guardPage, noAccessPage, mappedView;
    std::vector<DWORD> threadIds;
    std::wstring mappedFilePath;
    std::uint64_t dllBase = 0;
    std::wstring dllPath;
    // Every line before "ready", for facts that later tests read for themselves.
    std::vector<std::string> lines;
};

class TargetLauncher {
public:
    TargetLauncher() = default;
    TargetLauncher(const TargetLauncher&) = delete;
    TargetLauncher& operator=(const TargetLauncher&) = delete;
    ~TargetLauncher() { Stop(); }

    // Starts `program` from this test program's own folder and reads its facts until
    // "ready". False, with Error() saying why, when it cannot start, reports an error, ends
    // or stays silent too long, or leaves a fact out.
    bool Start(const std::wstring& arguments = {}, const std::wstring& program = target::kTargetProgram);

    // Closes the target's standard input and waits for it to end; one that does not is
    // killed. The exit code of a target that ended by itself, otherwise nothing.
    std::optional<DWORD> Stop();

    const TargetFacts& Facts() const { return facts_; }
    const std::string& Error() const { return error_; }

private:
    bool ReadFactsUntilReady();
    bool ReadMore(std::string& pending, ULONGLONG deadline);
    bool Take(const std::string& line);
    bool Fail(std::string why);

    UniqueHandle process_, stdinWrite_, stdoutRead_;
    TargetFacts facts_;
    std::string error_;
};

}  // namespace quarry::test

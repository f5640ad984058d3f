#include "support/target_launcher.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

namespace quarry::test {
namespace {

using namespace quarry::target;

// Generous: the first program in a fresh Wine prefix takes seconds to start.
constexpr DWORD kReadyTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 30000;
constexpr DWORD kPollMs = 20;

std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');  // the longest path Windows has
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    path.erase(path.find_last_of(L'\\') + 1);
    return path;
}

std::wstring Wide(std::string_view utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

// Reads a fact's fields left to right; a path, spaces and all, is whatever remains.
class FieldReader {
public:
    explicit FieldReader(std::string_view line) : rest_(line) {}

    std::string_view Next() {
        const std::size_t space = rest_.find(' ');
        const std::string_view field = rest_.substr(0, space);
        rest_ = space == std::string_view::npos ? std::string_view() : rest_.substr(space + 1);
        return field;
    }
    bool Number(std::uint64_t& value, int base) {
        const std::string_view field = Next();
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, base);
        return !field.empty() && error == std::errc() && end == field.data() + field.size();
    }
    bool Id(DWORD& id) {
        std::uint64_t value = 0;
        if (!Number(value, 10) || value > MAXDWORD) return false;
        id = static_cast<DWORD>(value);
        return true;
    }
    bool Range(ReportedRange& range) { return Number(range.address, 16) && Number(range.size, 10); }
    bool Path(std::wstring& path) {
        path = Wide(std::exchange(rest_, std::string_view()));
        return !path.empty();
    }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

bool Complete(const TargetFacts& facts) {
    return facts.pid != 0 && facts.patternAlloc.address != 0 && facts.reservedAlloc.address != 0 &&
           facts.guardPage.address != 0 && facts.noAccessPage.address != 0 &&
           facts.threadIds.size() == static_cast<std::size_t>(kThreadCount) && facts.mappedView.address != 0 &&
           !facts.mappedFilePath.empty() && facts.dllBase != 0 && !facts.dllPath.empty();
}

}  // namespace

bool TargetLauncher::Start(const std::wstring& arguments, const std::wstring& program) {
    Stop();
    facts_ = {};
    error_.clear();

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return Fail("cannot create a pipe");
    UniqueHandle childStdin(readEnd);
    stdinWrite_.reset(writeEnd);
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return Fail("cannot create a pipe");
    stdoutRead_.reset(readEnd);
    UniqueHandle childStdout(writeEnd);
    // Our ends stay with us: a target holding them would never see its input end.
    SetHandleInformation(stdinWrite_.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(stdoutRead_.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childStdin.get();
    startup.hStdOutput = childStdout.get();
    const std::wstring path = OwnFolder() + program;
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started))
        return Fail("cannot start the target, error " + std::to_string(GetLastError()));
    process_.reset(started.hProcess);
    UniqueHandle thread(started.hThread);
    // Only the target holds its ends now, so its output ends when it does.
    childStdin.reset();
    childStdout.reset();
    return ReadFactsUntilReady();
}

std::optional<DWORD> TargetLauncher::Stop() {
    stdinWrite_.reset();  // the target's cue to clean up and end
    if (!process_) return std::nullopt;
    std::optional<DWORD> exitCode;
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process_.get(), kExitTimeoutMs) == WAIT_OBJECT_0;
    if (ended && GetExitCodeProcess(process_.get(), &code)) {
        exitCode = code;
    } else {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), kExitTimeoutMs);
    }
    process_.reset();
    stdoutRead_.reset();
    return exitCode;
}

bool TargetLauncher::ReadFactsUntilReady() {
    const ULONGLONG deadline = GetTickCount64() + kReadyTimeoutMs;
    std::string pending;
    for (;;) {
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == kFactReady) return Complete(facts_) || Fail("facts missing before ready");
            if (FieldReader(line).Next() == kFactError) return Fail("target reports: " + line);
            facts_.lines.push_back(line);
            if (!Take(line)) return Fail("unreadable fact: " + line);
        }
        if (!ReadMore(pending, deadline)) return false;
    }
}

// Waits for output without blocking in ReadFile, so that a silent target cannot hang the test.
bool TargetLauncher::ReadMore(std::string& pending, ULONGLONG deadline) {
    for (;;) {
        // Asked before peeking: whatever a dead target wrote is in the pipe by now.
        const bool ended = WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
        DWORD available = 0;
        PeekNamedPipe(stdoutRead_.get(), nullptr, 0, nullptr, &available, nullptr);
        if (available > 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(stdoutRead_.get(), buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr))
                return Fail("cannot read the target's output");
            pending.append(buffer, got);
            return true;
        }
        if (ended) return Fail("target ended before ready");
        if (GetTickCount64() >= deadline) return Fail("no ready from the target in time");
        WaitForSingleObject(process_.get(), kPollMs);  // wakes at once if the target dies
    }
}

// Facts this launcher does not know yet are kept in `lines` only.
bool TargetLauncher::Take(const std::string& line) {
    FieldReader fields(line);
    const std::string_view name = fields.Next();
    TargetFacts& facts = facts_;
    bool read = false;
    if (name == kFactPid) read = fields.Id(facts.pid);
    else if (name == kFactPatternAlloc)
        read = fields.Range(facts.patternAlloc) && fields.Number(facts.patternCommitted, 10);
    else if (name == kFactReservedAlloc) read = fields.Range(facts.reservedAlloc);
    else if (name == kFactGuardPage) read = fields.Range(facts.guardPage);
    else if (name == kFactNoAccessPage) read = fields.Range(facts.noAccessPage);
    else if (name == kFactMappedFile) read = fields.Range(facts.mappedView) && fields.Path(facts.mappedFilePath);
    else if (name == kFactDll) read = fields.Number(facts.dllBase, 16) && fields.Path(facts.dllPath);
    else if (name == kFactThread) read = fields.Id(facts.threadIds.emplace_back());
    else return true;
    return read && fields.AtEnd();
}

bool TargetLauncher::Fail(std::string why) {
    error_ = std::move(why);
    return false;
}

}  // namespace quarry::test

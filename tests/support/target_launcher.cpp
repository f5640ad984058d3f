#include "support/target_launcher.h"

#include <sstream>

namespace quarry::test {

std::wstring BesideTestProgram(const std::wstring& fileName) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.erase(path.find_last_of(L'\\') + 1) + fileName;
}

namespace {

using namespace quarry::target;

// A pipe whose read or write end the target inherits.
std::pair<UniqueHandle, UniqueHandle> MakePipe(bool targetReads) {
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, nullptr, 0);
    SetHandleInformation(targetReads ? read : write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return {UniqueHandle(read), UniqueHandle(write)};
}

void Take(TargetFacts& facts, const std::string& line) {
    std::istringstream fields(line);
    std::string name;
    std::uint64_t value = 0;
    fields >> name >> value;
    if (name == "pid") facts.pid = static_cast<DWORD>(value);
    if (name == "thread") facts.threadIds.push_back(static_cast<DWORD>(value));
    if (name == "pattern_alloc") facts.patternAlloc = {value, kPatternAllocSize};
    if (name == "reserved_alloc") facts.reservedAlloc = {value, kReservedAllocSize};
    if (name == "guarded_alloc") facts.guardedAlloc = {value, kGuardedAllocSize};
    if (name == "mapped_file") facts.mappedView = {value, kMappedFileSize};
    if (name == "dll") facts.dllBase = value;
    if (name == "dll_section") facts.dllSection = value;
}

}  // namespace

bool TargetLauncher::Start(const std::wstring& arguments) {
    Stop();
    facts_ = {};
    // The target inherits its ends of the pipes, not ours: holding ours, it would never see
    // its input end.
    auto [targetInput, input] = MakePipe(true);
    auto [report, targetOutput] = MakePipe(false);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = targetInput.get();
    startup.hStdOutput = targetOutput.get();
    const std::wstring path = BesideTestProgram(L"QuarryTestTarget.exe");
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        error_ = "cannot start the target, error " + std::to_string(GetLastError());
        return false;
    }
    process_.reset(started.hProcess);
    const UniqueHandle thread(started.hThread);
    input_ = std::move(input);
    report_ = std::move(report);
    // Only the target holds its ends now, so its output ends when it does.
    targetInput.reset();
    targetOutput.reset();

    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (!text.ends_with("ready\n") && ReadFile(report_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    error_ = text.ends_with("ready\n") ? "" : "target ended before ready";
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line) && line != "ready";) {
        if (line.starts_with("error")) error_ = "target reports: " + line;
        facts_.lines.push_back(line);
        Take(facts_, line);
    }
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    facts_.mappedFilePath = temp + MappedFileName(facts_.pid);
    facts_.dllPath = BesideTestProgram(kDllName);
    return error_.empty();
}

std::string TargetLauncher::Ask(const std::string& line) {
    DWORD count = 0;
    WriteFile(input_.get(), (line + "\n").data(), static_cast<DWORD>(line.size() + 1), &count, nullptr);
    std::string answer;
    char c = 0;
    while (ReadFile(report_.get(), &c, 1, &count, nullptr) && count == 1 && c != '\n') answer += c;
    return answer;
}

void TargetLauncher::Stop() {
    input_.reset();  // the target's cue to end
    report_.reset();
    if (process_ && WaitForSingleObject(process_.get(), 30000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
    process_.reset();
}

}  // namespace quarry::test

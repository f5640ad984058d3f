// QuarryMap.exe against the test target, run as a script would run it: its CSV is the walk's
// rows cell for cell, one allocation by address, both dumps byte for byte, and each failure
// with its one line on standard error and status 2.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <variant>

#include "app/pattern_dump.h"
#include "cli/map_csv.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "support/target_launcher.h"

namespace quarry::cli {
namespace {

using test::TargetLauncher;

struct Ran {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

// Reads a pipe to its end on a thread of its own, so that neither pipe fills while the
// other is read.
class PipeReader {
public:
    explicit PipeReader(HANDLE pipe)
        : thread_([this, pipe] {
              char buffer[65536];
              DWORD read = 0;
              while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read) text_.append(buffer, read);
          }) {}
    std::string Take() {
        thread_.join();
        return std::move(text_);
    }

private:
    std::string text_;
    std::thread thread_;
};

Ran QuarryMap(const std::wstring& arguments) {
    std::wstring command = L"\"" + test::BesideTestProgram(L"QuarryMap.exe") + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &inherit, 0);
    CreatePipe(&errRead, &errWrite, &inherit, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION started{};
    Ran run;
    const bool ok = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    PipeReader out(outRead), err(errRead);
    if (ok) {
        if (WaitForSingleObject(started.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(started.hProcess, 99);
        GetExitCodeProcess(started.hProcess, &run.status);
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    run.out = out.Take();
    run.err = err.Take();
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

std::string FileText(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::wstring Temp(const std::wstring& name) {
    return std::filesystem::temp_directory_path().wstring() + L"quarrymap-" + std::to_wstring(GetCurrentProcessId()) + name;
}

std::wstring Hex(std::uint64_t value) {
    wchar_t text[19];
    swprintf(text, 19, L"0x%llx", static_cast<unsigned long long>(value));
    return text;
}

class QuarryMapOnTarget : public testing::Test {
protected:
    static void SetUpTestSuite() {
        target_ = new TargetLauncher;
        started_ = target_->Start();
    }
    static void TearDownTestSuite() { delete target_; }
    void SetUp() override { ASSERT_TRUE(started_) << target_->Error(); }
    void TearDown() override {
        for (const wchar_t* name : {L"map.csv", L"region.bin", L"allocation.bin"}) DeleteFileW(Temp(name).c_str());
    }

    static MapRows Walk() {
        const UniqueHandle process = OpenTargetProcess(target_->Facts().pid);
        MapRecorder rows;
        BuildMemoryMap(process.get(), rows);
        return rows.Rows();
    }
    static std::wstring Pid() { return std::to_wstring(target_->Facts().pid); }

    static inline TargetLauncher* target_ = nullptr;
    static inline bool started_ = false;
};

TEST_F(QuarryMapOnTarget, CsvIsTheWalksRowsAndAtKeepsTheAllocationHoldingTheAddress) {
    const Ran byName = QuarryMap(L"quarrytesttarget --csv -o \"" + Temp(L"map.csv") + L"\"");
    EXPECT_EQ(byName.status, 0u) << byName.err;
    EXPECT_EQ(FileText(Temp(L"map.csv")), MapToCsv(Walk()));

    const std::uint64_t pattern = target_->Facts().patternAlloc.address;
    const Ran at = QuarryMap(Pid() + L" --at " + Hex(pattern + 0x12345) + L" --csv");
    EXPECT_EQ(at.status, 0u) << at.err;
    EXPECT_EQ(at.out, MapToCsv(*AllocationHolding(Walk(), pattern)));
}

TEST_F(QuarryMapOnTarget, DumpsAreTheWindowsDumpsByteForByte) {
    const std::uint64_t pattern = target_->Facts().patternAlloc.address;
    std::ofstream(std::filesystem::path(Temp(L"region.bin"))) << std::string(1 << 21, 'x');  // replaced whole
    const Ran region = QuarryMap(Pid() + L" --dump " + Hex(pattern + 0x100) + L" \"" + Temp(L"region.bin") + L"\"");
    const Ran allocation = QuarryMap(Pid() + L" --dump-allocation " + Hex(pattern + 0x100) + L" \"" + Temp(L"allocation.bin") + L"\"");
    EXPECT_EQ(region.status + allocation.status, 0u) << region.err << allocation.err;
    const std::vector<std::uint8_t> whole = test::PatternAllocationFile();
    EXPECT_TRUE(FileText(Temp(L"allocation.bin")) == std::string(whole.begin(), whole.end()));
    EXPECT_TRUE(FileText(Temp(L"region.bin")) == std::string(whole.begin(), whole.begin() + target::kPatternCommittedSize));
}

// A target of its own, since it grows: the comparison shows its growth and nothing else.
TEST(QuarryMapDiff, ShowsExactlyWhatTheTargetAllocatedAndCommitted) {
    TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const std::wstring pid = std::to_wstring(target.Facts().pid);
    const Ran before = QuarryMap(pid + L" --csv -o \"" + Temp(L"before.csv") + L"\"");
    const std::string grown = target.Ask("grow");
    const Ran after = QuarryMap(pid + L" --csv -o \"" + Temp(L"after.csv") + L"\"");
    const Ran same = QuarryMap(L"--diff \"" + Temp(L"after.csv") + L"\" \"" + Temp(L"after.csv") + L"\"");
    const Ran diff = QuarryMap(L"--diff \"" + Temp(L"before.csv") + L"\" \"" + Temp(L"after.csv") + L"\"");
    DeleteFileW(Temp(L"before.csv").c_str());
    DeleteFileW(Temp(L"after.csv").c_str());
    EXPECT_EQ(before.status + after.status, 0u);
    EXPECT_EQ(same.status, 0u);
    EXPECT_EQ(same.out, "0 added, 0 removed, 0 changed\n");
    const auto hex = [](std::uint64_t address) {
        char text[17];
        snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(address));
        return std::string(text);
    };
    const std::uint64_t pattern = target.Facts().patternAlloc.address;
    EXPECT_EQ(diff.status, 1u);
    EXPECT_EQ(diff.out, "~ " + hex(pattern) + ": Commit 64 KB -> 128 KB\n"
                        "  ~ " + hex(pattern) + ": Size 64 KB -> 128 KB, Commit 64 KB -> 128 KB\n"
                        "  - \"" + hex(pattern + 0x10000) + "\",\"Private\",\"960 KB\",\"Reserved\"\n"
                        "  + \"" + hex(pattern + 0x20000) + "\",\"Private\",\"896 KB\",\"Reserved\"\n"
                        "+ \"" + hex(std::stoull(grown.substr(6))) + "\",\"Private\",\"64 KB\",\"4 KB\",\"Read/Write\",\"2\"\n"
                        "1 added, 0 removed, 1 changed\n");
}

TEST_F(QuarryMapOnTarget, EachFailureSaysWhatOnOneLineAndEndsWithTwo) {
    TargetLauncher second;
    ASSERT_TRUE(second.Start()) << second.Error();
    std::ofstream(std::filesystem::path(Temp(L"map.csv")), std::ios::binary) << "\"Row\"\r\n";
    const struct {
        std::wstring arguments;
        std::string message;
    } cases[] = {
        {L"--frobnicate", "QuarryMap: unknown option --frobnicate\n"},
        {L"4294967292", "QuarryMap: no process has the id 4294967292\n"},
        {L"no-such-program.exe", "QuarryMap: no process is named no-such-program.exe\n"},
        {L"QuarryTestTarget", "QuarryMap: several processes are named QuarryTestTarget: "},
        {Pid() + L" --at 0x10", "QuarryMap: no allocation holds the address 10\n"},
        {L"--diff \"" + Temp(L"map.csv") + L"\" \"" + Temp(L"map.csv") + L"\"",
         "QuarryMap: " + std::filesystem::path(Temp(L"map.csv")).string() + " is not a QuarryMap export: line 1: "},
        {Pid() + L" --csv -o C:\\no\\such\\folder\\map.csv", "QuarryMap: cannot write C:\\no\\such\\folder\\map.csv\n"},
    };
    for (const auto& c : cases) {
        const Ran run = QuarryMap(c.arguments);
        EXPECT_EQ(run.status, 2u) << run.err;
        EXPECT_EQ(run.err.substr(0, c.message.size()), c.message);
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_FALSE(std::filesystem::exists(L"C:\\no\\such\\folder"));
}

}  // namespace
}  // namespace quarry::cli

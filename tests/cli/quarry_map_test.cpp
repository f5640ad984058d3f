// QuarryMap.exe against the test target: its CSV and JSON are the walk's rows cell for cell,
// one allocation by address, both dumps are the window's byte for byte (zeros where a page
// must not be read), --list names the target, --diff and --watch show what the target grew,
// and each failure is one line on standard error with status 2.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "app/pattern_dump.h"
#include "content/hex_dump.h"
#include "cli/map_csv.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "framework/handles.h"
#include "support/map_json_rows.h"
#include "support/memmap_recording_rows.h"
#include "support/target_launcher.h"

namespace quarry::cli {
namespace {

using test::SavedFile;

struct Ran {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

std::string Text(const SavedFile& file) {
    const std::vector<std::uint8_t> bytes = file.Bytes();
    return {bytes.begin(), bytes.end()};
}

std::wstring Quoted(const SavedFile& file) { return L" \"" + file.path + L"\""; }

// An address as the map writes it, which QuarryMap also takes as an argument.
std::string Address(std::uint64_t address) { return test::Hex16(address); }

std::wstring Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Run as a script would run it, through the command interpreter, with standard output and
// error in files, unless `arguments` send either elsewhere (the last redirection wins);
// ctest's time limit ends a run that never does.
Ran QuarryMap(const std::wstring& arguments) {
    const SavedFile out(L"out.txt"), err(L"err.txt");
    const std::wstring command = L"\"\"" + test::BesideTestProgram(L"QuarryMap.exe") + L"\" >" + Quoted(out) + L" 2>" +
                                 Quoted(err) + L" " + arguments + L"\"";
    const int status = _wsystem(command.c_str());
    return {static_cast<DWORD>(status), Text(out), Text(err)};
}

// One target throughout, grown at the end: the first export is also the comparison's "before".
TEST(QuarryMapOnTarget, WritesTheWalksRowsTheWindowsDumpsAndWhatTheTargetGrew) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const std::wstring pid = std::to_wstring(target.Facts().pid);
    const std::uint64_t pattern = target.Facts().patternAlloc.address;
    const std::uint64_t guarded = target.Facts().guardedAlloc.address;
    const SavedFile before(L"before.csv"), region(L"region.bin"), allocation(L"allocation.bin"), after(L"after.csv");
    const SavedFile json(L"map.json");
    const SavedFile guardedAllocation(L"guarded.bin");
    std::ofstream(std::filesystem::path(region.path)) << std::string(1 << 21, 'x');  // to be replaced whole
    const Ran runs[] = {
        QuarryMap(L"quarrytesttarget --csv -o" + Quoted(before)),
        QuarryMap(pid + L" --at 0x" + Wide(Address(pattern + 0x12345)) + L" --csv"),
        QuarryMap(pid + L" --dump " + Wide(Address(pattern + 0x100)) + Quoted(region)),
        QuarryMap(pid + L" --dump-allocation " + Wide(Address(pattern + 0x100)) + Quoted(allocation)),
        QuarryMap(pid + L" --dump-allocation " + Wide(Address(guarded + 0x2345)) + Quoted(guardedAllocation)),
        QuarryMap(pid + L" --json -o" + Quoted(json)),
        QuarryMap(L"--list --json"),
    };
    for (const Ran& run : runs) EXPECT_EQ(run.status, 0u) << run.err;
    MapRecorder recorder;
    BuildMemoryMap(OpenTargetProcess(target.Facts().pid).get(), recorder);
    const MapRows walk = recorder.Rows();
    EXPECT_EQ(Text(before), MapToCsv(walk));
    EXPECT_EQ(MapToCsv(test::RowsOfJson(nlohmann::json::parse(Text(json)))), MapToCsv(walk));
    const nlohmann::json listed = nlohmann::json::parse(runs[6].out)["processes"];
    EXPECT_EQ(std::count(listed.begin(), listed.end(), nlohmann::json{{"id", target.Facts().pid}, {"name", "QuarryTestTarget.exe"}, {"user", listed[0]["user"]}}), 1)
        << runs[6].out;
    EXPECT_EQ(runs[1].out, MapToCsv(*AllocationHolding(walk, pattern)));
    const std::vector<std::uint8_t> whole = test::PatternAllocationFile();
    EXPECT_TRUE(allocation.Bytes() == whole);
    EXPECT_TRUE(region.Bytes() == std::vector(whole.begin(), whole.begin() + target::kPatternCommittedSize));
    // Under Wine a read of the guard and no-access pages would give their bytes, not zeros.
    EXPECT_TRUE(guardedAllocation.Bytes() == test::GuardedAllocationFile());

    const std::string grown = target.Ask("grow");
    EXPECT_EQ(QuarryMap(pid + L" --csv -o" + Quoted(after)).status, 0u);
    EXPECT_EQ(QuarryMap(L"--diff" + Quoted(after) + Quoted(after)).status, 0u);
    const Ran diff = QuarryMap(L"--diff" + Quoted(before) + Quoted(after));
    EXPECT_EQ(diff.status, 1u);
    EXPECT_EQ(diff.out, "~ " + Address(pattern) + ": Commit 64 KB -> 128 KB\n"
                        "  ~ " + Address(pattern) + ": Size 64 KB -> 128 KB, Commit 64 KB -> 128 KB\n"
                        "  - \"" + Address(pattern + 0x10000) + "\",\"Private\",\"960 KB\",\"Reserved\"\n"
                        "  + \"" + Address(pattern + 0x20000) + "\",\"Private\",\"896 KB\",\"Reserved\"\n"
                        "+ \"" + Address(std::stoull(grown.substr(6))) + "\",\"Private\",\"64 KB\",\"4 KB\",\"Read/Write\",\"2\"\n"
                        "1 added, 0 removed, 1 changed\n");
}

// Started, not waited for: its standard output goes to `out`, to be read while it runs.
UniqueHandle StartQuarryMap(const std::wstring& arguments, const SavedFile& out) {
    std::wstring command = L"cmd.exe /c \"\"" + test::BesideTestProgram(L"QuarryMap.exe") + L"\" " + arguments + L" >" + Quoted(out) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started))
        return nullptr;
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

// A snapshot a second: nothing while the target idles, its growth as one JSON line, and a
// last line when it ends, with status 0.
TEST(QuarryMapOnTarget, WatchPrintsWhatChangesAndEndsWithTheTarget) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const SavedFile out(L"watch.json");
    const UniqueHandle watch = StartQuarryMap(std::to_wstring(target.Facts().pid) + L" --watch 1 --json", out);
    ASSERT_TRUE(watch);
    Sleep(2500);
    EXPECT_EQ(Text(out), "");
    const std::string grown = target.Ask("grow");
    Sleep(2500);
    target.Stop();
    ASSERT_EQ(WaitForSingleObject(watch.get(), 10000), WAIT_OBJECT_0);
    DWORD status = 1;
    GetExitCodeProcess(watch.get(), &status);
    EXPECT_EQ(status, 0u);
    std::istringstream lines(Text(out));
    std::string change, end, more;
    std::getline(lines, change);
    std::getline(lines, end);
    EXPECT_FALSE(std::getline(lines, more)) << Text(out);
    const nlohmann::json grew = nlohmann::json::parse(change);
    EXPECT_EQ(grew["added"].size(), 1u);
    EXPECT_EQ(grew["added"][0]["address"], Address(std::stoull(grown.substr(6))));
    EXPECT_EQ(grew["changed"][0]["address"], Address(target.Facts().patternAlloc.address)) << change;
    EXPECT_EQ(nlohmann::json::parse(end)["ended"], true) << end;
}

TEST(QuarryMapOnTarget, EachFailureSaysWhatOnOneLineAndEndsWithTwo) {
    test::TargetLauncher target, second;
    ASSERT_TRUE(target.Start() && second.Start()) << target.Error() << second.Error();
    const std::wstring pid = std::to_wstring(target.Facts().pid);
    const SavedFile notExport(L"not-export.csv");
    std::ofstream(std::filesystem::path(notExport.path), std::ios::binary) << "\"Row\"\r\n";
    const std::pair<std::wstring, std::string> cases[] = {
        {L"--frobnicate", "QuarryMap: unknown option --frobnicate (QuarryMap --help lists the commands)\n"},
        {L"4294967292", "QuarryMap: no process has the id 4294967292\n"},
        {L"no-such-program.exe", "QuarryMap: no process is named no-such-program.exe\n"},
        {L"QuarryTestTarget", "QuarryMap: several processes are named QuarryTestTarget: "},
        {pid + L" --at 0x10", "QuarryMap: no allocation holds the address 10\n"},
        {L"--diff" + Quoted(notExport) + Quoted(notExport),
         "QuarryMap: " + std::filesystem::path(notExport.path).string() + " is not a QuarryMap export: line 1: "},
        {pid + L" --csv --csv", "QuarryMap: --csv is given twice (QuarryMap --help lists the commands)\n"},
        // Wine's words for the system's reasons; Windows has its own.
        {pid + L" --csv -o C:\\no\\such\\folder\\map.csv", "QuarryMap: cannot write C:\\no\\such\\folder\\map.csv: Path not found.\n"},
        {pid + L" --csv -o Z:\\dev\\full", "QuarryMap: cannot write Z:\\dev\\full: Disk full.\n"},
        {pid + L" --csv >Z:\\dev\\full", "QuarryMap: cannot write to standard output: Disk full.\n"},
        {pid + L" >Z:\\dev\\full", "QuarryMap: cannot write to standard output: Disk full.\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const Ran run = QuarryMap(arguments);
        EXPECT_EQ(run.status, 2u) << run.err;
        EXPECT_EQ(run.err.substr(0, message.size()), message);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// The guarded allocation's pattern repeats every 251 bytes in all four of its pages: a
// search finds it in the two that may be read only, where Wine would give the others' too.
TEST(QuarryMapOnTarget, SearchesFindBytesOnlyWhereTheyMayBeReadWithGrepsStatus) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const std::wstring at = std::to_wstring(target.Facts().pid) + L" --at " + Wide(Address(target.Facts().guardedAlloc.address));
    const std::uint64_t guarded = target.Facts().guardedAlloc.address, kAt = 0x100, kPage = target::kPageSize;
    std::vector<std::uint8_t> bytes(16);
    std::wstring hex;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = target::PatternByte(kAt + i, target::kGuardedAllocSeed);
        hex += Wide(Address(bytes[i]).substr(14)) + L" ";
    }
    std::u16string line;
    FormatHexDump(bytes.data(), 16, 0, line);
    std::string expected = "\"Address\",\"Type\",\"Protect\",\"Details\",\"Bytes\"\r\n";
    for (const std::uint64_t page : {std::uint64_t{0}, 3 * kPage})
        for (std::uint64_t offset = page + (kAt + 251 - page % 251) % 251; offset + 16 <= page + kPage; offset += 251)
            expected.append(1, '"').append(Address(guarded + offset)).append("\",\"Private\",\"Read/Write\",\"\",\"")
                .append(test::Narrow(line.substr(20, 68))).append("\"\r\n");

    const Ran found = QuarryMap(at + L" --find-hex \"" + hex + L"\" --csv");
    EXPECT_EQ(found.status, 0u) << found.err;
    EXPECT_EQ(found.out, expected);
    // A text in the DLL's own section, in another case: one hit, named by module and section.
    const Ran text = QuarryMap(std::to_wstring(target.Facts().pid) + L" --find \"KNOWN BYTES of .quarry8\" -i --type image");
    const std::uint64_t hit = std::stoull(text.out.substr(0, 16), nullptr, 16);
    EXPECT_TRUE(hit >= target.Facts().dllSection && hit < target.Facts().dllSection + kPage) << text.out;
    EXPECT_EQ(text.out.substr(16), "  Image  Execute/Read  " + test::Narrow(std::u16string(target.Facts().dllPath.begin(), target.Facts().dllPath.end())) +
                                       " .quarry8  6B 6E 6F 77 6E 20 62 79 - 74 65 73 20 6F 66 20 2E   known bytes of .\n");
    const Ran none = QuarryMap(at + L" --find QuarryMap-finds-no-such-text");
    EXPECT_EQ(none.status, 1u) << none.err;
    EXPECT_EQ(none.out, "");
}

// Killed while a search reads it, the target leaves the hits so far and the failure line.
TEST(QuarryMapOnTarget, ASearchOfATargetThatEndsSaysSoWithTwo) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start(L"--committed-mib 3072")) << target.Error();
    std::thread killer([&] {
        Sleep(1500);
        TerminateProcess(UniqueHandle(OpenProcess(PROCESS_TERMINATE, FALSE, target.Facts().pid)).get(), 9);
    });
    const Ran run = QuarryMap(std::to_wstring(target.Facts().pid) + L" --find-hex \"51 75 ?? 72 72\" --type private");
    killer.join();
    EXPECT_EQ(run.status, 2u) << run.out;
    EXPECT_EQ(run.err, "QuarryMap: the process ended during the search\n");
}

}  // namespace
}  // namespace quarry::cli

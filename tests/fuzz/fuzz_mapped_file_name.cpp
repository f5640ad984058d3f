// ResolveMappedFileName against a system whose mapped name, drive list and device names all
// come from the input, device names answered in the order they are asked for. A resolved
// path is a drive letter from the list (or the name's own), a colon and the rest of the
// mapped name from a backslash on.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "memmap/mapped_file_name.h"

using quarry::fuzz::ConsumeUnits;
using quarry::fuzz::Expect;

namespace {

class FuzzedSystem final : public quarry::TargetSystem {
public:
    std::u16string mapped, drives;
    std::vector<std::u16string> devices;
    std::size_t devicesAsked = 0;

    std::u16string MappedFileName(std::uint64_t) override { return mapped; }
    std::u16string LogicalDriveStrings() override { return drives; }
    std::u16string DosDeviceName(const std::u16string& driveName) override {
        Expect(driveName.size() == 2 && driveName[1] == u':', "a drive name is a letter and a colon");
        return devicesAsked < devices.size() ? devices[devicesAsked++] : std::u16string();
    }

    // Not asked by the resolution.
    std::uint32_t ProcessId() override { return 0; }
    bool QueryRegion(std::uint64_t, quarry::RegionInfo&) override { return false; }
    bool ReadMemory(std::uint64_t, std::span<std::uint8_t>) override { return false; }
    std::u16string ModuleFileName(std::uint64_t) override { return {}; }
    std::vector<quarry::ThreadEntry> SnapshotThreads() override { return {}; }
    std::optional<quarry::ThreadBasics> QueryThread(std::uint32_t) override { return std::nullopt; }
    std::vector<std::uint64_t> SnapshotHeaps() override { return {}; }
    std::uint64_t QueryPebAddress() override { return 0; }
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t>) override { return 0; }
    std::u16string AnsiToText(std::string_view) override { return {}; }
};

// The name's own drive when it came with one, else the letter of a root in the list: roots
// run up to the first empty one (or the list's end).
bool ComesFromTheNameOrTheList(const std::u16string& path, const std::u16string& mapped, const std::u16string& drives) {
    if (path == mapped || u"\\??\\" + path == mapped) return true;
    for (std::size_t start = 0; start < drives.size() && drives[start] != u'\0';) {
        if (drives[start] == path[0]) return true;
        const std::size_t end = drives.find(u'\0', start);
        if (end == std::u16string::npos) break;
        start = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    FuzzedSystem system;
    system.mapped = ConsumeUnits(input, 300);
    system.drives = ConsumeUnits(input, 300);
    while (input.remaining_bytes() > 0) system.devices.push_back(ConsumeUnits(input, 300));

    const std::optional<std::u16string> path = quarry::ResolveMappedFileName(system, 0x10000);
    if (!path) return 0;
    Expect(!system.mapped.empty(), "nothing is resolved when no file is mapped");
    Expect(path->size() >= 3 && (*path)[1] == u':' && (*path)[2] == u'\\', "a drive letter, a colon, a backslash");
    Expect(path->size() <= system.mapped.size() + 2, "no longer than the mapped name and a drive name");
    Expect(system.mapped.ends_with(path->substr(2)), "the rest of the mapped name from a backslash on");
    Expect(ComesFromTheNameOrTheList(*path, system.mapped, system.drives), "the name's own drive or one of the list");
    return 0;
}

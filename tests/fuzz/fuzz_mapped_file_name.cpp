// ResolveMappedFileName with the mapped name, the drive list and the drives' device names
// all from the input: a resolved path is a drive letter, a colon and the rest of the mapped
// name from a backslash on.
#include "fuzz_input.h"
#include "memmap/mapped_file_name.h"
#include "support/memmap_scripted_system.h"

using quarry::fuzz::ConsumeUnits;
using quarry::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    quarry::test::ScriptedTargetSystem system;
    const std::u16string mapped = ConsumeUnits(input, 300);
    system.mappedNames[0x10000] = mapped;
    system.driveStrings = ConsumeUnits(input, 300);
    while (input.remaining_bytes() > 0) {
        const std::u16string drive = ConsumeUnits(input, 2);
        system.dosDevices[drive] = ConsumeUnits(input, 300);
    }
    const std::optional<std::u16string> path = quarry::ResolveMappedFileName(system, 0x10000);
    if (!path) return 0;
    Expect(path->size() >= 3 && (*path)[1] == u':' && (*path)[2] == u'\\', "a drive letter, a colon, a backslash");
    Expect(mapped.ends_with(path->substr(2)), "the rest of the mapped name from a backslash on");
    return 0;
}

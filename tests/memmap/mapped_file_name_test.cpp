// Mapped file names in the forms the system gives them, turned into drive-letter paths.
#include "memmap/mapped_file_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

constexpr std::uint64_t kView = 0x10000;

std::optional<std::string> Resolve(test::ScriptedTargetSystem& system, std::u16string mapped) {
    system.mappedNames[kView] = std::move(mapped);
    const std::optional<std::u16string> path = ResolveMappedFileName(system, kView);
    return path ? std::optional(test::Narrow(*path)) : std::nullopt;
}

// F: has no device; D: (volume 1) comes before C: (volume 10) and E: (volume 1 again).
test::ScriptedTargetSystem SystemWithDrives() {
    test::ScriptedTargetSystem system;
    system.driveStrings = std::u16string(u"F:\\\0D:\\\0C:\\\0E:\\\0", 16);
    system.dosDevices = {{u"D:", u"\\Device\\HarddiskVolume1"},
                         {u"C:", u"\\Device\\HarddiskVolume10"},
                         {u"E:", u"\\Device\\HarddiskVolume1"}};
    return system;
}

TEST(MappedFileName, DeviceFormIsResolvedThroughTheFirstMatchingDrive) {
    test::ScriptedTargetSystem system = SystemWithDrives();
    EXPECT_EQ(Resolve(system, u"\\Device\\HarddiskVolume1\\dir\\file.txt"), R"(D:\dir\file.txt)");
    // Volume 1's name begins volume 10's paths, but no backslash follows it there.
    EXPECT_EQ(Resolve(system, u"\\Device\\HarddiskVolume10\\x.bin"), R"(C:\x.bin)");
    EXPECT_EQ(Resolve(system, u"\\DEVICE\\harddiskvolume1\\Dir\\File.TXT"), R"(D:\Dir\File.TXT)");
    EXPECT_EQ(Resolve(system, u"\\Device\\HarddiskVolume1"), std::nullopt);
    EXPECT_EQ(Resolve(system, u"\\Device\\Mup\\server\\share\\file"), std::nullopt);
    // Only A to Z fold: these two letters are different characters.
    system.dosDevices[u"F:"] = u"\\Device\\\u00C4";
    EXPECT_EQ(Resolve(system, u"\\Device\\\u00E4\\file"), std::nullopt);
    EXPECT_EQ(Resolve(system, u"\\Device\\\u00C4\\file"), R"(F:\file)");
}

TEST(MappedFileName, DriveLetterFormIsUsedAsItIs) {
    test::ScriptedTargetSystem system;  // no drives at all: none is needed
    EXPECT_EQ(Resolve(system, u"C:\\windows\\system32\\l_intl.nls"), R"(C:\windows\system32\l_intl.nls)");
    EXPECT_EQ(Resolve(system, u"\\??\\C:\\windows\\system32\\locale.nls"), R"(C:\windows\system32\locale.nls)");
    EXPECT_EQ(Resolve(system, u"\\??\\z:\\tmp\\a b.bin"), R"(z:\tmp\a b.bin)");
    EXPECT_EQ(Resolve(system, u"\\??\\UNC\\server\\share\\file"), std::nullopt);
    EXPECT_EQ(Resolve(system, u"\\Device\\HarddiskVolume1\\file"), std::nullopt);
}

TEST(MappedFileName, NothingIsMappedAtTheAddress) {
    test::ScriptedTargetSystem system = SystemWithDrives();
    EXPECT_EQ(ResolveMappedFileName(system, kView), std::nullopt);
}

}  // namespace
}  // namespace quarry

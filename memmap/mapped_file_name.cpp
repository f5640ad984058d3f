#include "memmap/mapped_file_name.h"

#include <string_view>

#include "text/ascii.h"

namespace quarry {
namespace {

constexpr std::u16string_view kDosDevicesPrefix = u"\\??\\";
constexpr std::size_t kDeviceNameCapacity = 260;

bool HasDriveLetter(std::u16string_view path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

// The backslash keeps volume 1 from matching a path on volume 10.
bool BeginsWithDevice(std::u16string_view path, std::u16string_view device) {
    return path.size() > device.size() && path[device.size()] == u'\\' && StartsFoldingAscii(path, device);
}

std::optional<std::u16string> ReplaceDeviceWithDrive(TargetSystem& system, std::u16string_view path) {
    const std::u16string drives = system.LogicalDriveStrings();
    std::u16string_view rest = drives;
    while (!rest.empty() && rest.front() != u'\0') {
        const std::size_t end = rest.find(u'\0');
        const std::u16string_view root = rest.substr(0, end);
        rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);

        const std::u16string driveName{root.front(), u':'};
        const std::u16string device = system.DosDeviceName(driveName);
        if (device.empty() || device.size() >= kDeviceNameCapacity) continue;
        if (BeginsWithDevice(path, device)) return driveName + std::u16string(path.substr(device.size()));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::u16string> ResolveMappedFileName(TargetSystem& system, std::uint64_t address) {
    const std::u16string mapped = system.MappedFileName(address);
    if (mapped.empty()) return std::nullopt;
    std::u16string_view path = mapped;
    if (path.starts_with(kDosDevicesPrefix) && HasDriveLetter(path.substr(kDosDevicesPrefix.size())))
        path.remove_prefix(kDosDevicesPrefix.size());
    if (HasDriveLetter(path)) return std::u16string(path);
    return ReplaceDeviceWithDrive(system, path);
}

}  // namespace quarry

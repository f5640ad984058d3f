// The path of the file mapped at an address of the target, written with a drive letter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "memmap/target_system.h"

namespace quarry {

// A name the system already gives with a drive letter ("C:\dir\file", or "\??\C:\dir\file"
// as Wine does) is used as it is, without the prefix. A device-form name has its device part
// replaced by the first drive, in the system's order, whose device name it begins with
// (letters compared without regard to case) followed by a backslash. Nothing when no file is
// mapped there or no drive stands for its device.
std::optional<std::u16string> ResolveMappedFileName(TargetSystem& system, std::uint64_t address);

}  // namespace quarry

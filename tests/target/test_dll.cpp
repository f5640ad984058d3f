// QuarryTestDll.dll: a DLL of our own that the test target loads, so that its address space
// holds an image with a known path and a section with a known name and known bytes.
#include "target/target_layout.h"

#include <array>

// Exported, so that no linker drops it as unused.
extern "C" __declspec(dllexport) __attribute__((section(".quarry8"), used))
const std::array<char, sizeof quarry::target::kDllSectionMarker> QuarryTestDllMarker =
    std::to_array(quarry::target::kDllSectionMarker);

// Owners for the test-only resources of the test target and the tests; the program's own
// owners (handles) come from the framework.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "framework/handles.h"

namespace quarry::test {

using quarry::UniqueFileHandle;
using quarry::UniqueHandle;

using UniqueModule = UniqueOf<HMODULE, FreeLibrary>;
using UniqueView = UniqueOf<void*, UnmapViewOfFile>;

struct VirtualReleaser {
    void operator()(void* allocation) const { VirtualFree(allocation, 0, MEM_RELEASE); }
};
using UniqueVirtualAlloc = std::unique_ptr<void, VirtualReleaser>;

}  // namespace quarry::test

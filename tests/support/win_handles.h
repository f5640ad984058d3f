// Owners for the test-only resources of the test target and the tests; the program's own
// owners (handles) come from the framework.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "framework/handles.h"

namespace quarry::test {

using quarry::OwnHandle;
using quarry::UniqueHandle;

struct ModuleFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

struct ViewUnmapper {
    void operator()(void* view) const { UnmapViewOfFile(view); }
};
using UniqueView = std::unique_ptr<void, ViewUnmapper>;

struct VirtualReleaser {
    void operator()(void* allocation) const { VirtualFree(allocation, 0, MEM_RELEASE); }
};
using UniqueVirtualAlloc = std::unique_ptr<void, VirtualReleaser>;

}  // namespace quarry::test

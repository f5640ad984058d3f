// Owners for the test-only resources of the test target and the tests; the program's own
// owners (handles, modules) come from the framework.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/handles.h"

namespace quarry::test {

using quarry::UniqueFileHandle;
using quarry::UniqueHandle;
using quarry::UniqueModule;

struct ViewUnmapper {
    void operator()(void* view) const { UnmapViewOfFile(view); }
};
using UniqueView = std::unique_ptr<void, ViewUnmapper>;

struct VirtualReleaser {
    void operator()(void* allocation) const { VirtualFree(allocation, 0, MEM_RELEASE); }
};
using UniqueVirtualAlloc = std::unique_ptr<void, VirtualReleaser>;

}  // namespace quarry::test

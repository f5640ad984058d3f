// Owners for the tests' own resources beside the program's (framework/handles.h).
#pragma once

#include <windows.h>

#include "framework/handles.h"

namespace quarry::test {

using UniqueModule = UniqueOf<HMODULE, FreeLibrary>;

}  // namespace quarry::test

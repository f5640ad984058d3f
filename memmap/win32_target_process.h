// The Windows side of the target process: opening it and finding its executable's name.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace quarry {

// Synchronize, query information, read and operate on memory: enough to look, never to
// change anything in the target.
inline constexpr DWORD kTargetAccess = SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_VM_OPERATION;
static_assert(kTargetAccess == 0x100418);

// Null when the process cannot be opened; the handle is not inheritable.
UniqueHandle OpenTargetProcess(DWORD processId);

struct ProcessEntry {
    DWORD id;
    std::u16string name;  // the executable's file name, no folders
};

// Every process in a process snapshot; empty when none can be taken.
std::vector<ProcessEntry> ListProcesses();

// The executable's file name as the process snapshot reports it (no folders); nothing when
// no snapshot can be taken or the process is not in it.
std::optional<std::u16string> FindProcessName(DWORD processId);

}  // namespace quarry

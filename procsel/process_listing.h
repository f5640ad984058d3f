// The processes Quarry can open for inspection, as the "Select a process" dialog lists them
// and QuarryMap --list prints them: from the same code, so the two never disagree.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "procsel/process_rows.h"

namespace quarry {

// Every process of a process snapshot, in its order, that opens with the rights the target
// is opened with later and whose memory this build can read; the System Idle Process (id 0)
// aside. Empty when no snapshot can be taken.
std::vector<ListedProcess> ListInspectableProcesses();

// "domain\user" of the account the process runs under; nothing when any step fails.
std::optional<std::u16string> GetProcessUserName(HANDLE process);

}  // namespace quarry

// QuarryMap --list: the processes the selection dialog lists, in its order and with its
// columns, as a table, CSV or JSON.
#pragma once

#include <string>
#include <vector>

#include "procsel/process_rows.h"

namespace quarry::cli {

std::u16string ProcessTable(const std::vector<ListedProcess>& processes);
std::string ProcessesToCsv(const std::vector<ListedProcess>& processes);
// {"processes":[{"id":N,"name":"...","user":"..."},...]}, the user "" when unknown.
std::string ProcessesToJson(const std::vector<ListedProcess>& processes);

}  // namespace quarry::cli

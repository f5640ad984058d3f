// QuarryMap's CSV: UTF-8 without a byte order mark, CRLF line ends, every field quoted and
// quotes doubled. The header names the row kind and the seven columns; each line after it
// is one row of the tree, its cells as the tree shows them, an unset cell empty.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/map_rows.h"
#include "text/utf8.h"

namespace quarry::cli {

// One line of quoted fields, as every line of QuarryMap's CSV.
std::string CsvLine(const std::vector<std::u16string>& fields);

std::string MapToCsv(const MapRows& rows);

// Why a text is not a QuarryMap export, and where.
struct CsvError {
    std::size_t line;  // 1 for the header
    std::string what;
};

// The rows of an export; each row's address is read back from its Address cell. An empty
// field reads back as an unset cell, since an export writes an empty cell and an unset one
// alike: two exports compare and list their rows by the same reading.
std::variant<MapRows, CsvError> MapFromCsv(std::string_view text);

}  // namespace quarry::cli

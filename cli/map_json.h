// QuarryMap's JSON: the map, its totals, a comparison, and any list of cells. Every cell keeps
// the tree's text, under its column's caption; beside the texts, the numbers a script wants.
// An address stays a 16-digit text, since a 64-bit number does not survive every reader.
#pragma once

#include <string>
#include <vector>

#include "cli/json_writer.h"
#include "cli/map_report.h"
#include "cli/map_rows.h"

namespace quarry::cli {

// A row: {"address":"0000000140000000","size_kb":8,"commit_kb":8,"blocks":2,"cells":{"Address":
// ...,"Details":...}}, numbers 0 where the tree leaves the cell empty; left open, so that an
// allocation's "regions" can follow.
void BeginRow(JsonWriter& json, const MapRow& row);

// {"allocations":[...]}: each allocation a row with its region rows in "regions".
std::string MapToJson(const MapRows& rows);

// {"types":[{"type":"Image","allocations":N,"size_kb":N,"committed_kb":N},...],"total":{...}}.
std::string SummaryToJson(const MapRows& rows);

// The members of a comparison, for an object the caller opens and closes: "added" and
// "removed", lists of rows (allocations, as the text form lists them), and "changed", a list
// of {"address":...,"cells":[{"column":"Commit","before":"64 KB","after":"128 KB"}],
// "regions":[{"change":"added"|"removed"|"changed", the row or its address and cells}]}.
void WriteDifference(JsonWriter& json, const MapDifference& difference);
// Those members as one document.
std::string DifferenceToJson(const MapDifference& difference);

// An object of `cells` named by their `captions` in lower case ({"address":...,"type":...}):
// a hit or a string.
void WriteCells(JsonWriter& json, const std::vector<std::u16string>& captions, const std::vector<std::u16string>& cells);

}  // namespace quarry::cli

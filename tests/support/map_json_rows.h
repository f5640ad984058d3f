// A map's rows read back from QuarryMap's JSON by nlohmann/json, not by QuarryMap's code:
// allocations each followed by their regions, an empty cell read as an unset one, as the
// CSV reads them.
#pragma once

#include <nlohmann/json.hpp>

#include "cli/map_rows.h"
#include "text/numbers.h"
#include "text/utf8.h"

namespace quarry::test {

inline std::u16string JsonText(const nlohmann::json& value) { return FromUtf8(value.get<std::string>()); }

inline cli::MapRows RowsOfJson(const nlohmann::json& map) {
    cli::MapRows rows;
    const auto add = [&rows](bool allocation, const nlohmann::json& row) {
        cli::MapRow& added = rows.emplace_back(cli::MapRow{allocation, *ParseHex(JsonText(row["address"])), {}});
        for (std::size_t column = 0; column < kColumnCount; ++column)
            if (std::u16string cell = JsonText(row["cells"][ToUtf8(kMapColumns[column].caption)]); !cell.empty())
                added.cells[column] = std::move(cell);
    };
    for (const nlohmann::json& allocation : map["allocations"]) {
        add(true, allocation);
        for (const nlohmann::json& region : allocation["regions"]) add(false, region);
    }
    return rows;
}

}  // namespace quarry::test

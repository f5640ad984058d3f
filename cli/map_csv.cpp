#include "cli/map_csv.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "text/numbers.h"
#include "text/utf8.h"

namespace quarry::cli {
namespace {

// The header's fields: the row's kind, then the tree's own column captions.
constexpr std::size_t kFieldCount = 1 + kColumnCount;
std::vector<std::string> HeaderFields() {
    std::vector<std::string> fields{"Row"};
    for (const MapColumn& column : kMapColumns) fields.push_back(ToUtf8(column.caption));
    return fields;
}

void AppendField(std::string& line, std::string_view field) {
    if (!line.empty()) line += ',';
    line += '"';
    for (const char c : field) line += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
    line += '"';
}

// Splits one line of quoted fields; nothing when a field is not quoted or a quote is left open.
std::optional<std::vector<std::string>> SplitQuoted(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (true) {
        if (at >= line.size() || line[at] != '"') return std::nullopt;
        std::string field;
        for (++at;; ++at) {
            if (at >= line.size()) return std::nullopt;
            if (line[at] != '"') {
                field += line[at];
            } else if (at + 1 < line.size() && line[at + 1] == '"') {
                field += '"';
                ++at;
            } else {
                break;
            }
        }
        fields.push_back(std::move(field));
        if (++at == line.size()) return fields;
        if (line[at++] != ',') return std::nullopt;
    }
}

// An Address cell as the map writes it: 16 upper-case digits.
std::optional<std::uint64_t> ParseAddress(std::string_view text) {
    const bool written = text.size() == 16 && text.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
    return written ? ParseHex(FromUtf8(text)) : std::nullopt;
}

}  // namespace

std::string CsvLine(const std::vector<std::u16string>& fields) {
    std::string line;
    for (const std::u16string& field : fields) AppendField(line, ToUtf8(field));
    return line + "\r\n";
}

std::string MapToCsv(const MapRows& rows) {
    std::string csv;
    std::string line;
    for (const std::string& name : HeaderFields()) AppendField(line, name);
    csv += line + "\r\n";
    for (const MapRow& row : rows) {
        line.clear();
        AppendField(line, row.allocation ? "Allocation" : "Region");
        for (int column = 0; column < kColumnCount; ++column) AppendField(line, ToUtf8(row.Cell(column)));
        csv += line + "\r\n";
    }
    return csv;
}

std::variant<MapRows, CsvError> MapFromCsv(std::string_view text) {
    MapRows rows;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) return CsvError{number, "the line does not end with CR LF"};
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 2);
        const std::optional<std::vector<std::string>> fields = SplitQuoted(line);
        if (!fields || fields->size() != kFieldCount) return CsvError{number, "expected 8 quoted fields"};
        if (number == 1) {
            if (*fields != HeaderFields()) return CsvError{1, "not a QuarryMap header"};
            continue;
        }
        MapRow row;
        row.allocation = (*fields)[0] == "Allocation";
        if (!row.allocation && (*fields)[0] != "Region") return CsvError{number, "the row is neither Allocation nor Region"};
        if (!row.allocation && rows.empty()) return CsvError{number, "a region before any allocation"};
        const std::optional<std::uint64_t> address = ParseAddress((*fields)[1]);
        if (!address) return CsvError{number, "the address is not 16 hexadecimal digits"};
        row.address = *address;
        for (int column = 0; column < kColumnCount; ++column)
            if (const std::string& field = (*fields)[static_cast<std::size_t>(column) + 1]; !field.empty())
                row.cells[static_cast<std::size_t>(column)] = FromUtf8(field);
        rows.push_back(std::move(row));
    }
    if (number == 0) return CsvError{1, "the file is empty"};
    return rows;
}

}  // namespace quarry::cli

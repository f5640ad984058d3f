#include "cli/map_csv.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quarry::cli {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

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

std::optional<std::uint64_t> ParseAddress(std::string_view text) {
    if (text.size() != 16) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (IsHigh(text[i]) || IsLow(text[i]))
            c = kReplacement;  // a lone half of a pair has no UTF-8 form
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kLeast[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        AppendUtf16(out, valid ? c : kReplacement);
        i += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
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

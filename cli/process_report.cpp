#include "cli/process_report.h"

#include "cli/json_writer.h"
#include "cli/map_csv.h"
#include "cli/map_report.h"
#include "text/numbers.h"

namespace quarry::cli {
namespace {

std::vector<std::u16string> Titles() { return {kProcessColumnTitles.begin(), kProcessColumnTitles.end()}; }

std::vector<std::u16string> Cells(const ListedProcess& process) { return {process.name, DecimalText(process.id), process.user}; }

}  // namespace

std::u16string ProcessTable(const std::vector<ListedProcess>& processes) {
    std::vector<std::vector<std::u16string>> lines{Titles()};
    for (const ListedProcess& process : processes) lines.push_back(Cells(process));
    return Aligned(lines, {false, true, false});
}

std::string ProcessesToCsv(const std::vector<ListedProcess>& processes) {
    std::string csv = CsvLine(Titles());
    for (const ListedProcess& process : processes) csv += CsvLine(Cells(process));
    return csv;
}

std::string ProcessesToJson(const std::vector<ListedProcess>& processes) {
    JsonWriter json;
    json.BeginObject().Key("processes").BeginArray();
    for (const ListedProcess& process : processes)
        json.BeginObject().Member("id", process.id).Member("name", process.name).Member("user", process.user).EndObject();
    json.EndArray().EndObject();
    return json.Take() + "\n";
}

}  // namespace quarry::cli

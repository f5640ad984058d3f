// QuarryMap.exe: the memory map of a process on the command line, from the same walk as
// Quarry's window: exported, compared, watched, dumped and searched.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include "cli/arguments.h"
#include "cli/console_output.h"
#include "cli/map_csv.h"
#include "cli/map_json.h"
#include "cli/map_report.h"
#include "cli/map_rows.h"
#include "cli/process_report.h"
#include "cli/search_hits.h"
#include "content/search_reader.h"
#include "framework/handles.h"
#include "framework/utf16.h"
#include "memmap/memory_map.h"
#include "memmap/win32_region_dump.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "procsel/privileges.h"
#include "procsel/process_listing.h"
#include "text/numbers.h"

namespace quarry::cli {
namespace {

// Writes the regions at `addresses` as the window's Dump writes them. No reason is added:
// the dump's own questions run on other threads, so the last error here may not be theirs.
std::optional<Failure> DumpTo(const std::u16string& path, TargetSystem& target, const std::vector<std::uint64_t>& addresses) {
    return WriteWhole(path, [&](HANDLE file) -> std::optional<Failure> {
        if (DumpRegions(file, target, addresses)) return std::nullopt;
        return Failure{u"cannot read the memory to dump, or write it to " + path};
    });
}

// The process asked for: by its id, or by its executable's name when exactly one has it.
std::variant<DWORD, Failure> FindProcess(const std::u16string& asked) {
    const std::vector<ProcessEntry> processes = ListProcesses();
    if (const std::optional<std::uint32_t> id = ParseProcessId(asked)) {
        for (const ProcessEntry& process : processes)
            if (process.id == *id) return process.id;
        return Failure{u"no process has the id " + asked};
    }
    std::vector<const ProcessEntry*> matches;
    for (const ProcessEntry& process : processes)
        if (NameMatches(process.name, asked)) matches.push_back(&process);
    if (matches.size() == 1) return matches[0]->id;
    if (matches.empty()) return Failure{u"no process is named " + asked};
    std::u16string list;
    for (const ProcessEntry* process : matches)
        list += (list.empty() ? u"" : u", ") + ToUtf16(std::to_wstring(process->id)) + u" " + process->name;
    return Failure{u"several processes are named " + asked + u": " + list};
}

// Counts regions as the walk writes them, shown as a progress line.
class ProgressRows final : public RowWriter {
public:
    explicit ProgressRows(MapRecorder& rows) : rows_(rows) {}

    void SetRowsVisible(bool) override {}
    RowHandle InsertRow(const char16_t* text, RowHandle parent) override {
        if (parent != kNoRow && ++regions_ % 256 == 0) line_.Update([this] { return DecimalText(regions_) + u" regions walked"; });
        return rows_.InsertRow(text, parent);
    }
    void SetRowValue(RowHandle row, std::uint64_t value) override { rows_.SetRowValue(row, value); }
    bool SetCellText(RowHandle row, int column, const char16_t* text) override { return rows_.SetCellText(row, column, text); }
    bool SetRowColor(RowHandle row, std::uint32_t colour) override { return rows_.SetRowColor(row, colour); }

private:
    MapRecorder& rows_;
    ProgressLine line_;
    std::uint64_t regions_ = 0;
};

MapRows WalkProcess(TargetSystem& target) {
    MapRecorder rows;
    {
        ProgressRows progress(rows);
        BuildMemoryMap(target, progress);
    }
    return rows.Rows();
}

std::u16string Hex(std::uint64_t address) {
    wchar_t text[19];
    swprintf(text, 19, L"%llX", static_cast<unsigned long long>(address));
    return ToUtf16(text);
}

std::variant<std::string, Failure> ReadWholeFile(const std::u16string& path) {
    std::ifstream file(std::filesystem::path(ToWide(path)), std::ios::binary);
    if (!file) return Failure{u"cannot read " + path};
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::variant<MapRows, Failure> ReadExport(const std::u16string& path) {
    auto bytes = ReadWholeFile(path);
    if (auto* failure = std::get_if<Failure>(&bytes)) return *failure;
    auto rows = MapFromCsv(std::get<std::string>(bytes));
    if (const auto* error = std::get_if<CsvError>(&rows))
        return Failure{path + u" is not a QuarryMap export: line " + ToUtf16(std::to_wstring(error->line)) + u": " +
                       FromUtf8(error->what)};
    return std::get<MapRows>(std::move(rows));
}

// `text` (for people), or the same bytes CSV or JSON would be, to standard output or -o.
std::optional<Failure> Output(const Arguments& arguments, const std::u16string& text) {
    if (arguments.output.empty()) return Print(text);
    return WriteBytesTo(arguments.output, ToUtf8(text));
}

std::optional<Failure> OutputBytes(const Arguments& arguments, const std::string& bytes) {
    if (arguments.output.empty()) return Printed(WriteBytes(GetStdHandle(STD_OUTPUT_HANDLE), bytes));
    return WriteBytesTo(arguments.output, bytes);
}

int Compare(const Arguments& arguments) {
    auto before = ReadExport(arguments.before);
    if (auto* failure = std::get_if<Failure>(&before)) return Fail(*failure);
    auto after = ReadExport(arguments.after);
    if (auto* failure = std::get_if<Failure>(&after)) return Fail(*failure);
    const MapDifference difference = CompareMaps(std::get<MapRows>(before), std::get<MapRows>(after));
    const std::optional<Failure> failure = arguments.format == Format::Json ? OutputBytes(arguments, DifferenceToJson(difference))
                                                                            : Output(arguments, DifferenceText(difference));
    if (failure) return Fail(*failure);
    return difference.Any() ? 1 : 0;
}

int List(const Arguments& arguments) {
    EnablePrivilege(L"SeDebugPrivilege");  // as the window does, so the same processes open
    const std::vector<ListedProcess> processes = ListInspectableProcesses();
    std::optional<Failure> failure;
    switch (arguments.format) {
        case Format::Text: failure = Output(arguments, ProcessTable(processes)); break;
        case Format::Csv: failure = OutputBytes(arguments, ProcessesToCsv(processes)); break;
        case Format::Json: failure = OutputBytes(arguments, ProcessesToJson(processes)); break;
    }
    return failure ? Fail(*failure) : 0;
}

// Hits written as they are found, in pieces: lines as UTF-16 to a console and as UTF-8
// anywhere else; CSV and JSON as they are, the JSON one document {"hits":[...]} closed by
// Finish. False once a write has failed.
class HitOutput {
public:
    HitOutput(HANDLE handle, Format format, const std::vector<std::u16string>& captions)
        : handle_(handle), format_(format), captions_(captions), console_(format == Format::Text && IsConsole(handle)) {
        if (format_ == Format::Csv) bytes_ = CsvLine(captions_);
        if (format_ == Format::Json) json_.BeginObject().Key("hits").BeginArray();
    }

    bool Add(const std::vector<std::u16string>& cells) {
        switch (format_) {
            case Format::Text: text_ += TextLine(cells); break;
            case Format::Csv: bytes_ += CsvLine(cells); break;
            case Format::Json: WriteCells(json_, captions_, cells); break;
        }
        return text_.size() + bytes_.size() + json_.Size() < kPiece || Flush();
    }
    bool Finish() {
        if (format_ == Format::Json) json_.EndArray().EndObject();
        bytes_ += format_ == Format::Json ? json_.Take() + "\n" : "";
        return Flush();
    }
    bool Ok() const { return ok_; }

private:
    bool Flush() {
        bytes_ += json_.Take();
        ok_ = ok_ && (console_ ? WriteText(handle_, text_) : WriteBytes(handle_, bytes_ + ToUtf8(text_)));
        text_.clear();
        bytes_.clear();
        return ok_;
    }

    static constexpr std::size_t kPiece = 1 << 16;
    HANDLE handle_;
    Format format_;
    const std::vector<std::u16string>& captions_;
    bool console_, ok_ = true;
    std::u16string text_;
    std::string bytes_;
    JsonWriter json_;
};

struct SearchResult {
    std::uint64_t hits = 0;
    std::optional<Failure> failure;
};

// The search asked for over `rows` (the whole map, or the allocation --at names), its hits
// written to `out` as they are found.
SearchResult Search(const Arguments& arguments, TargetSystem& target, HANDLE process, const MapRows& rows, HANDLE out) {
    const MapIndex index(rows);
    const MapIndex::Searched searched = index.Ranges(arguments.types);
    HitOutput output(out, arguments.format, arguments.action == Action::Strings ? kStringCaptions : kHitCaptions);
    SearchResult result;
    const auto more = [&] { return output.Ok() && (!arguments.maxHits || result.hits < *arguments.maxHits); };
    const auto onHit = [&](const PatternHit& hit) {
        const std::optional<MapIndex::Place> place = index.Find(hit.address);
        if (!place) return true;
        ++result.hits;
        output.Add(HitCells(*place, hit.address, hit.bytes));
        return more();
    };
    const auto onString = [&](const StringHit& hit) {
        const std::optional<MapIndex::Place> place = index.Find(hit.address);
        if (!place) return true;
        ++result.hits;
        output.Add(StringCells(*place, hit));
        return more();
    };
    std::vector<BytePattern> patterns;
    if (arguments.action == Action::FindHex) patterns.push_back(*HexPattern(arguments.pattern));
    if (arguments.action == Action::Find)
        for (const auto& pattern : {Utf8TextPattern(arguments.pattern, arguments.ignoreCase),
                                    Utf16TextPattern(arguments.pattern, arguments.ignoreCase)})
            patterns.push_back(*pattern);
    PatternSearch patternSearch(patterns, onHit, kHexLineBytes);
    StringSearch stringSearch(arguments.minLength, onString);
    ChunkSearch& search = arguments.action == Action::Strings ? static_cast<ChunkSearch&>(stringSearch) : patternSearch;

    bool ended = false;
    {
        ProgressLine progress;
        // Whether the target has ended costs a round trip to Wine's server: asked every
        // 50 ms, not at every chunk.
        ULONGLONG nextLook = 0;
        // The map's committed total is what the search will go through, unless the target
        // has changed since the walk.
        SearchMemory(target, searched.ranges, search, [&](std::uint64_t done) {
            progress.Update([&] {
                std::u16string text = DecimalText(done >> 20);
                return text.append(u" of ").append(DecimalText(std::max(done, searched.committed) >> 20)).append(u" MB searched");
            });
            if (GetTickCount64() < nextLook) return true;
            nextLook = GetTickCount64() + 50;
            return !(ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0);
        });
    }
    // The hits so far are written whole, the JSON closed, even when the target ended.
    if (!output.Finish()) result.failure = WithReason(u"cannot write the hits");
    else if (ended || WaitForSingleObject(process, 0) == WAIT_OBJECT_0) result.failure = Failure{u"the process ended during the search"};
    return result;
}

// Grep's status: 0 with hits, 1 without, 2 on a failure.
int SearchCommand(const Arguments& arguments, TargetSystem& target, HANDLE process, const MapRows& rows) {
    SearchResult result;
    const auto searchInto = [&](HANDLE out) {
        result = Search(arguments, target, process, rows, out);
        return result.failure;
    };
    std::optional<Failure> failure;
    if (arguments.output.empty()) failure = searchInto(GetStdHandle(STD_OUTPUT_HANDLE));
    else failure = WriteWhole(arguments.output, searchInto);
    if (failure) return Fail(*failure);
    return result.hits > 0 ? 0 : 1;
}

// Set by Ctrl+C, Ctrl+Break or the console closing, which end --watch between two writes.
HANDLE g_stopWatching = nullptr;

BOOL WINAPI StopWatching(DWORD) {
    SetEvent(g_stopWatching);
    return TRUE;  // the watch ends by itself, never in the middle of a line
}

// The local time, as a people's line ("2026-12-08 14:05:09") or as JSON's ("...T14:05:09").
std::u16string LocalTime(char16_t between) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[24];
    swprintf(text, 24, L"%04u-%02u-%02u%c%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, static_cast<wchar_t>(between),
             now.wHour, now.wMinute, now.wSecond);
    return ToUtf16(text);
}

// What one snapshot found, or that the process has ended: one write, so no line is half written.
std::optional<Failure> WatchReport(const Arguments& arguments, const MapDifference* difference) {
    if (arguments.format == Format::Json) {
        JsonWriter json;
        json.BeginObject().Member("time", LocalTime(u'T'));
        if (difference) WriteDifference(json, *difference);
        else json.Member("ended", true);
        json.EndObject();
        return Printed(WriteBytes(GetStdHandle(STD_OUTPUT_HANDLE), json.Take() + "\n"));
    }
    std::u16string text = LocalTime(u' ');
    if (difference) text.append(u"\n").append(DifferenceText(*difference));
    else text.append(u" the process ended\n");
    return Print(text);
}

// A snapshot every interval, each compared with the one before; only the last is kept. A
// walk that takes longer than the interval is followed by the next at once.
int Watch(const Arguments& arguments, TargetSystem& target, HANDLE process, MapRows rows) {
    const UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop) return Fail(WithReason(u"cannot watch"));
    g_stopWatching = stop.get();
    SetConsoleCtrlHandler(StopWatching, TRUE);
    const HANDLE events[] = {stop.get(), process};
    const auto ended = [&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; };
    for (ULONGLONG started = GetTickCount64();;) {
        const ULONGLONG due = started + arguments.watchMilliseconds, now = GetTickCount64();
        const DWORD woken = WaitForMultipleObjects(2, events, FALSE, due > now ? static_cast<DWORD>(due - now) : 0);
        if (woken == WAIT_OBJECT_0) return 0;
        if (woken == WAIT_OBJECT_0 + 1) break;
        started = GetTickCount64();
        MapRows next = WalkProcess(target);
        if (WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0) return 0;
        // The walk of a process that ended while it ran is no snapshot of it.
        if (ended()) break;
        const MapDifference difference = CompareMaps(rows, next);
        if (difference.Any())
            if (const std::optional<Failure> failure = WatchReport(arguments, &difference)) return Fail(*failure);
        rows = std::move(next);
    }
    const std::optional<Failure> failure = WatchReport(arguments, nullptr);
    return failure ? Fail(*failure) : 0;
}

std::optional<Failure> WriteMap(const Arguments& arguments, const MapRows& rows) {
    switch (arguments.format) {
        case Format::Text: return Output(arguments, MapTable(rows));
        case Format::Csv: return OutputBytes(arguments, MapToCsv(rows));
        case Format::Json: break;
    }
    return OutputBytes(arguments, MapToJson(rows));
}

int Run(const Arguments& arguments) {
    if (arguments.action == Action::Help) {
        const std::optional<Failure> failure = Print(kUsage);
        return failure ? Fail(*failure) : 0;
    }
    if (arguments.action == Action::Diff) return Compare(arguments);
    if (arguments.action == Action::List) return List(arguments);

    const auto found = FindProcess(arguments.process);
    if (const auto* failure = std::get_if<Failure>(&found)) return Fail(*failure);
    EnablePrivilege(L"SeDebugPrivilege");  // as the window does; without it, fewer processes open
    const UniqueHandle process = OpenTargetProcess(std::get<DWORD>(found));
    if (!process) return Fail({u"cannot open process " + arguments.process});
    // One for the walk and the dump, which thus share what is known of the target's end.
    const std::shared_ptr<TargetSystem> target = OpenTargetSystem(process.get());
    MapRows rows = WalkProcess(*target);
    if (arguments.action == Action::Watch) return Watch(arguments, *target, process.get(), std::move(rows));

    // A dump works on the allocation holding its address, as --at does (the two never meet).
    const bool dump = arguments.action == Action::Dump || arguments.action == Action::DumpAllocation;
    const std::optional<std::uint64_t> address = dump ? std::optional(arguments.dumpAddress) : arguments.at;
    if (address) {
        std::optional<MapRows> allocation = AllocationHolding(rows, *address);
        if (!allocation) return Fail({u"no allocation holds the address " + Hex(*address)});
        rows = std::move(*allocation);
    }
    if (IsSearch(arguments.action)) return SearchCommand(arguments, *target, process.get(), rows);
    std::optional<Failure> failure;
    switch (arguments.action) {
        case Action::Map: failure = WriteMap(arguments, rows); break;
        case Action::Summary:
            failure = arguments.format == Format::Json ? OutputBytes(arguments, SummaryToJson(rows)) : Output(arguments, MapSummary(rows));
            break;
        case Action::Dump: {
            const MapRow* region = RegionHolding(rows, arguments.dumpAddress);
            failure = DumpTo(arguments.output, *target, {region ? region->address : rows.front().address});
            break;
        }
        case Action::DumpAllocation: {
            std::vector<std::uint64_t> regions;
            for (const MapRow& row : rows)
                if (!row.allocation) regions.push_back(row.address);
            failure = DumpTo(arguments.output, *target, regions);
            break;
        }
        default: break;
    }
    return failure ? Fail(*failure) : 0;
}

}  // namespace
}  // namespace quarry::cli

int wmain(int argc, wchar_t** argv) {
    using namespace quarry::cli;
    std::vector<std::u16string> words;
    for (int i = 1; i < argc; ++i) words.push_back(quarry::ToUtf16(argv[i]));
    const auto parsed = ParseArguments(words);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        // One line, as for every failure, so that a script can show or log it as it is.
        return Fail({quarry::FromUtf8(*error) + u" (QuarryMap --help lists the commands)"});
    }
    return Run(std::get<Arguments>(parsed));
}

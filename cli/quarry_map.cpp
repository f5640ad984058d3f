// QuarryMap.exe: the memory map of a process on the command line, from the same walk as
// Quarry's window. Texts for people go to a console as UTF-16 and anywhere else as UTF-8;
// CSV is always UTF-8. Failures, a write that fails included: one line on standard error
// and status 2.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include "cli/arguments.h"
#include "cli/map_csv.h"
#include "cli/map_report.h"
#include "cli/map_rows.h"
#include "cli/search_hits.h"
#include "content/search_reader.h"
#include "framework/handles.h"
#include "framework/utf16.h"
#include "memmap/memory_map.h"
#include "memmap/win32_region_dump.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "procsel/privileges.h"
#include "text/numbers.h"

namespace quarry::cli {
namespace {

constexpr int kUsageError = 2;  // also every other failure; 1 is "the maps differ"

// A failure to report: the message after "QuarryMap: ".
struct Failure {
    std::u16string message;
};

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// All of `bytes`, in pieces one WriteFile takes; false when the handle refuses some.
bool WriteBytes(HANDLE handle, const std::string& bytes) {
    DWORD written = 0;
    for (std::size_t at = 0; at < bytes.size(); at += written)
        if (!WriteFile(handle, bytes.data() + at, static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20)), &written, nullptr) || !written)
            return false;
    return true;
}

// False when the handle refuses some of `text`.
bool WriteText(HANDLE handle, const std::u16string& text) {
    if (!IsConsole(handle)) return WriteBytes(handle, ToUtf8(text));
    DWORD written = 0;
    return WriteConsoleW(handle, AsWide(text.c_str()), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// The system's own words for `error`, without the line end they come with.
std::u16string SystemReason(DWORD error) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  static_cast<DWORD>(std::size(text)), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) --length;
    return length > 0 ? ToUtf16(std::wstring_view(text, length)) : u"error " + ToUtf16(std::to_wstring(error));
}

// `what`, then why the call that has just failed did, as the system says it.
Failure WithReason(const std::u16string& what) {
    const DWORD error = GetLastError();
    return Failure{error ? what + u": " + SystemReason(error) : what};
}

// Nothing when standard output took what was written to it, else why not.
std::optional<Failure> Printed(bool written) {
    if (written) return std::nullopt;
    return WithReason(u"cannot write to standard output");
}

std::optional<Failure> Print(const std::u16string& text) { return Printed(WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text)); }

// A device (NUL, a console, Z:\dev\full under Wine) or a pipe, which can only be written
// in place: a file moved over it would replace the device's name, not write to it.
bool IsDevice(const std::wstring& path) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && GetFileType(file.get()) != FILE_TYPE_DISK;
}

// Writes `path` through a temporary file beside it, so that a failure leaves neither half a
// file nor a damaged old one; `write` fills the open file and says whether it managed.
template <typename Write>
std::optional<Failure> WriteWhole(const std::u16string& path, Write write) {
    const std::wstring target = ToWide(path);
    if (IsDevice(target)) {
        const UniqueFileHandle device(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return device ? write(device.get()) : WithReason(u"cannot write " + path);
    }
    const std::wstring temporary = target + L".quarrymap-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    std::optional<Failure> failure;
    {
        const UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        failure = file ? write(file.get()) : WithReason(u"cannot write " + path);
    }
    if (!failure && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) failure = WithReason(u"cannot write " + path);
    if (failure) DeleteFileW(temporary.c_str());
    return failure;
}

std::optional<Failure> WriteBytesTo(const std::u16string& path, const std::string& bytes) {
    return WriteWhole(path, [&](HANDLE file) -> std::optional<Failure> {
        if (WriteBytes(file, bytes)) return std::nullopt;
        return WithReason(u"cannot write " + path);
    });
}

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

// A line of progress on a console's standard error, once the work has taken half a second,
// erased when done. The text is made only when it is shown.
class ProgressLine {
public:
    ProgressLine() : console_(IsConsole(GetStdHandle(STD_ERROR_HANDLE))) {}
    ~ProgressLine() {
        if (shown_) Show(u"\r" + std::u16string(40, u' ') + u"\r");
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    template <typename Text>
    void Update(Text text) {
        if (!console_ || std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(500)) return;
        std::u16string line(1, u'\r');
        Show(line.append(text()));
        shown_ = true;
    }

private:
    // Progress is a courtesy: a console that refuses it changes nothing about the result.
    static void Show(const std::u16string& text) { static_cast<void>(WriteText(GetStdHandle(STD_ERROR_HANDLE), text)); }

    const bool console_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    bool shown_ = false;
};

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

// When standard error refuses the message too, the status is all that is left to tell.
int Fail(const Failure& failure) {
    static_cast<void>(WriteText(GetStdHandle(STD_ERROR_HANDLE), u"QuarryMap: " + failure.message + u"\n"));
    return kUsageError;
}

int Compare(const Arguments& arguments) {
    auto before = ReadExport(arguments.before);
    if (auto* failure = std::get_if<Failure>(&before)) return Fail(*failure);
    auto after = ReadExport(arguments.after);
    if (auto* failure = std::get_if<Failure>(&after)) return Fail(*failure);
    const MapDifference difference = CompareMaps(std::get<MapRows>(before), std::get<MapRows>(after));
    if (const std::optional<Failure> failure = Print(difference.text)) return Fail(*failure);
    return difference.added + difference.removed + difference.changed ? 1 : 0;
}

// Lines of hits written as they are found, in pieces, as UTF-16 to a console and as UTF-8
// anywhere else (CSV always); false once a write has failed.
class HitOutput {
public:
    HitOutput(HANDLE handle, bool csv) : handle_(handle), csv_(csv), console_(!csv && IsConsole(handle)) {}

    bool Add(const std::vector<std::u16string>& cells) {
        if (csv_) bytes_ += CsvLine(cells);
        else text_ += TextLine(cells);
        return text_.size() + bytes_.size() < kPiece || Flush();
    }
    bool Flush() {
        ok_ = ok_ && (console_ ? WriteText(handle_, text_) : WriteBytes(handle_, bytes_ + ToUtf8(text_)));
        text_.clear();
        bytes_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }

private:
    static constexpr std::size_t kPiece = 1 << 16;
    HANDLE handle_;
    bool csv_, console_, ok_ = true;
    std::u16string text_;
    std::string bytes_;
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
    HitOutput output(out, arguments.csv);
    SearchResult result;
    if (arguments.csv) output.Add(arguments.action == Action::Strings ? kStringCaptions : kHitCaptions);
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
    if (!output.Flush()) result.failure = WithReason(u"cannot write the hits");
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

int Run(const Arguments& arguments) {
    if (arguments.action == Action::Help) {
        const std::optional<Failure> failure = Print(kUsage);
        return failure ? Fail(*failure) : 0;
    }
    if (arguments.action == Action::Diff) return Compare(arguments);

    const auto found = FindProcess(arguments.process);
    if (const auto* failure = std::get_if<Failure>(&found)) return Fail(*failure);
    EnablePrivilege(L"SeDebugPrivilege");  // as the window does; without it, fewer processes open
    const UniqueHandle process = OpenTargetProcess(std::get<DWORD>(found));
    if (!process) return Fail({u"cannot open process " + arguments.process});
    // One for the walk and the dump, which thus share what is known of the target's end.
    const std::shared_ptr<TargetSystem> target = OpenTargetSystem(process.get());
    MapRows rows = WalkProcess(*target);

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
        case Action::Table: failure = Print(MapTable(rows)); break;
        case Action::Summary: failure = Print(MapSummary(rows)); break;
        case Action::Csv:
            if (arguments.output.empty()) failure = Printed(WriteBytes(GetStdHandle(STD_OUTPUT_HANDLE), MapToCsv(rows)));
            else failure = WriteBytesTo(arguments.output, MapToCsv(rows));
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

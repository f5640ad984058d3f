#include "bench/core_bench.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/counting_rows.h"
#include "bench/plain_hex_dump.h"
#include "cli/map_csv.h"
#include "cli/map_json.h"
#include "cli/map_report.h"
#include "content/hex_dump.h"
#include "content/memory_search.h"
#include "memmap/memory_map.h"
#include "treelist/cell_store.h"
#include "treelist/search_order.h"

namespace quarry::bench {
namespace {

constexpr std::uint32_t kPageSize = 4096;
constexpr std::uint64_t kDisplayBase = 0x7FF6A0001000;

// Kept so that the compiler cannot drop the formatting as unused.
volatile std::size_t sink = 0;

template <typename Format>
Seconds TimePerPage(const std::vector<std::uint8_t>& page, int pages, Format format) {
    std::u16string text;
    const Seconds total = FastestOf(5, [&] {
        for (int i = 0; i < pages; ++i) {
            format(page.data(), kPageSize, kDisplayBase + i, text);
            sink = sink + text.size();
        }
    });
    return total / pages;
}

// The walk's rows in the tree-list's record, as the window keeps them, without the window.
class StoreRowWriter final : public RowWriter {
public:
    void SetRowsVisible(bool) override {}
    RowHandle InsertRow(const char16_t* text, RowHandle parent) override {
        const RowHandle row = ++rows_;
        return store.AppendRow(row, kColumnCount, text, parent) ? row : kNoRow;
    }
    void SetRowValue(RowHandle row, std::uint64_t value) override { store.SetRowValue(row, value); }
    bool SetCellText(RowHandle row, int column, const char16_t* text) override {
        return store.SetCellText(row, column, kColumnCount, text);
    }
    bool SetRowColor(RowHandle row, std::uint32_t colour) override { return store.SetRowColor(row, colour); }

    CellStore store;

private:
    RowHandle rows_ = kNoRow;
};

std::u16string AddressText(std::uint64_t address) {
    std::u16string text;
    for (int shift = 60; shift >= 0; shift -= 4) text += u"0123456789ABCDEF"[(address >> shift) & 0xF];
    return text;
}

// A plain search for a literal: glibc's memmem where there is one, std::search elsewhere.
std::size_t PlainSearchCount(const std::vector<std::uint8_t>& haystack, std::string_view needle) {
    std::size_t hits = 0;
#ifdef __GLIBC__
    const std::uint8_t* at = haystack.data();
    const std::uint8_t* const end = at + haystack.size();
    while (const void* found = memmem(at, static_cast<std::size_t>(end - at), needle.data(), needle.size())) {
        ++hits;
        at = static_cast<const std::uint8_t*>(found) + 1;
    }
#else
    for (auto at = haystack.begin(); (at = std::search(at, haystack.end(), needle.begin(), needle.end())) != haystack.end(); ++at)
        ++hits;
#endif
    return hits;
}

constexpr const char* kPlainSearchName =
#ifdef __GLIBC__
    "memmem";
#else
    "std::search";
#endif

std::string Throughput(std::size_t bytes, Seconds seconds) {
    return Fixed(static_cast<double>(bytes) / seconds / 1e9, 2) + " GB/s";
}

}  // namespace

void BenchHexDump(Report& report) {
    std::vector<std::uint8_t> page(kPageSize);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i * 31 + 7);

    std::u16string fast, plain;
    FormatHexDump(page.data(), kPageSize, kDisplayBase, fast);
    plain::FormatHexDump(page.data(), kPageSize, kDisplayBase, plain);
    const bool same = fast == plain && fast.size() == 23124;

    const Seconds ours = TimePerPage(page, 2000, FormatHexDump);
    const Seconds baseline = TimePerPage(page, 100, plain::FormatHexDump);
    const double ratio = baseline / ours;
    report.Add({"FormatHexDump, one 4096-byte page", Micros(ours),
                "swprintf per piece: " + Micros(baseline) + " (" + Fixed(ratio, 0) + "x slower)" +
                    (same ? ", same text" : ", DIFFERENT TEXT"),
                "<= 10 µs, >= 10x faster", Verdict(same && ours <= 10e-6 && ratio >= 10)});
}

Seconds BenchWalkAlone(Report& report, ScriptedLayout& layout) {
    CountingRowWriter rows;
    const Seconds walk = FastestOf(3, [&] {
        layout.system.callsLeft = 1 << 30;  // a target that never ends
        rows = CountingRowWriter();
        BuildMemoryMap(layout.system, rows);
    });
    const bool complete = rows.allocations == layout.allocations && rows.rows == layout.allocations + layout.regions;
    report.Add({"BuildMemoryMap of " + std::to_string(layout.regions) + " scripted regions in " +
                    std::to_string(layout.allocations) + " allocations, into a RowWriter that does nothing",
                Millis(walk) + " (" + Millis(walk / (static_cast<double>(layout.regions) / 1000)) + " per 1,000 regions)",
                std::to_string(rows.rows) + " rows, " + std::to_string(rows.cellWrites) + " cell writes" +
                    (complete ? "" : ", ROWS MISSING"),
                "", complete ? "" : "missed"});
    return walk;
}

void BenchStoreSearch(Report& report, ScriptedLayout& layout) {
    StoreRowWriter writer;
    layout.system.callsLeft = 1 << 30;  // a target that never ends
    BuildMemoryMap(layout.system, writer);
    // A-Z folding, where the window folds as the platform does.
    const std::unique_ptr<CaseFoldTable> fold = AsciiCaseFold();
    const StoreRows tree(writer.store, *fold);
    const std::u16string last = AddressText(layout.lastRegion);
    RowHandle found = kNoRow;
    const Seconds search = FastestOf(3, [&] { found = FindNextRow(tree, tree.FirstTopLevelRow(), last.c_str()); });
    const bool foundLast = found != kNoRow && tree.NextSibling(found) == kNoRow && tree.RowContainsText(found, last.c_str());
    report.Add({"Find's walk from the first row to the last, over the tree-list's record without the window",
                Millis(search) + (foundLast ? "" : ", NOT FOUND"), "the search's own share of FindNext", "", ""});
}

void BenchQuarryMap(Report& report, ScriptedLayout& layout, Seconds walkAlone) {
    std::string csv;
    const Seconds export_ = FastestOf(3, [&] {
        layout.system.callsLeft = 1 << 30;  // a target that never ends
        cli::MapRecorder rows;
        BuildMemoryMap(layout.system, rows);
        csv = cli::MapToCsv(rows.Rows());
    });
    report.Add({"QuarryMap's CSV export of the same map: walk, rows in the tree's order, CSV text",
                Millis(export_), Fixed(export_ / walkAlone, 1) + "x the walk alone, " + std::to_string(csv.size() >> 20) + " MB",
                "<= 1 s", Verdict(export_ <= 1.0)});
    std::string json;
    const Seconds jsonExport = FastestOf(3, [&] {
        layout.system.callsLeft = 1 << 30;
        cli::MapRecorder rows;
        BuildMemoryMap(layout.system, rows);
        json = cli::MapToJson(rows.Rows());
    });
    report.Add({"QuarryMap's JSON export of the same map", Millis(jsonExport),
                Fixed(jsonExport / export_, 2) + "x the CSV export, " + std::to_string(json.size() >> 20) + " MB", "", ""});

    // The second export differs in one place: an allocation committed more.
    std::string after = csv;
    const std::size_t line = after.find("\"Allocation\"", after.size() / 2);
    const std::size_t commit = after.find("KB\",\"", line);
    if (commit != std::string::npos) after.insert(after.begin() + static_cast<std::ptrdiff_t>(commit + 5), '1');
    int changed = 0;
    const Seconds compare = FastestOf(3, [&] {
        const auto before = cli::MapFromCsv(csv), now = cli::MapFromCsv(after);
        changed = cli::CompareMaps(std::get<cli::MapRows>(before), std::get<cli::MapRows>(now)).changed;
    });
    report.Add({"QuarryMap --diff of two such exports (read both, compare)", Millis(compare),
                std::to_string(changed) + " changed of " + std::to_string(layout.allocations) + " allocations", "<= 1 s",
                Verdict(compare <= 1.0 && changed == 1)});
}

void BenchMemorySearch(Report& report) {
    constexpr std::size_t kBufferSize = std::size_t{256} << 20, kChunk = std::size_t{1} << 20;
    std::vector<std::uint8_t> buffer(kBufferSize);
    std::uint64_t state = 0x9E3779B97F4A7C15;  // xorshift: random bytes, the same every run
    for (std::size_t i = 0; i < kBufferSize; i += 8) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        std::memcpy(buffer.data() + i, &state, 8);
    }
    const std::u16string text = u"QuarrySearchTest";
    const std::string literal(text.begin(), text.end());
    std::string wide;
    for (const char c : literal) wide += {c, '\0'};
    const struct {
        const char* what;
        BytePattern pattern;
        std::string_view plain;
    } cases[] = {
        {"a 16-byte literal", *Utf8TextPattern(text, false), literal},
        {"the same, A-Z case ignored", *Utf8TextPattern(text, true), literal},
        {"its UTF-16 form (32 bytes)", *Utf16TextPattern(text, false), wide},
        {"hex with 4 wildcards in 16 bytes", *HexPattern(u"51 75 ?? 72 72 79 ?? 65 61 72 ?? 68 54 65 ?? 74"), literal},
    };
    for (const auto& c : cases) {
        const bool targeted = &c == &cases[0];  // the literal has a target
        std::size_t hits = 0;
        const Seconds ours = FastestOf(3, [&] {
            hits = 0;
            PatternSearch search({c.pattern}, [&](const PatternHit&) { return ++hits, true; });
            for (std::size_t at = 0; at < kBufferSize; at += kChunk) search.Feed(at, std::span(buffer).subspan(at, kChunk));
            search.EndRun();
        });
        std::size_t plainHits = 0;
        const Seconds plain = FastestOf(3, [&] { plainHits = PlainSearchCount(buffer, c.plain); });
        report.Add({"Memory search, " + std::string(c.what) + ", absent from 256 MiB of random bytes, 1 MiB chunks",
                    Throughput(kBufferSize, ours) + (hits == 0 ? "" : ", " + std::to_string(hits) + " HITS"),
                    std::string(kPlainSearchName) + " of the " + std::to_string(c.plain.size()) + " bytes: " +
                        Throughput(kBufferSize, plain) + (plainHits == 0 ? "" : ", HITS"),
                    targeted ? "at least the plain search's speed" : "", targeted ? Verdict(ours <= plain) : ""});
    }
    std::size_t strings = 0;
    const Seconds found = FastestOf(3, [&] {
        strings = 0;
        StringSearch search(kDefaultMinStringLength, [&](const StringHit&) { return ++strings, true; });
        for (std::size_t at = 0; at < kBufferSize; at += kChunk) search.Feed(at, std::span(buffer).subspan(at, kChunk));
        search.EndRun();
    });
    report.Add({"Strings of at least 5 characters in the same bytes", Throughput(kBufferSize, found),
                std::to_string(strings) + " strings", "", ""});
}

}  // namespace quarry::bench

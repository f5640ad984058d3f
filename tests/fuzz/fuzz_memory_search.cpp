// PatternSearch fed runs of memory in chunks of any size, against a plain search of each
// run's bytes at once: the same hits, in the same order, each showing the same bytes. Patterns, bytes and gaps come from a
// small alphabet (letters in both cases, zeros, bytes beside the case bit) so that hits and
// near misses are common. The strings' chunking is the table test's.
#include <tuple>
#include <vector>

#include "content/memory_search.h"
#include "fuzz_input.h"

namespace {

using quarry::PatternByte;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kAlphabet[] = {'a', 'A', 'b', 'B', 0, 0, 0x80, '@', '`', '\t', ' ', 0x01, 0x7E, 0x7F};

std::uint8_t ConsumeByte(FuzzedDataProvider& input) {
    return kAlphabet[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kAlphabet) - 1)];
}

struct Memory {
    std::uint64_t address;
    Bytes bytes;
};

bool Matches(const PatternByte& position, std::uint8_t byte) {
    const auto lower = [](std::uint8_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    const bool letter = lower(position.value) >= 'a' && lower(position.value) <= 'z';
    switch (position.match) {
        case PatternByte::Match::Any: return true;
        case PatternByte::Match::AnyCase: return letter ? lower(byte) == lower(position.value) : byte == position.value;
        case PatternByte::Match::Exact: break;
    }
    return byte == position.value;
}

using Hit = std::tuple<std::uint64_t, std::size_t, Bytes>;

void PlainPatternHits(const std::vector<quarry::BytePattern>& patterns, std::size_t shown, const Memory& run,
                      std::vector<Hit>& hits) {
    for (std::size_t start = 0; start < run.bytes.size(); ++start)
        for (std::size_t p = 0; p < patterns.size(); ++p) {
            const auto& pattern = patterns[p];
            bool match = !pattern.empty() && start + pattern.size() <= run.bytes.size();
            for (std::size_t i = 0; match && i < pattern.size(); ++i) match = Matches(pattern[i], run.bytes[start + i]);
            const auto from = run.bytes.begin() + static_cast<std::ptrdiff_t>(start);
            const std::size_t count = std::min(shown, run.bytes.size() - start);
            if (match) hits.emplace_back(run.address + start, p, Bytes(from, from + static_cast<std::ptrdiff_t>(count)));
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<quarry::BytePattern> patterns(input.ConsumeIntegralInRange(1, 3));
    for (auto& pattern : patterns) {
        pattern.resize(input.ConsumeIntegralInRange(1, 9));
        for (PatternByte& position : pattern)
            position = {ConsumeByte(input), static_cast<PatternByte::Match>(input.ConsumeIntegralInRange(0, 2))};
    }

    // Runs of memory one after the other, some adjacent (one run for the searches), the others
    // after a gap; each fed in chunks of sizes from the input.
    std::vector<Memory> runs;
    std::vector<Hit> expectedHits, hits;
    const std::size_t shown = input.ConsumeIntegralInRange(0, 12);
    quarry::PatternSearch patternSearch(patterns, [&](const quarry::PatternHit& hit) {
        hits.emplace_back(hit.address, hit.pattern, Bytes(hit.bytes.begin(), hit.bytes.end()));
        return true;
    }, shown);

    std::uint64_t address = input.ConsumeIntegral<std::uint32_t>();
    Memory joined{address, {}};
    while (input.remaining_bytes() > 0) {
        const bool adjacent = input.ConsumeBool();
        if (!adjacent) {
            PlainPatternHits(patterns, shown, joined, expectedHits);
            address += input.ConsumeIntegralInRange(1, 3);
            joined = {address, {}};
            if (input.ConsumeBool()) {  // the end of a run said, or only seen in the next address
                patternSearch.EndRun();
            }
        }
        Bytes chunk(input.ConsumeIntegralInRange(1, 40));
        for (std::uint8_t& byte : chunk) byte = ConsumeByte(input);
        patternSearch.Feed(address, chunk);
        joined.bytes.insert(joined.bytes.end(), chunk.begin(), chunk.end());
        address += chunk.size();
    }
    PlainPatternHits(patterns, shown, joined, expectedHits);
    patternSearch.EndRun();
    quarry::fuzz::Expect(hits == expectedHits, "the pattern hits of a plain search, in address order, with their bytes");
    return 0;
}

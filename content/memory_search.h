// Searching memory as it is read: byte patterns (a text as UTF-8 or UTF-16LE, hex bytes with
// wildcards, A-Z case folded or not) and printable strings. A search is fed the chunks of
// each run of readable memory in address order and keeps only a short carry between them,
// so a hit across a chunk edge is reported once and memory does not grow with the target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarry {

// One position of a byte pattern.
struct PatternByte {
    enum class Match : std::uint8_t {
        Exact,    // `value` only
        AnyCase,  // an ASCII letter in either case; any other byte (0x80 and up too) exactly
        Any,      // any byte
    };
    std::uint8_t value = 0;
    Match match = Match::Exact;
};
using BytePattern = std::vector<PatternByte>;

// `text` as UTF-8 bytes (a lone surrogate as U+FFFD); with `ignoreCase` A-Z matches a-z and
// the other way round. Nothing for an empty text.
std::optional<BytePattern> Utf8TextPattern(std::u16string_view text, bool ignoreCase);
// The same text as UTF-16LE code units; only the units A-Z and a-z fold.
std::optional<BytePattern> Utf16TextPattern(std::u16string_view text, bool ignoreCase);
// Bytes as pairs of hex digits (either case), "??" for any byte: "4D 5A ?? 00". Blanks
// (spaces, tabs) may separate pairs but not split one, so "4D5A??00" is the same pattern.
// Nothing for an empty text, an odd number of digits in a group, a lone "?", a digit beside
// a "?" in one pair, or any other character.
std::optional<BytePattern> HexPattern(std::u16string_view text);

// A search fed the bytes of runs of memory in address order. A run is memory with no gap and
// no unreadable page in it; a hit may cross chunks of one run, never two runs.
class ChunkSearch {
public:
    virtual ~ChunkSearch() = default;

    // The next bytes of the run, at `address`. Bytes that do not start where the last ones
    // ended begin a new run (as after EndRun). False once a receiver of hits asked to stop:
    // from then on nothing more is reported.
    virtual bool Feed(std::uint64_t address, std::span<const std::uint8_t> bytes) = 0;
    // The run ends here: what waited for more bytes is decided and reported, nothing carries.
    virtual bool EndRun() = 0;
};

struct PatternHit {
    std::uint64_t address = 0;
    std::size_t pattern = 0;  // the index of the pattern that matched, as given
    // The bytes from the hit on, as many as the search was asked to show (fewer only where
    // the run ends), valid while the hit is being taken.
    std::span<const std::uint8_t> bytes;
};
// Takes one hit; false stops the search.
using PatternHitReceiver = std::function<bool(const PatternHit&)>;

// Every position where one of the patterns starts, overlapping hits included, in address
// order (at one address in the patterns' order), all patterns in one pass over the bytes.
// An empty pattern matches nowhere. Each hit comes with `shown` bytes from it, so that they
// need no read of their own. Carries the longest pattern's length (or `shown`) less one byte.
class PatternSearch final : public ChunkSearch {
public:
    PatternSearch(const std::vector<BytePattern>& patterns, PatternHitReceiver onHit, std::size_t shown = 0);
    ~PatternSearch() override;

    bool Feed(std::uint64_t address, std::span<const std::uint8_t> bytes) override;
    bool EndRun() override;

private:
    class Matcher;
    // Reports the hits that start before `stop` and end within `bytes`, at `address`.
    void ReportHits(std::span<const std::uint8_t> bytes, std::uint64_t address, std::size_t stop);

    std::vector<Matcher> matchers_;
    std::vector<std::size_t> next_;  // each matcher's next hit while ReportHits merges them
    PatternHitReceiver onHit_;
    std::size_t shown_;
    std::size_t longest_ = 0;  // the longest pattern, or `shown_` if longer: what decides a start
    std::vector<std::uint8_t> carry_, seam_;
    std::uint64_t runEnd_ = 0;  // where the carry ends
    bool stopped_ = false;
};

inline constexpr std::size_t kDefaultMinStringLength = 5;
inline constexpr std::size_t kLeastMinStringLength = 2;
// A string's text is kept up to this many characters; a longer one is reported with its true
// start and length and the first characters only, so a huge printable run costs no memory.
inline constexpr std::size_t kStringTextLimit = 4096;

struct StringHit {
    std::uint64_t address = 0;
    char encoding = 'A';       // 'A' for ASCII bytes, 'W' for UTF-16LE
    std::uint64_t length = 0;  // in characters, which may be more than text holds
    std::string text;          // ASCII
};
using StringHitReceiver = std::function<bool(const StringHit&)>;

// Runs of at least `minLength` printable characters (kLeastMinStringLength at the least),
// each reported once, whole, when it ends: at a character that is not printable or at the
// run's end. In address order. Printable are tab and 0x20 to 0x7E as ASCII bytes ('A'), and
// the UTF-16LE units of those, high byte 0, at even or odd addresses alike ('W').
class StringSearch final : public ChunkSearch {
public:
    StringSearch(std::size_t minLength, StringHitReceiver onHit);

    bool Feed(std::uint64_t address, std::span<const std::uint8_t> bytes) override;
    bool EndRun() override;

private:
    struct Pending {
        StringHit hit;
        int lowByte = -1;  // 'W': the first byte of a unit whose second is still to come
    };
    void SearchWide(std::uint64_t address, std::span<const std::uint8_t> bytes, int parity);
    void FinishWide(Pending& pending);
    void SortWideEnded();
    void ReportAscii(const StringHit& hit);
    void ReportWideBefore(std::uint64_t address);
    void Report(const StringHit& hit);

    std::size_t minLength_;
    StringHitReceiver onHit_;
    Pending ascii_, wide_[2];  // wide_ by the parity of a unit's address
    // The UTF-16 strings that ended in this chunk, in address order, waiting for the ASCII
    // strings before them: few in most memory, a chunk's worth at the very most.
    std::vector<StringHit> wideEnded_;
    std::size_t wideReported_ = 0;
    std::uint64_t runEnd_ = 0;
    bool stopped_ = false;
};

}  // namespace quarry

#include "content/memory_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/ascii.h"
#include "text/numbers.h"
#include "text/utf8.h"

namespace quarry {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// A-Z and a-z differ in this bit only: a letter with it cleared stands for both its cases.
constexpr std::uint8_t kCaseBit = 0x20;

PatternByte::Match LetterMatch(std::uint32_t c, bool ignoreCase) {
    return ignoreCase && IsAsciiLetter(c) ? PatternByte::Match::AnyCase : PatternByte::Match::Exact;
}

}  // namespace

std::optional<BytePattern> Utf8TextPattern(std::u16string_view text, bool ignoreCase) {
    if (text.empty()) return std::nullopt;
    BytePattern pattern;
    for (const char c : ToUtf8(text)) {
        const auto byte = static_cast<std::uint8_t>(c);
        pattern.push_back({byte, LetterMatch(byte, ignoreCase)});
    }
    return pattern;
}

std::optional<BytePattern> Utf16TextPattern(std::u16string_view text, bool ignoreCase) {
    if (text.empty()) return std::nullopt;
    BytePattern pattern;
    for (const char16_t unit : text) {
        pattern.push_back({static_cast<std::uint8_t>(unit & 0xFF), LetterMatch(unit, ignoreCase)});
        pattern.push_back({static_cast<std::uint8_t>(unit >> 8), PatternByte::Match::Exact});
    }
    return pattern;
}

std::optional<BytePattern> HexPattern(std::u16string_view text) {
    BytePattern pattern;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == u' ' || text[i] == u'\t') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;  // half a pair at the end
        const int high = HexDigitValue(text[i]), low = HexDigitValue(text[i + 1]);
        if (text[i] == u'?' && text[i + 1] == u'?')
            pattern.push_back({0, PatternByte::Match::Any});
        else if (high >= 0 && low >= 0)
            pattern.push_back({static_cast<std::uint8_t>(high << 4 | low), PatternByte::Match::Exact});
        else
            return std::nullopt;  // a blank inside a pair, "?" beside a digit, or no digit at all
        i += 2;
    }
    if (pattern.empty()) return std::nullopt;
    return pattern;
}

// A pattern as (byte & mask) == value at each position. Candidates are screened a block of
// starts at a time on two anchor positions, with the compiler's vector types (SSE2 on x86-64,
// plain code elsewhere), and only a start that passes both is compared in full: in memory
// where the pattern is absent that is about one start in 65,536, so the whole pattern is
// rarely looked at. The same path serves literals, folded case and wildcards; only the masks
// differ.
class PatternSearch::Matcher {
public:
    explicit Matcher(const BytePattern& pattern) {
        for (const PatternByte& position : pattern) {
            const std::uint8_t mask = position.match == PatternByte::Match::Any ? 0
                                      : position.match == PatternByte::Match::AnyCase && IsAsciiLetter(position.value)
                                          ? static_cast<std::uint8_t>(~kCaseBit)
                                          : 0xFF;
            masks_.push_back(mask);
            values_.push_back(static_cast<std::uint8_t>(position.value & mask));
        }
        ChooseAnchors();
    }

    // The first start in [from, stop) where the whole pattern lies in `bytes` and matches.
    std::size_t FindNext(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t stop) const {
        if (values_.empty() || bytes.size() < values_.size()) return kNone;
        stop = std::min(stop, bytes.size() - values_.size() + 1);
        const std::uint8_t* data = bytes.data();
        Lanes firstMask, firstValue, secondMask, secondValue;
        Splat(firstMask, masks_[first_]);
        Splat(firstValue, values_[first_]);
        Splat(secondMask, masks_[second_]);
        Splat(secondValue, values_[second_]);
        std::size_t at = from;
        // Every byte a block's loads touch lies within the pattern's reach of a start < stop.
        Lanes firstBytes, secondBytes;
        for (; at + kLanes <= stop; at += kLanes) {
            Load(firstBytes, data + at + first_);
            Load(secondBytes, data + at + second_);
            const auto hits = ((firstBytes & firstMask) == firstValue) & ((secondBytes & secondMask) == secondValue);
            if (!Any(hits)) continue;
            for (std::size_t lane = 0; lane < kLanes; ++lane)
                if (hits[lane] && MatchesAt(data + at + lane)) return at + lane;
        }
        for (; at < stop; ++at)
            if (MatchesAt(data + at)) return at;
        return kNone;
    }

private:
    // Clang keeps two SSE2 registers' worth in registers; GCC (the Windows build's) spills a
    // vector wider than one register and runs several times slower with it.
#ifdef __clang__
    static constexpr std::size_t kLanes = 32;
#else
    static constexpr std::size_t kLanes = 16;
#endif
    typedef std::uint8_t Lanes __attribute__((vector_size(kLanes)));

    // Vectors wider than the baseline's registers go by reference: by value their ABI differs.
    static void Load(Lanes& lanes, const std::uint8_t* at) { std::memcpy(&lanes, at, sizeof lanes); }
    static void Splat(Lanes& lanes, std::uint8_t value) { std::memset(&lanes, value, sizeof lanes); }
    template <typename Flags>
    static bool Any(const Flags& lanes) {
        std::uint64_t words[kLanes / 8];
        std::memcpy(words, &lanes, sizeof words);
        std::uint64_t any = 0;
        for (const std::uint64_t word : words) any |= word;
        return any != 0;
    }

    bool MatchesAt(const std::uint8_t* at) const {
        for (std::size_t i = 0; i < values_.size(); ++i)
            if ((at[i] & masks_[i]) != values_[i]) return false;
        return true;
    }

    // How well a position screens out starts in typical memory: zeros and 0xFF fill much of
    // it, a folded letter lets two bytes through, a wildcard every byte.
    int Rank(std::size_t i) const {
        if (masks_[i] == 0) return 0;
        if (masks_[i] != 0xFF) return 2;
        return values_[i] == 0 || values_[i] == 0xFF ? 1 : 3;
    }
    // The first and the last of the best-ranked positions, far apart so that they rarely
    // match together by chance.
    void ChooseAnchors() {
        for (std::size_t i = 0; i < values_.size(); ++i)
            if (Rank(i) > Rank(first_)) first_ = i;
        for (std::size_t i = 0; i < values_.size(); ++i)
            if (i != first_ && (second_ == first_ || Rank(i) >= Rank(second_))) second_ = i;
    }

    std::vector<std::uint8_t> values_, masks_;
    std::size_t first_ = 0, second_ = 0;
};

PatternSearch::PatternSearch(const std::vector<BytePattern>& patterns, PatternHitReceiver onHit, std::size_t shown)
    : next_(patterns.size()), onHit_(std::move(onHit)), shown_(shown), longest_(shown) {
    for (const BytePattern& pattern : patterns) {
        matchers_.emplace_back(pattern);
        longest_ = std::max(longest_, pattern.size());
    }
}

PatternSearch::~PatternSearch() = default;

void PatternSearch::ReportHits(std::span<const std::uint8_t> bytes, std::uint64_t address, std::size_t stop) {
    if (stopped_) return;
    for (std::size_t i = 0; i < matchers_.size(); ++i) next_[i] = matchers_[i].FindNext(bytes, 0, stop);
    // The patterns' hits merged in address order; kNone is the largest value, so it comes last.
    for (;;) {
        const auto first = std::min_element(next_.begin(), next_.end());
        if (first == next_.end() || *first == kNone) return;
        const auto pattern = static_cast<std::size_t>(first - next_.begin());
        const std::span<const std::uint8_t> shown = bytes.subspan(*first, std::min(shown_, bytes.size() - *first));
        if (!onHit_({address + *first, pattern, shown})) {
            stopped_ = true;
            return;
        }
        *first = matchers_[pattern].FindNext(bytes, *first + 1, stop);
    }
}

// A start is decided once the longest pattern's length of bytes from it is at hand (or the run
// has ended), so that hits of patterns of different lengths come out in address order, each
// with the bytes it shows. The
// carry holds the bytes from the first undecided start: at most the longest length less one.
bool PatternSearch::Feed(std::uint64_t address, std::span<const std::uint8_t> bytes) {
    if (address != runEnd_) EndRun();
    runEnd_ = address + bytes.size();
    const std::size_t reach = longest_ > 0 ? longest_ - 1 : 0;
    if (bytes.size() < reach) {
        // A chunk shorter than the carry: it joins the carry, whose decided head goes.
        carry_.insert(carry_.end(), bytes.begin(), bytes.end());
        const std::size_t decided = carry_.size() >= longest_ ? carry_.size() - reach : 0;
        ReportHits(carry_, runEnd_ - carry_.size(), decided);
        carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(decided));
        return !stopped_;
    }
    if (!carry_.empty()) {
        // The starts in the carry, with just enough of the chunk after it to decide them all.
        seam_.assign(carry_.begin(), carry_.end());
        seam_.insert(seam_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(reach));
        ReportHits(seam_, address - carry_.size(), carry_.size());
    }
    ReportHits(bytes, address, bytes.size() - reach);
    carry_.assign(bytes.end() - static_cast<std::ptrdiff_t>(reach), bytes.end());
    return !stopped_;
}

bool PatternSearch::EndRun() {
    // What is left in the carry is too short for the longest pattern, not for shorter ones.
    ReportHits(carry_, runEnd_ - carry_.size(), carry_.size());
    carry_.clear();
    return !stopped_;
}

namespace {

constexpr auto kPrintable = [] {
    std::array<bool, 256> printable{};
    for (int c = 0x20; c <= 0x7E; ++c) printable[c] = true;
    printable['\t'] = true;
    return printable;
}();

// The characters of one encoding in a chunk, kWidth bytes each from `first` on.
template <std::size_t kWidth>
struct Characters {
    std::uint64_t address;  // the chunk's
    std::span<const std::uint8_t> bytes;
    std::size_t first;

    // Adds `count` characters from byte `from` on to `text`, up to the limit.
    void AppendTo(std::string& text, std::size_t from, std::uint64_t count) const {
        for (std::uint64_t i = 0; i < count && text.size() < kStringTextLimit; ++i)
            text += static_cast<char>(bytes[from + i * kWidth]);
    }
    // Makes `open` the string of `run` characters that ends before byte `end`; one that began
    // in an earlier chunk already holds its start and its text so far.
    void Describe(StringHit& open, std::uint64_t run, std::size_t end) const {
        const std::uint64_t here = (end - first) / kWidth;
        if (run > here) {
            AppendTo(open.text, first, here);
        } else {
            open.address = address + end - run * kWidth;
            open.text.clear();
            AppendTo(open.text, end - run * kWidth, run);
        }
        open.length = run;
    }
};

// Counts printable characters without a branch on each one, which in code and other
// random-looking bytes could not be predicted; `ended` takes each string long enough.
// Returns where the characters stopped: the last byte when a unit is cut in half.
template <std::size_t kWidth, typename Ended>
std::size_t ScanCharacters(StringHit& open, const Characters<kWidth>& chunk, std::size_t minLength, Ended&& ended) {
    const std::uint8_t* const data = chunk.bytes.data();
    const std::size_t size = chunk.bytes.size();
    std::uint64_t run = open.length;
    std::size_t at = chunk.first;
    for (; at + kWidth <= size; at += kWidth) {
        // All ones for a printable character, else zero.
        const std::uint64_t printable =
            0 - static_cast<std::uint64_t>(kPrintable[data[at]] & (kWidth == 1 || data[at + kWidth - 1] == 0));
        // The length of the string this character ends, or 0: minLength is 2 at the least.
        if ((run & ~printable) >= minLength) {
            chunk.Describe(open, run, at);
            ended(open);
        }
        run = (run + 1) & printable;
    }
    if (run > 0) {
        chunk.Describe(open, run, at);
    } else {
        open.length = 0;
        open.text.clear();  // keeps its capacity, at most the limit
    }
    return at;
}

}  // namespace

StringSearch::StringSearch(std::size_t minLength, StringHitReceiver onHit)
    : minLength_(std::max(minLength, kLeastMinStringLength)), onHit_(std::move(onHit)) {
    ascii_.hit.encoding = 'A';
    wide_[0].hit.encoding = wide_[1].hit.encoding = 'W';
}

// Strings are decided as they end, which keeps address order: an ASCII string has no zero
// byte and a UTF-16 one a zero every other byte, so a string that starts inside another of
// two characters or more ends after it. One chunk's UTF-16 strings are found first, then
// merged into its ASCII strings as those are found.
bool StringSearch::Feed(std::uint64_t address, std::span<const std::uint8_t> bytes) {
    if (address != runEnd_) EndRun();
    runEnd_ = address + bytes.size();
    SearchWide(address, bytes, 0);
    SearchWide(address, bytes, 1);
    SortWideEnded();
    ScanCharacters(ascii_.hit, Characters<1>{address, bytes, 0}, minLength_, [this](const StringHit& hit) { ReportAscii(hit); });
    ReportWideBefore(runEnd_);
    return !stopped_;
}

bool StringSearch::EndRun() {
    FinishWide(wide_[0]);
    FinishWide(wide_[1]);
    SortWideEnded();
    if (ascii_.hit.length >= minLength_) ReportAscii(ascii_.hit);
    ascii_.hit.length = 0;
    ascii_.hit.text.clear();
    ReportWideBefore(runEnd_);
    return !stopped_;
}

// The units that start at addresses of `parity`; first the one whose low byte ended the last chunk.
void StringSearch::SearchWide(std::uint64_t address, std::span<const std::uint8_t> bytes, int parity) {
    if (bytes.empty()) return;
    Pending& pending = wide_[parity];
    StringHit& open = pending.hit;
    if (pending.lowByte >= 0) {
        const auto low = static_cast<std::uint8_t>(pending.lowByte);
        if (bytes[0] == 0 && kPrintable[low]) {
            if (open.length++ == 0) open.address = address - 1;
            if (open.text.size() < kStringTextLimit) open.text += static_cast<char>(low);
        } else {
            FinishWide(pending);
        }
    }
    const std::size_t first = (address & 1) == static_cast<std::uint64_t>(parity) ? 0 : 1;
    const std::size_t end = ScanCharacters(open, Characters<2>{address, bytes, first}, minLength_,
                                           [this](const StringHit& hit) { wideEnded_.push_back(hit); });
    pending.lowByte = end < bytes.size() ? bytes[end] : -1;
}

void StringSearch::FinishWide(Pending& pending) {
    if (pending.hit.length >= minLength_) wideEnded_.push_back(pending.hit);
    pending.hit.length = 0;
    pending.hit.text.clear();
    pending.lowByte = -1;
}

void StringSearch::SortWideEnded() {
    std::sort(wideEnded_.begin() + static_cast<std::ptrdiff_t>(wideReported_), wideEnded_.end(),
              [](const StringHit& a, const StringHit& b) { return a.address < b.address; });
}

void StringSearch::ReportAscii(const StringHit& hit) {
    ReportWideBefore(hit.address);
    Report(hit);
}

void StringSearch::ReportWideBefore(std::uint64_t address) {
    for (; wideReported_ < wideEnded_.size() && wideEnded_[wideReported_].address < address; ++wideReported_)
        Report(wideEnded_[wideReported_]);
    if (wideReported_ == wideEnded_.size()) {
        wideEnded_.clear();
        wideReported_ = 0;
    }
}

void StringSearch::Report(const StringHit& hit) {
    if (!stopped_ && !onHit_(hit)) stopped_ = true;
}

}  // namespace quarry

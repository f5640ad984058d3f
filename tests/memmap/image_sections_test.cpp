// Section naming from crafted image headers, the malformed ones included. The buffers are
// exactly as long as the bytes read, so the sanitizers catch any read beyond them.
#include "memmap/image_sections.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/memmap_image_header.h"
#include "support/memmap_recording_rows.h"

namespace quarry {
namespace {

using test::CraftedImage;
using test::CraftImageHeader;
using Entries = std::map<std::uint64_t, std::string>;

constexpr std::uint64_t kBase = 0x7FF812340000;

std::u16string Latin1(std::string_view bytes) { return std::u16string(bytes.begin(), bytes.end()); }

struct Parsed {
    bool dosSignature;
    Entries entries;  // offset from the image base -> name
};

Parsed Parse(const std::vector<std::uint8_t>& header, const std::vector<std::uint64_t>& probes) {
    SectionTable table;
    Parsed parsed{ParseImageSections(kBase, header, table, Latin1), {}};
    for (const std::uint64_t offset : probes)
        if (const std::u16string* name = table.Find(kBase + offset)) parsed.entries[offset] = test::Narrow(*name);
    EXPECT_EQ(table.Size(), parsed.entries.size()) << "an entry where no probe looked";
    return parsed;
}

const std::vector<std::uint64_t> kProbes = {0, 0x1000, 0x2000, 0x3000, 0x4000, 0x5000, 0x6000};

TEST(ImageSections, NameTheHeaderAndEachSectionOf32And64BitImages) {
    const std::vector<test::CraftedSection> five = {
        {".text", 0x1000}, {".rdata", 0x2000}, {".data", 0x3000}, {".quarry8", 0x4000}, {std::string("ab\0cdefg", 8), 0x5000}};
    const Entries named = {{0, "Header"}, {0x1000, ".text"}, {0x2000, ".rdata"}, {0x3000, ".data"},
                           {0x4000, ".quarry8"}, {0x5000, "ab"}};

    const Parsed image64 = Parse(CraftImageHeader({.ntOffset = 0xF0, .magic = 0x20B, .sectionTable = 0x1F8, .sections = five}), kProbes);
    EXPECT_TRUE(image64.dosSignature);
    EXPECT_EQ(image64.entries, named);

    // The 32-bit optional header is 16 bytes shorter.
    const Parsed image32 = Parse(CraftImageHeader({.ntOffset = 0xF0, .magic = 0x10B, .sectionTable = 0x1E8, .sections = five}), kProbes);
    EXPECT_EQ(image32.entries, named);
}

TEST(ImageSections, LaterEntriesReplaceEarlierOnesAtTheSameAddress) {
    const Parsed parsed = Parse(
        CraftImageHeader({.sections = {{".first", 0x1000}, {".second", 0x1000}, {"", 0x2000}, {".zero", 0}}}), kProbes);
    EXPECT_EQ(parsed.entries, (Entries{{0, ".zero"}, {0x1000, ".second"}, {0x2000, ""}}));
}

TEST(ImageSections, ReadNothingBeyondTheBytesRead) {
    const std::vector<test::CraftedSection> one = {{".text", 0x1000}};
    const Entries headerOnly = {{0, "Header"}};
    struct Case {
        const char* what;
        std::vector<std::uint8_t> header;
        bool dosSignature;
        Entries entries;
    };
    std::vector<std::uint8_t> noSignature = CraftImageHeader({.sections = one});
    noSignature[0] = 'X';
    // 1024 bytes hold 12 whole entries after a table at 0x208, and part of a 13th.
    std::vector<test::CraftedSection> thirteen;
    Entries twelve = headerOnly;
    for (std::uint32_t i = 1; i <= 13; ++i) {
        const std::string name = std::string(1, 's').append(std::to_string(i));
        thirteen.push_back({name, i * 0x1000});
        if (i <= 12) twelve[i * 0x1000] = name;
    }

    const Case cases[] = {
        {"no DOS signature", noSignature, false, {}},
        {"one byte", {0x4D}, false, {}},
        {"the signature alone", {0x4D, 0x5A}, true, headerOnly},
        {"no room for the NT header offset", CraftImageHeader({.sections = one, .size = 0x3F}), true, headerOnly},
        {"negative NT header offset", CraftImageHeader({.ntOffset = 0x80000000, .sections = one}), true, headerOnly},
        {"NT headers past the end", CraftImageHeader({.ntOffset = 0x3F0, .sections = one}), true, headerOnly},
        {"magic just past the end", CraftImageHeader({.ntOffset = 1024 - 0x19, .sections = one}), true, headerOnly},
        {"unknown magic", CraftImageHeader({.magic = 0x107, .sections = one}), true, headerOnly},
        {"section table starting past the end", CraftImageHeader({.ntOffset = 0x300, .sectionTable = 0x408, .sections = one}),
         true, headerOnly},
        {"section table running past the end",
         CraftImageHeader({.ntOffset = 0x100, .sectionTable = 0x208, .sections = thirteen, .claimedSections = 40}), true,
         twelve},
    };
    std::vector<std::uint64_t> probes;
    for (std::uint64_t offset = 0; offset <= 0x20000; offset += 0x1000) probes.push_back(offset);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Parsed parsed = Parse(c.header, probes);
        EXPECT_EQ(parsed.dosSignature, c.dosSignature);
        EXPECT_EQ(parsed.entries, c.entries);
    }
}

}  // namespace
}  // namespace quarry

// What names a region, from what the target hands over: section names from image headers
// (malformed ones included, in vectors exactly as long as the bytes read, so the sanitizers
// catch a read beyond them), mapped file names turned into drive-letter paths, and a heap's
// front-end kind read by a layout learnt from sample heaps.
#include <gtest/gtest.h>

#include "memmap/heap_front_end.h"
#include "memmap/image_sections.h"
#include "memmap/mapped_file_name.h"
#include "support/memmap_image_header.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::CraftImageHeader;
using Entries = std::map<std::uint64_t, std::string>;  // offset from the image base -> name

constexpr std::uint64_t kBase = 0x7FF812340000;

TEST(ImageSections, NameTheHeaderAndEachSectionAsFarAsTheBytesReadHoldThem) {
    const std::vector<test::CraftedSection> five = {
        {".text", 0x1000}, {".rdata", 0x2000}, {".data", 0x3000}, {".quarry8", 0x4000}, {std::string("ab\0cdefg", 8), 0x5000}};
    const Entries named = {{0, "Header"}, {0x1000, ".text"}, {0x2000, ".rdata"}, {0x3000, ".data"}, {0x4000, ".quarry8"}, {0x5000, "ab"}};
    const Entries header = {{0, "Header"}};
    std::vector<std::uint8_t> noSignature = CraftImageHeader({.sections = five});
    noSignature[0] = 'X';
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool signature;
        Entries entries;
    } cases[] = {
        {"64-bit", CraftImageHeader({.magic = 0x20B, .sectionTable = 0x1F8, .sections = five}), true, named},
        {"32-bit", CraftImageHeader({.magic = 0x10B, .sectionTable = 0x1E8, .sections = five}), true, named},
        {"later entries win", CraftImageHeader({.sections = {{".a", 0x1000}, {".b", 0x1000}, {"", 0x2000}, {".zero", 0}}}),
         true, {{0, ".zero"}, {0x1000, ".b"}, {0x2000, ""}}},
        {"no signature", noSignature, false, {}},
        {"no NT header offset", CraftImageHeader({.sections = five, .size = 0x3F}), true, header},
        {"negative NT header offset", CraftImageHeader({.ntOffset = 0x80000000, .sections = five}), true, header},
        {"unknown magic", CraftImageHeader({.magic = 0x107, .sections = five}), true, header},
        {"table past the end", CraftImageHeader({.ntOffset = 0x300, .sectionTable = 0x408, .sections = five}), true, header},
        // Two whole entries and part of a third after a table at 0x208.
        {"table running past the end",
         CraftImageHeader({.ntOffset = 0x100, .sectionTable = 0x208, .sections = five, .claimedSections = 40, .size = 0x208 + 100}),
         true, {{0, "Header"}, {0x1000, ".text"}, {0x2000, ".rdata"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SectionTable table;
        EXPECT_EQ(ParseImageSections(kBase, c.bytes, table,
                                     [](std::string_view name) { return std::u16string(name.begin(), name.end()); }),
                  c.signature);
        Entries entries;
        for (std::uint64_t offset = 0; offset <= 0x20000; offset += 0x1000)
            if (const std::u16string* name = table.Find(kBase + offset)) entries[offset] = test::Narrow(*name);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(table.Size(), entries.size()) << "an entry off the section addresses";
    }
}

TEST(MappedFileName, IsADriveLetterPathWhateverFormTheSystemGivesIt) {
    // B: has no device; D: (volume 1) comes before C: (volume 10) and E: (volume 1 again).
    test::ScriptedTargetSystem system;
    system.driveStrings = std::u16string(u"B:\\\0F:\\\0D:\\\0C:\\\0E:\\\0", 20);
    system.dosDevices = {{u"D:", u"\\Device\\HarddiskVolume1"}, {u"C:", u"\\Device\\HarddiskVolume10"},
                         {u"E:", u"\\Device\\HarddiskVolume1"}, {u"F:", u"\\Device\\\u00C4"}};
    const std::pair<std::u16string, std::optional<std::string>> cases[] = {
        {u"\\Device\\HarddiskVolume1\\dir\\file.txt", R"(D:\dir\file.txt)"},
        {u"\\Device\\HarddiskVolume10\\x.bin", R"(C:\x.bin)"},  // not volume 1 followed by "0"
        {u"\\DEVICE\\harddiskvolume1\\Dir\\File.TXT", R"(D:\Dir\File.TXT)"},
        {u"\\Device\\HarddiskVolume1", std::nullopt},
        {u"\\Device\\Mup\\server\\share\\file", std::nullopt},
        {u"\\Device\\\u00E4\\file", std::nullopt},  // only A to Z fold
        {u"\\Device\\\u00C4\\file", R"(F:\file)"},
        {u"C:\\windows\\system32\\l_intl.nls", R"(C:\windows\system32\l_intl.nls)"},
        {u"\\??\\z:\\tmp\\a b.bin", R"(z:\tmp\a b.bin)"},
        {u"\\??\\UNC\\server\\share\\file", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& [mapped, expected] : cases) {
        system.mappedNames[0x10000] = mapped;
        const std::optional<std::u16string> path = ResolveMappedFileName(system, 0x10000);
        EXPECT_EQ(path ? std::optional(test::Narrow(*path)) : std::nullopt, expected) << test::Narrow(mapped);
    }
}

// A header like the system's: bytes that differ from heap to heap, a signature at 0x10, and
// the kind at 0x182 next to the kind that was asked for at 0x183.
std::vector<std::uint8_t> HeapHeader(std::uint32_t seed, std::uint8_t kind) {
    std::vector<std::uint8_t> header(kHeapHeaderCopySize);
    for (std::uint8_t& byte : header) byte = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    header[0x10] = 0xEE;
    header[0x182] = header[0x183] = kind;
    return header;
}

TEST(HeapFrontEnd, KindIsReadWhereSampleHeapsOfTwoKindsKeepIt) {
    const auto plain = HeapHeader(1, 0), plainToo = HeapHeader(2, 0), lowFragmentation = HeapHeader(3, 2);
    const HeapSample samples[] = {{plain, 0}, {lowFragmentation, 2}, {plainToo, 0}};
    auto otherSignature = HeapHeader(7, 2), disagreeing = HeapHeader(8, 2), tooShort = HeapHeader(9, 2);
    otherSignature[0x10] = 0xDD;
    disagreeing[0x183] = 0;
    tooShort.resize(0x184);
    const std::pair<std::vector<std::uint8_t>, std::uint32_t> cases[] = {
        {HeapHeader(5, 1), 1}, {HeapHeader(6, 2), 2}, {otherSignature, 0}, {disagreeing, 0}, {tooShort, 0}};
    for (const auto& [header, kind] : cases) EXPECT_EQ(HeapFrontEndLayout::Learn(samples).KindIn(header), kind);
    EXPECT_EQ(HeapFrontEndLayout::Learn(std::span(samples).first(1)).KindIn(HeapHeader(3, 2)), 0u) << "one kind only";
}

}  // namespace
}  // namespace quarry

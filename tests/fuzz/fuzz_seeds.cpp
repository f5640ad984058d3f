// Writes the fuzz targets' seed inputs: a few well-formed examples of each, so that the
// fuzzers start from the shapes the program meets. Usage: fuzz_seeds <corpus folder>.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/memmap_image_header.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Base(std::uint64_t base) {
    Bytes bytes;
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(base >> (8 * i)));
    return bytes;
}

Bytes Joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// One text as FuzzedDataProvider::ConsumeRandomLengthString reads it: backslashes doubled,
// ended by a backslash and another byte. Units are two bytes, low byte first.
Bytes Text(std::u16string_view units) {
    Bytes bytes;
    for (const char16_t unit : units)
        for (const auto byte : {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)}) {
            bytes.push_back(byte);
            if (byte == '\\') bytes.push_back(byte);
        }
    bytes.push_back('\\');
    bytes.push_back('|');
    return bytes;
}

Bytes Texts(std::initializer_list<std::u16string_view> texts) {
    Bytes bytes;
    for (const std::u16string_view text : texts) bytes = Joined(bytes, Text(text));
    return bytes;
}

void Write(const std::filesystem::path& folder, const std::vector<Bytes>& seeds) {
    std::filesystem::create_directories(folder);
    int number = 0;
    for (const Bytes& seed : seeds) {
        std::ofstream file(folder / ("seed" + std::to_string(++number)), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
    }
}

std::vector<Bytes> HexDumpSeeds() {
    using namespace std::string_view_literals;
    const auto hello = "Hello, World!\x00\x01\x02" "ab c"sv;
    Bytes page(4096);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i * 31 + 7);
    return {Base(0x10000), Joined(Base(0x10000), Bytes(hello.begin(), hello.end())),
            Joined(Base(0x7FFE0000), Bytes(16, 0x41)), Joined(Base(0x7FF6A0001000), page)};
}

std::vector<Bytes> ImageSectionSeeds() {
    using quarry::test::CraftImageHeader;
    const std::vector<quarry::test::CraftedSection> sections = {
        {".text", 0x1000}, {".rdata", 0x5000}, {".data", 0x7000}, {".pdata", 0x8000}, {".quarry8", 0x9000}};
    quarry::test::CraftedImage image64;
    image64.sections = sections;
    quarry::test::CraftedImage image32;
    image32.magic = 0x10B;
    image32.sectionTable = 0xF0 + 0xF8;
    image32.sections = sections;
    quarry::test::CraftedImage overlong;  // claims more entries than the 1024 bytes hold
    overlong.ntOffset = 0x300;
    overlong.sectionTable = 0x300 + 0x108;
    overlong.sections = sections;
    overlong.claimedSections = 40;
    return {Joined(Base(0x140000000), CraftImageHeader(image64)), Joined(Base(0x400000), CraftImageHeader(image32)),
            Joined(Base(0x7FFA00000000), CraftImageHeader(overlong)), Joined(Base(0x10000), Bytes{'M', 'Z'})};
}

std::vector<Bytes> MappedFileNameSeeds() {
    using namespace std::string_view_literals;
    const auto drives = u"C:\\\0D:\\\0Z:\\\0\0"sv;
    return {Texts({u"\\Device\\HarddiskVolume1\\dir\\file.txt", drives, u"\\Device\\HarddiskVolume10",
                   u"\\Device\\HarddiskVolume1", u"\\Device\\HarddiskVolume2"}),
            Texts({u"\\??\\C:\\windows\\system32\\locale.nls", drives}),
            Texts({u"C:\\windows\\system32\\l_intl.nls", drives}),
            Texts({u"\\Device\\Mup\\server\\share\\file", drives, u"\\Device\\HarddiskVolume1"})};
}

std::vector<Bytes> ImagePathSeeds() {
    return {Texts({u"\\??\\C:\\Windows\\System32\\csrss.exe", u"NT AUTHORITY", u"SYSTEM"}),
            Texts({u"\\SystemRoot\\System32\\smss.exe", u"MACHINE", u"user"}),
            Texts({u"C:\\Program Files\\Quarry\\Quarry.exe", u"", u""})};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path corpus = argv[1];
    Write(corpus / "hex_dump", HexDumpSeeds());
    Write(corpus / "image_sections", ImageSectionSeeds());
    Write(corpus / "mapped_file_name", MappedFileNameSeeds());
    Write(corpus / "image_path", ImagePathSeeds());
    return 0;
}

// The process list's path text on any input: nothing that overflows the list's buffers.
#include "fuzz_input.h"
#include "procsel/process_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::optional<quarry::ImagePath> path = quarry::RewriteImagePath(quarry::fuzz::ConsumeUnits(input, 600));
    quarry::fuzz::Expect(!path || quarry::FitsProcessText(path->text.size()), "a path fits the list's buffer");
    return 0;
}

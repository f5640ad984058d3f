// The process list's path and account texts on any input: nothing that overflows the
// list's buffers, and an account is the domain, a backslash and the user.
#include "fuzz_input.h"
#include "procsel/process_rows.h"

using quarry::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::optional<quarry::ImagePath> path = quarry::RewriteImagePath(quarry::fuzz::ConsumeUnits(input, 600));
    Expect(!path || quarry::FitsProcessText(path->text.size()), "a path fits the list's buffer");
    const std::u16string domain = quarry::fuzz::ConsumeUnits(input, 300), user = quarry::fuzz::ConsumeUnits(input, 300);
    const std::optional<std::u16string> account = quarry::FormatAccountText(domain, user);
    Expect(!account || *account == domain + u'\\' + user, "domain\\user, or nothing");
    return 0;
}

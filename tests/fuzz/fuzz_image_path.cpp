// The process list's path and account texts on any input: RewriteImagePath applies at most
// one prefix rule and never returns a path that overflows the list's buffer, and
// FormatAccountText joins domain and user or gives nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "procsel/process_rows.h"

using quarry::fuzz::ConsumeUnits;
using quarry::fuzz::Expect;

namespace {

bool StartsWithFolded(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
        if (fold(text[i]) != fold(prefix[i])) return false;
    }
    return true;
}

// The one rule that applies, or none; nothing when the result would not fit.
std::optional<quarry::ImagePath> ExpectedImagePath(const std::u16string& path) {
    quarry::ImagePath expected{path, false};
    if (StartsWithFolded(path, u"\\??\\"))
        expected.text = path.substr(4);
    else if (StartsWithFolded(path, u"\\Systemroot"))
        expected = {u"%SystemRoot%" + path.substr(11), true};
    if (!quarry::FitsProcessText(expected.text.size())) return std::nullopt;
    return expected;
}

void CheckImagePath(const std::u16string& path) {
    const std::optional<quarry::ImagePath> rewritten = quarry::RewriteImagePath(path);
    const std::optional<quarry::ImagePath> expected = ExpectedImagePath(path);
    Expect(rewritten.has_value() == expected.has_value(), "a path is given exactly when it fits");
    if (rewritten)
        Expect(rewritten->text == expected->text && rewritten->needsExpansion == expected->needsExpansion,
               "at most one prefix rule, in order");
}

void CheckAccount(const std::u16string& domain, const std::u16string& user) {
    const std::optional<std::u16string> account = quarry::FormatAccountText(domain, user);
    const std::u16string joined = domain + u'\\' + user;
    Expect(account ? *account == joined : !quarry::FitsProcessText(joined.size()),
           "domain\\user, or nothing when it does not fit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::u16string path = ConsumeUnits(input, 600);
    CheckImagePath(path);
    const std::u16string domain = ConsumeUnits(input, 300);
    CheckAccount(domain, ConsumeUnits(input, 300));
    return 0;
}

#include "cli/json_writer.h"

#include <charconv>

#include "text/utf8.h"

namespace quarry::cli {
namespace {

// `text` as a JSON string, quotes included, at the end of `out`.
void AppendString(std::string& out, std::u16string_view text) {
    out += '"';
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20) {
                    out += c;
                } else {
                    // The other control characters have no short form.
                    out += "\\u00";
                    out += "0123456789abcdef"[(c >> 4) & 0xF];
                    out += "0123456789abcdef"[c & 0xF];
                }
        }
    }
    out += '"';
}

}  // namespace

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    text_ += '"';
    text_ += name;
    text_ += "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view text) {
    BeforeValue();
    AppendString(text_, text);
    return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
    BeforeValue();
    char digits[20];
    text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    started_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    text_ += bracket;
    if (!started_.empty()) started_.pop_back();
    return *this;
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (started_.empty()) return;
    if (started_.back()) text_ += ',';
    started_.back() = true;
}

}  // namespace quarry::cli

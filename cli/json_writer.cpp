#include "cli/json_writer.h"

#include "text/numbers.h"
#include "text/utf8.h"

namespace quarry::cli {

std::string JsonString(std::u16string_view text) {
    std::string quoted(1, '"');
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20) {
                    quoted += c;
                } else {
                    // The other control characters have no short form.
                    quoted += "\\u00";
                    quoted += "0123456789abcdef"[(c >> 4) & 0xF];
                    quoted += "0123456789abcdef"[c & 0xF];
                }
        }
    }
    return quoted += '"';
}

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
    text_ += JsonString(text);
    return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
    BeforeValue();
    text_ += ToUtf8(DecimalText(value));
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

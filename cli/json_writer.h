// JSON (RFC 8259) as QuarryMap writes it: UTF-8, written as it goes, with the commas between
// members kept track of, so that a long document can be handed out in pieces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace quarry::cli {

class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    // A member's name, for the value that follows; names are ASCII.
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::u16string_view text);
    JsonWriter& Number(std::uint64_t value);
    JsonWriter& Bool(bool value);
    // A member with its value.
    template <typename Value>
    JsonWriter& Member(std::string_view name, const Value& value) {
        Key(name);
        if constexpr (std::is_same_v<Value, bool>) return Bool(value);
        else if constexpr (std::is_integral_v<Value>) return Number(static_cast<std::uint64_t>(value));
        else return String(value);
    }

    // What has been written since the last Take.
    std::string Take() { return std::exchange(text_, {}); }
    std::size_t Size() const { return text_.size(); }

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    // A comma before every value of a container but its first; none after a name.
    void BeforeValue();

    std::string text_;
    std::vector<bool> started_;  // for each open container, whether it has a value yet
    bool afterKey_ = false;
};

}  // namespace quarry::cli

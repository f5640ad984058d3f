#include "resources/dialog_template.h"

#include <array>
#include <cwctype>
#include <ostream>

namespace quarry {
namespace {

constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT, also part of DS_SHELLFONT

// Bounds-checked little-endian reads; after the first overrun every read yields zero and
// the parse is rejected.
class TemplateReader {
public:
    explicit TemplateReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

    bool Failed() const { return failed_; }

    std::uint16_t Word() {
        if (failed_ || bytes_.size() - at_ < 2) return Fail();
        const auto low = std::to_integer<std::uint16_t>(bytes_[at_]);
        const auto high = std::to_integer<std::uint16_t>(bytes_[at_ + 1]);
        at_ += 2;
        return static_cast<std::uint16_t>(low | high << 8);
    }

    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }

    int Short() { return static_cast<std::int16_t>(Word()); }

    std::uint8_t Byte() {
        if (failed_ || at_ == bytes_.size()) return Fail();
        return std::to_integer<std::uint8_t>(bytes_[at_++]);
    }

    std::wstring String() {
        std::wstring text;
        for (std::uint16_t unit = Word(); unit != 0 && !failed_; unit = Word())
            text.push_back(static_cast<wchar_t>(unit));
        return text;
    }

    // A string, or 0xFFFF and an ordinal written as "#n"; a lone 0 means "none".
    std::wstring StringOrOrdinal() {
        const std::size_t start = at_;
        if (Word() == kOrdinalMark) return L"#" + std::to_wstring(Word());
        at_ = start;
        return String();
    }

    void Skip(std::size_t count) {
        if (bytes_.size() - at_ < count)
            Fail();
        else
            at_ += count;
    }

    // Each control starts on a DWORD boundary of the template.
    void AlignToDword() { Skip((4 - at_ % 4) % 4); }

private:
    std::uint8_t Fail() {
        failed_ = true;
        return 0;
    }

    std::span<const std::byte> bytes_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

std::wstring UpperCase(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return text;
}

// The system's predefined control classes, written in templates as ordinals 0x80..0x85.
std::wstring ControlClass(std::wstring raw) {
    static constexpr std::array<const wchar_t*, 6> kPredefined = {L"BUTTON",  L"EDIT",      L"STATIC",
                                                                  L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
    for (std::size_t i = 0; i < kPredefined.size(); ++i) {
        if (raw == L"#" + std::to_wstring(0x80 + i)) return kPredefined[i];
    }
    return UpperCase(std::move(raw));
}

DialogControl ReadControl(TemplateReader& in) {
    in.AlignToDword();
    DialogControl control;
    in.Dword();  // help id
    control.exStyle = in.Dword();
    control.style = in.Dword();
    control.x = in.Short();
    control.y = in.Short();
    control.cx = in.Short();
    control.cy = in.Short();
    control.id = static_cast<std::int32_t>(in.Dword());
    control.className = ControlClass(in.StringOrOrdinal());
    control.text = in.StringOrOrdinal();
    in.Skip(in.Word());  // creation data
    return control;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplateEx(std::span<const std::byte> bytes) {
    TemplateReader in(bytes);
    if (in.Word() != 1 || in.Word() != 0xFFFF) return std::nullopt;  // version 1, extended
    DialogTemplate dialog;
    in.Dword();  // help id
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
    const int controlCount = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    dialog.menu = in.StringOrOrdinal();
    dialog.windowClass = in.StringOrOrdinal();
    dialog.caption = in.String();
    if (dialog.style & kSetFont) {
        dialog.pointSize = in.Word();
        dialog.weight = in.Word();
        dialog.italic = in.Byte();
        dialog.charset = in.Byte();
        dialog.typeface = in.String();
    }
    for (int i = 0; i < controlCount && !in.Failed(); ++i) dialog.controls.push_back(ReadControl(in));
    if (in.Failed()) return std::nullopt;
    return dialog;
}

void PrintTo(const DialogControl& control, std::ostream* out) {
    *out << "{" << Narrow(control.className) << " id " << control.id << " \"" << Narrow(control.text) << "\" at "
         << control.x << "," << control.y << " size " << control.cx << "x" << control.cy << std::hex << " style 0x"
         << control.style << " ex 0x" << control.exStyle << std::dec << "}";
}

void PrintTo(const DialogTemplate& dialog, std::ostream* out) {
    *out << "{\"" << Narrow(dialog.caption) << "\" at " << dialog.x << "," << dialog.y << " size " << dialog.cx << "x"
         << dialog.cy << std::hex << " style 0x" << dialog.style << " ex 0x" << dialog.exStyle << std::dec << " menu \""
         << Narrow(dialog.menu) << "\" class \"" << Narrow(dialog.windowClass) << "\" font " << dialog.pointSize << " "
         << dialog.weight << " " << dialog.italic << " " << dialog.charset << " \"" << Narrow(dialog.typeface) << "\"";
    for (const auto& control : dialog.controls) {
        *out << "\n  ";
        PrintTo(control, out);
    }
    *out << "}";
}

}  // namespace quarry

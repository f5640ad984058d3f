#include "cli/console_output.h"

#include <algorithm>
#include <iterator>

#include "text/utf8.h"

namespace quarry::cli {
namespace {

// The system's own words for `error`, without the line end they come with.
std::u16string SystemReason(DWORD error) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  static_cast<DWORD>(std::size(text)), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) --length;
    return length > 0 ? ToUtf16(std::wstring_view(text, length)) : u"error " + ToUtf16(std::to_wstring(error));
}

}  // namespace

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

bool WriteBytes(HANDLE handle, const std::string& bytes) {
    DWORD written = 0;
    // In pieces one WriteFile takes.
    for (std::size_t at = 0; at < bytes.size(); at += written)
        if (!WriteFile(handle, bytes.data() + at, static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20)), &written, nullptr) || !written)
            return false;
    return true;
}

bool WriteText(HANDLE handle, const std::u16string& text) {
    if (!IsConsole(handle)) return WriteBytes(handle, ToUtf8(text));
    DWORD written = 0;
    return WriteConsoleW(handle, AsWide(text.c_str()), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

Failure WithReason(const std::u16string& what) {
    const DWORD error = GetLastError();
    return Failure{error ? what + u": " + SystemReason(error) : what};
}

std::optional<Failure> Printed(bool written) {
    if (written) return std::nullopt;
    return WithReason(u"cannot write to standard output");
}

std::optional<Failure> Print(const std::u16string& text) { return Printed(WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text)); }

bool IsDevice(const std::wstring& path) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && GetFileType(file.get()) != FILE_TYPE_DISK;
}

std::optional<Failure> WriteBytesTo(const std::u16string& path, const std::string& bytes) {
    return WriteWhole(path, [&](HANDLE file) -> std::optional<Failure> {
        if (WriteBytes(file, bytes)) return std::nullopt;
        return WithReason(u"cannot write " + path);
    });
}

int Fail(const Failure& failure) {
    static_cast<void>(WriteText(GetStdHandle(STD_ERROR_HANDLE), u"QuarryMap: " + failure.message + u"\n"));
    return kFailureStatus;
}

}  // namespace quarry::cli

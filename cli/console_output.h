// QuarryMap's output: texts for people go to a console as UTF-16 and anywhere else as UTF-8;
// bytes (CSV, JSON) go as they are. Every write is checked, and a failure ends the program
// with one line on standard error and status 2.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "framework/handles.h"
#include "framework/utf16.h"

namespace quarry::cli {

inline constexpr int kFailureStatus = 2;  // every failure; 1 is "the maps differ" or "no hit"

// A failure to report: the message after "QuarryMap: ".
struct Failure {
    std::u16string message;
};

bool IsConsole(HANDLE handle);
// All of `bytes`; false when the handle refuses some.
bool WriteBytes(HANDLE handle, const std::string& bytes);
// `text` as UTF-16 to a console, as UTF-8 elsewhere; false when the handle refuses some.
bool WriteText(HANDLE handle, const std::u16string& text);

// `what`, then why the call that has just failed did, as the system says it.
Failure WithReason(const std::u16string& what);
// Nothing when standard output took what was written to it, else why not.
std::optional<Failure> Printed(bool written);
std::optional<Failure> Print(const std::u16string& text);

// A device (NUL, a console, Z:\dev\full under Wine) or a pipe, which can only be written
// in place: a file moved over it would replace the device's name, not write to it.
bool IsDevice(const std::wstring& path);

// Writes `path` through a temporary file beside it, so that a failure leaves neither half a
// file nor a damaged old one; `write` fills the open file and says whether it managed.
template <typename Write>
std::optional<Failure> WriteWhole(const std::u16string& path, Write write) {
    const std::wstring target = ToWide(path);
    if (IsDevice(target)) {
        const UniqueFileHandle device(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return device ? write(device.get()) : WithReason(u"cannot write " + path);
    }
    const std::wstring temporary = target + L".quarrymap-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    std::optional<Failure> failure;
    {
        const UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        failure = file ? write(file.get()) : WithReason(u"cannot write " + path);
    }
    if (!failure && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) failure = WithReason(u"cannot write " + path);
    if (failure) DeleteFileW(temporary.c_str());
    return failure;
}

std::optional<Failure> WriteBytesTo(const std::u16string& path, const std::string& bytes);

// Reports the failure; the status to end with. When standard error refuses the message too,
// the status is all that is left to tell.
int Fail(const Failure& failure);

// A line of progress on a console's standard error, once the work has taken half a second,
// erased when done. The text is made only when it is shown.
class ProgressLine {
public:
    ProgressLine() : console_(IsConsole(GetStdHandle(STD_ERROR_HANDLE))) {}
    ~ProgressLine() {
        if (shown_) Show(u"\r" + std::u16string(40, u' ') + u"\r");
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    template <typename Text>
    void Update(Text text) {
        if (!console_ || std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(500)) return;
        std::u16string line(1, u'\r');
        Show(line.append(text()));
        shown_ = true;
    }

private:
    // Progress is a courtesy: a console that refuses it changes nothing about the result.
    static void Show(const std::u16string& text) { static_cast<void>(WriteText(GetStdHandle(STD_ERROR_HANDLE), text)); }

    const bool console_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    bool shown_ = false;
};

}  // namespace quarry::cli

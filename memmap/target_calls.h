// Calls into another process that cannot hold their caller when that process ends.
//
// Under Wine, a query of another process's memory that is in flight when the process ends
// may never return (seen with VirtualQueryEx: a bare loop of queries hung in 1 of 11 tries).
// Windows answers such a call with an error. So under Wine each call runs on a worker thread
// while the caller waits for it and for the end of the target; a call still out a short
// while after the end counts as failed and is left behind on its thread, which ends when
// the call returns, if ever. On Windows the calls are made directly.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace quarry {

class TargetCalls {
public:
    enum class Mode { Direct, Guarded };

    // `ended` is signalled when the target ends: its process handle, or an event that stands
    // for it. It is duplicated, so the caller may close its own at any time. Copies share
    // what they learn: once one has given a call up, all of them fail at once.
    explicit TargetCalls(HANDLE ended, Mode mode = DefaultMode());

    // Guarded under Wine, direct elsewhere.
    static Mode DefaultMode();

    // Runs `call` and gives its result, or nothing when the call was given up, or once one
    // was: the target has ended, so later questions fail at once instead of each waiting its
    // while. `call` may run on another thread and outlive this call: it must own (capture by
    // value) everything it touches, the process handle included.
    template <class Call>
    std::optional<std::invoke_result_t<Call&>> Run(Call call) {
        using Result = std::invoke_result_t<Call&>;
        if (mode_ == Mode::Direct) return call();
        if (GaveUp()) return std::nullopt;
        auto result = std::make_shared<std::optional<Result>>();
        if (!RunGuarded([call = std::move(call), result]() mutable { *result = call(); })) return std::nullopt;
        return std::move(*result);
    }

    // Whether a call to this target was given up: it ended with a question out.
    bool GaveUp() const;
    // Whether calls run on the caller's thread, so none can be left behind.
    bool Direct() const { return mode_ == Mode::Direct; }

private:
    struct Shared;
    bool RunGuarded(std::function<void()> call);

    std::shared_ptr<Shared> shared_;
    Mode mode_;
};

}  // namespace quarry

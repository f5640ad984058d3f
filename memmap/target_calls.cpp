#include "memmap/target_calls.h"

namespace quarry {
namespace {

// How often a waiting caller looks whether the target has ended, and how long a call may
// still take once it has: together well inside a second.
constexpr DWORD kLookEveryMs = 20;
constexpr ULONGLONG kGraceMs = 250;

// A worker thread and what it shares with its caller. The thread holds a reference of its
// own, so that a worker whose call was given up keeps its state for as long as it lives.
struct Worker {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    std::function<void()> call;  // waiting to be made; empty otherwise
    bool done = false;
};

DWORD WINAPI RunWorker(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Worker>> own(static_cast<std::shared_ptr<Worker>*>(parameter));
    Worker& worker = **own;
    for (;;) {
        AcquireSRWLockExclusive(&worker.lock);
        while (!worker.call) SleepConditionVariableSRW(&worker.changed, &worker.lock, INFINITE, 0);
        const std::function<void()> call = std::move(worker.call);
        worker.call = nullptr;
        ReleaseSRWLockExclusive(&worker.lock);

        call();

        AcquireSRWLockExclusive(&worker.lock);
        worker.done = true;
        ReleaseSRWLockExclusive(&worker.lock);
        WakeAllConditionVariable(&worker.changed);
    }
}

// One worker per calling thread, started at its first call and replaced when a call is
// given up. A worker is never stopped: it waits for the next call, or for the end of the
// program inside a call the system never answers.
thread_local std::shared_ptr<Worker> t_worker;

Worker* CurrentWorker() {
    if (t_worker) return t_worker.get();
    auto worker = std::make_shared<Worker>();
    auto threadsOwn = std::make_unique<std::shared_ptr<Worker>>(worker);
    const HANDLE thread = CreateThread(nullptr, 0, &RunWorker, threadsOwn.get(), 0, nullptr);
    if (!thread) return nullptr;
    threadsOwn.release();  // the thread's now
    CloseHandle(thread);
    t_worker = std::move(worker);
    return t_worker.get();
}

bool HasEnded(HANDLE ended) { return WaitForSingleObject(ended, 0) == WAIT_OBJECT_0; }

}  // namespace

TargetCalls::TargetCalls(HANDLE ended, Mode mode) : ended_(ended), mode_(mode) {}

TargetCalls::Mode TargetCalls::DefaultMode() {
    // Only Wine leaves such calls hanging; its ntdll names itself.
    static const Mode mode =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") ? Mode::Guarded : Mode::Direct;
    return mode;
}

bool TargetCalls::RunGuarded(std::function<void()> call) {
    Worker* worker = CurrentWorker();
    if (!worker) return false;  // no thread to be had: the call fails like any other

    AcquireSRWLockExclusive(&worker->lock);
    worker->done = false;
    worker->call = std::move(call);
    WakeAllConditionVariable(&worker->changed);
    std::optional<ULONGLONG> giveUpAt;
    while (!worker->done) {
        if (SleepConditionVariableSRW(&worker->changed, &worker->lock, kLookEveryMs, 0)) continue;
        // Only a call that takes a while asks the system about the target: it costs a round
        // trip to Wine's server.
        if (!giveUpAt && HasEnded(ended_)) giveUpAt = GetTickCount64() + kGraceMs;
        if (giveUpAt && GetTickCount64() >= *giveUpAt) break;
    }
    const bool done = worker->done;
    ReleaseSRWLockExclusive(&worker->lock);
    if (!done) {
        t_worker.reset();  // left behind with its call
        gaveUp_ = true;
    }
    return done;
}

}  // namespace quarry

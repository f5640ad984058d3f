#include "memmap/target_calls.h"

#include <atomic>

#include "framework/handles.h"

namespace quarry {

struct TargetCalls::Shared {
    UniqueHandle ended;  // null when it could not be duplicated: the end is never seen then
    std::atomic<bool> gaveUp = false;
};

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
    bool abandoned = false;  // its caller gave up the call: the thread ends after it
};

DWORD WINAPI RunWorker(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Worker>> own(static_cast<std::shared_ptr<Worker>*>(parameter));
    Worker& worker = **own;
    for (;;) {
        AcquireSRWLockExclusive(&worker.lock);
        while (!worker.call) SleepConditionVariableSRW(&worker.changed, &worker.lock, INFINITE, 0);
        std::function<void()> call = std::move(worker.call);
        worker.call = nullptr;
        ReleaseSRWLockExclusive(&worker.lock);

        call();
        call = nullptr;  // what it owns goes with it, the process handle included

        AcquireSRWLockExclusive(&worker.lock);
        worker.done = true;
        const bool abandoned = worker.abandoned;
        ReleaseSRWLockExclusive(&worker.lock);
        if (abandoned) return 0;  // nobody waits for it, and no call will come
        WakeAllConditionVariable(&worker.changed);
    }
}

// One worker per calling thread, started at its first call and replaced when a call is
// given up. A worker that has a caller waits for its next call for as long as the program
// runs.
thread_local std::shared_ptr<Worker> t_worker;

Worker* CurrentWorker() {
    if (t_worker) return t_worker.get();
    auto worker = std::make_shared<Worker>();
    auto threadsOwn = std::make_unique<std::shared_ptr<Worker>>(worker);
    const UniqueHandle thread(CreateThread(nullptr, 0, &RunWorker, threadsOwn.get(), 0, nullptr));
    if (!thread) return nullptr;
    threadsOwn.release();  // the thread's now
    t_worker = std::move(worker);
    return t_worker.get();
}

bool HasEnded(HANDLE ended) { return ended && WaitForSingleObject(ended, 0) == WAIT_OBJECT_0; }

}  // namespace

TargetCalls::TargetCalls(HANDLE ended, Mode mode) : shared_(std::make_shared<Shared>()), mode_(mode) {
    shared_->ended = DuplicateOwnHandle(ended, SYNCHRONIZE);
}

bool TargetCalls::GaveUp() const { return shared_->gaveUp; }

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
        if (!giveUpAt) {
            // Only a call that takes a while asks the system about the target: it costs a
            // round trip to Wine's server, made without holding up the worker.
            ReleaseSRWLockExclusive(&worker->lock);
            const bool ended = HasEnded(shared_->ended.get());
            AcquireSRWLockExclusive(&worker->lock);
            if (ended) giveUpAt = GetTickCount64() + kGraceMs;
        } else if (GetTickCount64() >= *giveUpAt) {
            break;
        }
    }
    const bool done = worker->done;
    if (!done) worker->abandoned = true;
    ReleaseSRWLockExclusive(&worker->lock);
    if (!done) {
        t_worker.reset();  // left behind with its call, which it ends with
        shared_->gaveUp = true;
    }
    return done;
}

}  // namespace quarry

// The operating-system services that the driver context, its caches and the
// item store use: zero-filled global memory, the tick count and the process
// locks of the two context caches.
#pragma once
#include <win/sync.h>
#include <win/types.h>

#include <atomic>

namespace vesk {

// A zero-filled global allocation of `bytes`, or null.
void* MemAllocZero(size_t bytes);
// Frees a block of MemAllocZero; null is ignored.
void MemFree(void* block);
// The operating system's tick count (milliseconds, wrapping at 2^32).
uint32_t GetTicks();

// An entry found with GetProcAddress as the function type it has.
template <class F>
F ProcAs(FARPROC entry) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(entry));
}

// A recursive process lock: a critical section (spin count 4000) with its
// initialisation word, 0 never initialised (or initialisation failed), 1
// initialised. The section is initialised at process attach or by the first
// enter; a lock that cannot be initialised is not entered, and the work it
// guards runs unguarded rather than not at all.
class ProcessLock {
public:
    ProcessLock() = default;
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    // Initialises the section when that was never done; true when it is.
    bool init();
    void enter();
    void leave();
    // Deletes the section (process detach); a later enter initialises it again.
    void destroy();
    // The initialisation word.
    int word() const { return word_.load() == kReady ? 1 : 0; }

private:
    static constexpr int kNever = 0, kReady = 1, kBusy = 2;
    CRITICAL_SECTION cs_{};
    std::atomic<int> word_{kNever};
};

class LockHold {
public:
    explicit LockHold(ProcessLock& l) : l_(l) { l_.enter(); }
    ~LockHold() { l_.leave(); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

private:
    ProcessLock& l_;
};

}  // namespace vesk

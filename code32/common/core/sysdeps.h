// The operating-system services that the driver context, its caches and the
// item store use: zero-filled global memory, the tick count and the process
// locks of the two context caches.
#pragma once
#include <win/types.h>

namespace vesk {

// A zero-filled global allocation of `bytes`, or null.
void* MemAllocZero(size_t bytes);
// Frees a block of MemAllocZero; null is ignored.
void MemFree(void* block);
// The operating system's tick count (milliseconds, wrapping at 2^32).
uint32_t GetTicks();

// A recursive process lock.
class ProcessLock {
public:
    ProcessLock();
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    void enter();
    void leave();
    // Deletes the lock at process detach; a later enter creates it again.
    void destroy();

private:
    void* impl_ = nullptr;
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

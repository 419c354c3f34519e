#include "core/sysdeps.h"

#include <thread>

#include <win/memory.h>
#include <win/time.h>

namespace vesk {

void* MemAllocZero(size_t bytes) { return GlobalAlloc(GPTR, bytes); }

void MemFree(void* block) {
    if (block) GlobalFree(block);
}

uint32_t GetTicks() { return GetTickCount(); }

ProcessLock::~ProcessLock() { destroy(); }

bool ProcessLock::init() {
    for (;;) {
        int w = word_.load();
        if (w == kReady) return true;
        if (w == kNever && word_.compare_exchange_strong(w, kBusy)) {
            bool ok = InitializeCriticalSectionAndSpinCount(&cs_, 4000) != FALSE;
            word_.store(ok ? kReady : kNever);
            return ok;
        }
        // Another thread is initialising it: wait for its result.
        if (w == kBusy) std::this_thread::yield();
    }
}

void ProcessLock::enter() {
    if (init()) EnterCriticalSection(&cs_);
}

void ProcessLock::leave() {
    if (word_.load() == kReady) LeaveCriticalSection(&cs_);
}

void ProcessLock::destroy() {
    int w = kReady;
    if (word_.compare_exchange_strong(w, kBusy)) {
        DeleteCriticalSection(&cs_);
        word_.store(kNever);
    }
}

}  // namespace vesk

#include "core/sysdeps.h"

#include <mutex>
#include <new>

#include <win/memory.h>
#include <win/time.h>

namespace vesk {

void* MemAllocZero(size_t bytes) { return GlobalAlloc(GPTR, bytes); }

void MemFree(void* block) {
    if (block) GlobalFree(block);
}

uint32_t GetTicks() { return GetTickCount(); }

// Interim body until the stand-in's critical sections are available to the
// common library.
ProcessLock::ProcessLock() : impl_(new (std::nothrow) std::recursive_mutex) {}

ProcessLock::~ProcessLock() { destroy(); }

void ProcessLock::enter() {
    if (!impl_) impl_ = new (std::nothrow) std::recursive_mutex;
    if (impl_) static_cast<std::recursive_mutex*>(impl_)->lock();
}

void ProcessLock::leave() {
    if (impl_) static_cast<std::recursive_mutex*>(impl_)->unlock();
}

void ProcessLock::destroy() {
    delete static_cast<std::recursive_mutex*>(impl_);
    impl_ = nullptr;
}

}  // namespace vesk

#include "core/sysdeps.h"

#include <cstdlib>
#include <mutex>
#include <new>

#include <winsim/winsim.h>

// Interim bodies until the stand-in's memory, tick count and critical
// sections are available to the common library.
namespace vesk {

void* MemAllocZero(size_t bytes) { return std::calloc(1, bytes ? bytes : 1); }

void MemFree(void* block) { std::free(block); }

uint32_t GetTicks() { return winsim::nowTickCount(); }

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

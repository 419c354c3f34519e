// Critical sections: recursive locks private to one process.
//
// The caller's CRITICAL_SECTION record holds a pointer to a heap object with
// the real state; the record's other fields only mirror owner and recursion.
#include <win/process.h>
#include <win/sync.h>

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <new>
#include <thread>

#include "core/sim.h"

using namespace winsim::detail;

static_assert(sizeof(void*) != 4 || sizeof(CRITICAL_SECTION) == 24,
              "CRITICAL_SECTION must have its Windows size on i686");

namespace {

// The holder is the owning thread's pthread identity (what std::thread::id
// holds), 0 while the section is free; it is taken and given up with one
// atomic step each, and the recursion count is touched by the holder only.
// A thread that finds the section held waits on `freed` under `lock`,
// counted in `waiters`, so a leave wakes a thread only when one waits.
struct Section {
    std::mutex lock;
    std::condition_variable freed;
    std::atomic<uintptr_t> owner{0};
    LONG recursion = 0;
    std::atomic<unsigned> waiters{0};
};

uintptr_t self() { return static_cast<uintptr_t>(pthread_self()); }

bool tryTake(Section& s, uintptr_t me) {
    uintptr_t expected = 0;
    return s.owner.compare_exchange_strong(expected, me);
}

Section* load(LPCRITICAL_SECTION cs) {
    return static_cast<Section*>(__atomic_load_n(&cs->Impl, __ATOMIC_ACQUIRE));
}

// The section's state; created on first use when initialisation could not
// allocate it (InitializeCriticalSection has no way to report that). Two
// threads racing here agree on one object.
Section* state(LPCRITICAL_SECTION cs) {
    Section* s = load(cs);
    if (s) return s;
    auto* fresh = new (std::nothrow) Section;
    if (!fresh) return nullptr;
    void* expected = nullptr;
    if (__atomic_compare_exchange_n(&cs->Impl, &expected, static_cast<void*>(fresh), false, __ATOMIC_ACQ_REL,
                                    __ATOMIC_ACQUIRE))
        return fresh;
    delete fresh;
    return static_cast<Section*>(expected);
}

void mirror(LPCRITICAL_SECTION cs, const Section& s) {
    cs->RecursionCount = s.recursion;
    cs->LockCount = s.recursion ? 0 : -1;
    cs->OwningThread = s.recursion ? reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId())) : nullptr;
}

}  // namespace

extern "C" {

WINBASEAPI void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return;
    *cs = CRITICAL_SECTION{};
    cs->LockCount = -1;
    cs->Impl = new (std::nothrow) Section;  // null: made on first Enter
}

WINBASEAPI BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount) {
    if (enter("InitializeCriticalSectionAndSpinCount")) return FALSE;
    if (!cs) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* s = new (std::nothrow) Section;
    if (!s) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *cs = CRITICAL_SECTION{};
    cs->LockCount = -1;
    cs->SpinCount = spinCount;
    cs->Impl = s;
    return TRUE;
}

WINBASEAPI void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return;
    Section* s = state(cs);
    if (!s) return;  // out of memory: nothing can be locked
    const uintptr_t me = self();
    if (s->owner.load(std::memory_order_relaxed) == me) {
        ++s->recursion;
        mirror(cs, *s);
        return;
    }
    if (!tryTake(*s, me)) {
        std::unique_lock g(s->lock);
        s->waiters.fetch_add(1);
        while (!tryTake(*s, me)) s->freed.wait(g);
        s->waiters.fetch_sub(1);
    }
    s->recursion = 1;
    mirror(cs, *s);
}

WINBASEAPI BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return FALSE;
    Section* s = state(cs);
    if (!s) return FALSE;
    const uintptr_t me = self();
    if (s->owner.load(std::memory_order_relaxed) == me) {
        ++s->recursion;
    } else {
        if (!tryTake(*s, me)) return FALSE;
        s->recursion = 1;
    }
    mirror(cs, *s);
    return TRUE;
}

// A leave by a thread that does not own the section is ignored: on Windows it
// corrupts the section, here it must not free a lock another thread holds.
WINBASEAPI void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return;
    Section* s = load(cs);
    if (!s) return;
    if (s->owner.load(std::memory_order_relaxed) != self() || s->recursion == 0) return;
    --s->recursion;
    // The record is the holder's to write until the section is given up.
    mirror(cs, *s);
    if (s->recursion == 0) {
        s->owner.store(0);
        if (s->waiters.load()) {
            std::lock_guard g(s->lock);
            s->freed.notify_one();
        }
    }
}

WINBASEAPI void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return;
    auto* s = static_cast<Section*>(__atomic_exchange_n(&cs->Impl, nullptr, __ATOMIC_ACQ_REL));
    delete s;
    cs->RecursionCount = 0;
    cs->LockCount = -1;
    cs->OwningThread = nullptr;
}

}  // extern "C"

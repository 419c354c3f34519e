// Critical sections: recursive locks private to one process.
//
// The caller's CRITICAL_SECTION record holds a pointer to a heap object with
// the real state; the record's other fields only mirror owner and recursion.
#include <win/process.h>
#include <win/sync.h>

#include <condition_variable>
#include <new>
#include <thread>

#include "core/sim.h"

using namespace winsim::detail;

static_assert(sizeof(void*) != 4 || sizeof(CRITICAL_SECTION) == 24,
              "CRITICAL_SECTION must have its Windows size on i686");

namespace {

struct Section {
    std::mutex lock;
    std::condition_variable freed;
    std::thread::id owner;
    LONG recursion = 0;
};

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
    std::unique_lock g(s->lock);
    auto me = std::this_thread::get_id();
    if (s->recursion == 0 || s->owner != me) {
        s->freed.wait(g, [&] { return s->recursion == 0; });
        s->owner = me;
    }
    ++s->recursion;
    mirror(cs, *s);
}

WINBASEAPI BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return FALSE;
    Section* s = state(cs);
    if (!s) return FALSE;
    std::lock_guard g(s->lock);
    auto me = std::this_thread::get_id();
    if (s->recursion && s->owner != me) return FALSE;
    s->owner = me;
    ++s->recursion;
    mirror(cs, *s);
    return TRUE;
}

// A leave by a thread that does not own the section is ignored: on Windows it
// corrupts the section, here it must not free a lock another thread holds.
WINBASEAPI void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return;
    Section* s = load(cs);
    if (!s) return;
    std::lock_guard g(s->lock);
    if (s->recursion == 0 || s->owner != std::this_thread::get_id()) return;
    if (--s->recursion == 0) {
        s->owner = std::thread::id();
        s->freed.notify_one();
    }
    mirror(cs, *s);
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

#include "core/locks.h"

#include <atomic>

#include <win/security.h>
#include <win/sync.h>

#include "core/context_cache.h"

namespace vesk {
namespace {

constexpr WCHAR kMutexName[] = u"Global\\VeskMutexTse";
std::atomic<HANDLE> g_mutex{nullptr};

ProcessLock g_cacheLocks[2];

// Creates or opens the mutex. Every account may open and wait on it: the
// descriptor's DACL is present and null, as processes of other users and
// sessions (the spooler, applications) share it.
HANDLE createMutex() {
    SECURITY_DESCRIPTOR sd;
    if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)) return nullptr;
    if (!SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE)) return nullptr;
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = &sd;
    sa.bInheritHandle = FALSE;
    return CreateMutexW(&sa, FALSE, kMutexName);
}

HANDLE mutexHandle() {
    HANDLE h = g_mutex.load();
    if (h) return h;
    HANDLE made = createMutex();
    if (!made) return nullptr;
    // Two threads may both have opened it: one handle is kept, the other closed.
    HANDLE expected = nullptr;
    if (!g_mutex.compare_exchange_strong(expected, made)) {
        CloseHandle(made);
        return expected;
    }
    return made;
}

}  // namespace

ProcessLock& CacheLock(int n) { return g_cacheLocks[n == 1 ? 0 : 1]; }

void LocksInit() {
    CtxCacheClear();
    for (ProcessLock& l : g_cacheLocks) l.init();
    g_mutex.store(nullptr);
}

void LockEnter(int n) {
    if (n == 1 || n == 2) CacheLock(n).enter();
}

void LockLeave(int n) {
    if (n == 1 || n == 2) CacheLock(n).leave();
}

void LocksTerm() {
    for (ProcessLock& l : g_cacheLocks) l.destroy();
    if (HANDLE h = g_mutex.exchange(nullptr)) CloseHandle(h);
}

void TsMutexWait() {
    if (HANDLE h = mutexHandle()) WaitForSingleObject(h, INFINITE);
}

BOOL TsMutexRelease() {
    HANDLE h = g_mutex.load();
    return h ? ReleaseMutex(h) : FALSE;
}

HANDLE TsMutexHandle() { return g_mutex.load(); }

HANDLE TsMutexCreate() { return createMutex(); }

}  // namespace vesk

// Process-wide synchronisation of the common library: the two locks of the
// context caches (lock 1 the device-capability cache, lock 2 the other) and
// the named mutex "Global\VeskMutexTse" that every process and session
// loading any of the three libraries shares. The mutex guards the compiled
// model cache, install-state writes, option classes in printer data and
// settings-file import and export; it is recursive for its owning thread and
// never taken while a cache lock is held.
#pragma once
#include <win/types.h>

#include "core/sysdeps.h"

namespace vesk {

// The lock of context cache 1 or 2 (any other number gives lock 2's).
ProcessLock& CacheLock(int n);

// Process attach: empties the context caches, initialises both cache locks
// (spin count 4000) and forgets any mutex handle.
void LocksInit();
// Enters lock 1 or 2, initialising it first when that was never done; a
// lock whose initialisation failed is not entered. Other numbers do nothing.
void LockEnter(int n);
void LockLeave(int n);
// Process detach: deletes both locks and closes the mutex handle.
void LocksTerm();

// Creates (or opens) the named mutex on first use, with a null DACL so that
// every account may open and wait on it, then waits for it without time-out.
// When the mutex cannot be created the call returns without waiting.
void TsMutexWait();
// Releases the mutex; the release result, 0 without a handle.
BOOL TsMutexRelease();
// The mutex's handle, null before first use.
HANDLE TsMutexHandle();
// A new handle of the mutex (not owned, every account may open it), or null
// when its security descriptor cannot be set up; the caller closes it.
HANDLE TsMutexCreate();

// Holds the named mutex for a scope.
class TsMutexHold {
public:
    TsMutexHold() { TsMutexWait(); }
    ~TsMutexHold() { TsMutexRelease(); }
    TsMutexHold(const TsMutexHold&) = delete;
    TsMutexHold& operator=(const TsMutexHold&) = delete;
};

}  // namespace vesk

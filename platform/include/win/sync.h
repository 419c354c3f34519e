// Critical sections, mutexes, events and waits.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

// A critical section as the caller allocates it. The stand-in keeps its state
// in a separate object that `Impl` points to; the other fields mirror the
// owner and recursion for a debugger's eye and are never read back. The
// record has the size callers reserve for it on Windows (24 bytes on i686).
typedef struct _RTL_CRITICAL_SECTION {
    void* Impl;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

// Wait results.
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_FAILED 0xFFFFFFFFu

// Access rights of synchronisation objects.
#define MUTEX_MODIFY_STATE 0x0001
#define MUTEX_ALL_ACCESS 0x001F0001
#define EVENT_MODIFY_STATE 0x0002
#define EVENT_ALL_ACCESS 0x001F0003

// Initialises a recursive critical section (cannot report failure).
WINBASEAPI void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs);
// As above with a spin count (accepted, not used); FALSE when out of memory.
WINBASEAPI BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount);
WINBASEAPI void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs);
// TRUE when the section was entered (free, or already owned by the caller).
WINBASEAPI BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs);
WINBASEAPI void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs);
WINBASEAPI void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs);

// Creates or opens a mutex. A named mutex is one object for every process on
// the machine; opening an existing one sets ERROR_ALREADY_EXISTS (the result
// is still a new handle). "Global\\" and "Local\\" prefixes name the same
// object as the bare name: the machine has one session.
WINBASEAPI HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name);
// Opens an existing named mutex; ERROR_FILE_NOT_FOUND when none exists.
WINBASEAPI HANDLE WINAPI OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name);
// Releases one level of ownership; ERROR_NOT_OWNER when the caller does not own it.
WINBASEAPI BOOL WINAPI ReleaseMutex(HANDLE mutex);

// Events (unnamed only; a name fails with ERROR_NOT_SUPPORTED).
WINBASEAPI HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name);
WINBASEAPI BOOL WINAPI SetEvent(HANDLE event);
WINBASEAPI BOOL WINAPI ResetEvent(HANDLE event);

// Waits for a mutex, event, process or thread handle. Returns WAIT_OBJECT_0,
// WAIT_ABANDONED (a mutex whose owner ended without releasing it; the caller
// now owns it), WAIT_TIMEOUT, or WAIT_FAILED with the last error set.
WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);

WIN_END_DECLS

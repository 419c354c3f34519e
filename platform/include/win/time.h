// Tick count, system and local time, file times.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

// Milliseconds since the machine started: 32 bits, wrapping after 49.7 days.
WINBASEAPI DWORD WINAPI GetTickCount(void);
// The same counter at full width.
WINBASEAPI ULONGLONG WINAPI GetTickCount64(void);
// Current time, UTC and local (local = UTC - the machine's time-zone bias).
WINBASEAPI void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime);
WINBASEAPI void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime);
WINBASEAPI void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
// FILETIME (100 ns since 1601-01-01) <-> calendar fields. FileTimeToSystemTime
// refuses times past 0x7FFFFFFFFFFFFFFF, SystemTimeToFileTime fields out of
// range (years 1601-30827); both with ERROR_INVALID_PARAMETER. The day of
// the week is computed, and ignored on input.
WINBASEAPI BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
WINBASEAPI BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
// UTC <-> local file time with the machine's current bias.
WINBASEAPI BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
WINBASEAPI BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);
// -1, 0 or 1 as the first time is earlier, equal or later.
WINBASEAPI LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);
// Waits; on the virtual clock it moves the clock on instead.
WINBASEAPI void WINAPI Sleep(DWORD dwMilliseconds);

WIN_END_DECLS

// Windows version tests. Each reads the version through GetVersionExW and
// answers 0 when that fails.
#pragma once
#include <win/system.h>
#include <win/types.h>

namespace vesk {

// The version record (zeroed, size 276 as OSVERSIONINFOW); 0 on failure.
int OsGetVersion(OSVERSIONINFOW* info);
// Major version below 5 (Windows NT 4 and the 9x family).
int OsIsBeforeNt5();
// Windows 2000 (5.0) and later.
int OsIsNt5OrLater();
// Major above 4 and the version neither 5.0 nor 5.1: Server 2003 (5.2) and later.
int OsIsNt52OrLater();
// Windows Vista (6.0) and later.
int OsIsNt6OrLater();
// The 9x family (VER_PLATFORM_WIN32_WINDOWS).
int OsIsWin9x();

}  // namespace vesk

#include "core/os_version.h"

#include <cstring>

namespace vesk {

int OsGetVersion(OSVERSIONINFOW* info) {
    if (!info) return 0;
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    return GetVersionExW(info) ? 1 : 0;
}

int OsIsBeforeNt5() {
    OSVERSIONINFOW v;
    return OsGetVersion(&v) && v.dwMajorVersion < 5 ? 1 : 0;
}

int OsIsNt5OrLater() {
    OSVERSIONINFOW v;
    return OsGetVersion(&v) && v.dwMajorVersion > 4 ? 1 : 0;
}

int OsIsNt52OrLater() {
    OSVERSIONINFOW v;
    if (!OsGetVersion(&v) || v.dwMajorVersion <= 4) return 0;
    bool fiveZeroOrOne = v.dwMajorVersion == 5 && (v.dwMinorVersion == 0 || v.dwMinorVersion == 1);
    return fiveZeroOrOne ? 0 : 1;
}

int OsIsNt6OrLater() {
    OSVERSIONINFOW v;
    return OsGetVersion(&v) && v.dwMajorVersion > 5 ? 1 : 0;
}

int OsIsWin9x() {
    OSVERSIONINFOW v;
    return OsGetVersion(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
}

}  // namespace vesk

// Tick count, system and local time and file-time arithmetic, on the
// stand-in's clock (real, or virtual for tests).
//
// Choices where Windows leaves room:
// - Local time is UTC minus the machine's fixed bias; there are no daylight
//   saving rules.
// - A conversion whose result would fall outside 0..0x7FFFFFFFFFFFFFFF fails
//   with ERROR_INVALID_PARAMETER instead of wrapping.
// - Null pointers, which Windows turns into faults, fail with
//   ERROR_INVALID_PARAMETER (GetSystemTime and friends do nothing);
//   CompareFileTime sorts a null time first.
// - Sleep on the virtual clock advances the clock by the full duration
//   (INFINITE included) and returns; Sleep(0) on the real clock yields.
#include <win/time.h>

#include <chrono>
#include <thread>

#include "core/clock.h"
#include "core/sim.h"

using namespace winsim::detail;

namespace {

constexpr uint64_t kTicksPerMs = 10000;
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kTicksPerDay = kTicksPerSecond * 86400;
constexpr uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFull;
// Days from 0000-03-01 (the proleptic calendar's era origin) to 1601-01-01.
constexpr int64_t kDaysTo1601 = 584694;

uint64_t toU64(const FILETIME& ft) { return uint64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime; }

void fromU64(uint64_t v, FILETIME* ft) {
    ft->dwLowDateTime = static_cast<DWORD>(v);
    ft->dwHighDateTime = static_cast<DWORD>(v >> 32);
}

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(int64_t y, unsigned m) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Days since 0000-03-01 of a date in the proleptic Gregorian calendar, and
// back; years counted from March so the leap day falls at the end.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    int64_t era = y / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    int64_t era = z / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

void toSystemTime(uint64_t ft, SYSTEMTIME* st) {
    uint64_t days = ft / kTicksPerDay;
    uint64_t rest = ft % kTicksPerDay;
    int64_t y;
    unsigned m, d;
    civilFromDays(static_cast<int64_t>(days) + kDaysTo1601, y, m, d);
    st->wYear = static_cast<WORD>(y);
    st->wMonth = static_cast<WORD>(m);
    st->wDay = static_cast<WORD>(d);
    st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    st->wHour = static_cast<WORD>(rest / (kTicksPerSecond * 3600));
    st->wMinute = static_cast<WORD>(rest / (kTicksPerSecond * 60) % 60);
    st->wSecond = static_cast<WORD>(rest / kTicksPerSecond % 60);
    st->wMilliseconds = static_cast<WORD>(rest / kTicksPerMs % 1000);
}

// The bias in file-time units (local = UTC - bias).
int64_t biasTicks() { return int64_t{winsim::config().timeZoneBiasMinutes} * 60 * int64_t{kTicksPerSecond}; }

bool shift(uint64_t v, int64_t by, uint64_t& out) {
    if (v > kMaxFileTime) return false;
    int64_t r;
    if (__builtin_add_overflow(static_cast<int64_t>(v), by, &r) || r < 0) return false;
    out = static_cast<uint64_t>(r);
    return true;
}

}  // namespace

extern "C" {

WINBASEAPI DWORD WINAPI GetTickCount(void) {
    enter("GetTickCount");
    return winsim::nowTickCount();
}

WINBASEAPI ULONGLONG WINAPI GetTickCount64(void) {
    enter("GetTickCount64");
    return tickCount64();
}

WINBASEAPI void WINAPI GetSystemTimeAsFileTime(LPFILETIME ft) {
    enter("GetSystemTimeAsFileTime");
    if (ft) fromU64(winsim::nowFileTime(), ft);
}

WINBASEAPI void WINAPI GetSystemTime(LPSYSTEMTIME st) {
    enter("GetSystemTime");
    if (st) toSystemTime(winsim::nowFileTime() & kMaxFileTime, st);
}

WINBASEAPI void WINAPI GetLocalTime(LPSYSTEMTIME st) {
    enter("GetLocalTime");
    if (!st) return;
    uint64_t local;
    if (!shift(winsim::nowFileTime(), -biasTicks(), local)) local = winsim::nowFileTime() & kMaxFileTime;
    toSystemTime(local, st);
}

WINBASEAPI BOOL WINAPI FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st) {
    if (enter("FileTimeToSystemTime")) return FALSE;
    if (!ft || !st || toU64(*ft) > kMaxFileTime) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    toSystemTime(toU64(*ft), st);
    return TRUE;
}

WINBASEAPI BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft) {
    if (enter("SystemTimeToFileTime")) return FALSE;
    if (!st || !ft || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
        st->wDay > daysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 ||
        st->wMilliseconds > 999) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto days = static_cast<uint64_t>(daysFromCivil(st->wYear, st->wMonth, st->wDay) - kDaysTo1601);
    uint64_t v = days * kTicksPerDay + ((uint64_t{st->wHour} * 60 + st->wMinute) * 60 + st->wSecond) * kTicksPerSecond +
                 uint64_t{st->wMilliseconds} * kTicksPerMs;
    fromU64(v, ft);
    return TRUE;
}

WINBASEAPI BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* ft, LPFILETIME local) {
    if (enter("FileTimeToLocalFileTime")) return FALSE;
    uint64_t v;
    if (!ft || !local || !shift(toU64(*ft), -biasTicks(), v)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    fromU64(v, local);
    return TRUE;
}

WINBASEAPI BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME ft) {
    if (enter("LocalFileTimeToFileTime")) return FALSE;
    uint64_t v;
    if (!local || !ft || !shift(toU64(*local), biasTicks(), v)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    fromU64(v, ft);
    return TRUE;
}

WINBASEAPI LONG WINAPI CompareFileTime(const FILETIME* a, const FILETIME* b) {
    if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
    uint64_t x = toU64(*a), y = toU64(*b);
    return x < y ? -1 : x > y ? 1 : 0;
}

WINBASEAPI void WINAPI Sleep(DWORD ms) {
    enter("Sleep", std::to_string(ms));
    if (clockIsVirtual()) {
        if (ms) winsim::advanceClock(ms);
        return;
    }
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    if (ms == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // extern "C"

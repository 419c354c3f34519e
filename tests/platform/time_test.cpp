// Time: the wrapping tick count, Sleep on the virtual clock, system and
// local time, FILETIME <-> SYSTEMTIME (leap days, limits, validation).
#include <gtest/gtest.h>

#include <win/time.h>
#include <winsim/winsim.h>
#include "platform/last_error.h"

namespace {

// 2024-02-29 23:30:15.250 UTC.
constexpr uint64_t kLeapEvening = 133537230152500000ull;

FILETIME ft(uint64_t v) { return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)}; }
uint64_t u64(const FILETIME& f) { return uint64_t{f.dwHighDateTime} << 32 | f.dwLowDateTime; }

SYSTEMTIME st(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME t{};
    t.wYear = y;
    t.wMonth = mo;
    t.wDay = d;
    t.wHour = h;
    t.wMinute = mi;
    t.wSecond = s;
    t.wMilliseconds = ms;
    return t;
}

void expectTime(const SYSTEMTIME& t, WORD y, WORD mo, WORD d, WORD dow, WORD h, WORD mi, WORD s, WORD ms) {
    EXPECT_EQ(t.wYear, y);
    EXPECT_EQ(t.wMonth, mo);
    EXPECT_EQ(t.wDay, d);
    EXPECT_EQ(t.wDayOfWeek, dow);
    EXPECT_EQ(t.wHour, h);
    EXPECT_EQ(t.wMinute, mi);
    EXPECT_EQ(t.wSecond, s);
    EXPECT_EQ(t.wMilliseconds, ms);
}

}  // namespace

TEST(Time, TickCountWrapsAt32BitsAndDifferencesStayRight) {
    winsim::setVirtualClock(kLeapEvening, 0xFFFFFF00u);
    DWORD before = GetTickCount();
    EXPECT_EQ(before, 0xFFFFFF00u);
    winsim::advanceClock(0x200);
    DWORD after = GetTickCount();
    EXPECT_EQ(after, 0x100u);
    EXPECT_EQ(after - before, 0x200u);  // unsigned difference across the wrap
    EXPECT_EQ(GetTickCount64(), 0x100000100ull);
}

TEST(Time, SleepMovesTheVirtualClock) {
    winsim::setVirtualClock(kLeapEvening, 1000);
    Sleep(500);
    EXPECT_EQ(GetTickCount(), 1500u);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    EXPECT_EQ(u64(now), kLeapEvening + 500 * 10000ull);
    Sleep(0);
    EXPECT_EQ(GetTickCount(), 1500u);
}

TEST(Time, RealClockSleepWaits) {
    winsim::useRealClock();
    ULONGLONG start = GetTickCount64();
    Sleep(30);
    EXPECT_GE(GetTickCount64() - start, 25u);  // tick granularity allows a little slack
}

TEST(Time, SystemAndLocalTimeFromTheClock) {
    winsim::MachineConfig c;
    c.timeZoneBiasMinutes = -540;  // UTC+9
    winsim::TempMachine m(c);
    winsim::setVirtualClock(kLeapEvening, 0);
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    expectTime(utc, 2024, 2, 29, 4, 23, 30, 15, 250);    // a Thursday
    expectTime(local, 2024, 3, 1, 5, 8, 30, 15, 250);    // the next day, a Friday

    FILETIME u = ft(kLeapEvening), l, back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&u, &l));
    EXPECT_EQ(u64(l), kLeapEvening + 9 * 3600 * 10000000ull);
    ASSERT_TRUE(LocalFileTimeToFileTime(&l, &back));
    EXPECT_EQ(u64(back), kLeapEvening);
}

TEST(Time, LocalConversionRefusesResultsOutOfRange) {
    winsim::MachineConfig c;
    c.timeZoneBiasMinutes = 60;  // UTC-1: local is earlier
    winsim::TempMachine m(c);
    FILETIME zero = ft(0), out;
    EXPECT_FAILS_WITH(FileTimeToLocalFileTime(&zero, &out), FALSE, ERROR_INVALID_PARAMETER);
    FILETIME top = ft(0x7FFFFFFFFFFFFFFFull);
    EXPECT_FALSE(LocalFileTimeToFileTime(&top, &out));
    EXPECT_FALSE(FileTimeToLocalFileTime(nullptr, &out));
}

TEST(Time, FileTimeAnchorsAndLimits) {
    SYSTEMTIME t;
    FILETIME f = ft(0);
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    expectTime(t, 1601, 1, 1, 1, 0, 0, 0, 0);  // a Monday
    f = ft(116444736000000000ull);
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    expectTime(t, 1970, 1, 1, 4, 0, 0, 0, 0);
    f = ft(0x7FFFFFFFFFFFFFFFull);
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    expectTime(t, 30828, 9, 14, 4, 2, 48, 5, 477);
    f = ft(0x8000000000000000ull);
    EXPECT_FAILS_WITH(FileTimeToSystemTime(&f, &t), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(FileTimeToSystemTime(nullptr, &t));
}

TEST(Time, SystemTimeRoundTripsIncludingLeapDays) {
    // Every day of 1899-1901, 1999-2001 and 2023-2025, at a time of day that
    // exercises every field.
    for (WORD start : {1899, 1999, 2023}) {
        SYSTEMTIME t = st(start, 1, 1, 13, 57, 42, 999);
        FILETIME f;
        ASSERT_TRUE(SystemTimeToFileTime(&t, &f));
        uint64_t v = u64(f);
        int leapDays = 0;
        for (int day = 0; day < 3 * 366; ++day, v += 864000000000ull) {
            SYSTEMTIME back;
            FILETIME cur = ft(v), again;
            ASSERT_TRUE(FileTimeToSystemTime(&cur, &back));
            ASSERT_TRUE(SystemTimeToFileTime(&back, &again));
            EXPECT_EQ(u64(again), v);
            EXPECT_EQ(back.wHour, 13);
            EXPECT_EQ(back.wMilliseconds, 999);
            if (back.wMonth == 2 && back.wDay == 29) {
                ++leapDays;
                EXPECT_TRUE(back.wYear == 2000 || back.wYear == 2024) << back.wYear;  // 1900 is not leap
            }
        }
        EXPECT_EQ(leapDays, start == 1899 ? 0 : 1);
    }
    // The day of the week is computed, and ignored on input.
    SYSTEMTIME t = st(2024, 2, 29);
    t.wDayOfWeek = 6;
    FILETIME f;
    ASSERT_TRUE(SystemTimeToFileTime(&t, &f));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&f, &back));
    EXPECT_EQ(back.wDayOfWeek, 4);
    t = st(30827, 12, 31, 23, 59, 59, 999);
    EXPECT_TRUE(SystemTimeToFileTime(&t, &f));
}

TEST(Time, SystemTimeFieldsAreValidated) {
    const SYSTEMTIME bad[] = {
        st(2023, 2, 29), st(1900, 2, 29), st(2024, 4, 31), st(2024, 0, 1),        st(2024, 13, 1),
        st(2024, 1, 0),  st(2024, 1, 32), st(2024, 1, 1, 24), st(2024, 1, 1, 0, 60), st(2024, 1, 1, 0, 0, 60),
        st(2024, 1, 1, 0, 0, 0, 1000),     st(1600, 12, 31), st(30828, 1, 1),
    };
    for (const SYSTEMTIME& t : bad) {
        FILETIME f = ft(42);
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&t, &f)) << t.wYear << "-" << t.wMonth << "-" << t.wDay;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(u64(f), 42u);  // untouched
    }
    SYSTEMTIME ok = st(2000, 2, 29, 23, 59, 59, 999);
    FILETIME f;
    EXPECT_TRUE(SystemTimeToFileTime(&ok, &f));
    EXPECT_FALSE(SystemTimeToFileTime(nullptr, &f));
}

TEST(Time, CompareFileTimeOrdersBothHalves) {
    FILETIME a = ft(0x100000000ull), b = ft(0xFFFFFFFFull), c = ft(0x100000000ull);
    EXPECT_EQ(CompareFileTime(&a, &b), 1);
    EXPECT_EQ(CompareFileTime(&b, &a), -1);
    EXPECT_EQ(CompareFileTime(&a, &c), 0);
    EXPECT_EQ(CompareFileTime(nullptr, &a), -1);
}

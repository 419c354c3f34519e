// Checks of the last-error value that the Windows calls leave behind.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>

#define EXPECT_LAST_ERROR(code) EXPECT_EQ(GetLastError(), static_cast<DWORD>(code))

// Expects `call` to give `failed` and to set `code` as the last error. The
// error is cleared first, so a value left by an earlier call cannot pass.
#define EXPECT_FAILS_WITH(call, failed, code) \
    do {                                      \
        SetLastError(0);                      \
        EXPECT_EQ((call), (failed));          \
        EXPECT_LAST_ERROR(code);              \
    } while (0)

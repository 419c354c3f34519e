// The size and time queries of an open file: a handle that can neither write
// nor let others write answers its size from the open, and every other change
// the platform can make while a handle is open still shows through it.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "platform/file_helpers.h"
#include "platform/fork_child.h"

using namespace filetest;

namespace {

constexpr const char16_t* kFile = u"C:\\WINDOWS\\Temp\\kept.bin";

DWORD sizeOf(HANDLE h) { return GetFileSize(h, nullptr); }

int64_t sizeExOf(HANDLE h) {
    LARGE_INTEGER v{};
    return GetFileSizeEx(h, &v) ? v.QuadPart : -1;
}

uint64_t writeTimeOf(HANDLE h) {
    FILETIME w{};
    return GetFileTime(h, nullptr, nullptr, &w) ? u64(w) : 0;
}

// Sets the last-write time through a handle that holds no data rights, so
// that no share mode stands in its way.
bool setWriteTime(const char16_t* path, uint64_t t) {
    HANDLE h = CreateFileW(path, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    const BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return ok != FALSE;
}

bool append(HANDLE h, const std::string& bytes) {
    DWORD n = 0;
    return SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
}

}  // namespace

TEST(KeptLength, AHandleThatWritesSeesItsOwnSizeAndLaterReadersSeeIt) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "1234"));
    HANDLE w = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ);
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeOf(w), 4u);
    ASSERT_TRUE(append(w, "56789"));
    EXPECT_EQ(sizeOf(w), 9u);
    EXPECT_EQ(sizeExOf(w), 9);
    ASSERT_EQ(SetFilePointer(w, 2, nullptr, FILE_BEGIN), 2u);
    ASSERT_TRUE(SetEndOfFile(w));
    EXPECT_EQ(sizeOf(w), 2u);
    // A reader refusing write sharing cannot open while the writer is.
    EXPECT_FAILS_WITH(openRead(kFile), INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    CloseHandle(w);
    HANDLE r = openRead(kFile);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeOf(r), 2u);
    EXPECT_EQ(sizeExOf(r), 2);
    CloseHandle(r);
}

TEST(KeptLength, AReaderThatSharesWritingSeesEveryChangeOfLength) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    HANDLE r = openRead(kFile, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeOf(r), 3u);
    HANDLE w = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(append(w, "defg"));
    EXPECT_EQ(sizeOf(r), 7u);
    // Grown by a mapping of the writer's handle.
    HANDLE map = CreateFileMappingW(w, nullptr, PAGE_READWRITE, 0, 20, nullptr);
    ASSERT_NE(map, nullptr);
    CloseHandle(map);
    EXPECT_EQ(sizeExOf(r), 20);
    CloseHandle(w);
    // Changed by another process.
    EXPECT_TRUE(forktest::inChild([] {
        HANDLE h = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
        if (h == INVALID_HANDLE_VALUE) return false;
        const bool ok = SetFilePointer(h, 5, nullptr, FILE_BEGIN) == 5u && SetEndOfFile(h);
        CloseHandle(h);
        return ok;
    }));
    EXPECT_EQ(sizeOf(r), 5u);
    CloseHandle(r);
}

TEST(KeptLength, AReaderRefusingWritersKeepsItsSizeButSeesEveryNewWriteTime) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "0123456789"));
    HANDLE r = openRead(kFile);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    const uint64_t before = writeTimeOf(r);
    ASSERT_NE(before, 0u);
    // No writer gets in, in this process or another: the length stays.
    EXPECT_FAILS_WITH(openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ), INVALID_HANDLE_VALUE,
                      ERROR_SHARING_VIOLATION);
    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(forktest::inChild([] {
        return CreateFileW(kFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr) ==
                   INVALID_HANDLE_VALUE &&
               GetLastError() == ERROR_SHARING_VIOLATION;
    }));
    EXPECT_EQ(sizeOf(r), 10u);
    // The write time moves through a handle that needs no share check: the
    // open reader sees each new time, set here or by another process.
    ASSERT_TRUE(setWriteTime(kFile, before + 50000000));
    EXPECT_EQ(writeTimeOf(r), before + 50000000);
    EXPECT_TRUE(forktest::inChild([before] { return setWriteTime(kFile, before - 70000000); }));
    EXPECT_EQ(writeTimeOf(r), before - 70000000);
    EXPECT_EQ(sizeExOf(r), 10);
    char buf[16] = {};
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(r, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "0123456789");
    CloseHandle(r);
}

TEST(KeptLength, EachOpenSeesTheLengthOfItsTimeAfterAnotherProcessRewroteTheFile) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "short"));
    HANDLE first = openRead(kFile);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeOf(first), 5u);
    CloseHandle(first);
    EXPECT_TRUE(forktest::inChild([] { return writeText(kFile, "a good deal longer"); }));
    HANDLE second = openRead(kFile);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeOf(second), 18u);
    CloseHandle(second);
    // Written behind the platform's back between two opens.
    putHostText(*winsim::hostPath(kFile), "xy");
    HANDLE third = openRead(kFile);
    ASSERT_NE(third, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeExOf(third), 2);
    CloseHandle(third);
}

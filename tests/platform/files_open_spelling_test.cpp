// Opening by a path already in resolved form takes one lookup; every other
// spelling of the same file (letter case, separators, dots, a lower-case
// drive) must still reach that file, a missing entry must still give the errors of
// the full resolution, and what another process does between two opens
// must be seen by the second.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "fork_child.h"
#include "platform/file_helpers.h"

using namespace filetest;

namespace {

constexpr const char16_t* kFile = u"C:\\WINDOWS\\Temp\\Spelt.bin";

// The file a handle is open on (volume and file index).
uint64_t fileId(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION i{};
    if (!GetFileInformationByHandle(h, &i)) return 0;
    return (uint64_t(i.nFileIndexHigh) << 32 | i.nFileIndexLow) ^ (uint64_t(i.dwVolumeSerialNumber) << 40);
}

}  // namespace

TEST(OpenSpelling, EverySpellingOfAFileReachesIt) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "spelt"));
    HANDLE exact = openRead(kFile);
    ASSERT_NE(exact, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);
    const uint64_t id = fileId(exact);
    ASSERT_NE(id, 0u);
    CloseHandle(exact);
    for (const char16_t* other : {u"c:\\WINDOWS\\Temp\\Spelt.bin", u"C:\\windows\\TEMP\\spelt.BIN",
                                  u"C:/WINDOWS/Temp/Spelt.bin", u"C:\\WINDOWS\\\\Temp\\Spelt.bin",
                                  u"C:\\WINDOWS\\.\\Temp\\x\\..\\Spelt.bin", u"C:\\WINDOWS\\Temp\\Spelt.bin. .",
                                  u"C:\\WINDOWS\\Temp.\\Spelt.bin"}) {
        SCOPED_TRACE(winsim::toUtf8(other));
        SetLastError(77);
        HANDLE h = openRead(other);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_LAST_ERROR(ERROR_SUCCESS);
        EXPECT_EQ(fileId(h), id);
        char buf[8] = {};
        DWORD n = 0;
        EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
        EXPECT_EQ(std::string(buf, n), "spelt");
        CloseHandle(h);
    }
}

TEST(OpenSpelling, MissingEntriesAndBadNamesKeepTheirErrors) {
    winsim::TempMachine m;
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS\\Temp\\Absent.bin"), INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS\\NoSuchDir\\Absent.bin"), INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS\\Temp\\Bad|Name.bin"), INVALID_HANDLE_VALUE, ERROR_INVALID_NAME);
    // A folder spelt exactly is a folder: no data handle without backup
    // semantics.
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS\\Temp"), INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    HANDLE dir = CreateFileW(u"C:\\WINDOWS\\Temp", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(dir, INVALID_HANDLE_VALUE);
    CloseHandle(dir);
    // A file spelt exactly but followed by a separator is no folder.
    ASSERT_TRUE(writeText(kFile, "x"));
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS\\Temp\\Spelt.bin\\"), INVALID_HANDLE_VALUE, ERROR_INVALID_NAME);
}

// Another process creates, replaces and deletes the file between two opens
// of this one; the share mode of a handle this process holds binds it.
TEST(OpenSpelling, WhatAnotherProcessDoesBetweenTwoOpensIsSeen) {
    winsim::TempMachine m;
    EXPECT_FAILS_WITH(openRead(kFile), INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(forktest::inChild([] { return writeText(kFile, "made by the child"); }));
    EXPECT_EQ(readText(kFile), "made by the child");
    ASSERT_TRUE(forktest::inChild([] {
        return MoveFileExW(kFile, u"C:\\WINDOWS\\Temp\\Old.bin", 0) && writeText(kFile, "replaced");
    }));
    EXPECT_EQ(readText(kFile), "replaced");
    HANDLE held = openRead(kFile, 0);  // shares nothing
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(forktest::inChild([] {
        HANDLE h = openRead(kFile);
        return h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
    }));
    CloseHandle(held);
    ASSERT_TRUE(forktest::inChild([] { return DeleteFileW(kFile) != 0; }));
    EXPECT_FAILS_WITH(openRead(kFile), INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);
}

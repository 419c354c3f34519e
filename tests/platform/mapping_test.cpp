// File mapping: views read what was written, write through, and the rules
// for sizes, offsets, access and the life of a mapped file.
#include <gtest/gtest.h>

#include <cstring>

#include <winsim/winsim.h>
#include "platform/file_helpers.h"

using namespace filetest;

namespace {
constexpr const char16_t* kFile = u"C:\\WINDOWS\\Temp\\mapped.bin";
}

TEST(Mapping, ViewReadsWhatWasWrittenAndOutlivesHandles) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "mapped content"));
    HANDLE f = openRead(kFile);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    HANDLE map = CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(map, nullptr);
    auto* p = static_cast<const char*>(MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(CloseHandle(map));
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_EQ(std::string(p, 14), "mapped content");
    EXPECT_TRUE(UnmapViewOfFile(p + 3));  // any address inside the view
    EXPECT_FAILS_WITH(UnmapViewOfFile(p), FALSE, ERROR_INVALID_ADDRESS);
}

TEST(Mapping, WritableViewWritesTheFileAndGrowsIt) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    HANDLE f = openWrite(kFile);
    HANDLE map = CreateFileMappingW(f, nullptr, PAGE_READWRITE, 0, 8, nullptr);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(GetFileSize(f, nullptr), 8u);
    auto* p = static_cast<char*>(MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(p, nullptr);
    std::memcpy(p + 3, "defgh", 5);
    // A private copy leaves the file alone.
    auto* c = static_cast<char*>(MapViewOfFile(map, FILE_MAP_COPY, 0, 0, 4));
    ASSERT_NE(c, nullptr);
    c[0] = 'Z';
    EXPECT_TRUE(UnmapViewOfFile(c));
    EXPECT_TRUE(UnmapViewOfFile(p));
    CloseHandle(map);
    CloseHandle(f);
    EXPECT_EQ(readText(kFile), "abcdefgh");
}

TEST(Mapping, SizeOffsetAndAccessRules) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, ""));
    HANDLE f = openRead(kFile);
    EXPECT_FAILS_WITH(CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr, ERROR_FILE_INVALID);
    EXPECT_FAILS_WITH(CreateFileMappingW(f, nullptr, PAGE_READWRITE, 0, 10, nullptr),
                      nullptr, ERROR_ACCESS_DENIED);  // handle cannot write
    EXPECT_FAILS_WITH(CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 10, nullptr),
                      nullptr, ERROR_NOT_ENOUGH_MEMORY);  // cannot grow
    EXPECT_FAILS_WITH(CreateFileMappingW(f, nullptr, 0x40 /* execute-read-write */, 0, 10, nullptr),
                      nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateFileMappingW(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FF0)), nullptr, PAGE_READONLY,
                                 0, 10, nullptr),
              nullptr);
    EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
    CloseHandle(f);

    std::string big(0x20010, 'q');
    big[0x10000] = 'S';
    ASSERT_TRUE(writeText(kFile, big));
    f = openRead(kFile);
    HANDLE map = CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(map, nullptr);
    EXPECT_FAILS_WITH(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0), nullptr, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(MapViewOfFile(map, FILE_MAP_READ, 0, 0x1000, 0), nullptr, ERROR_MAPPED_ALIGNMENT);
    EXPECT_FAILS_WITH(MapViewOfFile(map, FILE_MAP_READ, 0, 0x10000, 0x10011),
                      nullptr, ERROR_ACCESS_DENIED);  // one byte past the end
    auto* p = static_cast<const char*>(MapViewOfFile(map, FILE_MAP_READ, 0, 0x10000, 0x10010));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 'S');
    EXPECT_TRUE(UnmapViewOfFile(p));
    CloseHandle(map);
    CloseHandle(f);
}

TEST(Mapping, MappedFileCannotBeCutOrDeleted) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, std::string(100, 'x')));
    HANDLE f = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    HANDLE map = CreateFileMappingW(f, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    ASSERT_NE(map, nullptr);
    auto* p = static_cast<char*>(MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(p, nullptr);
    CloseHandle(map);
    ASSERT_EQ(SetFilePointer(f, 10, nullptr, FILE_BEGIN), 10u);
    EXPECT_FAILS_WITH(SetEndOfFile(f), FALSE, ERROR_USER_MAPPED_FILE);
    EXPECT_FAILS_WITH(openWrite(kFile, TRUNCATE_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE),
                      INVALID_HANDLE_VALUE, ERROR_USER_MAPPED_FILE);
    EXPECT_FAILS_WITH(DeleteFileW(kFile), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(p[99], 'x');  // still readable
    ASSERT_TRUE(UnmapViewOfFile(p));
    EXPECT_TRUE(SetEndOfFile(f));
    CloseHandle(f);
    EXPECT_TRUE(DeleteFileW(kFile));
}

TEST(Mapping, PagingFileSectionIsSharedBetweenViews) {
    winsim::TempMachine m;
    EXPECT_FAILS_WITH(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0, nullptr),
                      nullptr, ERROR_INVALID_PARAMETER);
    HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x20000, u"Local\\x");
    ASSERT_NE(map, nullptr);
    auto* a = static_cast<char*>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0));
    auto* b = static_cast<char*>(MapViewOfFile(map, FILE_MAP_READ, 0, 0x10000, 0));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a[5], 0);
    a[0x10000 + 5] = 'k';
    EXPECT_EQ(b[5], 'k');
    UnmapViewOfFile(a);
    UnmapViewOfFile(b);
    CloseHandle(map);
}

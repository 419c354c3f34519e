// Files and folders on the emulated machine: dispositions, share modes,
// read-only protection, letter case, I/O, times, copy, move, folders and
// the size protocols of the path functions.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include <winsim/winsim.h>
#include "platform/file_helpers.h"

namespace fs = std::filesystem;
using namespace filetest;

namespace {
constexpr const char16_t* kFile = u"C:\\WINDOWS\\Temp\\data.bin";
}

// --- Dispositions and their last errors ---------------------------------

TEST(CreateFile, CreateNewAndCreateAlways) {
    winsim::TempMachine m;
    SetLastError(1234);
    HANDLE h = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
    CloseHandle(h);

    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_FILE_EXISTS);
    EXPECT_EQ(readText(kFile), "hello");

    h = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);  // success, but it was there
    CloseHandle(h);
    EXPECT_EQ(readText(kFile), "");

    h = CreateFileW(u"C:\\WINDOWS\\Temp\\other.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);
    CloseHandle(h);
}

TEST(CreateFile, OpenExistingOpenAlwaysTruncateExisting) {
    winsim::TempMachine m;
    EXPECT_FAILS_WITH(openRead(kFile), INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS\\NoSuchDir\\x.bin"), INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);

    HANDLE h = openWrite(kFile, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);
    CloseHandle(h);
    ASSERT_TRUE(writeText(kFile, "kept"));
    h = openWrite(kFile, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
    CloseHandle(h);
    EXPECT_EQ(readText(kFile), "kept");

    // TRUNCATE_EXISTING needs write access.
    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(readText(kFile), "kept");
    h = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(readText(kFile), "");
}

TEST(CreateFile, BadRequestsChangeNothing) {
    winsim::TempMachine m;
    for (DWORD bad : {0u, 6u}) {
        EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, bad, 0, nullptr),
                          INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
    }
    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, 0x10, nullptr, CREATE_ALWAYS, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(CreateFileW(u"C:\\WINDOWS\\a|b", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_INVALID_NAME);
    std::u16string longName = u"C:\\WINDOWS\\Temp\\" + std::u16string(250, u'x');
    EXPECT_FAILS_WITH(CreateFileW(longName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_FILENAME_EXCED_RANGE);
    // A folder opened as a file.
    EXPECT_FAILS_WITH(openRead(u"C:\\WINDOWS"), INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(openWrite(u"c:\\windows\\system32", CREATE_ALWAYS), INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    // A file named with a trailing separator.
    EXPECT_FAILS_WITH(openWrite(u"C:\\WINDOWS\\Temp\\new.txt\\", CREATE_ALWAYS),
                      INVALID_HANDLE_VALUE, ERROR_INVALID_NAME);
    EXPECT_TRUE(fs::is_empty(m.root() / "C" / "WINDOWS" / "Temp"));
}

TEST(CreateFile, AttributesGivenAtCreationAreKept) {
    winsim::TempMachine m;
    HANDLE h = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_FLAG_WRITE_THROUGH, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    // The creating handle may write although the file is now read-only.
    EXPECT_TRUE(WriteFile(h, "x", 1, &n, nullptr));
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesW(kFile),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    // Overwriting a hidden file must restate the hidden attribute.
    ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    h = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST(CreateFile, DeleteOnCloseRemovesTheFile) {
    winsim::TempMachine m;
    HANDLE h = CreateFileW(kFile, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(GetFileAttributesW(kFile), INVALID_FILE_ATTRIBUTES);
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesW(kFile), INVALID_FILE_ATTRIBUTES);
}

// --- Share modes ---------------------------------------------------------

TEST(ShareModes, ConflictsAmongHandlesOfThisProcess) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    HANDLE reader = openRead(kFile, FILE_SHARE_READ);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE second = openRead(kFile, FILE_SHARE_READ);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    CloseHandle(second);
    // Writing is not shared by the reader.
    EXPECT_FAILS_WITH(openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ), INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    // A reader that refuses to share reading with the open reader.
    EXPECT_FAILS_WITH(openRead(kFile, 0), INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    // An attributes-only open never conflicts.
    HANDLE attrs = CreateFileW(kFile, FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(attrs, INVALID_HANDLE_VALUE);
    CloseHandle(attrs);
    // Truncation is a write.
    EXPECT_FAILS_WITH(CreateFileW(kFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr),
                      INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(readText(kFile), "abc");
    EXPECT_FAILS_WITH(DeleteFileW(kFile), FALSE, ERROR_SHARING_VIOLATION);
    CloseHandle(reader);

    HANDLE writer = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    HANDLE other = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
    // Shared for delete: the name may go while the handle lives.
    EXPECT_TRUE(DeleteFileW(kFile));
    CloseHandle(writer);
}

// Opens whose conflicts lie on bytes apart from each other: a writer that
// shares reading and deleting looks for other writers and for refusals of
// writing, with the marks of readers in between.
TEST(ShareModes, AWriterBesideReadersOfEachSharing) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    constexpr DWORD kAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE everything = openRead(kFile, kAll);
    ASSERT_NE(everything, INVALID_HANDLE_VALUE);
    HANDLE writer = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_DELETE);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    // Beside that writer: no second writer, whatever it shares; a reader
    // that shares writing comes in, one that refuses it does not.
    EXPECT_FAILS_WITH(openWrite(kFile, OPEN_EXISTING, kAll), INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    HANDLE reader = openRead(kFile, kAll);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(openRead(kFile, FILE_SHARE_READ | FILE_SHARE_DELETE), INVALID_HANDLE_VALUE,
                      ERROR_SHARING_VIOLATION);
    CloseHandle(reader);
    CloseHandle(writer);
    CloseHandle(everything);
    // A reader that shares only reading refuses the same writer.
    HANDLE readOnly = openRead(kFile, FILE_SHARE_READ);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_DELETE), INVALID_HANDLE_VALUE,
                      ERROR_SHARING_VIOLATION);
    CloseHandle(readOnly);
    HANDLE again = openWrite(kFile, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_DELETE);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST(ShareModes, ConflictsWithAnotherProcess) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HANDLE h = openWrite(kFile, OPEN_EXISTING, 0);
        char c = h == INVALID_HANDLE_VALUE ? 'n' : 'y';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_FAILS_WITH(openRead(kFile, FILE_SHARE_READ | FILE_SHARE_WRITE),
                      INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    EXPECT_FAILS_WITH(DeleteFileW(kFile), FALSE, ERROR_SHARING_VIOLATION);
    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    HANDLE h = openRead(kFile);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

// --- Read-only protection ------------------------------------------------

TEST(ReadOnly, FileCannotBeWrittenReplacedOrDeleted) {
    winsim::TempMachine m;
    constexpr const char16_t* other = u"C:\\WINDOWS\\Temp\\other.bin";
    ASSERT_TRUE(writeText(kFile, "original"));
    ASSERT_TRUE(writeText(other, "new"));
    ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY));

    EXPECT_FAILS_WITH(openWrite(kFile), INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(openWrite(kFile, CREATE_ALWAYS), INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(DeleteFileW(kFile), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(CopyFileW(other, kFile, FALSE), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(MoveFileExW(other, kFile, MOVEFILE_REPLACE_EXISTING), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(readText(kFile), "original");
    EXPECT_EQ(readText(other), "new");

    // Reading is allowed; clearing the attribute lifts the protection.
    HANDLE h = openRead(kFile);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(kFile));
}

TEST(ReadOnly, HandleAccessIsChecked) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    HANDLE r = openRead(kFile);
    DWORD n = 7;
    EXPECT_FAILS_WITH(WriteFile(r, "x", 1, &n, nullptr), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(n, 0u);
    EXPECT_FAILS_WITH(SetEndOfFile(r), FALSE, ERROR_ACCESS_DENIED);
    CloseHandle(r);
    HANDLE w = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[4];
    EXPECT_FAILS_WITH(ReadFile(w, buf, sizeof buf, &n, nullptr), FALSE, ERROR_ACCESS_DENIED);
    CloseHandle(w);
    EXPECT_EQ(readText(kFile), "abc");
}

// --- Letter case -----------------------------------------------------------

TEST(LetterCase, OpenInAnotherCaseKeepsTheStoredName) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(u"C:\\WINDOWS\\Temp\\MixedCase.Txt", "one"));
    ASSERT_TRUE(writeText(u"c:\\windows\\TEMP\\mixedcase.TXT", "two"));
    HANDLE h = openWrite(u"C:\\WINDOWS\\TEMP\\MIXEDCASE.TXT", OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
    CloseHandle(h);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m.root() / "C" / "WINDOWS" / "Temp"))
        names.push_back(e.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "MixedCase.Txt");
    EXPECT_EQ(readText(u"C:\\windows\\temp\\mixedcase.txt"), "two");
}

// --- Handle I/O -----------------------------------------------------------

TEST(HandleIo, FilePointerAndSize) {
    winsim::TempMachine m;
    HANDLE h = openWrite(kFile, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_CURRENT), 5u);
    EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
    char buf[8] = {};
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "6789");
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));  // end of file: success, nothing read
    EXPECT_EQ(n, 0u);

    // Before the start: refused, pointer unchanged.
    EXPECT_FAILS_WITH(SetFilePointer(h, -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u);
    EXPECT_FAILS_WITH(SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER);

    // Past 4 GiB with the high part (the file stays sparse on the host).
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(h, 16, &high, FILE_BEGIN), 16u);
    EXPECT_EQ(high, 1);
    ASSERT_TRUE(SetEndOfFile(h));
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(h, &sizeHigh), 16u);
    EXPECT_EQ(sizeHigh, 1u);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 0x100000010ll);
    // Without the high part the result must fit in 32 bits.
    EXPECT_FAILS_WITH(SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER);

    LARGE_INTEGER to{}, now{};
    to.QuadPart = 4;
    ASSERT_TRUE(SetFilePointerEx(h, to, &now, FILE_BEGIN));
    EXPECT_EQ(now.QuadPart, 4);
    ASSERT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(GetFileSize(h, nullptr), 4u);
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);
    EXPECT_EQ(readText(kFile), "0123");
}

TEST(HandleIo, UnknownHandlesAndBadBuffers) {
    winsim::TempMachine m;
    HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FF0));
    char buf[4];
    DWORD n = 99;
    EXPECT_FAILS_WITH(ReadFile(bogus, buf, 4, &n, nullptr), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_EQ(n, 0u);
    EXPECT_FAILS_WITH(WriteFile(INVALID_HANDLE_VALUE, buf, 4, &n, nullptr), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_FAILS_WITH(GetFileSize(nullptr, nullptr), INVALID_FILE_SIZE, ERROR_INVALID_HANDLE);
    EXPECT_FAILS_WITH(SetFilePointer(bogus, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER, ERROR_INVALID_HANDLE);
    HANDLE h = openWrite(kFile, CREATE_ALWAYS);
    EXPECT_FAILS_WITH(ReadFile(h, nullptr, 4, &n, nullptr), FALSE, ERROR_NOACCESS);
    EXPECT_TRUE(WriteFile(h, nullptr, 0, &n, nullptr));
    CloseHandle(h);
    EXPECT_FAILS_WITH(CloseHandle(h), FALSE, ERROR_INVALID_HANDLE);
}

// --- Times -----------------------------------------------------------------

TEST(FileTimes, WritesStampTheVirtualClock) {
    winsim::TempMachine m;
    const uint64_t t0 = 130000000000000000ull;  // 2012
    winsim::setVirtualClock(t0, 1000);
    HANDLE h = openWrite(kFile, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME c{}, a{}, w{};
    ASSERT_TRUE(GetFileTime(h, &c, &a, &w));
    EXPECT_EQ(u64(c), t0);
    EXPECT_EQ(u64(w), t0);
    winsim::advanceClock(5000);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "x", 1, &n, nullptr));
    ASSERT_TRUE(GetFileTime(h, &c, nullptr, &w));
    EXPECT_EQ(u64(c), t0);
    EXPECT_EQ(u64(w), t0 + 5000 * 10000ull);

    // A time the caller sets stays, even across later writes through the handle.
    FILETIME fixed{0x12345678, 0x01C00000};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &fixed));
    winsim::advanceClock(1000);
    ASSERT_TRUE(WriteFile(h, "y", 1, &n, nullptr));
    CloseHandle(h);

    WIN32_FILE_ATTRIBUTE_DATA d{};
    ASSERT_TRUE(GetFileAttributesExW(kFile, GetFileExInfoStandard, &d));
    EXPECT_EQ(u64(d.ftLastWriteTime), u64(fixed));
    EXPECT_EQ(u64(d.ftCreationTime), t0);
    EXPECT_EQ(d.nFileSizeLow, 2u);

    // Reading leaves the last-access time alone.
    uint64_t accessed = u64(d.ftLastAccessTime);
    winsim::advanceClock(1000);
    EXPECT_EQ(readText(kFile), "xy");
    ASSERT_TRUE(GetFileAttributesExW(kFile, GetFileExInfoStandard, &d));
    EXPECT_EQ(u64(d.ftLastAccessTime), accessed);
    winsim::useRealClock();
}

TEST(FileTimes, AccessRightsOfTheHandle) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "abc"));
    HANDLE none = CreateFileW(kFile, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(none, INVALID_HANDLE_VALUE);
    FILETIME w{};
    EXPECT_FAILS_WITH(GetFileTime(none, nullptr, nullptr, &w), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetFileSize(none, nullptr), 3u);  // the size needs no right
    CloseHandle(none);
    HANDLE attrs = CreateFileW(kFile, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(GetFileTime(attrs, nullptr, nullptr, &w));
    EXPECT_FAILS_WITH(SetFileTime(attrs, nullptr, nullptr, &w), FALSE, ERROR_ACCESS_DENIED);
    CloseHandle(attrs);
}

// --- Copy and move -----------------------------------------------------------

TEST(CopyFile, KeepsBytesTimeAndAttributes) {
    winsim::TempMachine m;
    constexpr const char16_t* copy = u"C:\\WINDOWS\\copy.bin";
    ASSERT_TRUE(writeText(kFile, "payload"));
    HANDLE h = openWrite(kFile);
    FILETIME old{0x11111111, 0x01B00000};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &old));
    CloseHandle(h);
    ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    ASSERT_TRUE(CopyFileW(kFile, copy, TRUE));
    EXPECT_EQ(readText(copy), "payload");
    EXPECT_EQ(GetFileAttributesW(copy), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    WIN32_FILE_ATTRIBUTE_DATA d{};
    ASSERT_TRUE(GetFileAttributesExW(copy, GetFileExInfoStandard, &d));
    EXPECT_EQ(u64(d.ftLastWriteTime), u64(old));

    EXPECT_FAILS_WITH(CopyFileW(kFile, copy, TRUE), FALSE, ERROR_FILE_EXISTS);
    EXPECT_FAILS_WITH(CopyFileW(kFile, copy, FALSE), FALSE, ERROR_ACCESS_DENIED);  // the copy is read-only
    EXPECT_FAILS_WITH(CopyFileW(u"C:\\WINDOWS\\missing.bin", u"C:\\WINDOWS\\x.bin", FALSE),
                      FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(u"C:\\WINDOWS\\x.bin"), INVALID_FILE_ATTRIBUTES);
}

TEST(CopyFile, OntoItselfLeavesTheFileIntact) {
    winsim::TempMachine m;
    ASSERT_TRUE(writeText(kFile, "payload"));
    EXPECT_FAILS_WITH(CopyFileW(kFile, u"c:\\windows\\temp\\DATA.BIN", FALSE), FALSE, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(readText(kFile), "payload");
}

TEST(MoveFile, RenameReplaceAndLetterCase) {
    winsim::TempMachine m;
    constexpr const char16_t* moved = u"C:\\WINDOWS\\moved.bin";
    ASSERT_TRUE(writeText(kFile, "one"));
    ASSERT_TRUE(MoveFileW(kFile, moved));
    EXPECT_EQ(GetFileAttributesW(kFile), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(readText(moved), "one");

    ASSERT_TRUE(writeText(kFile, "two"));
    EXPECT_FAILS_WITH(MoveFileW(kFile, moved), FALSE, ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileExW(kFile, moved, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(readText(moved), "two");

    ASSERT_TRUE(MoveFileExW(moved, u"C:\\WINDOWS\\MOVED.BIN", 0));
    EXPECT_TRUE(fs::exists(m.root() / "C" / "WINDOWS" / "MOVED.BIN"));
    EXPECT_FALSE(fs::exists(m.root() / "C" / "WINDOWS" / "moved.bin"));

    EXPECT_FAILS_WITH(MoveFileW(u"C:\\WINDOWS\\none.bin", moved), FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(MoveFileExW(moved, u"C:\\WINDOWS\\NoDir\\x.bin", 0), FALSE, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(MoveFileExW(moved, nullptr, 0), FALSE, ERROR_INVALID_PARAMETER);
}

TEST(MoveFile, OpenFilesAndOtherDrives) {
    winsim::TempMachine m;
    fs::create_directories(m.root() / "D");
    ASSERT_TRUE(writeText(kFile, "data"));
    HANDLE h = openRead(kFile, FILE_SHARE_READ);
    EXPECT_FAILS_WITH(MoveFileW(kFile, u"C:\\WINDOWS\\x.bin"), FALSE, ERROR_SHARING_VIOLATION);
    CloseHandle(h);
    EXPECT_FAILS_WITH(MoveFileExW(kFile, u"D:\\x.bin", 0), FALSE, ERROR_NOT_SAME_DEVICE);
    EXPECT_TRUE(MoveFileExW(kFile, u"D:\\x.bin", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(readText(u"d:\\X.BIN"), "data");
    EXPECT_FAILS_WITH(MoveFileExW(u"C:\\WINDOWS\\Temp", u"D:\\Temp", MOVEFILE_COPY_ALLOWED),
                      FALSE, ERROR_NOT_SAME_DEVICE);
}

TEST(DeleteFile, MissingAndFolders) {
    winsim::TempMachine m;
    EXPECT_FAILS_WITH(GetFileAttributesW(kFile), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(GetFileAttributesW(u"C:\\Nope\\x"), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(SetFileAttributesW(kFile, FILE_ATTRIBUTE_HIDDEN), FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(DeleteFileW(kFile), FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(DeleteFileW(u"C:\\Nope\\x"), FALSE, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(DeleteFileW(u"C:\\WINDOWS\\Temp"), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(DeleteFileW(nullptr), FALSE, ERROR_PATH_NOT_FOUND);
}

// --- Folders -------------------------------------------------------------------

TEST(Folders, CreateAndRemove) {
    winsim::TempMachine m;
    EXPECT_TRUE(CreateDirectoryW(u"C:\\WINDOWS\\Temp\\New", nullptr));
    EXPECT_EQ(GetFileAttributesW(u"c:\\windows\\temp\\new"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FAILS_WITH(CreateDirectoryW(u"C:\\WINDOWS\\Temp\\NEW", nullptr), FALSE, ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(writeText(kFile, ""));
    EXPECT_FAILS_WITH(CreateDirectoryW(kFile, nullptr), FALSE, ERROR_ALREADY_EXISTS);  // a file has the name
    EXPECT_FAILS_WITH(CreateDirectoryW(u"C:\\WINDOWS\\Missing\\New", nullptr), FALSE, ERROR_PATH_NOT_FOUND);

    ASSERT_TRUE(writeText(u"C:\\WINDOWS\\Temp\\New\\f.txt", "x"));
    EXPECT_FAILS_WITH(RemoveDirectoryW(u"C:\\WINDOWS\\Temp\\New"), FALSE, ERROR_DIR_NOT_EMPTY);
    EXPECT_FAILS_WITH(RemoveDirectoryW(kFile), FALSE, ERROR_DIRECTORY);
    EXPECT_FAILS_WITH(RemoveDirectoryW(u"C:\\WINDOWS\\Temp\\Gone"), FALSE, ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(DeleteFileW(u"C:\\WINDOWS\\Temp\\New\\f.txt"));
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\WINDOWS\\Temp\\New"));
    EXPECT_FAILS_WITH(RemoveDirectoryW(u"C:\\WINDOWS\\Temp\\New"), FALSE, ERROR_SHARING_VIOLATION);
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\"));
    EXPECT_TRUE(RemoveDirectoryW(u"C:\\WINDOWS\\Temp\\New"));
}

TEST(Folders, CurrentDirectoryMakesRelativePaths) {
    winsim::TempMachine m;
    ASSERT_TRUE(SetCurrentDirectoryW(u"c:\\windows\\TEMP\\"));
    WCHAR buf[MAX_PATH];
    ASSERT_EQ(GetCurrentDirectoryW(MAX_PATH, buf), 15u);
    EXPECT_EQ(std::u16string(buf), u"C:\\windows\\TEMP");  // drive letters are upper-cased
    ASSERT_TRUE(writeText(u"rel.txt", "r"));
    EXPECT_EQ(readText(u"C:\\WINDOWS\\Temp\\rel.txt"), "r");
    EXPECT_EQ(readText(u"..\\Temp\\rel.txt"), "r");
    EXPECT_FAILS_WITH(SetCurrentDirectoryW(u"C:\\WINDOWS\\Temp\\rel.txt"), FALSE, ERROR_DIRECTORY);
    EXPECT_FAILS_WITH(SetCurrentDirectoryW(u"C:\\Nowhere"), FALSE, ERROR_FILE_NOT_FOUND);
}

// --- Size protocols of the path functions -------------------------------------

TEST(SizeProtocol, DirectoryFunctions) {
    winsim::TempMachine m;
    using Getter = UINT(WINAPI*)(LPWSTR, UINT);
    struct Case {
        Getter get;
        std::u16string want;
    } cases[] = {{GetSystemDirectoryW, u"C:\\WINDOWS\\system32"},
                 {GetWindowsDirectoryW, u"C:\\WINDOWS"},
                 {GetSystemWindowsDirectoryW, u"C:\\WINDOWS"}};
    for (const auto& c : cases) {
        UINT len = static_cast<UINT>(c.want.size());
        WCHAR buf[64];
        std::fill(std::begin(buf), std::end(buf), u'#');
        EXPECT_EQ(c.get(buf, len), len + 1);  // one short: the size needed, nothing written
        EXPECT_EQ(buf[0], u'#');
        EXPECT_EQ(c.get(nullptr, 0), len + 1);
        EXPECT_EQ(c.get(buf, len + 1), len);
        EXPECT_EQ(std::u16string(buf), c.want);
        EXPECT_EQ(buf[len + 1], u'#');
    }
    WCHAR small[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(GetCurrentDirectoryW(3, small), 4u);  // "C:\" needs 4
    EXPECT_EQ(small[0], u'#');
    EXPECT_EQ(GetCurrentDirectoryW(4, small), 3u);
    EXPECT_EQ(std::u16string(small), u"C:\\");
}

TEST(SizeProtocol, FullShortAndTempPaths) {
    winsim::TempMachine m;
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\WINDOWS"));
    WCHAR buf[MAX_PATH];
    LPWSTR part = nullptr;
    const std::u16string want = u"C:\\WINDOWS\\Fonts\\a.ttf";
    EXPECT_EQ(GetFullPathNameW(u"system32\\..\\Fonts/./a.ttf", 5, buf, &part), want.size() + 1);
    EXPECT_EQ(part, nullptr);
    ASSERT_EQ(GetFullPathNameW(u"system32\\..\\Fonts/./a.ttf", MAX_PATH, buf, &part), want.size());
    EXPECT_EQ(std::u16string(buf), want);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(std::u16string(part), u"a.ttf");
    ASSERT_EQ(GetFullPathNameW(u"\\Temp\\", MAX_PATH, buf, &part), 8u);
    EXPECT_EQ(std::u16string(buf), u"C:\\Temp\\");
    EXPECT_EQ(part, nullptr);
    EXPECT_FAILS_WITH(GetFullPathNameW(u"", MAX_PATH, buf, &part), 0u, ERROR_INVALID_NAME);

    // Short names: the path as given, when it exists.
    EXPECT_EQ(GetShortPathNameW(u"C:\\Program Files", buf, 5), 17u);
    ASSERT_EQ(GetShortPathNameW(u"C:\\Program Files", buf, MAX_PATH), 16u);
    EXPECT_EQ(std::u16string(buf), u"C:\\Program Files");
    EXPECT_FAILS_WITH(GetShortPathNameW(u"C:\\Program Files\\none", buf, MAX_PATH), 0u, ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(GetTempPathW(MAX_PATH, buf), 16u);
    EXPECT_EQ(std::u16string(buf), u"C:\\WINDOWS\\Temp\\");
    EXPECT_EQ(GetTempPathW(16, buf), 17u);
    ASSERT_TRUE(SetEnvironmentVariableW(u"TMP", u"D:\\tmp"));
    ASSERT_EQ(GetTempPathW(MAX_PATH, buf), 7u);
    EXPECT_EQ(std::u16string(buf), u"D:\\tmp\\");
}

TEST(TempFileName, MakesAUniqueEmptyFile) {
    winsim::TempMachine m;
    WCHAR name[MAX_PATH];
    UINT a = GetTempFileNameW(u"C:\\WINDOWS\\Temp", u"vsk-long", 0, name);
    ASSERT_NE(a, 0u);
    std::u16string first = name;
    EXPECT_EQ(first.rfind(u"C:\\WINDOWS\\Temp\\vsk", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 4), u".TMP");
    EXPECT_EQ(readText(name), "");
    UINT b = GetTempFileNameW(u"C:\\WINDOWS\\Temp", u"vsk", 0, name);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(GetTempFileNameW(u"C:\\WINDOWS\\Temp", u"abc", 0x1A2B, name), 0x1A2Bu);
    EXPECT_EQ(std::u16string(name), u"C:\\WINDOWS\\Temp\\abc1A2B.TMP");
    EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);  // a given number makes no file
    EXPECT_FAILS_WITH(GetTempFileNameW(u"C:\\Missing", u"abc", 0, name), 0u, ERROR_DIRECTORY);
}

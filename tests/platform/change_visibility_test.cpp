// What the stand-in keeps between calls (the spooler's parsed state, profile
// files read lately, a named mutex's owner word, the thread id) must never
// hide a change: made by another process, written behind the services' back,
// or made so soon after a read that the file's times cannot tell.
#include "spooler_fixture.h"
#include "platform/file_helpers.h"
#include "fork_child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace spooltest;
namespace fs = std::filesystem;

namespace {

using forktest::inChild;

HANDLE openAll(const char16_t* printer) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    return OpenPrinterW(const_cast<LPWSTR>(printer), &h, &all) ? h : nullptr;
}

bool setByte(HANDLE h, const char16_t* name, BYTE value) {
    BYTE v[4] = {value, 0, 0, 0};
    return SetPrinterDataW(h, const_cast<LPWSTR>(name), kRegDword, v, 4) == ERROR_SUCCESS;
}

// The value's first byte, or -1 when it cannot be read.
int getByte(HANDLE h, const char16_t* name) {
    BYTE v[4] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(h, const_cast<LPWSTR>(name), &type, v, 4, &needed) != ERROR_SUCCESS) return -1;
    return v[0];
}

// Lets a file's change time fall clearly into the past, so that what reads
// it may keep it.
void letSettle() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

// Rewrites a host file in place (same inode), as an editor or another
// program might.
void rewriteInPlace(const fs::path& p, const std::string& bytes) {
    int fd = ::open(p.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

}  // namespace

TEST_F(SpoolerTest, ValuesChangedByAnotherProcessAreSeenThroughAnOpenHandle) {
    HANDLE h = openAll(kPrinter);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(setByte(h, u"Shared", 1));
    EXPECT_EQ(getByte(h, u"Shared"), 1);
    // The same size each time: only the change count or the file's identity
    // can tell the versions apart.
    for (BYTE v : {2, 3}) {
        ASSERT_TRUE(inChild([&] {
            HANDLE c = openAll(kPrinter);
            return c && setByte(c, u"Shared", v) && ClosePrinter(c);
        }));
        EXPECT_EQ(getByte(h, u"Shared"), v);
    }
    // A printer another process adds can be opened here at once.
    ASSERT_TRUE(inChild([] {
        winsim::PrinterRecord p;
        p.name = u"Added Elsewhere";
        p.driver = kDriver;
        return winsim::addPrinter(p) == ERROR_SUCCESS;
    }));
    HANDLE added = openAll(u"Added Elsewhere");
    EXPECT_NE(added, nullptr);
    if (added) ClosePrinter(added);
    ClosePrinter(h);
}

TEST_F(SpoolerTest, AStateFileWrittenBehindTheSpoolersBackIsTakenUpByTheNextChange) {
    HANDLE h = openAll(kPrinter);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(setByte(h, u"Edited", 0x11));
    EXPECT_EQ(getByte(h, u"Edited"), 0x11);
    fs::path file = machine_.root() / "spooler" / "printers.txt";
    std::string text = filetest::hostText(file);
    size_t at = text.find("value 4 11000000 Edited");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 23, "value 4 22000000 Edited");
    filetest::putHostText(file, text);
    // The next change reads the file as it is and keeps the edit; every
    // reader after it sees the edit too.
    ASSERT_TRUE(setByte(h, u"Other", 1));
    EXPECT_EQ(getByte(h, u"Edited"), 0x22);
    EXPECT_EQ(getByte(h, u"Other"), 1);
    ClosePrinter(h);
}

TEST(ProfileReads, ASettledFileRewrittenInPlaceWithTheSameSizeIsReadAnew) {
    winsim::TempMachine m;
    fs::path host = m.root() / "C" / "same.ini";
    filetest::putHostText(host, "[s]\r\nk=1\r\n");
    letSettle();
    WCHAR buf[8];
    EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 8, u"C:\\same.ini"), 1u);
    EXPECT_EQ(std::u16string(buf), u"1");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\same.ini"), 1u);
    rewriteInPlace(host, "[s]\r\nk=2\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\same.ini"), 2u);
    // And again at once, before the new version has settled.
    rewriteInPlace(host, "[s]\r\nk=3\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\same.ini"), 3u);
    rewriteInPlace(host, "[s]\r\nk=4\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\same.ini"), 4u);
}

TEST(ProfileReads, AFileThatWasMissingIsFoundOnceMadeInAnySpelling) {
    winsim::TempMachine m;
    fs::create_directories(m.root() / "C" / "cfg");
    letSettle();
    const char16_t* name = u"C:\\cfg\\Late.ini";
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    // Made by another program, in another case than the name asked for.
    filetest::putHostText(m.root() / "C" / "cfg" / "late.INI", "[s]\r\nk=5\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 5u);
    fs::remove(m.root() / "C" / "cfg" / "late.INI");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
}

// A missing file whose folder is missing too is vouched for by the deepest
// folder that exists; making the folders and the file, by another process,
// a host program or this one, at once or after a pause, is still seen.
TEST(ProfileReads, AFileWhoseFolderWasMissingIsFoundOnceBothAreMade) {
    winsim::TempMachine m;
    const fs::path c = m.root() / "C";
    const char16_t* name = u"C:\\deep\\er\\x.ini";
    letSettle();
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    // Another process makes both folders and writes the file.
    ASSERT_TRUE(inChild([name] {
        return CreateDirectoryW(u"C:\\deep", nullptr) && CreateDirectoryW(u"C:\\deep\\er", nullptr) &&
               WritePrivateProfileStringW(u"s", u"k", u"1", name);
    }));
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 1u);
    fs::remove_all(c / "deep");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);

    // A host program makes the outer folder only, later the inner one and
    // the file in another case; the read between sees nothing yet.
    letSettle();
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    fs::create_directories(c / "DEEP");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    letSettle();
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    fs::create_directories(c / "DEEP" / "Er");
    filetest::putHostText(c / "DEEP" / "Er" / "X.INI", "[s]\r\nk=2\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 2u);
    fs::remove_all(c / "DEEP");

    // This process, straight after a read that kept the answer.
    letSettle();
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    ASSERT_TRUE(CreateDirectoryW(u"C:\\deep", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\deep\\er", nullptr));
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"3", name));
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 3u);
    WCHAR buf[64];
    EXPECT_EQ(GetPrivateProfileSectionW(u"s", buf, 64, name), 4u);  // "k=3", its null
    EXPECT_EQ(std::u16string(buf), u"k=3");

    // A folder on the way that is a link to nothing is not vouched for by
    // the folder holding it: the link's target may appear by itself.
    fs::remove_all(c / "deep");
    fs::create_directories(m.root() / "elsewhere");
    fs::create_directory_symlink(m.root() / "elsewhere" / "target", c / "deep");
    letSettle();
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 7u);
    fs::create_directories(m.root() / "elsewhere" / "target" / "er");
    filetest::putHostText(m.root() / "elsewhere" / "target" / "er" / "x.ini", "[s]\r\nk=4\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, name), 4u);
}

TEST(ProfileReads, WritesOfThisAndOtherProcessesAreSeenAndRelativeNamesFollowTheCurrentDirectory) {
    winsim::TempMachine m;
    fs::create_directories(m.root() / "C" / "a");
    fs::create_directories(m.root() / "C" / "b");
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"1", u"C:\\a\\x.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"2", u"C:\\b\\x.ini"));
    letSettle();
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\a\\x.ini"), 1u);
    ASSERT_TRUE(inChild([] { return WritePrivateProfileStringW(u"s", u"k", u"9", u"C:\\a\\x.ini") != FALSE; }));
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\a\\x.ini"), 9u);
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"8", u"C:\\a\\x.ini"));
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\a\\x.ini"), 8u);

    // (A bare name lives in the Windows folder; one with a folder part is
    // relative to the current directory.)
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\a"));
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u".\\x.ini"), 8u);
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\b"));
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u".\\x.ini"), 2u);
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\"));
}

// One file named three ways (no name, a bare name, the full name): every
// spelling is served from what was kept until another process changes the
// file, then every spelling and every reader sees the change.
TEST(ProfileReads, EverySpellingOfAKeptFileSeesAnotherProcessesChange) {
    winsim::TempMachine m;
    const std::u16string full = winsim::fromUtf8(winsim::config().windowsDir) + u"\\win.ini";
    ASSERT_TRUE(WriteProfileStringW(u"s", u"k", u"1"));
    letSettle();
    auto readAll = [&](UINT expected) {
        EXPECT_EQ(GetProfileIntW(u"s", u"k", 0), expected);
        EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"win.ini"), expected);
        EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, full.c_str()), expected);
        WCHAR buf[16] = {};
        EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 16, full.c_str()), 1u);
        EXPECT_EQ(buf[0], static_cast<WCHAR>(u'0' + expected));
        EXPECT_EQ(GetPrivateProfileSectionW(u"s", buf, 16, u"win.ini"), 4u);  // "k=N", its null
        EXPECT_EQ(buf[2], static_cast<WCHAR>(u'0' + expected));
    };
    readAll(1);
    readAll(1);
    ASSERT_TRUE(inChild([] { return WritePrivateProfileStringW(u"s", u"k", u"2", u"win.ini") != FALSE; }));
    readAll(2);
    // Settled again, then rewritten behind the service's back, same size.
    letSettle();
    readAll(2);
    const fs::path host = m.root() / "C" / "WINDOWS" / "win.ini";
    ASSERT_TRUE(fs::exists(host));
    rewriteInPlace(host, "[s]\r\nk=3\r\n");
    readAll(3);
}

TEST(NamedMutex, AnOwnerThatEndedButIsNotYetReapedHasAbandonedIt) {
    winsim::TempMachine m;
    HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\VeskTestZombieOwner");
    ASSERT_NE(h, nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WaitForSingleObject(h, 0) == WAIT_OBJECT_0 ? 0 : 1);
    // The child stays a zombie until it is waited for: its ownership ends
    // with its life all the same.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(WaitForSingleObject(h, 5000), static_cast<DWORD>(WAIT_ABANDONED));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ReleaseMutex(h));
    // Released, it is taken at once by another process and given back.
    EXPECT_TRUE(inChild([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0 && ReleaseMutex(h); }));
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ReleaseMutex(h));
    CloseHandle(h);
}

TEST(ThreadIds, AForkedChildAndEveryThreadHaveTheirOwn) {
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, mine);
    EXPECT_TRUE(inChild([] { return GetCurrentThreadId() == static_cast<DWORD>(getpid()); }));
}

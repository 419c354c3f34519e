// Mutexes: recursion, ownership, names, abandonment, and exclusion between
// two processes of the same machine.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <win/windows.h>
#include <winsim/process.h>
#include <winsim/system.h>
#include <winsim/winsim.h>
#include "platform/last_error.h"

namespace fs = std::filesystem;

namespace {

DWORD waitOnOtherThread(HANDLE h, DWORD ms, bool release = true) {
    DWORD r = 0;
    std::thread([&] {
        r = WaitForSingleObject(h, ms);
        if (release && (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED)) ReleaseMutex(h);
    }).join();
    return r;
}

bool waitForFile(const fs::path& p) {
    for (int i = 0; i < 1000; ++i) {
        if (fs::exists(p)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Starts the test child program with `args` on the current machine.
PROCESS_INFORMATION startChild(const std::u16string& args) {
    EXPECT_TRUE(winsim::installProgram(u"C:\\WINDOWS\\child.exe", {WINSIM_TEST_CHILD}));
    std::u16string cmd = u"child.exe " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(CreateProcessW(u"C:\\WINDOWS\\child.exe", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi))
        << GetLastError();
    return pi;
}

DWORD finish(PROCESS_INFORMATION& pi) {
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0xDEAD;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

}  // namespace

TEST(Mutex, RecursiveForTheOwningThreadOnly) {
    winsim::TempMachine m;
    HANDLE h = CreateMutexW(nullptr, TRUE, u"Global\\VeskTestRecursion");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(waitOnOtherThread(h, 20), static_cast<DWORD>(WAIT_TIMEOUT));

    // Another thread cannot release what it does not own.
    BOOL released = TRUE;
    DWORD err = 0;
    std::thread([&] {
        released = ReleaseMutex(h);
        err = GetLastError();
    }).join();
    EXPECT_FALSE(released);
    EXPECT_EQ(err, static_cast<DWORD>(ERROR_NOT_OWNER));

    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_EQ(waitOnOtherThread(h, 20), static_cast<DWORD>(WAIT_TIMEOUT));  // one level left
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_FAILS_WITH(ReleaseMutex(h), FALSE, ERROR_NOT_OWNER);
    EXPECT_EQ(waitOnOtherThread(h, 1000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(h);
}

TEST(Mutex, SecondCreateOpensTheSameObjectAndSaysSo) {
    winsim::TempMachine m;
    HANDLE a = CreateMutexW(nullptr, FALSE, u"Global\\VeskTestShared");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE b = CreateMutexW(nullptr, TRUE, u"VeskTestShared");  // same object; ownership not taken
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(ReleaseMutex(b));
    HANDLE c = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, u"Local\\VeskTestShared");
    ASSERT_NE(c, nullptr);
    HANDLE other = CreateMutexW(nullptr, FALSE, u"vesktestshared");  // names keep their case
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    EXPECT_EQ(WaitForSingleObject(a, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(waitOnOtherThread(c, 20), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(waitOnOtherThread(other, 20), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ReleaseMutex(b));  // any handle of the owner releases
    EXPECT_EQ(waitOnOtherThread(c, 1000), static_cast<DWORD>(WAIT_OBJECT_0));
    for (HANDLE h : {a, b, c, other}) CloseHandle(h);

    // Once every handle is closed the object is gone.
    EXPECT_FAILS_WITH(OpenMutexW(SYNCHRONIZE, FALSE, u"VeskTestShared"), nullptr, ERROR_FILE_NOT_FOUND);
}

TEST(Mutex, BadNamesAndSecurityAttributes) {
    winsim::TempMachine m;
    EXPECT_FAILS_WITH(CreateMutexW(nullptr, FALSE, u"Global\\a\\b"), nullptr, ERROR_PATH_NOT_FOUND);
    EXPECT_FAILS_WITH(CreateMutexW(nullptr, FALSE, std::u16string(300, u'x').c_str()),
                      nullptr, ERROR_FILENAME_EXCED_RANGE);

    // The descriptor the caller passes is kept for inspection.
    winsim::clearMutexCreations();
    SECURITY_DESCRIPTOR sd;
    ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE));
    SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
    HANDLE h = CreateMutexW(&sa, FALSE, u"Global\\VeskTestSa");
    ASSERT_NE(h, nullptr);
    auto log = winsim::mutexCreations();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].name, u"Global\\VeskTestSa");
    EXPECT_TRUE(log[0].hadSecurityAttributes);
    EXPECT_FALSE(log[0].inheritHandle);
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(GetSecurityDescriptorDacl(log[0].securityDescriptor.data(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);  // a null DACL
    CloseHandle(h);

    // A malformed descriptor is refused.
    SECURITY_DESCRIPTOR bad{};
    bad.Revision = 7;
    sa.lpSecurityDescriptor = &bad;
    EXPECT_FAILS_WITH(CreateMutexW(&sa, FALSE, u"Global\\VeskTestBad"), nullptr, ERROR_INVALID_SECURITY_DESCR);
}

TEST(Mutex, ThreadEndingWhileOwningAbandonsIt) {
    winsim::TempMachine m;
    for (const char16_t* name : {static_cast<const char16_t*>(nullptr), u"Global\\VeskTestAbandonThread"}) {
        HANDLE h = CreateMutexW(nullptr, FALSE, name);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(waitOnOtherThread(h, 1000, false), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_EQ(WaitForSingleObject(h, 1000), static_cast<DWORD>(WAIT_ABANDONED));
        EXPECT_TRUE(ReleaseMutex(h));  // the waiter owns it now
        EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_TRUE(ReleaseMutex(h));
        CloseHandle(h);
    }
}

TEST(Mutex, ExcludesAcrossProcessesUntilReleased) {
    winsim::TempMachine m;
    fs::path ready = m.root() / "ready", release = m.root() / "release";
    HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\VeskTestProcesses");
    ASSERT_NE(h, nullptr);
    auto pi = startChild(u"hold Global\\VeskTestProcesses " + winsim::fromUtf8(ready.string()) + u" " +
                         winsim::fromUtf8(release.string()));
    ASSERT_TRUE(waitForFile(ready));
    EXPECT_EQ(WaitForSingleObject(h, 100), static_cast<DWORD>(WAIT_TIMEOUT));
    std::ofstream(release) << "x";
    EXPECT_EQ(WaitForSingleObject(h, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(finish(pi), 0u);
    EXPECT_TRUE(ReleaseMutex(h));
    CloseHandle(h);
}

TEST(Mutex, ProcessDyingWhileOwningAbandonsIt) {
    winsim::TempMachine m;
    fs::path ready = m.root() / "ready";
    HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\VeskTestAbandonProcess");
    ASSERT_NE(h, nullptr);
    auto pi = startChild(u"abandon Global\\VeskTestAbandonProcess " + winsim::fromUtf8(ready.string()));
    ASSERT_TRUE(waitForFile(ready));
    EXPECT_EQ(finish(pi), 0u);
    EXPECT_EQ(WaitForSingleObject(h, 5000), static_cast<DWORD>(WAIT_ABANDONED));
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ReleaseMutex(h));
    CloseHandle(h);
}

TEST(Mutex, AnotherProcessSeesTheObjectOnlyWhileAHandleIsOpen) {
    winsim::TempMachine m;
    HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\VeskTestExists");
    ASSERT_NE(h, nullptr);
    auto pi = startChild(u"exists Global\\VeskTestExists");
    EXPECT_EQ(finish(pi), 1u);
    CloseHandle(h);
    pi = startChild(u"exists Global\\VeskTestExists");
    EXPECT_EQ(finish(pi), 0u);
}

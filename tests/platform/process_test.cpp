// Processes: the program registry, CreateProcessW, waits and exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <win/windows.h>
#include <winsim/process.h>
#include <winsim/winsim.h>
#include "core/sim.h"
#include "platform/file_helpers.h"

namespace fs = std::filesystem;

namespace {

// The child program is built like the tests: when they run under an
// emulator, so must it (see VESK_EXEC_WRAPPER).
[[maybe_unused]] const bool kWrapperSet = [] {
    if (*WINSIM_TEST_EXEC_WRAPPER) setenv("VESK_EXEC_WRAPPER", WINSIM_TEST_EXEC_WRAPPER, 0);
    return true;
}();

const char16_t* kChild = u"C:\\WINDOWS\\child.exe";

BOOL start(const char16_t* app, std::u16string cmd, PROCESS_INFORMATION& pi, const char16_t* cwd = nullptr,
           LPVOID env = nullptr, DWORD flags = 0) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    pi = PROCESS_INFORMATION{};
    return CreateProcessW(app, cmd.empty() ? nullptr : cmd.data(), nullptr, nullptr, FALSE, flags, env, cwd, &si,
                          &pi);
}

DWORD exitCode(HANDLE h) {
    DWORD code = 0xDEAD;
    EXPECT_TRUE(GetExitCodeProcess(h, &code));
    return code;
}

}  // namespace

TEST(Process, RunsARegisteredProgramAndReportsItsExitCode) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::installProgram(kChild, {WINSIM_TEST_CHILD}));
    winsim::journalEnable(true);
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start(kChild, u"child.exe exit 42", pi)) << GetLastError();
    EXPECT_NE(pi.dwProcessId, 0u);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(exitCode(pi.hProcess), 42u);
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD threadCode = 0;
    EXPECT_TRUE(GetExitCodeThread(pi.hThread, &threadCode));
    EXPECT_EQ(threadCode, 42u);
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    auto log = winsim::journal();
    bool seen = false;
    for (const auto& e : log)
        if (e.function == "CreateProcessW") {
            seen = true;
            EXPECT_NE(e.detail.find("si.dwFlags=0x1;show=0"), std::string::npos) << e.detail;
        }
    EXPECT_TRUE(seen);
}

TEST(Process, StillActiveUntilItEndsAndTerminateSetsTheCode) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::installProgram(kChild, {WINSIM_TEST_CHILD}));
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start(kChild, u"child.exe sleep 20000", pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 50), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(exitCode(pi.hProcess), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 9));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(exitCode(pi.hProcess), 9u);
    EXPECT_FAILS_WITH(TerminateProcess(pi.hProcess, 1), FALSE, ERROR_ACCESS_DENIED);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(exitCode(GetCurrentProcess()), static_cast<DWORD>(STILL_ACTIVE));
}

TEST(Process, UnregisteredOrMissingProgramsAreNotFound) {
    winsim::TempMachine m;
    PROCESS_INFORMATION pi;
    std::ofstream(m.root() / "C" / "WINDOWS" / "plain.exe") << "not registered";
    EXPECT_FAILS_WITH(start(u"C:\\WINDOWS\\plain.exe", u"", pi), FALSE, ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(winsim::registerProgram(u"gone.exe", {WINSIM_TEST_CHILD}));
    EXPECT_FAILS_WITH(start(u"C:\\WINDOWS\\gone.exe", u"", pi),
                      FALSE, ERROR_FILE_NOT_FOUND);  // registered, but no file on the machine
    EXPECT_FAILS_WITH(start(u"C:\\NoDir\\gone.exe", u"", pi), FALSE, ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(winsim::installProgram(u"C:\\WINDOWS\\broken.exe", {"/nonexistent/host/program"}));
    EXPECT_FAILS_WITH(start(u"C:\\WINDOWS\\broken.exe", u"", pi), FALSE, ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(winsim::installProgram(kChild, {WINSIM_TEST_CHILD}));
    EXPECT_FAILS_WITH(start(kChild, u"child.exe exit 1", pi, u"C:\\NoSuchDir"), FALSE, ERROR_DIRECTORY);
    EXPECT_EQ(winsim::detail::openHandleCount(), 0u);
}

TEST(Process, ArgumentsEnvironmentAndDirectoryReachTheChild) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::installProgram(u"C:\\WINDOWS\\system32\\tool.exe", {WINSIM_TEST_CHILD, "env"}));
    fs::path out = m.root() / "out.txt";
    std::u16string env = u"VESK_EXTRA=hello\u00E9";
    env += u'\0';
    env += u"=C:=C:\\ignored";
    env += u'\0';
    env += u'\0';
    PROCESS_INFORMATION pi;
    // No application name: the program is found in the system directory.
    std::u16string cmd = u"tool " + winsim::fromUtf8(out.string()) + u" \"a b\" c\\\"d e\\\\\"";
    ASSERT_TRUE(start(nullptr, cmd, pi, u"C:\\WINDOWS", env.data(), CREATE_UNICODE_ENVIRONMENT)) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(exitCode(pi.hProcess), 7u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::string text = filetest::hostText(out);
    EXPECT_NE(text.find("cmd=" + winsim::toUtf8(cmd) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("program=C:\\WINDOWS\\system32\\tool.exe\n"), std::string::npos) << text;
    EXPECT_NE(text.find("cwd=C:\\WINDOWS\n"), std::string::npos) << text;
    EXPECT_NE(text.find("machine=" + m.root().string() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("extra=hello\xC3\xA9\n"), std::string::npos) << text;
    EXPECT_NE(text.find("hostcwd=" + (m.root() / "C" / "WINDOWS").string() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("arg=a b\narg=c\"d\narg=e\\\n"), std::string::npos) << text;
}

TEST(Process, CommandLinesSplitByTheWindowsRules) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(winsim::splitCommandLine(u"\"C:\\Program Files\\a.exe\" x"), (V{u"C:\\Program Files\\a.exe", u"x"}));
    EXPECT_EQ(winsim::splitCommandLine(u"a.exe  \"one two\"\tthree"), (V{u"a.exe", u"one two", u"three"}));
    EXPECT_EQ(winsim::splitCommandLine(u"a \\\\\\\"x \\\\\"y z\" w\\"), (V{u"a", u"\\\"x", u"\\y z", u"w\\"}));
    EXPECT_EQ(winsim::splitCommandLine(u"a \"say \"\"hi\"\"\""), (V{u"a", u"say \"hi\""}));
    EXPECT_EQ(winsim::splitCommandLine(u"a \"\""), (V{u"a", u""}));
}

TEST(Process, RegistryPrefersAFullPathOverAFileName) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::registerProgram(u"setup.exe", {"/bin/by-name"}));
    ASSERT_TRUE(winsim::registerProgram(u"c:\\windows\\SETUP.EXE", {"/bin/by-path", "--quiet"}));
    EXPECT_EQ(winsim::registeredProgram(u"C:\\WINDOWS\\setup.exe").value_or(std::vector<std::string>{}),
              (std::vector<std::string>{"/bin/by-path", "--quiet"}));
    EXPECT_EQ(winsim::registeredProgram(u"C:\\Other\\Setup.exe").value_or(std::vector<std::string>{}),
              (std::vector<std::string>{"/bin/by-name"}));
    EXPECT_FALSE(winsim::registeredProgram(u"C:\\WINDOWS\\other.exe"));
    EXPECT_FALSE(winsim::registerProgram(u"bad.exe", {"/bin/x", "tab\there"}));
    EXPECT_FALSE(winsim::registerProgram(u"bad.exe", {}));
}

// Other processes of a test: the test program itself started again through
// the stand-in's CreateProcessW to run one disabled test, and waited for.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/process.h>

#include <filesystem>
#include <string>

namespace vesk::test {

// Registers this test program as the Windows program `program` running the
// disabled test `test` ("Suite.DISABLED_Name") and starts it. The child
// inherits the environment, so it works on the same machine.
inline bool startSelf(const std::u16string& program, const std::string& test, PROCESS_INFORMATION* pi) {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    if (!winsim::installProgram(program, {self, "--gtest_also_run_disabled_tests", "--gtest_filter=" + test}))
        return false;
    std::u16string cmd = program.substr(program.find_last_of(u'\\') + 1);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    *pi = PROCESS_INFORMATION{};
    return CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi) != 0;
}

// Waits for a started child and closes its handles: its exit code, or -1
// when it did not end within `timeoutMs`.
inline long waitChild(PROCESS_INFORMATION& pi, DWORD timeoutMs) {
    long result = -1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(pi.hProcess, &code)) result = static_cast<long>(code);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

}  // namespace vesk::test

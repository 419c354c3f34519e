// A program the platform tests start through CreateProcessW. Its first
// argument chooses what it does:
//   exit N                       ends with exit code N
//   sleep MS                     sleeps, then ends with 0
//   hold NAME READY RELEASE      owns the named mutex, creates the file READY,
//                                waits for the file RELEASE, releases, ends with 0
//   abandon NAME READY           owns the named mutex, creates READY, ends
//                                without releasing it
//   exists NAME                  opens the named mutex with CreateMutexW; ends
//                                with 1 when it already existed, else 0
//   env OUT                      writes what it was given to OUT, ends with 7
// Files are host paths. Failures end with 100 and up.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <win/windows.h>
#include <winsim/winsim.h>

namespace {

bool touch(const char* path) {
    std::ofstream out(path);
    return static_cast<bool>(out << "x");
}

bool waitForFile(const char* path) {
    for (int i = 0; i < 3000; ++i) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

HANDLE ownMutex(const char* name) {
    std::u16string wname = winsim::fromUtf8(name);
    HANDLE h = CreateMutexW(nullptr, FALSE, wname.c_str());
    if (!h) return nullptr;
    DWORD r = WaitForSingleObject(h, INFINITE);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) return nullptr;
    return h;
}

const char* envOr(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "(unset)";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 100;
    std::string mode = argv[1];
    if (mode == "exit" && argc == 3) return std::atoi(argv[2]);
    if (mode == "sleep" && argc == 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    if (mode == "hold" && argc == 5) {
        HANDLE h = ownMutex(argv[2]);
        if (!h) return 101;
        if (!touch(argv[3])) return 102;
        if (!waitForFile(argv[4])) return 103;
        if (!ReleaseMutex(h)) return 104;
        CloseHandle(h);
        return 0;
    }
    if (mode == "abandon" && argc == 4) {
        if (!ownMutex(argv[2])) return 101;
        if (!touch(argv[3])) return 102;
        _exit(0);
    }
    if (mode == "exists" && argc == 3) {
        std::u16string wname = winsim::fromUtf8(argv[2]);
        HANDLE h = CreateMutexW(nullptr, FALSE, wname.c_str());
        if (!h) return 101;
        return GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
    }
    if (mode == "env" && argc >= 3) {
        std::ofstream out(argv[2]);
        out << "cmd=" << envOr("VESK_COMMAND_LINE") << "\n"
            << "program=" << envOr("VESK_PROGRAM") << "\n"
            << "cwd=" << envOr("VESK_CURRENT_DIRECTORY") << "\n"
            << "machine=" << envOr("VESK_MACHINE") << "\n"
            << "extra=" << envOr("VESK_EXTRA") << "\n"
            << "hostcwd=" << std::filesystem::current_path().string() << "\n";
        for (int i = 3; i < argc; ++i) out << "arg=" << argv[i] << "\n";
        return out ? 7 : 105;
    }
    return 100;
}

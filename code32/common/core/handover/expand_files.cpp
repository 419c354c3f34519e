// The install programs the model description lists in section "Expand
// File": each started hidden from the driver directory and waited for.
#include <win/process.h>
#include <win/sync.h>

#include <string>

#include "core/handover/handover.h"
#include "core/ini_wrap.h"
#include "core/model/model.h"
#include "core/paths.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {

namespace {

constexpr WCHAR kSection[] = u"Expand File";

struct DataFile {
    explicit DataFile(HANDLE printer) : path(MdlGetDataFilePath(printer)) {}
    ~DataFile() { MemFree(path); }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    WCHAR* path;
};

void keyName(WCHAR* dest, const char* prefix, int n) {
    const std::string s = prefix + std::to_string(n);
    size_t i = 0;
    for (; i < s.size() && i + 1 < 32; ++i) dest[i] = static_cast<WCHAR>(s[i]);
    dest[i] = 0;
}

// Starts driver directory + `name` with `cwd` as its current directory and
// waits for it to end (no time-out: the install waits as long as it runs).
void runOne(const WCHAR* driverDir, const WCHAR* name, const WCHAR* cwd) {
    WCHAR program[kWsPathChars];
    if (!WCopyWhole(program, kWsPathChars, driverDir) || !WAppendWhole(program, kWsPathChars, name)) return;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, cwd, &si, &pi)) return;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

void runList(const WCHAR* dataFile, const WCHAR* driverDir, const WCHAR* countKey, const char* entryPrefix,
             const WCHAR* cwd) {
    WCHAR key[32];
    const int count = static_cast<int>(IniGetInt(kSection, countKey, 0, dataFile));
    for (int n = 1; n <= count; ++n) {
        keyName(key, entryPrefix, n);
        WCHAR name[kWsPathChars] = {};
        IniGetString(kSection, key, u"", name, kWsPathChars, dataFile);
        if (name[0]) runOne(driverDir, name, cwd);
    }
}

}  // namespace

void RunExpandFiles(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return;
    DataFile data(ctx->printer);
    if (!data.path) return;
    WCHAR driverDir[kWsPathChars];
    if (!WCopyWhole(driverDir, kWsPathChars, GetDriverDir(ctx)) || !driverDir[0]) return;
    WCHAR systemDir[kWsPathChars] = {};
    if (GetSystemDir(systemDir, kWsPathChars))
        runList(data.path, driverDir, u"SystemDirfiles", "SystemDir", systemDir);
    runList(data.path, driverDir, u"DriverDirfiles", "DriverDir", driverDir);
}

}  // namespace vesk

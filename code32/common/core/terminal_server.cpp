#include "core/terminal_server.h"

#include <atomic>
#include <cstring>

#include <win/modules.h>
#include <win/system.h>

#include "core/os_version.h"
#include "core/paths.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kQueryLibrary[] = u"KW00C150.dll";
constexpr char kQueryEntry[] = "_IsTSE_WMICOM_VESK_Printer_Driver";
// 0 not yet computed, 1 terminal server, 2 not.
std::atomic<int> g_answer{0};

int askQueryLibrary(HANDLE printer) {
    WCHAR path[kPathBufChars] = {};
    if (!GetDriverDirEx(printer, path, kPathBufChars) || !WAppendWhole(path, kPathBufChars, kQueryLibrary)) return 0;
    HMODULE lib = LoadLibraryW(path);
    if (!lib) return 0;
    int answer = 0;
    if (FARPROC entry = GetProcAddress(lib, kQueryEntry)) {
        using Query = int (*)();
        answer = ProcAs<Query>(entry)() == 1 ? 1 : 0;
    }
    FreeLibrary(lib);
    return answer;
}

int askSuite() {
    OSVERSIONINFOEXW v;
    std::memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    v.wSuiteMask = VER_SUITE_TERMINAL;
    ULONGLONG mask = VerSetConditionMask(0, VER_SUITENAME, VER_OR);
    return VerifyVersionInfoW(&v, VER_SUITENAME, mask) ? 1 : 0;
}

}  // namespace

int TsQueryEnabled(HANDLE printer) {
    if (OsIsNt52OrLater() && printer) return askQueryLibrary(printer);
    return askSuite();
}

int TsIsEnabled(HANDLE printer) {
    int kept = g_answer.load();
    if (kept == 0) {
        kept = TsQueryEnabled(printer) ? 1 : 2;
        // Should two first callers race, the answer stored first is kept.
        int expected = 0;
        if (!g_answer.compare_exchange_strong(expected, kept)) kept = expected;
    }
    return kept == 1 ? 1 : 0;
}

void TsForget() { g_answer.store(0); }

}  // namespace vesk

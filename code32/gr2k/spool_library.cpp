#include "spool_library.h"

#include <win/environment.h>
#include <win/modules.h>

#include <cstring>

#include "core/printer_info.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr size_t kMaxDriverPath = 240;
constexpr DWORD kPathBuffer = 4096;

FARPROC entry(const Pdev* p, const char* name) {
    return p->out.library ? GetProcAddress(p->out.library, name) : nullptr;
}

void callHandleEntry(const Pdev* p, const char* name) {
    if (auto f = ProcAs<SplHandleFn>(entry(p, name))) f(p->out.spool);
}

bool holds(const WCHAR* text, const WCHAR* part) {
    const size_t n = WLen(text), m = WLen(part);
    if (m == 0) return true;
    for (size_t i = 0; i + m <= n; ++i)
        if (std::memcmp(text + i, part, m * sizeof(WCHAR)) == 0) return true;
    return false;
}

// Appends ";dir" (or just dir to an empty PATH) to the text in `path` of
// `capacity` characters and sets PATH.
bool appendAndSet(WCHAR* path, size_t capacity, const WCHAR* dir) {
    if (holds(path, dir)) return true;
    const size_t have = WLen(path);
    if (have && !WAppendWhole(path, capacity, u";")) return false;
    if (!WAppendWhole(path, capacity, dir)) return false;
    return SetEnvironmentVariableW(u"PATH", path) != FALSE;
}

}  // namespace

bool AddDirectoryToPath(const WCHAR* dir) {
    const size_t dirLen = WLen(dir);
    WCHAR small[kPathBuffer] = {};
    DWORD n = GetEnvironmentVariableW(u"PATH", small, kPathBuffer);
    if (n < kPathBuffer && n + dirLen < kPathBuffer - 1) return appendAndSet(small, kPathBuffer, dir);
    // A long PATH: read again into a block of the size it needs.
    const DWORD need = GetEnvironmentVariableW(u"PATH", nullptr, 0);
    const size_t capacity = size_t{need} + dirLen + 2;
    auto* big = static_cast<WCHAR*>(MemAllocZero(capacity * sizeof(WCHAR)));
    if (!big) return false;
    n = GetEnvironmentVariableW(u"PATH", big, static_cast<DWORD>(capacity));
    const bool ok = n < capacity && appendAndSet(big, capacity, dir);
    MemFree(big);
    return ok;
}

bool GetSpoolLibraryPath(HANDLE printer, const WCHAR* fileName, WCHAR* dest, size_t capacity) {
    if (!dest || capacity == 0) return false;
    dest[0] = 0;
    if (!fileName || !fileName[0]) return false;
    auto* info = reinterpret_cast<DRIVER_INFO_2W*>(PrnGetDriverInfo(printer, 2));
    if (!info) return false;
    bool ok = false;
    WCHAR dir[kMaxDriverPath + 1] = {};
    const size_t len = WLenMax(info->pDriverPath, kMaxDriverPath + 1);
    if (info->pDriverPath && len <= kMaxDriverPath) {
        std::memcpy(dir, info->pDriverPath, len * sizeof(WCHAR));
        size_t cut = len;
        while (cut > 0 && dir[cut - 1] != u'\\') --cut;
        if (cut > 0) {
            dir[cut - 1] = 0;
            AddDirectoryToPath(dir);
            ok = WCopyWhole(dest, capacity, dir) && WAppendWhole(dest, capacity, u"\\") &&
                 WAppendWhole(dest, capacity, fileName);
        }
    }
    MemFree(info);
    if (!ok) dest[0] = 0;
    return ok;
}

bool SpoolLibraryLoad(Pdev* p) {
    WCHAR path[kPathBufChars] = {};
    if (!GetSpoolLibraryPath(p->printer, p->spoolLibraryName, path, kPathBufChars)) return false;
    HMODULE lib = LoadLibraryW(path);
    if (!lib) return false;
    auto write = ProcAs<SplWritePrinterFn>(GetProcAddress(lib, "DrvSplWritePrinter"));
    if (!write) {
        FreeLibrary(lib);
        return false;
    }
    p->out.library = lib;
    p->out.writeEntry = write;
    p->out.spool = nullptr;
    return true;
}

void SpoolLibraryStartDoc(Pdev* p) {
    auto start = ProcAs<SplStartDocFn>(entry(p, "DrvSplStartDocEx"));
    if (!start) start = ProcAs<SplStartDocFn>(entry(p, "DrvSplStartDoc"));
    if (start) p->out.spool = start(p->printer, p->jobId);
}

void SpoolLibraryStartPage(Pdev* p) { callHandleEntry(p, "DrvSplStartPage"); }

void SpoolLibraryEndPage(Pdev* p) { callHandleEntry(p, "DrvSplEndPage"); }

void PdevUnbindLibrary(Pdev* p) {
    if (!p->out.library) return;
    callHandleEntry(p, "DrvSplEndDoc");
    callHandleEntry(p, "DrvSplClose");
    if (FreeLibrary(p->out.library)) p->out.library = nullptr;
    p->out.spool = nullptr;
    p->out.writeEntry = nullptr;
}

}  // namespace vesk

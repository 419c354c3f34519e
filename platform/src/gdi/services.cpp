// Engine services outside drawing: resources of a module, local time and
// the code-page conversions.
#include "internal.h"

#include "core/sim.h"
#include "module_loader.h"

#include <win/modules.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

using namespace winsim::gdi;
using winsim::detail::setError;

#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L

namespace {

struct ModuleSearch {
    uintptr_t handle;
    std::string path;
    bool found = false;
};

// Finds the loaded object whose load address is the handle, as Windows
// module handles are the module's base address.
int byBase(struct dl_phdr_info* info, size_t, void* data) {
    auto* s = static_cast<ModuleSearch*>(data);
    uintptr_t lowest = UINTPTR_MAX;
    for (int i = 0; i < info->dlpi_phnum; ++i)
        if (info->dlpi_phdr[i].p_type == PT_LOAD)
            lowest = std::min<uintptr_t>(lowest, info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
    if (s->handle == info->dlpi_addr || s->handle == lowest) {
        s->path = info->dlpi_name ? info->dlpi_name : "";
        s->found = true;
        return 1;
    }
    return 0;
}

// Finds the loaded object whose dlopen handle is the handle.
int byDlHandle(struct dl_phdr_info* info, size_t, void* data) {
    auto* s = static_cast<ModuleSearch*>(data);
    const char* name = info->dlpi_name;
    void* h = dlopen(name && *name ? name : nullptr, RTLD_LAZY | RTLD_NOLOAD);
    if (!h) return 0;
    bool match = reinterpret_cast<uintptr_t>(h) == s->handle;
    dlclose(h);
    if (match) {
        s->path = name ? name : "";
        s->found = true;
        return 1;
    }
    return 0;
}

const WINSIM_RESOURCE* resourceTable(HANDLE h) {
    ModuleSearch s{reinterpret_cast<uintptr_t>(h), {}, false};
    // A module the loader mapped: its library. The program's own handle: the
    // program. Otherwise the handle may be a load address or a dlopen handle.
    if (auto host = winsim::detail::moduleHostFile(static_cast<HMODULE>(h))) {
        s.path = host->string();
        s.found = true;
    } else if (h && h == static_cast<HANDLE>(GetModuleHandleW(nullptr))) {
        s.found = true;
    } else if (h) {
        dl_iterate_phdr(byBase, &s);
        if (!s.found) dl_iterate_phdr(byDlHandle, &s);
        if (!s.found) return nullptr;
    }
    void* lib = dlopen(s.path.empty() ? nullptr : s.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!lib) return nullptr;
    void* sym = dlsym(lib, WINSIM_RESOURCE_TABLE_SYMBOL);
    // Only the module's own table counts, not one of a library it uses.
    if (sym && !s.path.empty()) {
        Dl_info info{};
        link_map* own = nullptr;
        void* where = nullptr;
        if (dlinfo(lib, RTLD_DI_LINKMAP, &own) != 0 || !dladdr1(sym, &info, &where, RTLD_DL_LINKMAP) ||
            static_cast<link_map*>(where) != own)
            sym = nullptr;
    }
    dlclose(lib);  // the module stays loaded: its owner holds it
    return static_cast<const WINSIM_RESOURCE*>(sym);
}

// Days since 1601-01-01 to a civil date.
void civilFromDays(int64_t days, int& y, unsigned& m, unsigned& d) {
    // Shift to days since 0000-03-01 (proleptic Gregorian).
    int64_t z = days + 584694;  // 1601-01-01 is day 584694 after 0000-03-01
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

}  // namespace

extern "C" {

WINBASEAPI PVOID APIENTRY EngFindResource(HANDLE h, int iName, int iType, PULONG pulSize) {
    if (engEnter("EngFindResource", std::to_string(iType) + "/" + std::to_string(iName))) return nullptr;
    if (pulSize) *pulSize = 0;
    const WINSIM_RESOURCE* table = resourceTable(h);
    if (!table) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    for (const WINSIM_RESOURCE* r = table; r->data; ++r)
        if (r->type == static_cast<ULONG>(iType) && r->id == static_cast<ULONG>(iName)) {
            if (pulSize) *pulSize = r->size;
            return const_cast<void*>(r->data);
        }
    setError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

WINBASEAPI void APIENTRY EngQueryLocalTime(PENG_TIME_FIELDS ptf) {
    if (engEnter("EngQueryLocalTime") || !ptf) return;
    int64_t bias = winsim::config().timeZoneBiasMinutes;
    int64_t ft = static_cast<int64_t>(winsim::nowFileTime()) - bias * 60 * 10000000LL;
    if (ft < 0) ft = 0;
    int64_t ms = ft / 10000;
    int64_t days = ms / 86400000;
    int64_t rest = ms % 86400000;
    int y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    ptf->usYear = static_cast<USHORT>(y);
    ptf->usMonth = static_cast<USHORT>(m);
    ptf->usDay = static_cast<USHORT>(d);
    ptf->usHour = static_cast<USHORT>(rest / 3600000);
    ptf->usMinute = static_cast<USHORT>(rest / 60000 % 60);
    ptf->usSecond = static_cast<USHORT>(rest / 1000 % 60);
    ptf->usMilliseconds = static_cast<USHORT>(rest % 1000);
    ptf->usWeekday = static_cast<USHORT>((days + 1) % 7);  // 1601-01-01 was a Monday
}

WINBASEAPI void APIENTRY EngGetCurrentCodePage(PUSHORT OemCodePage, PUSHORT AnsiCodePage) {
    if (engEnter("EngGetCurrentCodePage")) return;
    if (OemCodePage) *OemCodePage = static_cast<USHORT>(winsim::config().oemCodePage);
    if (AnsiCodePage) *AnsiCodePage = static_cast<USHORT>(winsim::config().ansiCodePage);
}

WINBASEAPI void APIENTRY EngUnicodeToMultiByteN(PCHAR MultiByteString, ULONG MaxBytesInMultiByteString,
                                                PULONG BytesInMultiByteString, PWSTR UnicodeString,
                                                ULONG BytesInUnicodeString) {
    if (BytesInMultiByteString) *BytesInMultiByteString = 0;
    if (engEnter("EngUnicodeToMultiByteN") || !MultiByteString || !UnicodeString) return;
    try {
        std::u16string_view text(UnicodeString, BytesInUnicodeString / 2);
        // Converted a character at a time so the output is cut on a character
        // boundary, never inside a double-byte character.
        ULONG out = 0;
        for (char16_t c : text) {
            std::string bytes = winsim::detail::wideToAnsi(std::u16string_view(&c, 1), 0);
            if (out + bytes.size() > MaxBytesInMultiByteString) break;
            std::memcpy(MultiByteString + out, bytes.data(), bytes.size());
            out += static_cast<ULONG>(bytes.size());
        }
        if (BytesInMultiByteString) *BytesInMultiByteString = out;
    } catch (const std::bad_alloc&) {
    }
}

WINBASEAPI void APIENTRY EngMultiByteToUnicodeN(PWSTR UnicodeString, ULONG MaxBytesInUnicodeString,
                                                PULONG BytesInUnicodeString, PCHAR MultiByteString,
                                                ULONG BytesInMultiByteString) {
    if (BytesInUnicodeString) *BytesInUnicodeString = 0;
    if (engEnter("EngMultiByteToUnicodeN") || !UnicodeString || !MultiByteString) return;
    try {
        std::u16string text =
            winsim::detail::ansiToWide(std::string_view(MultiByteString, BytesInMultiByteString), 0);
        size_t n = std::min<size_t>(text.size(), MaxBytesInUnicodeString / 2);
        std::memcpy(UnicodeString, text.data(), n * 2);
        if (BytesInUnicodeString) *BytesInUnicodeString = static_cast<ULONG>(n * 2);
    } catch (const std::bad_alloc&) {
    }
}

}  // extern "C"

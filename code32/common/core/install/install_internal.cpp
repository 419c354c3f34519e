#include "core/install/install_internal.h"

#include <win/windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/wstr.h"

namespace vesk::install {

bool PrinterName(HANDLE printer, const PRINTER_INFO_2W* info, WCHAR* dest) {
    dest[0] = 0;
    if (info) return PrnInfoCopyPrinterName(dest, kWsPrinterNameChars, info) && dest[0];
    return PrnCopyPrinterName(printer, dest, kWsPrinterNameChars) && dest[0];
}

bool CopySection(const WCHAR* fromFile, const WCHAR* from, const WCHAR* toFile, const WCHAR* to) {
    if (!fromFile || !from || !toFile || !to) return false;
    WCHAR a[kWsPathChars], b[kWsPathChars];
    if (!WCopyWhole(a, kWsPathChars, from) || !WCopyWhole(b, kWsPathChars, to)) return false;
    IniSectionBracketsToCommas(a);
    IniSectionBracketsToCommas(b);
    std::unique_ptr<WCHAR[]> text(new (std::nothrow) WCHAR[kSectionChars]);
    if (!text) return false;
    const DWORD n = GetPrivateProfileSectionW(a, text.get(), kSectionChars, fromFile);
    if (n == 0) return true;
    // A section the buffer cannot hold would arrive cut: copy none of it
    // rather than a part that loses the rest of the target's keys.
    if (n >= kSectionChars - 2) return false;
    const bool ok = WritePrivateProfileSectionW(b, text.get(), toFile) != FALSE;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, toFile);
    return ok;
}

const WCHAR* FileNamePart(const WCHAR* path) {
    if (!path) return nullptr;
    const WCHAR* last = nullptr;
    for (const WCHAR* p = path; *p; ++p)
        if (*p == u'\\') last = p;
    return last ? last + 1 : nullptr;
}

bool FolderOf(WCHAR* dest, size_t cap, const WCHAR* path) {
    const WCHAR* name = FileNamePart(path);
    if (!name) return false;
    const size_t n = static_cast<size_t>(name - 1 - path);
    if (n + 1 > cap) return false;
    for (size_t i = 0; i < n; ++i) dest[i] = path[i];
    dest[n] = 0;
    return true;
}

bool JoinPath(WCHAR* dest, size_t cap, const WCHAR* dir, const WCHAR* name) {
    if (!dest || !dir || !name || !dir[0]) return false;
    WCHAR out[kWsPathChars];
    if (!WCopyWhole(out, kWsPathChars, dir)) return false;
    const size_t n = WLen(out);
    if (out[n - 1] != u'\\' && !WAppendWhole(out, kWsPathChars, u"\\")) return false;
    if (!WAppendWhole(out, kWsPathChars, name)) return false;
    return WCopyWhole(dest, cap, out);
}

bool IniAndFolder(int which, WCHAR* ini, WCHAR* folder) {
    return GetIniFilePathEx(ini, which) && ini[0] && FolderOf(folder, kWsPathChars, ini);
}

WCHAR* ListKey(WCHAR* buffer, const ListKind& list, int n, const char* tail) {
    char a[kKeyChars];
    std::snprintf(a, sizeof a, list.stem, n);
    const size_t used = std::strlen(a);
    std::snprintf(a + used, sizeof a - used, "%s", tail);
    size_t i = 0;
    for (; a[i]; ++i) buffer[i] = static_cast<WCHAR>(a[i]);
    buffer[i] = 0;
    return buffer;
}

bool CopyListFileSections(const WCHAR* from, const WCHAR* to, const WCHAR* printer, uint32_t sections) {
    bool ok = CopySection(from, printer, to, printer);
    if (sections & kMoveCondition) ok = CopySection(from, u"condition", to, u"condition") && ok;
    if (sections & kMoveDisable) ok = CopySection(from, u"disable", to, u"disable") && ok;
    return ok;
}

}  // namespace vesk::install

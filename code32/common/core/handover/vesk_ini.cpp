// The hand-over file's path and the tests of a printer's section.
#include <win/files.h>
#include <win/profile.h>

#include <string>

#include "core/files.h"
#include "core/handover/handover.h"
#include "core/handover/handover_internal.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/wstr.h"

namespace vesk {

namespace {

// A value that stands for "the key is missing": no installer writes it.
constexpr WCHAR kAbsent[] = u"\x1";

bool present(const WCHAR* v) { return !(v[0] == kAbsent[0] && v[1] == 0); }

}  // namespace

int HoReadKey(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key, WCHAR* dest, size_t chars) {
    IniGetString(section, key, kAbsent, dest, static_cast<DWORD>(chars), iniPath);
    if (present(dest)) return 1;
    dest[0] = 0;
    return 0;
}

int HoMark(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key, const WCHAR* value) {
    ClearReadOnly(iniPath);
    return IniWriteString(section, key, value, iniPath);
}

int HoDeleteKey(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key) {
    return HoMark(iniPath, section, key, nullptr);
}

int GetVeskIniPathInto(WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    BuildSystemDirPath(buffer, capacity, kVeskIniName);
    return buffer[0] != 0;
}

const WCHAR* GetVeskIniPath(DrvContext* ctx) {
    // One path per thread: the file lies in the system directory, the same
    // for every printer.
    thread_local WCHAR path[kWsPathChars];
    if (!ctx || !ctx->ws) return u"";
    GetVeskIniPathInto(path, kWsPathChars);
    return path;
}

int VeskIniSectionIsEmpty(const WCHAR* iniPath, const WCHAR* section) {
    if (!iniPath || !section || !FileExists(iniPath)) return 1;
    WCHAR v[kHoValueChars];
    if (HoReadKey(iniPath, section, kHoDefaultRst, v, kHoValueChars) && v[0]) return 0;
    if (HoReadKey(iniPath, section, kHoSetUserCode, v, kHoValueChars) && !(v[0] == u'*' && !v[1])) return 0;
    if (HoReadKey(iniPath, section, kHoSetUserId, v, kHoValueChars) && v[0]) return 0;
    if (HoReadKey(iniPath, section, kHoSetOwnerId, v, kHoValueChars) && v[0]) return 0;
    return 1;
}

int VeskIniHasWorkFor(const WCHAR* printerName) {
    if (!printerName) return 0;
    WCHAR path[kWsPathChars];
    if (!GetVeskIniPathInto(path, kWsPathChars)) return 0;
    return !VeskIniSectionIsEmpty(path, printerName);
}

int VeskIniHasAppSection(HANDLE printer) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    if (!info) return 0;
    int result = 0;
    WCHAR path[kWsPathChars];
    if (info->pPrinterName && GetVeskIniPathInto(path, kWsPathChars) && VeskIniHasWorkFor(info->pPrinterName)) {
        // The whole section, not only the instructions this driver reads.
        WCHAR name[kWsPrinterNameChars] = {};
        WCHAR block[4] = {};
        result = WCopyWhole(name, kWsPrinterNameChars, info->pPrinterName) &&
                 GetPrivateProfileSectionW(IniSectionBracketsToCommas(name), block, 4, path) > 0;
    }
    PrnFreeInfo2(info);
    return result;
}

int SetDrvInstSet(const WCHAR* iniPath, const WCHAR* section, int value) {
    if (!iniPath || !section) return 0;
    WCHAR text[16] = {};
    const std::string digits = std::to_string(value);
    for (size_t i = 0; i < digits.size() && i + 1 < 16; ++i) text[i] = static_cast<WCHAR>(digits[i]);
    return HoMark(iniPath, section, kHoDrvInstSet, text);
}

int GetDrvInstSet(const WCHAR* iniPath, const WCHAR* section) {
    if (!iniPath || !section) return 0;
    return IniGetInt(section, kHoDrvInstSet, 0, iniPath) != 0;
}

int GetVeskIniDefaultRst(WCHAR* path, DrvContext* ctx) {
    if (!path) return 0;
    path[0] = 0;
    const WCHAR* ini = GetVeskIniPath(ctx);
    if (!ini[0] || !FileExists(ini)) return 0;
    WCHAR v[kWsPathChars];
    if (!HoReadKey(ini, PrnGetPrinterName(ctx), kHoDefaultRst, v, kWsPathChars) || !v[0]) return 0;
    return HoDriverDirPath(ctx, v, path);
}

int HoDriverDirPath(DrvContext* ctx, const WCHAR* name, WCHAR* out) {
    out[0] = 0;
    // A name with a drive letter stands as it is.
    if (name[0] && name[1] == u':') return WCopyWhole(out, kWsPathChars, name) ? 1 : 0;
    const WCHAR* dir = GetDriverDir(ctx);
    if (!dir[0] || !WCopyWhole(out, kWsPathChars, dir) || !WAppendWhole(out, kWsPathChars, name)) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

}  // namespace vesk

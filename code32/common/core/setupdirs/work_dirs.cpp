// The work and spool directory instructions of the setup INI and VESK.ini.
#include <win/files.h>

#include "core/files.h"
#include "core/handover/handover.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/registry_values.h"
#include "core/setupdirs/setup_dirs.h"
#include "core/wstr.h"

namespace vesk {

namespace {

constexpr size_t kDirChars = 260;
constexpr WCHAR kSystemDrive[] = u"%SYSTEMDRIVE%";
constexpr size_t kSystemDriveChars = 13;
constexpr WCHAR kPrivateLeaf[] = u"_vesk";
// Room the private directory's own files need below it, and the spool
// files below the spool directory.
constexpr size_t kWorkReserve = 46;
constexpr size_t kSpoolReserve = 21;

bool isNoInstruction(const WCHAR* v) { return v[0] == u'*' && !v[1]; }

DWORD stringBytes(const WCHAR* s) { return static_cast<DWORD>((WLen(s) + 1) * sizeof(WCHAR)); }

// A leading "%SYSTEMDRIVE%" (any case) becomes the drive of the Windows
// directory. False when the result would not fit.
bool replaceSystemDrive(WCHAR* dir) {
    const size_t n = WLen(dir);
    if (n < kSystemDriveChars) return true;
    for (size_t i = 0; i < kSystemDriveChars; ++i) {
        WCHAR a = dir[i], b = kSystemDrive[i];
        if (a >= u'a' && a <= u'z') a = static_cast<WCHAR>(a - 32);
        if (a != b) return true;
    }
    WCHAR windows[kDirChars];
    if (GetWindowsDir(windows, kDirChars) < 2) return false;
    WCHAR out[kDirChars] = {windows[0], windows[1], 0};
    if (!WAppendWhole(out, kDirChars, dir + kSystemDriveChars)) return false;
    return WCopyWhole(dir, kDirChars, out);
}

// Deletes `key` without touching the file's time stamps; a file that is not
// there is left so.
void deleteKeepingTime(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key) {
    if (FileExists(iniPath)) IniWriteStringKeepTime(section, key, nullptr, iniPath);
}

}  // namespace

int SdDirectoryExists(const WCHAR* path) {
    if (!path || !path[0]) return 0;
    for (const WCHAR* p = path; *p; ++p)
        if (*p == u'*' || *p == u'?') return 0;
    const DWORD attrs = GetFileAttributesW(path);
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int ApplyWorkDirectory(const WCHAR* section, const WCHAR* iniPath) {
    if (!section || !iniPath || !iniPath[0]) return 1;
    WCHAR dir[kDirChars] = {};
    IniGetString(section, kSdWorkDirKey, u"*", dir, kDirChars, iniPath);
    if (!dir[0]) {
        RegSetDrvValue(kRegPrivateDirValue, u"", sizeof(WCHAR));
    } else if (!isNoInstruction(dir) && replaceSystemDrive(dir) && SdDirectoryExists(dir)) {
        const size_t n = WLen(dir);
        if (dir[n - 1] != u'\\' && n + 1 < kDirChars) dir[n] = u'\\', dir[n + 1] = 0;
        if (WLen(dir) + kWorkReserve < kDirChars && WAppendWhole(dir, kDirChars, kPrivateLeaf))
            RegSetDrvValue(kRegPrivateDirValue, dir, stringBytes(dir));
    }
    deleteKeepingTime(iniPath, section, kSdWorkDirKey);
    return 1;
}

int ApplyWorkDirectorySetupIni(HANDLE printer, const WCHAR* printerName, DrvContext* ctx) {
    WCHAR path[kWsPathChars + 1] = {};
    const WCHAR* ini = ctx ? GetSetupIniPath(ctx) : GetSetupIniPathEx(printer, path);
    if (ini && ini[0]) ApplyWorkDirectory(printerName, ini);
    return 1;
}

int ApplyWorkDirectoryVeskIni(HANDLE, DrvContext*, const WCHAR* printerName) {
    WCHAR path[kWsPathChars];
    if (GetVeskIniPathInto(path, kWsPathChars)) ApplyWorkDirectory(printerName, path);
    return 1;
}

int ApplySpoolDirectory(const WCHAR* iniPath, const WCHAR* section, DrvContext* ctx) {
    if (!iniPath || !iniPath[0] || !section || !ctx) return 1;
    WCHAR dir[kDirChars] = {};
    WCHAR all[16] = {};
    IniGetString(section, kSdSpoolDirKey, u"*", dir, kDirChars, iniPath);
    IniGetString(section, kSdSpoolAllKey, u"OFF", all, 16, iniPath);
    // The exact letters: "on" is not "ON".
    const bool forAll = all[0] == u'O' && all[1] == u'N' && !all[2];
    if (!dir[0]) {
        if (forAll) RegSetDrvValue(kRegSpoolDirValue, u"", sizeof(WCHAR));
    } else if (!isNoInstruction(dir) && replaceSystemDrive(dir) && SdDirectoryExists(dir) &&
               WLen(dir) + kSpoolReserve < kDirChars) {
        if (forAll) RegSetDrvValue(kRegSpoolDirValue, dir, stringBytes(dir));
        else PrnSetDataString(ctx->printer, dir, stringBytes(dir), kRegSpoolDirValue);
    }
    deleteKeepingTime(iniPath, section, kSdSpoolDirKey);
    deleteKeepingTime(iniPath, section, kSdSpoolAllKey);
    return 1;
}

int GetSystemWindowsDir(WCHAR* buffer, UINT size) {
    if (!buffer || size == 0) return 0;
    const UINT n = GetSystemWindowsDirectoryW(buffer, size);
    if (n == 0 || n >= size) {
        buffer[0] = 0;
        return 0;
    }
    return 1;
}

}  // namespace vesk

#include "core/install/install_ini.h"

#include <win/windows.h>

#include <cstdio>

#include "core/ini_wrap.h"
#include "core/install/install_internal.h"
#include "core/locks.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/terminal_server.h"
#include "core/wstr.h"

namespace vesk {

namespace {

void toWide(WCHAR* dest, const char* a) {
    size_t i = 0;
    for (; a[i]; ++i) dest[i] = static_cast<WCHAR>(a[i]);
    dest[i] = 0;
}

}  // namespace

using install::MutexHold;
using install::PrinterName;

int IniWriteIntKey(const WCHAR* iniPath, const WCHAR* section, int value, const WCHAR* key) {
    if (!iniPath || !section || !key) return 0;
    char a[16];
    std::snprintf(a, sizeof a, "%d", value);
    WCHAR w[16];
    toWide(w, a);
    return IniWriteString(section, key, w, iniPath) ? 1 : 0;
}

int IniGetFlag(const WCHAR* section, const WCHAR* key, const WCHAR* iniPath) {
    if (!section || !key || !iniPath) return 0;
    const UINT v = IniGetInt(section, key, 0x7FFF, iniPath);
    return v != 0x7FFF && v != 0 ? 1 : 0;
}

int SetBatchInstallDoneIni(const WCHAR* iniPath, const WCHAR* section, int value) {
    return IniWriteIntKey(iniPath, section, value, GetBatchInstallDoneKey());
}

int SetBatchInstallDone(const WCHAR* iniPath, const WCHAR* section, int value, int alsoPrinterData,
                        DrvContext* ctx) {
    int ok = SetBatchInstallDoneIni(iniPath, section, value);
    if (alsoPrinterData) {
        const DWORD v = static_cast<DWORD>(value);
        const BYTE b[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                           static_cast<BYTE>(v >> 24)};
        if (!ctx || !PrnSetDataBinary(ctx->printer, b, 4, GetBatchInstallDoneKey())) ok = 0;
    }
    return ok;
}

int PrnBatchInstallDone(HANDLE printer) {
    BYTE b[4] = {};
    if (!PrnGetData(printer, b, 4, GetBatchInstallDoneKey())) return 0;
    return (b[0] | b[1] | b[2] | b[3]) ? 1 : 0;
}

void MakeInstallStamp(WCHAR* buffer) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char a[kStampBufChars];
    std::snprintf(a, sizeof a, "%04d%02d%02d%02d%02d%02d", t.wYear % 10000, t.wMonth % 100, t.wDay % 100,
                  t.wHour % 100, t.wMinute % 100, t.wSecond % 100);
    toWide(buffer, a);
}

int WriteInstallStamp(HANDLE printer, int stampType, int target) {
    if (!TsIsEnabled(printer)) return 1;
    WCHAR name[kWsPrinterNameChars];
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    const bool named = info && PrinterName(printer, info, name);
    PrnFreeInfo2(info);
    if (!named) return 0;
    WCHAR ini[kWsPathChars] = {};
    if (!GetIniFilePathEx(ini, target == 1 ? 1 : 0) || !ini[0]) return 0;
    WCHAR stamp[kStampBufChars];
    MakeInstallStamp(stamp);
    MutexHold hold;
    int ok = IniWriteString(name, u"DrvInstTime", stamp, ini);
    if (target == 2) ok &= IniWriteString(name, u"DrvFirstInstTime", stamp, ini);
    ok &= IniWriteIntKey(ini, name, stampType, u"DrvInstType");
    ok &= IniWriteString(name, u"DrvInstVersion", kDriverInstVersion, ini);
    return ok ? 1 : 0;
}

int GetInstallStampState(HANDLE printer, int* state, const PRINTER_INFO_2W* info) {
    if (!state) return 0;
    WCHAR name[kWsPrinterNameChars];
    WCHAR common[kWsPathChars] = {}, user[kWsPathChars] = {};
    if (!PrinterName(printer, info, name) || !GetIniFilePathEx(common, 0) || !GetIniFilePathEx(user, 1)) return 0;
    WCHAR u[kStampBufChars] = {}, f[kStampBufChars] = {}, c[kStampBufChars] = {};
    MutexHold hold;
    const bool userCopy = GetFileAttributesW(user) != INVALID_FILE_ATTRIBUTES;
    if (userCopy) IniGetString(name, u"DrvInstTime", u"", u, kStampBufChars, user);
    IniGetString(name, u"DrvFirstInstTime", u"", f, kStampBufChars, common);
    IniGetString(name, u"DrvInstTime", u"", c, kStampBufChars, common);
    auto cmp = [](const WCHAR* a, const WCHAR* b) {
        for (size_t i = 0; i < kStampChars; ++i) {
            if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
            if (!a[i]) break;
        }
        return 0;
    };
    if (!userCopy || !u[0] || cmp(u, f) < 0) *state = kStampNeverSetUp;
    else if (!c[0] || cmp(c, u) <= 0) *state = kStampUpToDate;
    else *state = PrnGetAdminChange(printer, nullptr) ? kStampAdminChanged : kStampCommonNewer;
    return 1;
}

int PrinterInstallType(DrvContext* ctx, uint32_t* type) {
    if (!ctx || !ctx->ws || !type) return 0;
    const WCHAR* ini = GetIniFilePath(ctx);
    if (!ini || !ini[0]) return 0;
    *type = IniGetInt(PrnGetPrinterName(ctx), u"DrvInstType", 0, ini);
    return 1;
}

}  // namespace vesk

// The query's flags in printer data and in the bidirectional settings file,
// and that file's option set.
#include <win/files.h>

#include "core/bidi/bidi.h"
#include "core/dirs.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"

namespace vesk {
namespace {

constexpr WCHAR kBidiIni[] = u"KW00C171.ini";
constexpr WCHAR kFlag[] = u"BidiFlag";
constexpr WCHAR kExFlag[] = u"BidiExFlag";
// A key that is absent reads as this in the tests of its existence.
constexpr int kAbsent = 7;

int getData(DrvContext* ctx, const WCHAR* name) {
    if (!ctx) return 0;
    BYTE v[4] = {};
    if (!PrnGetData(ctx->printer, v, sizeof v, name)) return 0;
    return v[0] & 1;
}

int setData(DrvContext* ctx, const WCHAR* name, uint32_t value) {
    if (!ctx) return 0;
    const BYTE v[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                       static_cast<BYTE>(value >> 24)};
    return PrnSetDataBinary(ctx->printer, v, sizeof v, name);
}

// The file's path without making it; 0 when it cannot be built.
int iniPath(WCHAR* path) {
    path[0] = 0;
    return BuildPrivateDirPath(path, kWsPathChars, kBidiIni) && path[0] ? 1 : 0;
}

int iniHas(DrvContext* ctx, const WCHAR* key) {
    WCHAR path[kWsPathChars];
    if (!ctx || !iniPath(path)) return 0;
    return static_cast<int>(IniGetInt(PrnGetPrinterName(ctx), key, kAbsent, path)) != kAbsent ? 1 : 0;
}

int iniGet(DrvContext* ctx, const WCHAR* key) {
    WCHAR path[kWsPathChars];
    if (!ctx || !iniPath(path)) return 0;
    return static_cast<int>(IniGetInt(PrnGetPrinterName(ctx), key, 0, path));
}

int iniSet(DrvContext* ctx, const WCHAR* key, uint32_t value) {
    WCHAR path[kWsPathChars];
    if (!ctx || !BidiIniCreate(ctx, path)) return 0;
    return IniWriteString(PrnGetPrinterName(ctx), key, value ? u"1" : u"0", path);
}

}  // namespace

int BidiGetFlag(DrvContext* ctx) { return getData(ctx, kFlag); }
int BidiSetFlag(DrvContext* ctx, uint32_t value) { return setData(ctx, kFlag, value); }
int BidiGetExFlag(DrvContext* ctx) { return getData(ctx, kExFlag); }
int BidiSetExFlag(DrvContext* ctx, uint32_t value) { return setData(ctx, kExFlag, value); }

int BidiIniHasFlag(DrvContext* ctx) { return iniHas(ctx, kFlag); }
int BidiIniGetFlag(DrvContext* ctx) { return iniGet(ctx, kFlag); }
int BidiIniSetFlag(DrvContext* ctx, uint32_t value) { return iniSet(ctx, kFlag, value); }
int BidiIniHasExFlag(DrvContext* ctx) { return iniHas(ctx, kExFlag); }
int BidiIniGetExFlag(DrvContext* ctx) { return iniGet(ctx, kExFlag); }
int BidiIniSetExFlag(DrvContext* ctx, uint32_t value) { return iniSet(ctx, kExFlag, value); }

int BidiIniClearSection(DrvContext* ctx) {
    WCHAR path[kWsPathChars];
    if (!ctx || !iniPath(path)) return 0;
    return IniWriteString(PrnGetPrinterName(ctx), nullptr, nullptr, path);
}

int BidiIniImport(DrvContext* ctx) {
    WCHAR path[kWsPathChars];
    if (!ctx || !iniPath(path)) return 0;
    return BidiIniImportFrom(path, ctx);
}

int BidiIniImportFrom(const WCHAR* path, DrvContext* ctx) {
    if (!ctx) return 0;
    return SettingsImport(ctx->printer, path, kStDeviceInfo, ctx);
}

int BidiIniExport(DrvContext* ctx) {
    WCHAR path[kWsPathChars];
    if (!ctx || !BidiIniCreate(ctx, path)) return 0;
    if (!SettingsExport(ctx->printer, path, kStDeviceInfo, ctx)) return 0;
    const WCHAR* section = PrnGetPrinterName(ctx);
    const int a = IniWriteString(section, kFlag, u"1", path);
    const int b = IniWriteString(section, kExFlag, u"1", path);
    return a && b ? 1 : 0;
}

int BidiIniCreate(DrvContext* ctx, WCHAR* path) {
    if (!path || !iniPath(path)) return 0;
    EnsureParentDir(path);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        WriteFile(h, "\r\n", 2, &done, nullptr);
        CloseHandle(h);
    }
    (void)ctx;
    // An existing file gets the descriptor again: another user may have made it.
    ApplyEveryoneDacl(path, kSecNoEntries);
    return 1;
}

}  // namespace vesk

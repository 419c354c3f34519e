#include "core/printer_identity.h"

#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/path_names.h"
#include "core/printer_info.h"
#include "core/bridge/bridge.h"
#include "core/pending_capabilities.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

#include <win/registry.h>

namespace vesk {
namespace {

constexpr DWORD kRemoteUnknown = 0, kRemoteYes = 1, kRemoteNo = 2;
constexpr uint32_t kServerTypeClientSide = 17;
constexpr size_t kEdNameChars = 26;
constexpr size_t kClientNameChars = 261;

bool hasServer(const PRINTER_INFO_2W* info) { return info && info->pServerName && info->pServerName[0]; }

// The fallback driver name: the driver description's first empty text, the
// field it keeps for a name the spooler does not give.
const WCHAR* fallbackDriverName(const DrvContext* ctx) {
    const DriverDesc* d = ctx && ctx->desc ? ctx->desc : GetContextTemplate()->desc;
    return d && d->emptyText1 ? d->emptyText1 : u"";
}

void fetchFacts(DrvContext* ctx) {
    PRINTER_INFO_2W* info = PrnGetInfo2(ctx->printer);
    PrnCacheInfo2(ctx, info);
    PrnFreeInfo2(info);
}

// Writes a wide string value; with `withNul` its NUL counts.
int setString(HANDLE printer, const WCHAR* name, const WCHAR* text, bool withNul) {
    size_t n = WLen(text) + (withNul ? 1 : 0);
    if (n > 0x7FFFFFFF / 2) return 0;
    return PrnSetDataString(printer, text, static_cast<DWORD>(n * 2), name);
}

int storeFileNameOf(DrvContext* ctx, bool help, const WCHAR* valueName) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR* scratch = ctx->ws->scratchPath;
    scratch[0] = 0;
    int ok = help ? GetHelpFileName(ctx->printer, scratch, kWsPathChars)
                  : GetDriverFileName(ctx->printer, scratch, kWsPathChars);
    if (!ok) return 0;
    return setString(ctx->printer, valueName, scratch, true);
}

// The part after the last backslash of one field of DRIVER_INFO_3.
int driverFileName(HANDLE printer, WCHAR* dest, size_t capacity, bool help) {
    if (!dest || capacity == 0) return 0;
    BYTE* block = PrnGetDriverInfo(printer, 3);
    if (!block) return 0;
    const auto* d3 = reinterpret_cast<const DRIVER_INFO_3W*>(block);
    const WCHAR* path = help ? d3->pHelpFile : d3->pDriverPath;
    int ok = 0;
    if (path) {
        const WCHAR* name = FileNamePart(path);
        ok = name != path && WCopyWhole(dest, capacity, name);
    }
    MemFree(block);
    return ok;
}

}  // namespace

void PrnCacheInfo2(DrvContext* ctx, const PRINTER_INFO_2W* info) {
    if (!ctx || !ctx->ws || !info) return;
    DrvWorkspace* ws = ctx->ws;
    if (ws->serverConnection == kRemoteUnknown) ws->serverConnection = hasServer(info) ? kRemoteYes : kRemoteNo;
    if (!ws->printerName[0]) WCopyCut(ws->printerName, kWsPrinterNameChars, info->pPrinterName);
    if (!ws->driverName[0]) WCopyCut(ws->driverName, kWsDriverNameChars, info->pDriverName);
    if (!ws->attributesKnown) {
        ws->attributes = info->Attributes;
        ws->attributesKnown = 1;
    }
}

const WCHAR* PrnGetPrinterName(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"";
    if (!ctx->ws->printerName[0]) fetchFacts(ctx);
    return ctx->ws->printerName;
}

const WCHAR* PrnGetPrinterNameAlias(DrvContext* ctx) { return PrnGetPrinterName(ctx); }
const WCHAR* PrnGetPrinterNameAlias2(DrvContext* ctx) { return PrnGetPrinterName(ctx); }

const WCHAR* PrnGetDriverName(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"";
    DrvWorkspace* ws = ctx->ws;
    if (!ws->driverName[0]) fetchFacts(ctx);
    if (!ws->driverName[0]) WCopyCut(ws->driverName, kWsDriverNameChars, fallbackDriverName(ctx));
    return ws->driverName;
}

void PrnQueryRemote(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return;
    fetchFacts(ctx);
    // A printer that cannot be queried counts as local from now on.
    if (ctx->ws->serverConnection == kRemoteUnknown) ctx->ws->serverConnection = kRemoteNo;
}

int PrnIsRemote(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    if (ctx->ws->serverConnection == kRemoteUnknown) PrnQueryRemote(ctx);
    return ctx->ws->serverConnection == kRemoteYes ? 1 : 0;
}

uint32_t PrnTestAttribute(DrvContext* ctx, uint32_t mask) {
    if (!ctx || !ctx->ws) return 0;
    if (!ctx->ws->attributesKnown) fetchFacts(ctx);
    return ctx->ws->attributesKnown ? (ctx->ws->attributes & mask) : 0;
}

uint32_t PrnIsBidiEnabled(DrvContext* ctx) { return PrnTestAttribute(ctx, PRINTER_ATTRIBUTE_ENABLE_BIDI); }

int PrnQueryRemoteByHandle(HANDLE printer) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    int remote = hasServer(info) ? 1 : 0;
    PrnFreeInfo2(info);
    return remote;
}

int PrnIsRemoteByHandle(HANDLE printer) { return PrnQueryRemoteByHandle(printer); }

WCHAR* PrnCopyPrinterName(HANDLE printer, WCHAR* dest, size_t capacity) {
    if (!dest) return nullptr;
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    PrnInfoCopyPrinterName(dest, capacity, info);
    PrnFreeInfo2(info);
    return dest;
}

WCHAR* PrnCopyPrinterNameAlias(HANDLE printer, WCHAR* dest, size_t capacity) {
    return PrnCopyPrinterName(printer, dest, capacity);
}

WCHAR* PrnCopyDriverName(HANDLE printer, WCHAR* dest, size_t capacity) {
    if (!dest || capacity == 0) return dest;
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    if (info && info->pDriverName) WCopyCut(dest, capacity, info->pDriverName);
    PrnFreeInfo2(info);
    if (!dest[0]) WCopyCut(dest, capacity, fallbackDriverName(nullptr));
    return dest;
}

int PrnInfoIsRemote(const PRINTER_INFO_2W* info) { return hasServer(info) ? 1 : 0; }
int PrnInfoIsRemoteAlias(const PRINTER_INFO_2W* info) { return PrnInfoIsRemote(info); }

int PrnInfoCopyPrinterName(WCHAR* dest, size_t capacity, const PRINTER_INFO_2W* info) {
    if (!info || !info->pPrinterName) return 0;
    return WCopyWhole(dest, capacity, info->pPrinterName) ? 1 : 0;
}

int PrnIsLocalRenamed(DrvContext* ctx, const PRINTER_INFO_2W* info) {
    if (!ctx || !info || hasServer(info)) return 0;
    WCHAR client[kClientNameChars] = {};
    if (PrnGetString(ctx->printer, client, kClientNameChars, u"ClientName") && client[0]) return 0;
    if (SrvCfgServerType(ctx, info->pPrinterName) == kServerTypeClientSide) return 0;
    WCHAR stored[kWsPrinterNameChars] = {};
    if (!PrnGetStoredPrinterName(ctx->printer, stored)) return 1;
    return WEqualNoCase(stored, info->pPrinterName ? info->pPrinterName : u"") ? 0 : 1;
}

int GetDriverFileName(HANDLE printer, WCHAR* dest, size_t capacity) {
    return driverFileName(printer, dest, capacity, false);
}

int GetHelpFileName(HANDLE printer, WCHAR* dest, size_t capacity) {
    return driverFileName(printer, dest, capacity, true);
}

int PrnWriteDriverFiles(HANDLE printer, DrvContext* ctx) {
    if (!ctx || !ctx->desc) return 0;
    int ok = 1;
    const WCHAR* spl = ctx->desc->spoolerLibraryName;
    const WCHAR* ini = ctx->desc->settingsIniName;
    if (spl && spl[0] && !setString(printer, u"SPLUserModePrinterDriver", spl, false)) ok = 0;
    if (ini && ini[0] && !setString(printer, u"DriverIniFileName", ini, false)) ok = 0;
    PrnStoreGrFileName(ctx);
    PrnStoreEdFileName(ctx);
    return ok;
}

int PrnStoreGrFileName(DrvContext* ctx) { return storeFileNameOf(ctx, false, u"DriverGRFileName"); }

int PrnStoreHelpFileName(DrvContext* ctx) { return storeFileNameOf(ctx, true, u"HelpFileName"); }

int PrnStoreEdFileName(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR name[kEdNameChars] = {};
    const WCHAR* setupIni = GetSetupIniPath(ctx);
    // No setup INI path: the value stays empty, as for a missing section.
    if (setupIni && setupIni[0])
        IniGetString(u"DriversFileName", u"DriverEDFileName", u"", name, kEdNameChars, setupIni);
    return setString(ctx->printer, u"DriverEDFileName", name, true);
}

int PrnStorePrinterName(HANDLE printer) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    int ok = info && info->pPrinterName ? setString(printer, u"PrinterName", info->pPrinterName, true) : 0;
    PrnFreeInfo2(info);
    return ok;
}

int PrnStoreDriverName(HANDLE printer) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    int ok = info && info->pDriverName ? setString(printer, u"DriverName", info->pDriverName, true) : 0;
    PrnFreeInfo2(info);
    return ok;
}

int PrnGetStoredPrinterName(HANDLE printer, WCHAR* dest) {
    if (!dest) return 0;
    return PrnGetString(printer, dest, kWsPrinterNameChars, u"PrinterName");
}

int PrnLoadStoredPrinterName(HANDLE printer, WCHAR* dest, DrvContext* ctx) {
    if (dest) return PrnGetStoredPrinterName(printer, dest);
    if (!ctx || !ctx->ws) return 0;
    WCHAR name[kWsPrinterNameChars] = {};
    if (!PrnGetStoredPrinterName(printer, name)) return 0;
    WCopyCut(ctx->ws->printerName, kWsPrinterNameChars, name);
    return 1;
}

int PrnGetHelpFileName(DrvContext* ctx, WCHAR* dest, DWORD bytes) {
    if (!ctx) return 0;
    return PrnGetHelpFileNameByHandle(dest, bytes, ctx->printer);
}

int PrnGetHelpFileNameByHandle(WCHAR* dest, DWORD bytes, HANDLE printer) {
    if (!dest || bytes < 2) return 0;
    return PrnGetString(printer, dest, bytes / 2, u"HelpFileName");
}

int PrnSetPermission(HANDLE printer, const void* data, DWORD size) {
    if (size != sizeof(DWORD)) return 0;
    return PrnSetDataTyped(printer, data, size, REG_DWORD, u"Permission");
}

int PrnGetAdminChange(HANDLE printer, DWORD* value) {
    BYTE raw[4] = {};
    if (!PrnGetData(printer, raw, sizeof raw, u"AdminChange")) return 0;
    DWORD v = static_cast<DWORD>(raw[0]) | static_cast<DWORD>(raw[1]) << 8 | static_cast<DWORD>(raw[2]) << 16 |
              static_cast<DWORD>(raw[3]) << 24;
    if (value) *value = v;
    return v != 0 ? 1 : 0;
}

int PrnGetData(HANDLE printer, void* buffer, DWORD size, const WCHAR* name) {
    if (!buffer || size == 0 || !name) return 0;
    auto* bytes = static_cast<BYTE*>(buffer);
    for (DWORD i = 0; i < size; ++i) bytes[i] = 0;
    DWORD type = 0, needed = 0;
    return GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, bytes, size, &needed) == ERROR_SUCCESS ? 1 : 0;
}

int PrnGetString(HANDLE printer, WCHAR* dest, size_t chars, const WCHAR* name) {
    if (!dest || chars == 0 || chars > 0x7FFFFFFF / 2) return 0;
    if (!PrnGetData(printer, dest, static_cast<DWORD>(chars * 2), name)) {
        dest[0] = 0;
        return 0;
    }
    // A value that filled the buffer without its terminator would be cut:
    // it is refused rather than read as another name.
    if (dest[chars - 1] != 0) {
        dest[0] = 0;
        return 0;
    }
    return 1;
}

int PrnSetDataBinary(HANDLE printer, const void* data, DWORD size, const WCHAR* name) {
    return PrnSetDataTyped(printer, data, size, REG_BINARY, name);
}

int PrnSetDataTyped(HANDLE printer, const void* data, DWORD size, DWORD type, const WCHAR* name) {
    if (!data || size == 0 || !name) return 0;
    return SetPrinterDataW(printer, const_cast<LPWSTR>(name), type, static_cast<LPBYTE>(const_cast<void*>(data)),
                           size) == ERROR_SUCCESS
               ? 1
               : 0;
}

int PrnSetDataString(HANDLE printer, const void* data, DWORD size, const WCHAR* name) {
    return PrnSetDataTyped(printer, data, size, REG_SZ, name);
}

}  // namespace vesk

// The bridge library: where it lies, whether it is installed and usable,
// loading its entries, the connection's end; the names and paths of the
// printer's copy folder.
#include <win/modules.h>
#include <win/system.h>

#include <cstring>

#include "core/bridge/bridge.h"
#include "core/devmode/dm_state.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/registry_values.h"
#include "core/sysdeps.h"
#include "core/terminal_server.h"
#include "core/text_convert.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kBridgeDll[] = u"QMBIDISS.dll";
constexpr WCHAR kBridgeDllLegacy[] = u"KORVANSV.dll";
constexpr WCHAR kBridgeKey[] = u"Software\\MAREN\\Tavo Printer Driver";
constexpr WCHAR kBridgeFlag[] = u"QMBIDI_FLG";
constexpr WCHAR kBridgeFlagLegacy[] = u"KORVAN_FLG";
constexpr WCHAR kSystemDriveVar[] = u"%SystemDrive%";
// The folders handed to the bridge: "%%SystemDrive%%\_vesk\%ws" after
// formatting, and the legacy "vesk" folder below it.
constexpr WCHAR kCopyRoot[] = u"%SystemDrive%\\_vesk\\";
constexpr WCHAR kLegacyFolder[] = u"vesk";

WCHAR* pathOf(WCHAR* buffer, size_t capacity, const WCHAR* name) {
    if (!buffer || capacity == 0) return buffer;
    buffer[0] = 0;
    WCHAR dir[kPathBufChars] = {};
    if (!GetSystemDir(dir, kPathBufChars)) return buffer;
    if (!WCopyWhole(buffer, capacity, dir) || !WAppendWhole(buffer, capacity, u"\\") ||
        !WAppendWhole(buffer, capacity, name))
        buffer[0] = 0;
    return buffer;
}

int installed(const WCHAR* flag, const WCHAR* dll) {
    BYTE v[4] = {};
    if (!RegReadHklmValue2(kBridgeKey, flag, v, sizeof v)) return 0;
    if ((v[0] | v[1] << 8 | v[2] << 16 | static_cast<uint32_t>(v[3]) << 24) != 1) return 0;
    WCHAR path[kPathBufChars];
    pathOf(path, kPathBufChars, dll);
    return path[0] && FileExists(path) ? 1 : 0;
}

template <class F>
bool lookup(HMODULE m, const char* name, F* out) {
    FARPROC p = GetProcAddress(m, name);
    *out = p ? ProcAs<F>(p) : nullptr;
    return p != nullptr;
}

// The entries every set holds (12), then the three of the full set.
bool lookupShared(Bridge* b) {
    HMODULE m = b->module;
    bool ok = lookup(m, "QMGetServerType", &b->getServerType);
    ok = lookup(m, "QMSaveInformationClear", &b->saveInformationClear) && ok;
    ok = lookup(m, "QMPrintConfigConnect", &b->connect) && ok;
    ok = lookup(m, "QMPrintConfigDisConnect", &b->disconnect) && ok;
    ok = lookup(m, "QMClientOSType", &b->clientOsType) && ok;
    ok = lookup(m, "QMRegFileGetSize", &b->regFileGetSize) && ok;
    ok = lookup(m, "QMGetDataFile", &b->getDataFile) && ok;
    ok = lookup(m, "QMRegFileGetData", &b->regFileGetData) && ok;
    ok = lookup(m, "QMGetPrinterDataSize", &b->getPrinterDataSize) && ok;
    ok = lookup(m, "QMGetPrinterData", &b->getPrinterData) && ok;
    ok = lookup(m, "QMDevmodeSize", &b->devmodeSize) && ok;
    ok = lookup(m, "QMDevmode", &b->devmode) && ok;
    return ok;
}

int loadFrom(Bridge* b, const WCHAR* path, bool full) {
    if (!b || !path[0]) return 0;
    std::memset(static_cast<void*>(b), 0, sizeof *b);
    b->downloadAllowed = true;
    b->module = LoadLibraryW(path);
    if (!b->module) return 0;
    bool ok = lookupShared(b);
    if (full) {
        ok = lookup(b->module, "QMPrintConfigConnectEx", &b->connectEx) && ok;
        ok = lookup(b->module, "QMSetDevmode", &b->setDevmode) && ok;
        ok = lookup(b->module, "QMSaveDevmodeClear", &b->saveDevmodeClear) && ok;
    }
    b->fullSet = full;
    if (!ok) {
        FreeBridge(b);
        return 0;
    }
    return 1;
}

}  // namespace

WCHAR* GetBridgeDllPath(DrvContext*, WCHAR* buffer, size_t capacity) {
    return pathOf(buffer, capacity, IsFeatureOn(kFeatureBridge) ? kBridgeDll : kBridgeDllLegacy);
}

WCHAR* GetBridgeDllPathLegacy(WCHAR* buffer, size_t capacity) { return pathOf(buffer, capacity, kBridgeDllLegacy); }

int SrvCfgBridgeInstalledPlain() {
    if (IsFeatureOn(kFeatureBridge)) return installed(kBridgeFlag, kBridgeDll);
    if (IsFeatureOn(kFeatureBridgeLegacy)) return installed(kBridgeFlagLegacy, kBridgeDllLegacy);
    return 0;
}

int SrvCfgBridgeInstalled(DrvContext*) { return SrvCfgBridgeInstalledPlain(); }

int SrvCfgBridgeInstalledLegacy() { return installed(kBridgeFlagLegacy, kBridgeDllLegacy); }

int SrvCfgBridgeUsableByHandle(HANDLE printer) {
    // The registry and file test first: it costs no library load.
    return SrvCfgBridgeInstalledPlain() && TsQueryEnabled(printer) ? 1 : 0;
}

int SrvCfgBridgeUsable(DrvContext* ctx) { return ctx ? SrvCfgBridgeUsableByHandle(ctx->printer) : 0; }

int LoadBridge(Bridge* b, DrvContext* ctx) {
    WCHAR path[kPathBufChars];
    GetBridgeDllPath(ctx, path, kPathBufChars);
    return loadFrom(b, path, true);
}

int LoadBridgeLegacy(Bridge* b) {
    WCHAR path[kPathBufChars];
    GetBridgeDllPathLegacy(path, kPathBufChars);
    return loadFrom(b, path, false);
}

int BridgeDisconnect(Bridge* b) {
    if (!b || !b->connected) return 1;
    b->connected = false;
    const DWORD r = b->disconnect(b->connection, b->block, b->serverType);
    b->connection = nullptr;
    return r == 0 ? 1 : 0;
}

void FreeBridge(Bridge* b) {
    if (!b) return;
    if (b->module) FreeLibrary(b->module);
    b->module = nullptr;
}

void FreeBridgeLegacy(Bridge* b) { FreeBridge(b); }

uint32_t BridgeQueryServerType(Bridge* b, const WCHAR* printerName) {
    if (!b || !b->module || !printerName) return 0;
    std::memset(b->serverPrinter, 0, sizeof b->serverPrinter);
    std::memset(b->serverId, 0, sizeof b->serverId);
    const DWORD type = b->getServerType(printerName, qmbidi::kServerNameBytes, qmbidi::kServerIdBytes,
                                        b->serverPrinter, b->serverId);
    b->serverPrinter[qmbidi::kServerNameBytes / 2 - 1] = 0;
    StrWideToAnsi(b->serverPrinterA, b->serverPrinter, static_cast<int>(sizeof b->serverPrinterA));
    b->serverType = static_cast<uint8_t>(type);
    return type;
}

int IsBadFileNameChar(WCHAR c) {
    switch (c) {
    case u'"': case u'*': case u'/': case u'<': case u'>': case u'?': case u'\\': case u'|': return 1;
    default: return 0;
    }
}

WCHAR* SanitizeFileName(WCHAR* name, size_t capacity) {
    if (!name || capacity == 0) return name;
    const size_t n = WLenMax(name, capacity);
    if (n >= capacity) return name;
    size_t k = 0;
    for (size_t i = 0; i < n; ++i)
        if (!IsBadFileNameChar(name[i])) name[k++] = name[i];
    name[k] = 0;
    return name;
}

int BridgeSafeFileName(const WCHAR* path, WCHAR* dest, size_t capacity) {
    if (!path || !dest || capacity == 0) return 0;
    dest[0] = 0;
    const WCHAR* name = path;
    for (const WCHAR* p = path; *p; ++p)
        if (*p == u'\\' || *p == u'/') name = p + 1;
    if (!name[0] || WEqualNoCase(name, u".") || WEqualNoCase(name, u"..")) return 0;
    for (const WCHAR* p = name; *p; ++p)
        if (*p == u':') return 0;
    return WCopyWhole(dest, capacity, name) ? 1 : 0;
}

WCHAR* BridgeCopyDir(DrvContext* ctx, WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return buffer;
    buffer[0] = 0;
    if (!ctx) return buffer;
    WCHAR clean[kPathBufChars] = {};
    WCopyCut(clean, kPathBufChars, PrnGetPrinterName(ctx));
    SanitizeFileName(clean, kPathBufChars);
    if (!clean[0] || !WCopyWhole(buffer, capacity, kCopyRoot) || !WAppendWhole(buffer, capacity, clean))
        buffer[0] = 0;
    return buffer;
}

WCHAR* BridgeLocalPath(DrvContext* ctx, const WCHAR* fileName, WCHAR* buffer, size_t capacity) {
    BridgeCopyDir(ctx, buffer, capacity);
    if (buffer && buffer[0] && (!WAppendWhole(buffer, capacity, u"\\") || !WAppendWhole(buffer, capacity, fileName)))
        buffer[0] = 0;
    return buffer;
}

WCHAR* BridgeLegacyPath(const WCHAR* fileName, WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return buffer;
    buffer[0] = 0;
    if (!WCopyWhole(buffer, capacity, kCopyRoot) || !WAppendWhole(buffer, capacity, kLegacyFolder) ||
        (fileName && (!WAppendWhole(buffer, capacity, u"\\") || !WAppendWhole(buffer, capacity, fileName))))
        buffer[0] = 0;
    return buffer;
}

int BridgeExpandSystemDrive(WCHAR* path, size_t capacity) {
    if (!path) return 0;
    const size_t var = WLen(kSystemDriveVar);
    if (WLenMax(path, var) < var) return 1;
    WCHAR head[16] = {};
    for (size_t i = 0; i < var; ++i) head[i] = path[i];
    if (!WEqualNoCase(head, kSystemDriveVar)) return 1;
    WCHAR windows[kPathBufChars] = {};
    if (GetWindowsDir(windows, kPathBufChars) < 2) return 0;
    WCHAR out[kPathBufChars] = {};
    out[0] = windows[0];
    out[1] = windows[1];
    if (!WAppendWhole(out, kPathBufChars, path + var) || !WCopyWhole(path, capacity, out)) return 0;
    return 1;
}

}  // namespace vesk

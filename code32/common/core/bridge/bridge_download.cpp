// The download from the print server: the bridge state of a printer, the
// connection, the server's files into the printer's copy folder, its device
// settings from its printer data, its DEVMODE; and the seams other parts
// call (server type, feature dispatcher, printer data through the bridge).
#include <win/files.h>
#include <win/registry.h>
#include <win/spooler.h>

#include <cstring>

#include "core/bridge/bridge.h"
#include "core/devmode_sizes.h"
#include "core/terminal_server.h"
#include "core/sysdeps.h"
#include "core/dirs.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/text_convert.h"
#include "core/wstr.h"

namespace vesk {

const WCHAR kKorvanConnection[] = u"KorvanConnection";
const WCHAR kKorvanIni[] = u"KorvanIni";
const WCHAR kBridgeBidiFile[] = u"KW00C171.ini";
const BridgeRegisteredFile kBridgeRegisteredFiles[1] = {{kBridgeBidiFile, SrvCfgApplyBidiIni}};

namespace {

constexpr WCHAR kKorvanSection[] = u"korvan";
constexpr WCHAR kKorvanFlg[] = u"KorvanFlg";
constexpr WCHAR kPresetRefresh[] = u"PresetRefresh";
constexpr char kDriverData[] = "PrinterDriverData";
constexpr char kConvertEntry[] = "DrvConvertDevMode";
constexpr WCHAR kInterfaceLibraryBase[] = u"veskui";
constexpr uint32_t kMaxPresets = 16;
constexpr size_t kAnsiPath = 261;

const DriverDesc& desc(DrvContext* ctx) { return ctx && ctx->desc ? *ctx->desc : builtinDriverDesc(); }

const WCHAR* settingsIniName(DrvContext* ctx) { return FileNamePart(desc(ctx).settingsIniName); }

// A server file's path by the server's operating system.
bool serverPathOf(const Bridge* b, const WCHAR* fileName, char* out) {
    WCHAR path[kPathBufChars] = {};
    const WCHAR* prefix = b->serverOs.dwMajorVersion >= 5 ? u"%SystemDrive%\\_vesk\\" : u"%SystemRoot%\\";
    return WCopyWhole(path, kPathBufChars, prefix) && WAppendWhole(path, kPathBufChars, fileName) &&
           StrWideToAnsi(out, path, static_cast<int>(kAnsiPath));
}

bool ansiOf(const WCHAR* path, char* out) { return path[0] && StrWideToAnsi(out, path, static_cast<int>(kAnsiPath)); }

// Whether a server path names the server printer's driver folder.
bool startsWithDriverVar(const char* path) {
    for (const char* var : {"%%Driver%%", "%Driver%"}) {
        size_t n = std::strlen(var), i = 0;
        for (; i < n && path[i]; ++i) {
            char c = path[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            char v = var[i];
            if (v >= 'a' && v <= 'z') v = static_cast<char>(v - 32);
            if (c != v) break;
        }
        if (i == n) return true;
    }
    return false;
}

// Creates the printer's copy folder (and the private directory first).
bool makeCopyDir(DrvContext* ctx, WCHAR* dir) {
    CreatePrivateDir(ctx);
    if (!dir[0] || !BridgeExpandSystemDrive(dir, kPathBufChars)) return false;
    // The folder above (the system drive's "_vesk") may not be the private
    // directory when that is placed elsewhere.
    WCHAR parent[kPathBufChars] = {};
    WCopyWhole(parent, kPathBufChars, dir);
    for (size_t i = WLen(parent); i > 0; --i)
        if (parent[i - 1] == u'\\') {
            parent[i - 1] = 0;
            break;
        }
    CreateDirectoryIfMissing(parent);
    return CreateDirectoryIfMissing(dir) != 0;
}

// Copies each registered file into the folder `localOf` names.
template <class LocalOf>
int copyRegistered(Bridge* b, DrvContext* ctx, LocalOf localOf) {
    for (const BridgeRegisteredFile& f : kBridgeRegisteredFiles) {
        char server[kAnsiPath] = {}, local[kAnsiPath] = {};
        WCHAR localW[kPathBufChars] = {};
        localOf(f.name, localW);
        if (!serverPathOf(b, f.name, server) || !ansiOf(localW, local)) return 0;
        if (!SrvCfgCopyFile(b, server, local, f.name, ctx)) return 0;
    }
    return 1;
}

// The per-printer INI's listed preset or quality files: keys `key`0.. below
// the count, each copied under its file-name part.
int copyListed(Bridge* b, DrvContext* ctx, const WCHAR* downloadedIni, const WCHAR* countKey, const WCHAR* key,
               uint32_t cap) {
    uint32_t count = IniGetInt(b->serverPrinter, countKey, 0, downloadedIni);
    if (count > cap) count = cap;
    for (uint32_t i = 0; i < count; ++i) {
        WCHAR name[64] = {};
        wsprintfW(name, u"%s%u", key, i);
        WCHAR path[kPathBufChars] = {};
        IniGetString(b->serverPrinter, name, u"", path, kPathBufChars, downloadedIni);
        WCHAR file[kPathBufChars] = {};
        // A value without a folder, or a name that would leave the copy
        // folder, ends the copying.
        bool hasFolder = false;
        for (const WCHAR* p = path; *p; ++p) hasFolder = hasFolder || *p == u'\\' || *p == u'/';
        if (!hasFolder || !BridgeSafeFileName(path, file, kPathBufChars)) break;
        char server[kAnsiPath] = {}, local[kAnsiPath] = {};
        WCHAR localW[kPathBufChars] = {};
        BridgeLocalPath(ctx, file, localW, kPathBufChars);
        if (!ansiOf(path, server) || !ansiOf(localW, local)) return 0;
        if (!SrvCfgCopyFile(b, server, local, file, ctx)) return 0;
    }
    return 1;
}

bool connectFull(Bridge* b) {
    DWORD out = 0;
    if (b->connectEx(b->serverType, &b->connection, b->block, b->serverId, &out) != 0) return false;
    b->connected = true;
    return true;
}

// The printer-interface library's path: the driver directory and the
// option-constraint library's name with the interface library's in place.
bool interfaceLibraryPath(DrvContext* ctx, WCHAR* out) {
    const WCHAR* exc = desc(ctx).constraintLibraryName;
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = exc; p && *p; ++p)
        if (*p == u'.') dot = p;
    return WCopyWhole(out, kPathBufChars, GetDriverDir(ctx)) && out[0] &&
           WAppendWhole(out, kPathBufChars, kInterfaceLibraryBase) &&
           WAppendWhole(out, kPathBufChars, dot ? dot : u"");
}

// A download's first steps: the server type (19 counts as 17 and forbids the
// download) and the clearing of the server's saved information. Unserved
// printers have nothing to connect to, so nothing further is asked.
bool mayDownload(Bridge* b, DrvContext* ctx) {
    const WCHAR* local = PrnGetPrinterName(ctx);
    uint32_t type = BridgeQueryServerType(b, local);
    if (type == kSrvTypeNoDownload) {
        b->serverType = kSrvTypeServed;
        b->downloadAllowed = false;
        type = kSrvTypeServed;
    }
    if (type != kSrvTypeServed && type != kSrvTypeServedDevmode) return false;
    return b->saveInformationClear(local, b->serverType) == 0 && b->downloadAllowed;
}

// The work of a download once the entries are loaded.
int download(Bridge* b, DrvContext* ctx) {
    if (!mayDownload(b, ctx)) return 0;
    const WCHAR* local = PrnGetPrinterName(ctx);
    bool ok = connectFull(b) && b->clientOsType(b->connection, b->serverType, &b->serverOs) == 0;
    ok = ok && SrvCfgCopyServerFiles(b, ctx) && SrvCfgLoadDeviceClass(b, ctx);
    if (!BridgeDisconnect(b)) ok = false;
    if (!ok) return 0;
    WCHAR library[kPathBufChars] = {};
    if (!interfaceLibraryPath(ctx, library) ||
        b->setDevmode(b->serverType, local, library, kConvertEntry, 0, 0) != 0)
        return 0;
    return SrvCfgWriteKorvanFlg(ctx, u"1");
}

int downloadLegacy(Bridge* b, DrvContext* ctx) {
    if (!mayDownload(b, ctx)) return 0;
    bool ok = b->connect(b->serverType, &b->connection, b->block) == 0;
    b->connected = ok;
    ok = ok && b->clientOsType(b->connection, b->serverType, &b->serverOs) == 0;
    ok = ok && SrvCfgCopyRegisteredFiles(b, ctx) && SrvCfgLoadDeviceClass(b, ctx);
    if (!BridgeDisconnect(b)) ok = false;
    if (!ok) return 0;
    SrvCfgRunHandlersLegacy(ctx, b);
    return 1;
}

// Runs `work` with the entries loaded; the library is freed afterwards.
template <class Work>
int withBridge(DrvContext* ctx, bool legacy, Work work) {
    Bridge* b = static_cast<Bridge*>(MemAllocZero(sizeof(Bridge)));
    if (!b) return 0;
    int r = 0;
    if (legacy ? LoadBridgeLegacy(b) : LoadBridge(b, ctx)) {
        r = work(b);
        BridgeDisconnect(b);
        FreeBridge(b);
    }
    MemFree(b);
    return r;
}

}  // namespace

// ---- Persistent state ----

int SrvCfgReadFlag(DrvContext* ctx, const WCHAR* name, uint32_t* value) {
    BYTE v[4] = {};
    if (!ctx || !PrnGetData(ctx->printer, v, sizeof v, name)) return 0;
    if (value) *value = v[0] | v[1] << 8 | v[2] << 16 | static_cast<uint32_t>(v[3]) << 24;
    return 1;
}

int SrvCfgWriteFlag(DrvContext* ctx, const WCHAR* name, uint32_t value) {
    const BYTE v[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                       static_cast<BYTE>(value >> 24)};
    return ctx && PrnSetDataBinary(ctx->printer, v, sizeof v, name) ? 1 : 0;
}

static bool downloadedIni(DrvContext* ctx, WCHAR* path) {
    BridgeLocalPath(ctx, settingsIniName(ctx), path, kPathBufChars);
    return path[0] && BridgeExpandSystemDrive(path, kPathBufChars);
}

uint32_t SrvCfgReadKorvanFlg(DrvContext* ctx) {
    WCHAR path[kPathBufChars];
    return downloadedIni(ctx, path) ? IniGetInt(kKorvanSection, kKorvanFlg, 0, path) : 0;
}

int SrvCfgWriteKorvanFlg(DrvContext* ctx, const WCHAR* value) {
    WCHAR path[kPathBufChars];
    return downloadedIni(ctx, path) && IniWriteString(kKorvanSection, kKorvanFlg, value, path) ? 1 : 0;
}

int SrvCfgSetPresetRefresh(DrvContext* ctx) {
    const int a = SrvCfgWriteFlag(ctx, kPresetRefresh, 1);
    const int b = IniWriteString(PrnGetPrinterName(ctx), kPresetRefresh, u"1", GetIniFilePath(ctx));
    return a && b ? 1 : 0;
}

// ---- State and download ----

int SrvCfgGetState(DrvContext* ctx) {
    if (!SrvCfgBridgeUsable(ctx)) return 0;
    uint32_t v = 0;
    return SrvCfgReadFlag(ctx, kKorvanConnection, &v) && v == 1 ? 1 : 2;
}

int SrvCfgConnect(DrvContext* ctx) {
    const int state = SrvCfgGetState(ctx);
    if (state != 2) return state;
    if (!SrvCfgDownload(ctx)) return 0;
    SrvCfgWriteFlag(ctx, kKorvanConnection, 1);
    SrvCfgWriteFlag(ctx, kKorvanIni, 1);
    return 1;
}

int SrvCfgDownload(DrvContext* ctx) {
    if (!ctx) return 0;
    return withBridge(ctx, false, [&](Bridge* b) { return download(b, ctx); });
}

int SrvCfgConnectLegacy(DrvContext* ctx) {
    if (!ctx || !TsQueryEnabled(ctx->printer) || !SrvCfgBridgeInstalledLegacy()) return 0;
    uint32_t v = 0;
    if (SrvCfgReadFlag(ctx, kKorvanConnection, &v) && v == 1) return 1;
    if (!SrvCfgDownloadLegacy(ctx)) return 0;
    SrvCfgWriteFlag(ctx, kKorvanConnection, 1);
    return 1;
}

int SrvCfgDownloadLegacy(DrvContext* ctx) {
    if (!ctx) return 0;
    return withBridge(ctx, true, [&](Bridge* b) { return downloadLegacy(b, ctx); });
}

int SrvCfgCopyServerFiles(Bridge* b, DrvContext* ctx) {
    if (!b || !ctx) return 0;
    WCHAR dir[kPathBufChars];
    BridgeCopyDir(ctx, dir, kPathBufChars);
    if (!makeCopyDir(ctx, dir)) return 0;
    if (!copyRegistered(b, ctx, [&](const WCHAR* name, WCHAR* out) { BridgeLocalPath(ctx, name, out, kPathBufChars); }))
        return 0;
    const WCHAR* ini = settingsIniName(ctx);
    char server[kAnsiPath] = {}, local[kAnsiPath] = {};
    WCHAR localW[kPathBufChars] = {};
    BridgeLocalPath(ctx, ini, localW, kPathBufChars);
    if (!serverPathOf(b, ini, server) || !ansiOf(localW, local) || !SrvCfgCopyFile(b, server, local, ini, ctx))
        return 0;
    WCHAR copy[kPathBufChars];
    if (!downloadedIni(ctx, copy)) return 0;
    return copyListed(b, ctx, copy, u"Count", u"PresetList", kMaxPresets) &&
           copyListed(b, ctx, copy, u"QualityCount", u"QualityList", UINT32_MAX);
}

int SrvCfgCopyRegisteredFiles(Bridge* b, DrvContext* ctx) {
    if (!b || !ctx) return 0;
    WCHAR dir[kPathBufChars];
    BridgeLegacyPath(nullptr, dir, kPathBufChars);
    if (!makeCopyDir(ctx, dir)) return 0;
    return copyRegistered(b, ctx, [](const WCHAR* name, WCHAR* out) { BridgeLegacyPath(name, out, kPathBufChars); });
}

int SrvCfgCopyFile(Bridge* b, const char* serverPath, const char* localPath, const WCHAR* fileName, DrvContext*) {
    if (!b || !b->connected || !serverPath || !localPath || !fileName) return 0;
    DWORD size = 0;
    const char* printer = startsWithDriverVar(serverPath) ? b->serverPrinterA : nullptr;
    if (b->regFileGetSize(b->connection, b->serverType, serverPath, 1, printer, &size) != 0) return 0;
    if (size != 0)
        return b->getDataFile(b->connection, b->serverType, serverPath, localPath, 0, 0, size) == 0 ? 1 : 0;
    if (!WEqualNoCase(fileName, kBridgeBidiFile)) return 1;
    WCHAR path[kPathBufChars] = {};
    if (!StrAnsiToWide(path, localPath, static_cast<int>(kPathBufChars)) ||
        !BridgeExpandSystemDrive(path, kPathBufChars))
        return 0;
    return SrvCfgCreateEmptyLocalFile(path);
}

int SrvCfgCreateEmptyLocalFile(const WCHAR* path) {
    if (!path || !path[0]) return 0;
    DeleteFileW(path);
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(f);
    return 1;
}

int SrvCfgLoadDeviceClass(Bridge* b, DrvContext* ctx) {
    if (!b || !ctx) return 0;
    OptLoadClass(ctx->printer, ctx, 2, kOptLoadViaBridge, static_cast<HANDLE>(b));
    SrvCfgSetPresetRefresh(ctx);
    return 1;
}

int SrvCfgGetPrinterData(HANDLE printer, const WCHAR* name, DWORD* type, BYTE* buffer, DWORD expected, DWORD* size,
                         DWORD regType, Bridge* b) {
    if (!b || !b->connected || !name || !buffer || expected == 0) return 0;
    char value[kAnsiPath] = {};
    if (!StrWideToAnsi(value, name, static_cast<int>(kAnsiPath))) return 0;
    DWORD have = 0;
    if (b->getPrinterDataSize(b->connection, b->serverType, b->serverPrinterA, kDriverData, value, &have) != 0 ||
        have != expected)
        return 0;
    if (b->getPrinterData(b->connection, b->serverType, b->serverPrinterA, kDriverData, value, have, buffer) != 0)
        return 0;
    SetPrinterDataW(printer, const_cast<LPWSTR>(name), regType, buffer, have);
    if (type) *type = regType;
    if (size) *size = have;
    return 1;
}

int SrvCfgGetServerDevmode(DrvContext* ctx, BYTE* out, uint32_t* serverType) {
    if (!ctx || !out || !SrvCfgBridgeUsable(ctx)) return 0;
    return withBridge(ctx, false, [&](Bridge* b) {
        const uint32_t type = BridgeQueryServerType(b, PrnGetPrinterName(ctx));
        if (serverType) *serverType = type;
        if (type != kSrvTypeServedDevmode || !connectFull(b)) return 0;
        DWORD size = 0;
        const DWORD total = dmSizes().totalSize;
        int ok = b->devmodeSize(b->connection, b->serverType, b->serverPrinterA, &size) == 0 && size == total &&
                 b->devmode(b->connection, b->serverType, b->serverPrinterA, total, out) == 0;
        if (!BridgeDisconnect(b)) ok = 0;
        return ok;
    });
}

int SrvCfgClearSaveInfo(DrvContext* ctx) {
    if (!ctx) return 0;
    return withBridge(ctx, false, [&](Bridge* b) {
        const uint32_t type = BridgeQueryServerType(b, PrnGetPrinterName(ctx));
        if (type != kSrvTypeServed && type != kSrvTypeServedDevmode) return 0;
        return b->saveInformationClear(PrnGetPrinterName(ctx), type) == 0 ? 1 : 0;
    });
}

int SrvCfgGetServerType(HANDLE printer, const WCHAR* printerName, uint32_t* type) {
    if (!printerName || !type || !SrvCfgBridgeUsableByHandle(printer)) return 0;
    return withBridge(nullptr, false, [&](Bridge* b) {
        *type = BridgeQueryServerType(b, printerName);
        return 1;
    });
}

// ---- The seams other parts call ----

uint32_t SrvCfgServerType(DrvContext* ctx, const WCHAR* printerName) {
    uint32_t type = 0;
    return ctx && SrvCfgGetServerType(ctx->printer, printerName, &type) ? type : 0;
}

int RemoteConfigConnect(DrvContext* ctx) { return SrvCfgConnect(ctx); }

int BridgeReadPrinterData(DrvContext* ctx, HANDLE bridge, const WCHAR* name, BYTE* buffer, DWORD bytes) {
    if (!ctx) return 0;
    DWORD type = 0, size = 0;
    return SrvCfgGetPrinterData(ctx->printer, name, &type, buffer, bytes, &size, REG_BINARY,
                                static_cast<Bridge*>(bridge));
}

}  // namespace vesk

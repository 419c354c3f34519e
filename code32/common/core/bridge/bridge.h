// The remote-configuration bridge. On a terminal server a printer may be the
// client-side copy of a print server's printer. The maker's bridge library in
// the system directory reaches that server; through it the driver downloads
// the server's copies of its files (the bidirectional settings INI, the
// per-printer INI and every preset and quality file it lists), takes the
// server's device settings from its printer data and its DEVMODE, and later
// imports the downloaded lists into the printer's own INI and preset files.
//
// Progress is kept per printer: printer data "KorvanConnection" (1 once
// downloaded) and "KorvanIni" (1 downloaded, 2 imported), and "KorvanFlg" in
// section "korvan" of the downloaded INI ("1" waiting for the import, "2"
// imported). Every operation loads the library by full path and frees it at
// its end; a failure gives 0 and writes no flag. Results are 1 for success
// and 0 for failure unless said otherwise.
#pragma once
#include <maker/qmbidi.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// One operation's hold on the bridge: the entries, the library, the server
// type and printer, the connection.
struct Bridge {
    HMODULE module = nullptr;
    bool fullSet = false;
    qmbidi::GetServerTypeFn getServerType = nullptr;
    qmbidi::SaveInformationClearFn saveInformationClear = nullptr;
    qmbidi::PrintConfigConnectFn connect = nullptr;
    qmbidi::PrintConfigConnectExFn connectEx = nullptr;
    qmbidi::PrintConfigDisConnectFn disconnect = nullptr;
    qmbidi::ClientOSTypeFn clientOsType = nullptr;
    qmbidi::RegFileGetSizeFn regFileGetSize = nullptr;
    qmbidi::GetDataFileFn getDataFile = nullptr;
    qmbidi::RegFileGetDataFn regFileGetData = nullptr;
    qmbidi::GetPrinterDataSizeFn getPrinterDataSize = nullptr;
    qmbidi::GetPrinterDataFn getPrinterData = nullptr;
    qmbidi::DevmodeSizeFn devmodeSize = nullptr;
    qmbidi::DevmodeFn devmode = nullptr;
    qmbidi::SetDevmodeFn setDevmode = nullptr;
    qmbidi::SaveDevmodeClearFn saveDevmodeClear = nullptr;

    uint8_t serverType = 0;
    bool downloadAllowed = true;
    WCHAR serverPrinter[qmbidi::kServerNameBytes / 2] = {};
    char serverPrinterA[261] = {};
    BYTE serverId[qmbidi::kServerIdBytes] = {};
    BYTE block[qmbidi::kConnectionBlockBytes] = {};
    HANDLE connection = nullptr;
    bool connected = false;
    OSVERSIONINFOW serverOs = {};
};

// Server types.
constexpr uint8_t kSrvTypeServed = 17;
constexpr uint8_t kSrvTypeServedDevmode = 18;
constexpr uint8_t kSrvTypeNoDownload = 19;

// Feature bits of the two bridge libraries.
constexpr uint32_t kFeatureBridgeLegacy = 0;
constexpr uint32_t kFeatureBridge = 7;

// ---- Installation and loading ----
// The library's full path (system directory): the feature bits choose
// QMBIDISS.dll (bit 7) or KORVANSV.dll (bit 0); the Legacy form always the
// latter. Empty when it would not fit.
WCHAR* GetBridgeDllPath(DrvContext* ctx, WCHAR* buffer, size_t capacity);
WCHAR* GetBridgeDllPathLegacy(WCHAR* buffer, size_t capacity);
// Installed: HKLM "Software\MAREN\Tavo Printer Driver" QMBIDI_FLG (bit 7)
// or KORVAN_FLG (bit 0) reads 1 and the library file exists.
int SrvCfgBridgeInstalled(DrvContext* ctx);
int SrvCfgBridgeInstalledPlain();
int SrvCfgBridgeInstalledLegacy();
// Usable: the printer is on a terminal server and the bridge is installed.
int SrvCfgBridgeUsable(DrvContext* ctx);
int SrvCfgBridgeUsableByHandle(HANDLE printer);
// Loads the library and its entries: the full set of 15 or the legacy 12.
// 0 (nothing kept loaded) when the file or any entry is missing.
int LoadBridge(Bridge* b, DrvContext* ctx);
int LoadBridgeLegacy(Bridge* b);
// Disconnects when connected; 1 when there was nothing to disconnect or the
// bridge answered 0.
int BridgeDisconnect(Bridge* b);
void FreeBridge(Bridge* b);
void FreeBridgeLegacy(Bridge* b);
// Asks the bridge for the printer's server type and printer; keeps them in
// `b`. The type (0 when the call could not be made).
uint32_t BridgeQueryServerType(Bridge* b, const WCHAR* printerName);

// ---- State and download ----
// 0 not usable, 1 connected (printer data KorvanConnection is 1), 2 a
// download is needed.
int SrvCfgGetState(DrvContext* ctx);
int SrvCfgConnect(DrvContext* ctx);
int SrvCfgDownload(DrvContext* ctx);
int SrvCfgConnectLegacy(DrvContext* ctx);
int SrvCfgDownloadLegacy(DrvContext* ctx);
int SrvCfgCopyServerFiles(Bridge* b, DrvContext* ctx);
int SrvCfgCopyRegisteredFiles(Bridge* b, DrvContext* ctx);
// One file: its size from the server, then the copy; a server file of size
// 0 leaves an empty local KW00C171.ini and skips any other file.
int SrvCfgCopyFile(Bridge* b, const char* serverPath, const char* localPath, const WCHAR* fileName,
                   DrvContext* ctx);
int SrvCfgCreateEmptyLocalFile(const WCHAR* path);
// Option class 2 from the server's printer data, then "PresetRefresh" = 1.
int SrvCfgLoadDeviceClass(Bridge* b, DrvContext* ctx);
// One server value, stored locally (SetPrinterDataW with `regType`) only
// when its size equals `expected`.
int SrvCfgGetPrinterData(HANDLE printer, const WCHAR* name, DWORD* type, BYTE* buffer, DWORD expected, DWORD* size,
                         DWORD regType, Bridge* b);
// The server's DEVMODE (type 18 only) into `out` of the driver's DEVMODE size.
int SrvCfgGetServerDevmode(DrvContext* ctx, BYTE* out, uint32_t* serverType);
int SrvCfgClearSaveInfo(DrvContext* ctx);
int SrvCfgGetServerType(HANDLE printer, const WCHAR* printerName, uint32_t* type);

// ---- Import ----
int SrvCfgImportSettings(DrvContext* ctx);
int SrvCfgImportLists(Bridge* b, DrvContext* ctx);
int SrvCfgApplyBidiIni(const WCHAR* path, Bridge* b, DrvContext* ctx);
int SrvCfgRunHandlers(Bridge* b, DrvContext* ctx);
int SrvCfgRunHandlersLegacy(DrvContext* ctx, Bridge* b);

// ---- Names and paths ----
// Removes " * / < > ? \ | from `name` (the result replaces it only when the
// name is shorter than `capacity`).
int IsBadFileNameChar(WCHAR c);
WCHAR* SanitizeFileName(WCHAR* name, size_t capacity);
// The file-name part of a path from a server (after the last '\' or '/')
// into `dest`; 0 for an empty name, ".", "..", a name with ':' or one that
// does not fit.
int BridgeSafeFileName(const WCHAR* path, WCHAR* dest, size_t capacity);
// The printer's copy folder as handed to the bridge
// ("%SystemDrive%\_vesk\<cleaned printer name>") and a file in it, and the
// legacy folder "%SystemDrive%\_vesk\vesk". Empty when it would not fit.
WCHAR* BridgeCopyDir(DrvContext* ctx, WCHAR* buffer, size_t capacity);
WCHAR* BridgeLocalPath(DrvContext* ctx, const WCHAR* fileName, WCHAR* buffer, size_t capacity);
WCHAR* BridgeLegacyPath(const WCHAR* fileName, WCHAR* buffer, size_t capacity);
// Replaces a leading "%SYSTEMDRIVE%" (any case) by the Windows directory's
// drive, in place. 1 unless it would not fit.
int BridgeExpandSystemDrive(WCHAR* path, size_t capacity);

// Persistent state.
int SrvCfgReadFlag(DrvContext* ctx, const WCHAR* name, uint32_t* value);
int SrvCfgWriteFlag(DrvContext* ctx, const WCHAR* name, uint32_t value);
// "KorvanFlg" of the downloaded per-printer INI (0 when absent).
uint32_t SrvCfgReadKorvanFlg(DrvContext* ctx);
int SrvCfgWriteKorvanFlg(DrvContext* ctx, const WCHAR* value);
// "PresetRefresh" = 1 in printer data and in the per-printer INI.
int SrvCfgSetPresetRefresh(DrvContext* ctx);

// The seams other parts call: the server type of a printer (17: a
// client-side copy of a server's printer; 0 when no bridge answers), the
// feature dispatcher's connection (bit 7), and one printer-data value read
// through the bridge `bridge` (a Bridge of a connected download) into
// `buffer` of `bytes` bytes, also stored locally.
uint32_t SrvCfgServerType(DrvContext* ctx, const WCHAR* printerName);
int RemoteConfigConnect(DrvContext* ctx);
int BridgeReadPrinterData(DrvContext* ctx, HANDLE bridge, const WCHAR* name, BYTE* buffer, DWORD bytes);

// The server files the bridge registers: each copied by its name and its
// handler run on the local copy after the download (one row: the
// bidirectional settings INI).
struct BridgeRegisteredFile {
    const WCHAR* name;
    int (*handler)(const WCHAR* path, Bridge* b, DrvContext* ctx);
};
extern const BridgeRegisteredFile kBridgeRegisteredFiles[1];

extern const WCHAR kKorvanConnection[];
extern const WCHAR kKorvanIni[];
extern const WCHAR kBridgeBidiFile[];

}  // namespace vesk

// The entries of the maker's remote-configuration bridge (QMBIDISS.dll, and
// its first-generation form KORVANSV.dll), as the driver calls them. Every
// entry answers 0 for success; QMGetServerType answers the server type.
//
// Choices of ours, since the bridge's layouts are its own:
// - the connection block is an opaque, zero-filled block of
//   kQmConnectionBlockBytes the caller owns for the life of a connection;
// - the server identifier is kQmServerIdBytes of ANSI text (the server's
//   computer name, NUL-padded);
// - the server OS record is an OSVERSIONINFOW: the driver reads only
//   dwMajorVersion and dwPlatformId.
#pragma once
#include <win/system.h>
#include <win/types.h>

namespace qmbidi {

constexpr DWORD kConnectionBlockBytes = 1024;
constexpr DWORD kServerIdBytes = 512;
constexpr DWORD kServerNameBytes = 520;  // wide server printer name, with its NUL

// Server types.
constexpr DWORD kTypeServed = 17;        // a client-side copy of a served printer
constexpr DWORD kTypeServedDevmode = 18; // as 17, and the server's DEVMODE is offered
constexpr DWORD kTypeNoDownload = 19;    // as 17, but nothing may be downloaded

// The 15 entries, in the order the driver looks them up.
using GetServerTypeFn = DWORD (*)(LPCWSTR localPrinter, DWORD nameBytes, DWORD idBytes, LPWSTR serverPrinter,
                                  BYTE* serverId);
using SaveInformationClearFn = DWORD (*)(LPCWSTR localPrinter, DWORD type);
using PrintConfigConnectFn = DWORD (*)(DWORD type, HANDLE* connection, BYTE* block);
using PrintConfigConnectExFn = DWORD (*)(DWORD type, HANDLE* connection, BYTE* block, const BYTE* serverId,
                                         DWORD* out);
using PrintConfigDisConnectFn = DWORD (*)(HANDLE connection, BYTE* block, DWORD type);
using ClientOSTypeFn = DWORD (*)(HANDLE connection, DWORD type, OSVERSIONINFOW* os);
using RegFileGetSizeFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPath, DWORD kind,
                                   LPCSTR serverPrinter, DWORD* size);
using GetDataFileFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPath, LPCSTR localPath, DWORD,
                                DWORD, DWORD size);
using RegFileGetDataFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPath, DWORD size, BYTE* buffer);
using GetPrinterDataSizeFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPrinter, LPCSTR key,
                                       LPCSTR value, DWORD* size);
using GetPrinterDataFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPrinter, LPCSTR key, LPCSTR value,
                                   DWORD size, BYTE* buffer);
using DevmodeSizeFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPrinter, DWORD* size);
using DevmodeFn = DWORD (*)(HANDLE connection, DWORD type, LPCSTR serverPrinter, DWORD size, BYTE* buffer);
using SetDevmodeFn = DWORD (*)(DWORD type, LPCWSTR localPrinter, LPCWSTR interfaceLibrary, LPCSTR entry, DWORD,
                               DWORD);
using SaveDevmodeClearFn = DWORD (*)(LPCWSTR localPrinter, DWORD type);

}  // namespace qmbidi

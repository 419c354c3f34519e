// Document properties without a sheet: the size question, a caller's
// DEVMODE merged and written out, the printer's defaults; and the
// conversion the spooler asks for when it installs or converts a printer.
#pragma once
#include <win/devmode.h>
#include <win/spooler.h>
#include <win/types.h>
#include <win/winddiui.h>

#include "core/context.h"
#include "ui_export.h"

namespace vesk {

// Size of the driver's DEVMODE as the spooler sees it.
constexpr LONG kUiDevmodeSize = 1260;

// Merge flags of a document request without a sheet (the caller's fMode is
// or-ed in).
constexpr uint32_t kNoUiMergeFlags = 0x22000008u;

// The smallest public part a caller's DEVMODE may have: that of the oldest
// version the conversions know (3.20). A smaller one is not a DEVMODE the
// merge can read, and the request fails instead of replacing it.
constexpr uint16_t kMinPublicSize = 188;
// 1 when `dm` is a DEVMODE the merge can take: its own sizes say at least
// the oldest public part and a version.
int MergeableDevmode(const BYTE* dm);

// The header answered without a sheet: the DEVMODE size when fMode is 0 or
// there is no output, 1 after the merge and the write-out, -1 on failure
// (no context is left behind). `info2` may be null; `renamed` asks for the
// rename handling and, with `info2`, the install check.
LONG DocPropsNoUi(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info2, int renamed);

// The document properties of both entry points: with DM_PROMPT the document
// sheet (1 after OK, 0 after Cancel, -1 when the sheet cannot run), else
// DocPropsNoUi.
LONG DocPropsRun(HWND hWnd, HANDLE hPrinter, LPWSTR name, PDEVMODEW pdmOut, PDEVMODEW pdmIn, DWORD fMode);

// 1 when the printer of that name is a connection to a server; 0 for a null
// name, a local printer or one that cannot be opened.
int PrnIsRemoteByName(const WCHAR* name);

// The print server's DEVMODE at the install of a printer: copied to `out`
// (and *pcbNeeded set) when it is this driver's, converted first when it
// comes from an older release. 1 when `out` received it; 0 when the
// driver's defaults stay (another driver's DEVMODE is never copied).
int TakeServerDevmode(DrvContext* ctx, const WCHAR* name, const BYTE* server, size_t len, PDEVMODEW out,
                      LONG* pcbNeeded);

}  // namespace vesk

VESK_UI_EXPORT LONG WINAPI DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput,
                                                 PDEVMODEW pdmInput, DWORD fMode);
VESK_UI_EXPORT LONG WINAPI DrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                                         PDEVMODEW pdmOutput, PDEVMODEW pdmInput);
VESK_UI_EXPORT BOOL WINAPI DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut,
                                             LONG* pcbNeeded, DWORD fMode);

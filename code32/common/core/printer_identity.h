// Facts about the printer a context serves (names, remote connection,
// attributes), kept in the context's workspace once known; the printer-data
// values that identify the driver set to other components; and the thin
// wrappers over the spooler's printer-data calls. Nothing here shows a
// message: failures answer 0 or an empty text.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// --- Facts of a context ---

// Fills every fact of the workspace that is not yet known (or still empty)
// from `info`; a fact once filled is never refreshed. Null info does nothing.
void PrnCacheInfo2(DrvContext* ctx, const PRINTER_INFO_2W* info);
// The workspace's printer name, fetched once (with every other fact); empty
// when the printer cannot be queried. Never null for a context with a
// workspace.
const WCHAR* PrnGetPrinterName(DrvContext* ctx);
const WCHAR* PrnGetPrinterNameAlias(DrvContext* ctx);
const WCHAR* PrnGetPrinterNameAlias2(DrvContext* ctx);
// The workspace's driver name, fetched the same way; the driver
// description's fallback name when the spooler gives none.
const WCHAR* PrnGetDriverName(DrvContext* ctx);
// Fetches the printer information and caches the remote flag (1 or 2).
void PrnQueryRemote(DrvContext* ctx);
// 1 for a connection to a remote printer, 0 otherwise (also when the printer
// cannot be queried: the flag is then cached as local).
int PrnIsRemote(DrvContext* ctx);
// `mask` AND the printer's attributes (fetched once); 0 when unknown.
uint32_t PrnTestAttribute(DrvContext* ctx, uint32_t mask);
// Whether bidirectional communication is enabled (PRINTER_ATTRIBUTE_ENABLE_BIDI).
uint32_t PrnIsBidiEnabled(DrvContext* ctx);

// --- By printer handle, uncached ---

int PrnQueryRemoteByHandle(HANDLE printer);
int PrnIsRemoteByHandle(HANDLE printer);
// Copies the printer's name into `dest` of `capacity` characters when it fits
// with its NUL (else `dest` is left as it was). Returns `dest`, null for null.
WCHAR* PrnCopyPrinterName(HANDLE printer, WCHAR* dest, size_t capacity);
WCHAR* PrnCopyPrinterNameAlias(HANDLE printer, WCHAR* dest, size_t capacity);
// Copies the printer's driver name (cut to the capacity); when nothing was
// copied, the built-in fallback driver name. Returns `dest`.
WCHAR* PrnCopyDriverName(HANDLE printer, WCHAR* dest, size_t capacity);
// On a record already fetched: 1 when it exists and names a server.
int PrnInfoIsRemote(const PRINTER_INFO_2W* info);
int PrnInfoIsRemoteAlias(const PRINTER_INFO_2W* info);
// Copies the record's printer name when present and shorter than `capacity`.
// 1 when copied.
int PrnInfoCopyPrinterName(WCHAR* dest, size_t capacity, const PRINTER_INFO_2W* info);

// 1 for a local printer whose stored "PrinterName" is missing or differs
// (letter case aside) from the record's name: the printer was renamed. 0 for
// a missing record, a connection, a client-side printer ("ClientName" set) or
// a printer the remote-configuration bridge reports as server type 17.
int PrnIsLocalRenamed(DrvContext* ctx, const PRINTER_INFO_2W* info);

// --- Driver files ---

// The file-name part of the installed driver's graphics library or help file
// (DRIVER_INFO_3 pDriverPath / pHelpFile) into `dest` of `capacity`
// characters. 0 when the record or field is missing, holds no backslash, or
// the name does not fit.
int GetDriverFileName(HANDLE printer, WCHAR* dest, size_t capacity);
int GetHelpFileName(HANDLE printer, WCHAR* dest, size_t capacity);

// --- Identity values in printer data ---

// Writes "SPLUserModePrinterDriver" and "DriverIniFileName" (without their
// NUL, as other components read them), then "DriverGRFileName" and
// "DriverEDFileName". 1 when each of the first two writes attempted
// succeeded; the last two do not count.
int PrnWriteDriverFiles(HANDLE printer, DrvContext* ctx);
int PrnStoreGrFileName(DrvContext* ctx);
int PrnStoreHelpFileName(DrvContext* ctx);
// "DriverEDFileName" from the setup INI's [DriversFileName] (at most 25
// characters, empty when missing), with its NUL.
int PrnStoreEdFileName(DrvContext* ctx);
int PrnStorePrinterName(HANDLE printer);
int PrnStoreDriverName(HANDLE printer);
// Reads "PrinterName" into `dest` of kWsPrinterNameChars characters.
int PrnGetStoredPrinterName(HANDLE printer, WCHAR* dest);
// The same into `dest`, or with null into the context's printer name.
int PrnLoadStoredPrinterName(HANDLE printer, WCHAR* dest, DrvContext* ctx);
// Reads "HelpFileName" into `dest` of `bytes` bytes (always terminated).
int PrnGetHelpFileName(DrvContext* ctx, WCHAR* dest, DWORD bytes);
int PrnGetHelpFileNameByHandle(WCHAR* dest, DWORD bytes, HANDLE printer);
// Writes "Permission" as REG_DWORD (`size` must be 4).
int PrnSetPermission(HANDLE printer, const void* data, DWORD size);
// 1 when "AdminChange" can be read as 4 bytes and is non-zero; the value in
// `value` when given.
int PrnGetAdminChange(HANDLE printer, DWORD* value);

// --- Printer-data wrappers: 1 on success; 0 without calling the spooler
// when the buffer, the size or the value name is missing ---

// Reads a value of any type. The buffer is zero-filled first, so a value
// shorter than the buffer leaves no stale bytes behind it.
int PrnGetData(HANDLE printer, void* buffer, DWORD size, const WCHAR* name);
// Reads a string value into `dest` of `chars` characters, always terminated;
// a value that leaves no room for the terminator is refused.
int PrnGetString(HANDLE printer, WCHAR* dest, size_t chars, const WCHAR* name);
int PrnSetDataBinary(HANDLE printer, const void* data, DWORD size, const WCHAR* name);
int PrnSetDataTyped(HANDLE printer, const void* data, DWORD size, DWORD type, const WCHAR* name);
int PrnSetDataString(HANDLE printer, const void* data, DWORD size, const WCHAR* name);

}  // namespace vesk

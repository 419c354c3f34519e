// The printer interface library's side of the spooler: the headers the
// spooler hands to the document and device property functions.
#pragma once
#include "devmode.h"
#include "types.h"

WIN_BEGIN_DECLS

// Handed to DrvDocumentPropertySheets, directly (no sheet) or as the sheet's
// lParamInit. 28 bytes on a 32-bit build.
typedef struct _DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;

// DEVICEPROPERTYHEADER.Flags: the caller may not change the printer.
#define DPS_NOPERMISSION 0x0001

typedef struct _DEVICEPROPERTYHEADER {
    WORD cbSize;
    WORD Flags;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;

WIN_END_DECLS

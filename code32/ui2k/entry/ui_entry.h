// The entry points of the interface library that belong to no sheet:
// document events, printer events and the driver upgrade, with the handlers
// behind the printer events.
#pragma once
#include <win/spooler.h>
#include <win/types.h>
#include <win/user.h>
#include <win/winddiui.h>

#include "core/context.h"
#include "ui_export.h"

namespace vesk {

// The printer-event handlers: 1 done, 0 failed.
int PrinterEventAddConnection(const WCHAR* name);
int PrinterEventDeleteConnection(const WCHAR* name);
int PrinterEventInitialize(const WCHAR* name);
int PrinterEventDelete(const WCHAR* name);
int PrinterEventCacheRefresh(const WCHAR* name);
// The device option class saved and the identity values written (both run):
// 1 when both succeeded.
int UpgradeSaveSettings(HANDLE printer, DrvContext* ctx);

}  // namespace vesk

VESK_UI_EXPORT INT WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                           PVOID pvOut);
VESK_UI_EXPORT BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam);
VESK_UI_EXPORT BOOL WINAPI DrvUpgradePrinter(DWORD dwLevel, LPBYTE pDriverUpgradeInfo);

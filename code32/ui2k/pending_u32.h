// Functions other parts of the library and the common library build; each
// answers "not done" (its failure result) here until it lands.
#pragma once
#include <win/compstui.h>
#include <win/spooler.h>
#include <win/types.h>

#include "core/context.h"
#include "ui_export.h"

// ---- Property-sheet sessions ----
// The document sheet function. The direct call (no sheet information)
// answers through DocPropsNoUi; a sheet request fails (-1).
VESK_UI_EXPORT LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
// The printer sheet function: -1 (not done).
VESK_UI_EXPORT LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
// The printer sheet as a dialog: FALSE (not done).
VESK_UI_EXPORT BOOL WINAPI PrinterProperties(HWND hWnd, HANDLE hPrinter);

namespace vesk {

// Runs a sheet through the common property-sheet library: -1 (not done;
// *result is left as it is).
LONG RunCommonPropertySheet(HWND owner, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result);


}  // namespace vesk

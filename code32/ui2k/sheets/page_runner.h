// One driver page or dialog on its own, outside any property sheet of the
// spooler: the library's own entry for tools that show a single page.
#pragma once
#include <win/types.h>
#include <win/winddiui.h>

#include "ui_export.h"

// Results of VeskUiRunPage besides the dialog's end id.
constexpr LONG kRunPageNoSession = -1;   // no context or session for the printer
constexpr LONG kRunPageNotAPage = -2;    // the page table has no page or dialog of that id
constexpr LONG kRunPageNotShown = -3;    // its template could not be made

extern "C" {
// Opens a sheet session of printer `hPrinter` (`pPrinterName` its name): the
// document session, or the printer session for a page of the printer sheet
// only. Then runs page `pageId` under the driver's page procedure: a dialog
// as the pages open their sub-dialogs (settings kept on OK, restored
// otherwise), a sheet page as a sheet of that one page. OK saves as the
// sheet's close does: a document session's DEVMODE into `pdmOut` (when
// given, `cbOut` bytes), a printer session's into the printer. IDOK or
// IDCANCEL, else one of the kRunPage results.
VESK_UI_EXPORT LONG WINAPI VeskUiRunPage(HWND hWnd, HANDLE hPrinter, LPWSTR pPrinterName, DWORD pageId,
                                         PDEVMODEW pdmIn, PDEVMODEW pdmOut, DWORD cbOut);
}

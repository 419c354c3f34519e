// What the session, page and apply code of the sheets share inside the
// library.
#pragma once
#include "sheets/sheet_session.h"

namespace vesk {

// A new zeroed session in the context's workspace; null when memory is short.
SheetSession* SheetSessionBegin(DrvContext* ctx);
// Frees the session (snapshot, cursors, brushes, the frame's hook) and
// releases the context.
void SheetSessionEnd(DrvContext* ctx);
// Tells the spooler's directory service the printer changed (level 7,
// DSPRINT_UPDATE); its answer is not used.
void SheetPublishPrinter(DrvContext* ctx);
// Result 1 with the common UI's set-result call, or result 0.
void SheetReportResult(PPROPSHEETUI_INFO info, SheetSession* s, bool changed);
// The library's own module handle.
HINSTANCE SheetLibraryModule();
// The private directory, a backslash and `name` into `buffer`; emptied and 0
// when there is no private directory or the path does not fit.
int BuildDriverDirPath(WCHAR* buffer, size_t capacity, const WCHAR* name, DrvContext* ctx);
// Stops watching the sheet frames of the context's session.
void SheetUnwatchFrames(DrvContext* ctx);
// The property-page record of page `pg` as every sheet of the library holds
// it: the template of the string library `strings` under SheetPageDlgProc,
// the context as its parameter.
PROPSHEETPAGEW SheetPageRecord(DrvContext* ctx, const UiPage& pg, HMODULE strings);
// Runs `count` pages as a modal sheet of its own over `parent`, starting at
// `start`, captioned `caption` (null: the printer's name): PropertySheetW's
// answer.
INT_PTR SheetRunPages(DrvContext* ctx, const PROPSHEETPAGEW* pages, UINT count, UINT start, HWND parent,
                      HMODULE strings, const WCHAR* caption);

}  // namespace vesk

// Property-sheet sessions of the interface library: the spooler's sheet
// callbacks for document and printer sheets, the older PrinterProperties,
// the one way to the common property sheet UI, the driver's pages in the
// sheet and the apply step.
#pragma once
#include <win/compstui.h>
#include <win/prsht.h>
#include <win/spooler.h>
#include <win/types.h>
#include <win/winddiui.h>

#include "core/context.h"
#include "pipeline/ui_state.h"

#define VESK_SHEET_EXPORT __attribute__((visibility("default")))

extern "C" {
// info null: the spooler's direct call, lParam the DOCUMENTPROPERTYHEADER;
// else the common UI's callback for info->Reason. -1 failure, 1 success
// (direct call: the DEVMODE size or 1/-1 of the request without UI).
VESK_SHEET_EXPORT LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
// The printer sheet's callback; a null info gives -1.
VESK_SHEET_EXPORT LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
// Runs the printer sheet itself: TRUE when the sheet reported a result.
VESK_SHEET_EXPORT BOOL WINAPI PrinterProperties(HWND hWnd, HANDLE hPrinter);
}

namespace vesk {

// Loads "compstui.dll" for this one call and runs CommonPropertySheetUIW;
// its answer, or -1 without calling when the library or entry is missing.
LONG RunCommonPropertySheet(HWND owner, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result);

constexpr uint16_t kSheetDocument = 1;
constexpr uint16_t kSheetPrinter = 2;
constexpr size_t kSheetTextChars = 522;
constexpr size_t kSheetMaxChildren = 256;

// What a session keeps between the common UI's init and destroy calls; in
// the context's workspace (uiSession) from init on. Owned by the session.
struct SheetSession {
    uint16_t kind;                // kSheetDocument or kSheetPrinter
    uint32_t callerMode;          // document sheets: the caller's fMode
    PDEVMODEW input;              // document sheets: the caller's, not owned
    PDEVMODEW output;
    uint32_t permission;          // printer sheets: 1 the user may change the printer
    PFNCOMPROPSHEET comFunction;
    HANDLE comHandle;
    uint32_t changed;             // a page sent PSM_CHANGED since init or the last reset
    uint32_t applied;             // the apply step ran
    BYTE* snapshot;               // document sheets: the DEVMODE buffer at init, or null
    uint32_t extendedQuery;       // the extended device-query mark
    uint32_t deviceQuery;         // the device-query mark
    uint32_t providerMark;        // the user-code provider answered at init
    uint32_t binderMark;
    const WCHAR* title;           // the caller's printer name, for the sheet's title
    // Page plumbing.
    uint32_t prepared;            // the controls were prepared for this sheet
    HCURSOR cursors[2];           // string library's cursors 8000 and 8001
    uint32_t currentCursor;
    COLORREF buttonFace;
    HBRUSH faceBrush;
    HBRUSH whiteBrush;
    uint32_t captionOverride;     // string id for the caption being drawn, 0 none, 65535 empty
    WCHAR buttonText[kSheetTextChars];
    uint16_t currentPageId;
    uint16_t mainPageId;          // the first page that initialised: it alone applies
    // Children of a page visible in its template, from the moment the page
    // hides them to the page procedure that shows them.
    HWND shownChildren[kSheetMaxChildren];
    uint32_t shownCount;
    // The page machinery's own state (pipeline/ui_state.h).
    UiPageState pageState;
};

// The session of a context, or null.
SheetSession* SheetSessionOf(DrvContext* ctx);

// ---- Pages ----
// One property page per page record of the sheet kind whose key's first
// condition does not hold, each handed to the common UI. The number the
// common UI took.
int SheetAddPages(DrvContext* ctx, int kind);
// The dialog procedure of every page: its own work on WM_INITDIALOG and the
// reset notification, then PageDlgProc.
INT_PTR CALLBACK SheetPageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The page procedure the pages forward to (binding and showing the page's
// controls, context help, apply of the main page).
INT_PTR CALLBACK PageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Binds every control to its item and option once per sheet; `page` null
// tests the first page of the table.
void SheetPrepareControls(DrvContext* ctx, UiPage* page);
void CtlSetCaptionOverride(DrvContext* ctx, const UiControl* control);
void CtlClearCaptionOverride(DrvContext* ctx);
// WinHelp for WM_HELP or a context menu on a control of the page.
void ShowContextHelp(HWND page, HWND control, UINT message);
// Page 1003's init hook: string 563 into item 2088 when 2407 is shown.
int Page1003InitHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                     LPARAM lParam);

// ---- Apply ----
// The sheet's apply: saves, makes the saved state the session's new start
// and reports the result to the common UI. The answer of SheetSave.
int SheetApply(DrvContext* ctx);

}  // namespace vesk

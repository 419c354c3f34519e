// The common property sheet UI, reached by name at every sheet request, and
// the older entry that runs the printer sheet itself.
#include <win/modules.h>

#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "sheets/sheet_support.h"

namespace vesk {

LONG RunCommonPropertySheet(HWND owner, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result) {
    HMODULE ui = LoadLibraryW(u"compstui.dll");
    if (!ui) return -1;
    using RunFn = LONG(WINAPI*)(HWND, PFNPROPSHEETUI, LPARAM, LPDWORD);
    auto run = ProcAs<RunFn>(GetProcAddress(ui, "CommonPropertySheetUIW"));
    const LONG answer = run ? run(owner, callback, lParam, result) : -1;
    FreeLibrary(ui);
    return answer;
}

}  // namespace vesk

using namespace vesk;

extern "C" BOOL WINAPI PrinterProperties(HWND hWnd, HANDLE hPrinter) {
    DEVICEPROPERTYHEADER header{};
    header.cbSize = sizeof(DEVICEPROPERTYHEADER);
    header.hPrinter = hPrinter;
    // Whether the user may change the printer: a probe write of printer data.
    const DWORD one = 1;
    if (!PrnSetPermission(hPrinter, &one, sizeof one)) header.Flags |= DPS_NOPERMISSION;
    DWORD result = 1;
    const LONG ran = RunCommonPropertySheet(hWnd, DrvDevicePropertySheets, reinterpret_cast<LPARAM>(&header), &result);
    // A sheet that never ran reported nothing.
    if (ran < 0) return FALSE;
    return result ? TRUE : FALSE;
}

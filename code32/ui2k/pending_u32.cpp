// Stand-ins of functions built elsewhere (see pending_u32.h).
#include "pending_u32.h"

#include <win/winddiui.h>

#include "docprops/doc_props.h"

VESK_UI_EXPORT LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info || !lParam) return -1;
    return vesk::DocPropsNoUi(reinterpret_cast<DOCUMENTPROPERTYHEADER*>(lParam), nullptr, 1);
}

VESK_UI_EXPORT LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) { return -1; }

VESK_UI_EXPORT BOOL WINAPI PrinterProperties(HWND, HANDLE) { return FALSE; }

namespace vesk {

LONG RunCommonPropertySheet(HWND, PFNPROPSHEETUI, LPARAM, DWORD*) { return -1; }

}  // namespace vesk

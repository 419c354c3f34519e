// DrvDocumentEvent: the document start and page start run the install
// check; the device-context creation events need nothing; the others are
// not handled.
#include "core/install/install_check.h"
#include "entry/ui_entry.h"

VESK_UI_EXPORT INT WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC, int iEsc, ULONG, PVOID, ULONG, PVOID) {
    switch (iEsc) {
    case DOCUMENTEVENT_STARTDOC:
    case DOCUMENTEVENT_STARTPAGE: vesk::InstallCheckDefault(hPrinter); return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_CREATEDCPOST: return DOCUMENTEVENT_SUCCESS;
    default: return DOCUMENTEVENT_UNSUPPORTED;
    }
}

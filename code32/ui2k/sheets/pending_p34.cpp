#include "sheets/pending_p34.h"

namespace vesk {

LONG DocPropsNoUi(DOCUMENTPROPERTYHEADER*, const PRINTER_INFO_2W*, int) { return -1; }
int SheetSave(DrvContext*) { return 0; }
int SheetSaveDocument(DrvContext*) { return 0; }
int SheetSaveDevice(DrvContext*) { return 0; }
int HandlePrinterRename(DrvContext*) { return 0; }
int PresetRefreshCheck(DrvContext*, int) { return 0; }
int DefaultRstWriteDevice(DrvContext*) { return 0; }
int UiTablesPrepare(DrvContext*) { return 0; }

}  // namespace vesk

// Functions other parts of the interface library and of the common library
// provide, declared here with a "not done" body until they arrive.
#pragma once
#include <win/spooler.h>
#include <win/types.h>
#include <win/winddiui.h>

#include "core/context.h"

namespace vesk {

// The document request without a user interface: -1 (not done).
LONG DocPropsNoUi(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info2, int renamed);
// The save steps of a sheet: 0 (not done).
int SheetSave(DrvContext* ctx);
int SheetSaveDocument(DrvContext* ctx);
int SheetSaveDevice(DrvContext* ctx);
// A renamed printer's settings moved to its new name: 0 (not done).
int HandlePrinterRename(DrvContext* ctx);
// The preset-refresh and pack-install flags of the printer's section: 0 (not done).
int PresetRefreshCheck(DrvContext* ctx, int force);
// The device options into the default preset file: 0 (not done).
int DefaultRstWriteDevice(DrvContext* ctx);
// The change-notification classes of the page and control tables: 0 (not done).
int UiTablesPrepare(DrvContext* ctx);

}  // namespace vesk

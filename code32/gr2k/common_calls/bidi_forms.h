// The graphics library's forms of the bidirectional settings-file functions:
// the common functions under the graphics library's profile.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct Bridge;

int BidiIniImportGr(DrvContext* ctx);
int BidiIniImportFromGr(const WCHAR* path, DrvContext* ctx);
int BidiIniExportGr(DrvContext* ctx);
// The server's bidirectional settings file applied to the printer.
int SrvCfgApplyBidiIniGr(const WCHAR* path, Bridge* bridge, DrvContext* ctx);

// Imports the device settings of the bidirectional settings file when the
// file has its flag set for the printer. Like every open in this library it
// never saves the device class back to printer data and never clears the
// printer's section: the user interface does that. 1 when imported, else 0.
int BidiIniImportAtOpenGr(DrvContext* ctx);

}  // namespace vesk

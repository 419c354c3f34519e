// The steps of the document's start that reach the persisted settings, the
// bidirectional settings file and the job-control library.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Reloads every persisted option class and the font lists (printer data and
// the per-printer INI); writes nothing. 1 done, 0 without a full context.
int OptLoadClassesGr(DrvContext* ctx);

// Imports the device settings of the bidirectional settings file when the
// file has its flag set for the printer. Unlike the common library's open,
// the graphics library never saves the device class back to printer data
// and never clears the printer's section: the user interface does that.
// 1 when imported, else 0.
int BidiIniApplyAtStartDoc(DrvContext* ctx);

// A kind-0 context's settings at its open: the two steps above. 1 done.
int SettingsSyncAtOpenGr(DrvContext* ctx);

// Reads the job-identity items the job-control library holds for the
// printer (version 259: for the job's user) into the context: user code,
// owner, job password, user ID, document name and stored password. Always 1;
// without the library the items stay as they were.
int JcStartDocHandover(DrvContext* ctx, HANDLE printer, DWORD jobId);

}  // namespace vesk

// The steps of the document's start that reach the persisted settings, the
// bidirectional settings file and the job-control library.
#pragma once
#include <win/types.h>

#include "common_calls/bidi_forms.h"
#include "common_calls/settings_forms.h"
#include "core/context.h"

namespace vesk {

// The bidirectional step of the document's start (BidiIniImportAtOpenGr).
inline int BidiIniApplyAtStartDoc(DrvContext* ctx) { return BidiIniImportAtOpenGr(ctx); }

// Reads the job-identity items the job-control library holds for the
// printer (version 259: for the job's user) into the context: user code,
// owner, job password, user ID, document name and stored password. Always 1;
// without the library the items stay as they were.
int JcStartDocHandover(DrvContext* ctx, HANDLE printer, DWORD jobId);

}  // namespace vesk

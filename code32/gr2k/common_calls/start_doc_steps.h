// The steps of the document's start that reach the persisted settings, the
// bidirectional settings file and the job-control library.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Reloads every persisted option class from printer data, through the
// common library's class loader. 1 when every class was loaded.
int OptLoadClassesGr(DrvContext* ctx);

// Applies the option set of the bidirectional settings file when the file
// has its flag set for the printer. The settings file is not read yet: the
// step applies nothing and answers 0.
int BidiIniApplyAtStartDoc(DrvContext* ctx);

// Hands the job to the job-control library and stores the identity it
// gives. The job-control hand-over is not made yet: the step does nothing
// and answers 1, as the hand-over does whatever happens.
int JcStartDocHandover(DrvContext* ctx, HANDLE printer, DWORD jobId);

}  // namespace vesk

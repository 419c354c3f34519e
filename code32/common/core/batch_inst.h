// The batch-install bundle an installer named for a printer.
#pragma once
#include "core/context.h"

namespace vesk {

// 1 when the printer's section of the common (private-directory) per-printer
// INI names a "BatchInstRst" bundle, else 0.
int GetBatchInstRst(DrvContext* ctx);

}  // namespace vesk

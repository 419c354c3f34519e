// The items that follow from others, worked out again after a value was
// applied: resolution and paper items, then the model's item actions.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// When the paper-size limits of the print mode fail, dmPrintQuality := 600;
// DM_PRINTQUALITY into dmFields; the resolution items from the public
// fields; the source paper items from dmPaperSize and the output paper
// items from rdmOutPaperSize; then, for every item that has a model
// option, the option's item actions. Returns 0.
int OptRecheckPaperAndResolution(DrvContext* ctx);
// The same steps under the name the option-constraint library uses.
inline int DmNormalize(DrvContext* ctx) { return OptRecheckPaperAndResolution(ctx); }

}  // namespace vesk

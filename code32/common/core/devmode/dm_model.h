// The questions the DEVMODE code asks of the compiled model and the option
// checks, gathered in one table. By default the table routes to the common
// library's functions (seams.h); a test may put a table of its own in place
// to stand for a model.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct DmModelQueries {
    int (*optionType)(DrvContext*, int itemId);
    int (*optionRange)(DrvContext*, int itemId, int32_t* outMin, int32_t* outMax);
    int (*optionValue)(DrvContext*, int itemId, uint32_t* outValue);
    int (*paperSize)(DrvContext*, int paperCode, int32_t* outWidth, int32_t* outLength);
    int (*checkValue)(DrvContext*, int itemId, int32_t value);
    int (*collateSupported)(DrvContext*);
    int (*freeSizePaper)(DrvContext*, int paperCode, int32_t* outWidth, int32_t* outLength);
    int (*paperLimitsOk)(DrvContext*);
};

// The table in use.
const DmModelQueries& dmModel();
// Puts `q` in place (null: the default table) and returns the one before.
const DmModelQueries* DmSetModelQueries(const DmModelQueries* q);
// The default table.
const DmModelQueries& DmDefaultModelQueries();

}  // namespace vesk

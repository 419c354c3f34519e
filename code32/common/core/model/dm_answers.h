// The model facts the DEVMODE code asks for, answered from the context's
// compiled model.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The compiled model's option for an item: its type (1 pick-one, 4 Boolean,
// 8 numeric, 257 paper pick, 513 paper-source pick), or 0 when there is none.
int MdlItemOptionType(DrvContext* ctx, int itemId);
// The numeric range of the item's option. 0 when it has none.
int MdlItemOptionRange(DrvContext* ctx, int itemId, int32_t* outMin, int32_t* outMax);
// The value of the option's current selection. 0 when there is none.
int MdlItemOptionValue(DrvContext* ctx, int itemId, uint32_t* outValue);
// Width and length (0.1 mm) of a paper code from the model's page-size
// record. 0 when the model has no such paper.
int MdlPaperSize(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength);
// 1 when the paper fits the limits of the current print mode.
int PaperSizeLimitsOk(DrvContext* ctx);

}  // namespace vesk

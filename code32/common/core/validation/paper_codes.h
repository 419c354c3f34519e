// Predicates over DEVMODE paper codes (taken as signed 16-bit values) and
// the free-size slot of the paper items.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// 1..118, 256, 513, 514, 517.
int IsStandardPaperSize(int16_t code);
// The driver's own sizes: 256 and 384..392 (the free sizes).
int IsDriverPaperSize(int16_t code);
int IsKnownPaperSize(int16_t code);
// The output paper "same as the source" (1024).
int IsPaperValue1024(int16_t code);
// 1 when a free-size slot has this paper code; 0 for code 0.
int IsFreeSizeSlotPaper(int16_t code);
// The free-size slot of dmPaperSize, respectively rdmOutPaperSize, when it is
// a driver paper size (as an unsigned 16-bit number), else -1.
int GetPaperSizeIndex(DrvContext* ctx);
int GetOutputPaperSizeIndex(DrvContext* ctx);

}  // namespace vesk

// Length units of the driver: lengths are kept in 1200-dpi dots, shown in
// 0.1 mm or 0.01 inch. Conversions use integer arithmetic in the order that
// keeps the precision; a zero divisor gives 0.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr uint32_t kUnitTenthMm = 1;
constexpr uint32_t kUnitHundredthInch = 2;

int32_t DotsToTenthMm(int32_t v, int32_t resolution);
int32_t DotsToHundredthInch(int32_t v, int32_t resolution);
int32_t TenthMmToDots(int32_t v, int32_t resolution);
int32_t HundredthInchToDots(int32_t v, int32_t resolution);
int32_t ScaleUnits(int32_t v, int32_t from, int32_t to);
// Display value to dots of `resolution`: the largest even 1200-dpi count that
// does not show as more than `v`, scaled. 0 without a unit flag.
int32_t DisplayToDots(uint32_t unitFlags, int32_t v, int32_t resolution);
// Dots of `resolution` to the smallest display value that covers them.
int32_t DotsToDisplay(uint32_t unitFlags, int32_t v, int32_t resolution);
// With the context's display unit; a non-zero id takes the item's value
// (ItemDotsToDisplay) or receives the result (DisplayToDotsItem).
int32_t ItemDotsToDisplay(DrvContext* ctx, int itemId, int32_t v);
int32_t DisplayToDotsItem(DrvContext* ctx, int itemId, int32_t v);
// The custom width (key 860) or length (key 861) limits in display units.
// Returns 1, or 0 for any other key.
int GetCustomSizeRange(DrvContext* ctx, int key, int32_t* outMin, int32_t* outMax);
// a × b / c, -1 when c is 0; the result saturates at the 32-bit range.
int32_t MulDivOrMinus1(int32_t a, int32_t b, int32_t c);

}  // namespace vesk

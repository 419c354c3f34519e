// The option-constraint library's look-ups of the compiled model's
// Exclusive rows by key (the rows of the model description's Exclusive
// statements), which the feature tests of its controls use.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The image offset of the first Exclusive row whose 16-bit key is the low 16
// bits of `key`; 0 (none) when there is no such row or no model.
uint32_t MdlFindExclusiveByKeyExc(uint32_t key, DrvContext* ctx);
// That row's first condition for `subId` (the row's own for 0, else that of
// its entry for the value id, 0 without one): 1 holds, 0 not; -1 when no
// row has the key.
int MdlEvalExclusiveByKeyExc(uint32_t key, uint32_t subId, DrvContext* ctx);

}  // namespace vesk

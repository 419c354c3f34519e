// The graphics library's forms of the compiled-model functions it calls.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The result of the condition program at image offset `program` (0 gives 0).
uint32_t MdlEvalExpressionGr(DrvContext* ctx, uint32_t program);

}  // namespace vesk

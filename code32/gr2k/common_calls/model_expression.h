// The graphics library's forms of the compiled-model functions it calls:
// the common functions under the graphics library's profile.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct MdlImage;

const MdlImage* MdlCacheGetGr(DrvContext* ctx);
void MdlReleaseStubGr(const MdlImage* image);
// The result of the condition program at image offset `program` (0 gives 0).
uint32_t MdlEvalExpressionGr(DrvContext* ctx, uint32_t program);
uint32_t MdlEvalOptionCond1Gr(DrvContext* ctx, uint32_t option, uint32_t valueId);
uint32_t MdlEvalOptionCond2Gr(DrvContext* ctx, uint32_t option, uint32_t valueId);
// The option's condition with the per-value record of `subId` behind the
// rule record's (the sub-conditions).
uint32_t MdlEvalSubCond1Gr(DrvContext* ctx, uint32_t option, int subId);
uint32_t MdlEvalSubCond2Gr(DrvContext* ctx, uint32_t option, int subId);
uint32_t MdlRunTransactListGr(DrvContext* ctx, uint32_t firstPair);
uint32_t MdlApplyOptionActionsGr(DrvContext* ctx, uint32_t option);

}  // namespace vesk

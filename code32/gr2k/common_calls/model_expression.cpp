#include "common_calls/model_expression.h"

#include "core/model/cache.h"
#include "core/model/constraints.h"
#include "core/model/eval.h"

namespace vesk {

const MdlImage* MdlCacheGetGr(DrvContext* ctx) { return MdlCacheGet(ctx); }
void MdlReleaseStubGr(const MdlImage* image) { MdlReleaseStub(image); }
uint32_t MdlEvalExpressionGr(DrvContext* ctx, uint32_t program) { return MdlEvalExpression(ctx, program); }
uint32_t MdlEvalOptionCond1Gr(DrvContext* ctx, uint32_t option, uint32_t valueId) {
    return MdlEvalOptionCond1(ctx, option, valueId);
}
uint32_t MdlEvalOptionCond2Gr(DrvContext* ctx, uint32_t option, uint32_t valueId) {
    return MdlEvalOptionCond2(ctx, option, valueId);
}
uint32_t MdlEvalSubCond1Gr(DrvContext* ctx, uint32_t option, int subId) { return MdlOptionCond1Check(ctx, option, subId); }
uint32_t MdlEvalSubCond2Gr(DrvContext* ctx, uint32_t option, int subId) { return MdlOptionCond2Check(ctx, option, subId); }
uint32_t MdlRunTransactListGr(DrvContext* ctx, uint32_t firstPair) { return MdlRunTransactList(ctx, firstPair); }
uint32_t MdlApplyOptionActionsGr(DrvContext* ctx, uint32_t option) { return MdlApplyOptionActions(ctx, option); }

}  // namespace vesk

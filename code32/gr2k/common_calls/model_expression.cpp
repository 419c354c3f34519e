#include "common_calls/model_expression.h"

#include "core/model/eval.h"

namespace vesk {

uint32_t MdlEvalExpressionGr(DrvContext* ctx, uint32_t program) { return MdlEvalExpression(ctx, program); }

}  // namespace vesk

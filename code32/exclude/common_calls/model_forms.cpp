#include "common_calls/model_forms.h"

#include "core/model/eval.h"
#include "core/model/model.h"
#include "core/model/query.h"

namespace vesk {

uint32_t MdlFindExclusiveByKeyExc(uint32_t key, DrvContext* ctx) {
    const MdlImageView v = MdlViewOf(ctx);
    uint32_t head = 0;
    if (!v.data() || !v.slot(kMdlSlotExclusive, &head) || !head) return 0;
    return MdlListFind(v, head, kMdlImgExclusiveSize, kMdlRuleKey, key & 0xFFFFu);
}

int MdlEvalExclusiveByKeyExc(uint32_t key, uint32_t subId, DrvContext* ctx) {
    const uint32_t row = MdlFindExclusiveByKeyExc(key, ctx);
    if (!row) return -1;
    return MdlEvalRuleCond1(ctx, row, subId) ? 1 : 0;
}

}  // namespace vesk

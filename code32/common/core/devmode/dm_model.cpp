#include "core/devmode/dm_model.h"

#include <atomic>

#include "core/model/dm_answers.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/validation/public_validators.h"

namespace vesk {
namespace {

// The item's option lists values (the list types, bits 0 and 1 of the type).
int valueListHas(DrvContext* ctx, int itemId, uint32_t value) { return MdlValueListHolds(ctx, itemId, value); }

int valueCondition(DrvContext* ctx, int itemId, uint32_t value, int which) {
    const uint32_t option = MdlFindOption(ctx, itemId);
    if (!option) return 0;
    return (which == 1 ? MdlEvalOptionCond1(ctx, option, value) : MdlEvalOptionCond2(ctx, option, value)) ? 1 : 0;
}

int applyActions(DrvContext* ctx, int itemId) {
    const uint32_t option = MdlFindOption(ctx, itemId);
    return option ? static_cast<int>(MdlApplyOptionActions(ctx, option)) : 0;
}

const DmModelQueries kDefault{MdlItemOptionType,  MdlItemOptionRange, MdlItemOptionValue, MdlPaperSize,
                              DmCheckPublicValue, DmCollateSupported, FreeSizePaper,      PaperSizeLimitsOk,
                              valueListHas,       valueCondition,     applyActions};
std::atomic<const DmModelQueries*> g_queries{&kDefault};
}  // namespace

const DmModelQueries& DmDefaultModelQueries() { return kDefault; }
const DmModelQueries& dmModel() { return *g_queries.load(); }
const DmModelQueries* DmSetModelQueries(const DmModelQueries* q) { return g_queries.exchange(q ? q : &kDefault); }

}  // namespace vesk

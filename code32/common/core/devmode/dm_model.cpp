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

DmOptionQueries::DmOptionQueries(DrvContext* ctx, int itemId) : ctx_(ctx), id_(itemId), table_(&dmModel()) {
    if (table_ != &kDefault) return;
    table_ = nullptr;
    // The image's kept answers hold the record and type of every item id
    // (made by the first walk of its listed options, which every default
    // DEVMODE takes); until then the lookup finds them.
    const MdlImageKept* kept = ctx && itemId > 0 && itemId <= kMdlKeptIdLast ? MdlKeptIfMade(ctx->model) : nullptr;
    if (kept) {
        const MdlIdOption& o = kept->byId[static_cast<size_t>(itemId)];
        option_ = o.option;
        type_ = o.baseType;
        return;
    }
    option_ = MdlFindOptionTyped(ctx, itemId, &type_);
}

int DmOptionQueries::tableType() const { return table_->optionType(ctx_, id_); }

int DmOptionQueries::range(int32_t* outMin, int32_t* outMax) const {
    return table_ ? table_->optionRange(ctx_, id_, outMin, outMax)
                  : MdlNumericRangeAt(MdlViewOf(ctx_), option_, outMin, outMax);
}

int DmOptionQueries::valueListHas(uint32_t value) const {
    return table_ ? table_->valueListHas(ctx_, id_, value) : MdlValueListHoldsAt(MdlViewOf(ctx_), option_, value);
}

int DmOptionQueries::valueCondition(uint32_t value, int which) const {
    if (table_) return table_->valueCondition(ctx_, id_, value, which);
    if (!option_) return 0;
    return (which == 1 ? MdlEvalOptionCond1(ctx_, option_, value) : MdlEvalOptionCond2(ctx_, option_, value)) ? 1 : 0;
}

const DmModelQueries& DmDefaultModelQueries() { return kDefault; }
const DmModelQueries& dmModel() { return *g_queries.load(); }
const DmModelQueries* DmSetModelQueries(const DmModelQueries* q) { return g_queries.exchange(q ? q : &kDefault); }

}  // namespace vesk

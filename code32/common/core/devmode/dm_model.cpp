#include "core/devmode/dm_model.h"

#include <atomic>

#include "core/devmode/dm_seams.h"
#include "core/seams.h"

namespace vesk {
namespace {
int paperSizeOf(DrvContext* ctx, uint32_t paperValue, int32_t* w, int32_t* l) {
    return MdlPaperSize(ctx, static_cast<int>(paperValue), w, l);
}

const DmModelQueries kDefault{MdlItemOptionType,   MdlItemOptionRange,    MdlItemOptionValue, paperSizeOf,
                              DmCheckPublicValue,  DmCollateSupported,    FreeSizePaper,      PaperSizeLimitsOk,
                              MdlItemValueListHas, MdlItemValueCondition, MdlItemPaperArea,   MdlItemApplyActions};
std::atomic<const DmModelQueries*> g_queries{&kDefault};
}  // namespace

const DmModelQueries& DmDefaultModelQueries() { return kDefault; }
const DmModelQueries& dmModel() { return *g_queries.load(); }
const DmModelQueries* DmSetModelQueries(const DmModelQueries* q) { return g_queries.exchange(q ? q : &kDefault); }

}  // namespace vesk

#include "core/devmode/dm_model.h"

#include <atomic>

#include "core/seams.h"

namespace vesk {
namespace {
const DmModelQueries kDefault{MdlItemOptionType, MdlItemOptionRange, MdlItemOptionValue, MdlPaperSize,
                              DmCheckPublicValue, DmCollateSupported, FreeSizePaper, PaperSizeLimitsOk};
std::atomic<const DmModelQueries*> g_queries{&kDefault};
}  // namespace

const DmModelQueries& DmDefaultModelQueries() { return kDefault; }
const DmModelQueries& dmModel() { return *g_queries.load(); }
const DmModelQueries* DmSetModelQueries(const DmModelQueries* q) { return g_queries.exchange(q ? q : &kDefault); }

}  // namespace vesk

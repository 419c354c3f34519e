// The paper-size limits of the print mode: at 1200 dpi the device takes a
// page of at most 30708 dots each way, after scaling and N-up enlargement.
#include <cstdint>

#include "core/computed/computed.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_public.h"
#include "core/item_store.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr int64_t kLimitDots = 30708;
constexpr int32_t kAnySizeResolution = 600;
constexpr uint32_t kNupKindEnlarge = 9;
constexpr uint32_t kNupEnlargeBase = 0x8000;

int16_t raw16(DrvContext* ctx, int id) { return static_cast<int16_t>(ItemRawById(ctx, id)); }

// The source paper as it is printed: scaled by the scale factors, or
// enlarged by the N-up factor m (m = 1 doubles the shorter side, the length
// when both are equal). Worked in 64 bits.
bool scaledSourceFits(DrvContext* ctx) {
    int64_t w = ItemRawById(ctx, kItRdmSrcPaperWidthDot), h = ItemRawById(ctx, kItRdmSrcPaperLengthDot);
    const uint32_t scaleType = ItemRawById(ctx, kItRdmScaleType);
    const uint32_t nupType = ItemRawById(ctx, kItRdmNUPType) & 0xFFFF;
    if (ItemRawById(ctx, kItRdmFuncSelectScale) && scaleType != 2) {
        const int64_t fh = raw16(ctx, kItRdmScaleH);
        const int64_t fv = scaleType == 1 ? fh : raw16(ctx, kItRdmScaleV);
        w = w * fh / 100;
        h = h * fv / 100;
    } else if (ItemRawById(ctx, kItRdmFuncSelectNup) && ItemRawById(ctx, kItRdmNUPPOSTKind) == kNupKindEnlarge &&
               nupType > kNupEnlargeBase) {
        const int64_t m = nupType - kNupEnlargeBase;
        if (m == 1) {
            if (w < h) w *= 2;
            else h *= 2;
        } else {
            w *= m;
            h *= m;
        }
    }
    return w <= kLimitDots && h <= kLimitDots;
}

}  // namespace

int CheckPaperSizeLimits(DrvContext* ctx, int fromItems) {
    if (!ctx || !ctx->devmode) return 0;
    if (fromItems) DmResolutionFromItems(ctx);
    else DmResolutionToItems(ctx);
    const uint32_t custom = DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (fromItems || (dm::fields(ctx->devmode) & custom) != custom) DmSetSrcPaperItems(ctx, raw16(ctx, kItDmPaperSize));
    else DmCustomSizeToItems(ctx);
    DmSetDstPaperItems(ctx, raw16(ctx, kItRdmOutPaperSize));
    if (raw16(ctx, kItDmPrintQuality) == kAnySizeResolution) return 1;
    if (ItemRawById(ctx, kItRdmDstPaperWidthDot) > kLimitDots || ItemRawById(ctx, kItRdmDstPaperLengthDot) > kLimitDots) return 0;
    return scaledSourceFits(ctx) ? 1 : 0;
}

}  // namespace vesk

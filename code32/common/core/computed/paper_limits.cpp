// The paper-size limits of the print mode: at 1200 dpi the device takes a
// page of at most 30708 dots each way, after scaling and N-up enlargement.
#include <cstdint>

#include "core/computed/computed.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_public.h"
#include "core/item_store.h"

namespace vesk {
namespace {

constexpr int kItPaperSize = 8, kItQuality = 14, kItSrcLength = 44, kItSrcWidth = 45, kItOutPaper = 50,
              kItDstLength = 51, kItDstWidth = 52, kItScaleOn = 58, kItNupOn = 59, kItScaleType = 90,
              kItScaleH = 92, kItScaleV = 93, kItNupKind = 94, kItNupType = 95;
constexpr int64_t kLimitDots = 30708;
constexpr int32_t kAnySizeResolution = 600;
constexpr uint32_t kNupKindEnlarge = 9;
constexpr uint32_t kNupEnlargeBase = 0x8000;

int16_t raw16(DrvContext* ctx, int id) { return static_cast<int16_t>(ItemRawById(ctx, id)); }

// The source paper as it is printed: scaled by the scale factors, or
// enlarged by the N-up factor m (m = 1 doubles the shorter side, the length
// when both are equal). Worked in 64 bits.
bool scaledSourceFits(DrvContext* ctx) {
    int64_t w = ItemRawById(ctx, kItSrcWidth), h = ItemRawById(ctx, kItSrcLength);
    const uint32_t scaleType = ItemRawById(ctx, kItScaleType);
    const uint32_t nupType = ItemRawById(ctx, kItNupType) & 0xFFFF;
    if (ItemRawById(ctx, kItScaleOn) && scaleType != 2) {
        const int64_t fh = raw16(ctx, kItScaleH);
        const int64_t fv = scaleType == 1 ? fh : raw16(ctx, kItScaleV);
        w = w * fh / 100;
        h = h * fv / 100;
    } else if (ItemRawById(ctx, kItNupOn) && ItemRawById(ctx, kItNupKind) == kNupKindEnlarge &&
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
    if (fromItems || (dm::fields(ctx->devmode) & custom) != custom) DmSetSrcPaperItems(ctx, raw16(ctx, kItPaperSize));
    else DmCustomSizeToItems(ctx);
    DmSetDstPaperItems(ctx, raw16(ctx, kItOutPaper));
    if (raw16(ctx, kItQuality) == kAnySizeResolution) return 1;
    if (ItemRawById(ctx, kItDstWidth) > kLimitDots || ItemRawById(ctx, kItDstLength) > kLimitDots) return 0;
    return scaledSourceFits(ctx) ? 1 : 0;
}

}  // namespace vesk

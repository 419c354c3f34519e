#include "core/devmode/dm_normalize.h"

#include <win/devmode.h>

#include "core/computed/computed.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_validate.h"
#include "core/item_ids.h"
#include "core/item_store.h"

namespace vesk {

int OptRecheckPaperAndResolution(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    if (!CheckPaperSizeLimits(ctx, 0)) ItemSetRawById(ctx, kItDmPrintQuality, 600);
    ItemSetRawById(ctx, kItDmFields, ItemRawById(ctx, kItDmFields) | DM_PRINTQUALITY);
    DmResolutionToItems(ctx);
    DmSetSrcPaperItems(ctx, static_cast<int16_t>(ItemRawById(ctx, kItDmPaperSize)));
    DmSetDstPaperItems(ctx, static_cast<int16_t>(ItemRawById(ctx, kItRdmOutPaperSize)));
    DmApplyAllItemActions(ctx);
    return 0;
}

}  // namespace vesk

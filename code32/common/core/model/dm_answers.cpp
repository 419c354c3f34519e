// The model facts the DEVMODE code asks for (dm_answers.h), answered from the
// context's compiled model.
#include "core/computed/computed.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model/query.h"
#include "core/model/dm_answers.h"

namespace vesk {

int MdlItemOptionType(DrvContext* ctx, int itemId) { return MdlGetOptionType(ctx, itemId); }

int MdlItemOptionRange(DrvContext* ctx, int itemId, int32_t* outMin, int32_t* outMax) {
    return MdlGetNumericRange(ctx, itemId, outMin, outMax);
}

int MdlItemOptionValue(DrvContext* ctx, int itemId, uint32_t* outValue) {
    if (!MdlFindOption(ctx, itemId)) return 0;
    if (outValue) *outValue = MdlGetOptionValue(ctx, itemId);
    return 1;
}

int MdlPaperSize(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength) {
    const uint32_t valueId =
        ItemMapToValue(ctx, ItemFindById(ctx, kItDmPaperSize), static_cast<uint32_t>(static_cast<uint16_t>(paperCode)));
    int32_t pair[2];
    // A value without a PageMMValue (a custom size) has no size to give.
    if (!MdlGetPageSizeOfValue(ctx, valueId, pair) || (pair[0] == 0 && pair[1] == 0)) return 0;
    if (outWidth) *outWidth = pair[0];
    if (outLength) *outLength = pair[1];
    return 1;
}

int PaperSizeLimitsOk(DrvContext* ctx) { return CheckPaperSizeLimits(ctx, 0); }

}  // namespace vesk

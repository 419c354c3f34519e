// The items kept in step with the public fields: from the public fields after
// a merge, and back into them when the items were edited.
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_public_util.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/devmode/dm_validate.h"
#include "core/item_helpers.h"
#include "core/item_store.h"
#include "core/item_ids.h"

namespace vesk {
using namespace dm;
using namespace dmpub;

namespace {

constexpr uint32_t kPrinterBidi = 0x800;  // PRINTER_ATTRIBUTE_ENABLE_BIDI

// The dmDuplex value of a duplex type in an orientation.
int32_t duplexOfType(uint32_t type, bool landscape) {
    if (type == 0) return DMDUP_SIMPLEX;
    if (type == 1 || type == 17 || type == 20) return landscape ? DMDUP_VERTICAL : DMDUP_HORIZONTAL;
    return landscape ? DMDUP_HORIZONTAL : DMDUP_VERTICAL;
}

// The duplex type that gives dmDuplex `d` in an orientation: 1 for the
// binding that turns the page over its short edge, else 3.
uint32_t typeOfDuplex(int32_t d, bool landscape) {
    return ((d == DMDUP_VERTICAL && landscape) || (d == DMDUP_HORIZONTAL && !landscape)) ? 1 : 3;
}

void syncDuplex(DrvContext* ctx) {
    const BYTE* cur = ctx->devmode;
    const int32_t d = get16(cur, kOffDuplex);
    const bool landscape = isLandscape(cur);
    if (d == DMDUP_VERTICAL || d == DMDUP_HORIZONTAL) {
        if (ItemRawById(ctx, kItRdmFuncSelectDuplex)) {
            // A binding of the other kind is turned; one that already gives
            // this flip is kept.
            if (duplexOfType(ItemRawById(ctx, kItRdmDuplexType), landscape) != d)
                ItemSetRawById(ctx, kItRdmDuplexType, typeOfDuplex(d, landscape));
        } else {
            ItemSetRawById(ctx, kItRdmFuncSelectDuplex, 1);
            ItemSetRawById(ctx, kItRdmDuplexType, typeOfDuplex(d, landscape));
        }
    } else if (d == DMDUP_SIMPLEX && ItemRawById(ctx, kItDuplexLock) == 0) {
        ItemSetRawById(ctx, kItRdmFuncSelectDuplex, 0);
    }
}

// Source paper items from the DEVMODE `flags`: a custom length and width, a
// paper code, or nothing.
bool customSize(const BYTE* cur, uint32_t flags) {
    return (flags & DM_PAPERLENGTH) && (flags & DM_PAPERWIDTH) && get16(cur, kOffPaperLength) > 0 &&
           get16(cur, kOffPaperWidth) > 0;
}

void stateBytes(DrvContext* ctx) {
    DmPutFlag(ctx, DmFlag::PresentUiMode, ItemRawById(ctx, kItRdmUIModeChange) ? 1 : 0);
    DmPutFlag(ctx, DmFlag::BidiSupport, (ctx->ws && (ctx->ws->attributes & kPrinterBidi)) ? 1 : 0);
    DmPutFlag(ctx, DmFlag::ServerClientMode, (ctx->ws && ctx->ws->serverConnection == 1) ? 1 : 0);
}

bool stampShown(DrvContext* ctx) {
    const uint32_t kind = ItemRawById(ctx, kItRdmWmKind);
    return ItemRawById(ctx, kItRdmFuncSelectWaterMark) && ((kind >= 1 && kind <= 3) || kind == 128);
}

}  // namespace

void DmResolutionToItems(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    const uint32_t q = ItemRawById(ctx, kItDmPrintQuality);
    ItemSetRawById(ctx, kItDmYResolution, q);
    ItemSetRawById(ctx, kItRdmDstResolutionW, q);
    ItemSetRawById(ctx, kItRdmDstResolutionH, q);
    UpdateItem187ForResolution(static_cast<int16_t>(q), ctx);
}

void DmDuplexFromItems(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    BYTE* cur = ctx->devmode;
    const int32_t d = get16(cur, kOffDuplex);
    if (ItemRawById(ctx, kItRdmFuncSelectDuplex) == 0) {
        put16(cur, kOffDuplex, DMDUP_SIMPLEX);
        return;
    }
    if (ItemRawById(ctx, kItDuplexLock) != 0 && d != DMDUP_VERTICAL && d != DMDUP_HORIZONTAL) return;
    put16(cur, kOffDuplex, duplexOfType(ItemRawById(ctx, kItRdmDuplexType), isLandscape(cur)));
}

void DmMediaTypeFromItem(DrvContext* ctx) {
    if (ctx && ctx->devmode) wr32(ctx->devmode, kOffMediaType, ItemRawById(ctx, kItRdmMediaType));
}

void DmSyncItems(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags) {
    if (!ctx || !ctx->devmode || !in) return;
    const BYTE* cur = ctx->devmode;
    // The caller's user size counts as its length and width here too, so
    // that the paper items follow the size the merge took.
    const uint32_t asked = requestedFields(in);
    const uint32_t common = asked & fields(cur);
    if (common & DM_DUPLEX) syncDuplex(ctx);
    if (common & DM_MEDIATYPE) ItemSetRawById(ctx, kItRdmMediaType, rd32(cur, kOffMediaType));
    if (stampShown(ctx)) LoadStampByIndex(ctx, ItemRawById(ctx, kItRdmWmID));
    if (!(mergeFlags & kMergeSettingsImport)) DmResolutionToItems(ctx);

    const bool bothSized = (asked & DM_PAPERSIZE) && (fields(cur) & DM_PAPERSIZE);
    if (customSize(cur, common) && !bothSized) {
        DmCustomSizeToItems(ctx);
    } else if (common & DM_PAPERSIZE) {
        DmSetSrcPaperItems(ctx, rds16(cur, kOffPaperSize));
    } else if (common & DM_ORIENTATION) {
        const uint32_t own = fields(cur);
        if (customSize(cur, own) && !(own & DM_PAPERSIZE)) DmCustomSizeToItems(ctx);
        else if (own & DM_PAPERSIZE) DmSetSrcPaperItems(ctx, rds16(cur, kOffPaperSize));
    }
    DmSetDstPaperItems(ctx, static_cast<int16_t>(ItemRawById(ctx, kItRdmOutPaperSize)));
    stateBytes(ctx);
    if (DmItem* pdl = ItemFindById(ctx, kItRdmOther)) {
        const BYTE* s = ItemGetStorage(ctx, pdl);
        if (s && s[0] == 0) SetPdlCodeItem(ctx);
    }
    ItemSetRawById(ctx, kItWdmUIStart, 0);
    DmValidateAll(ctx, 2);
}

void DmDerivedItemsUpdate(DrvContext* ctx, int reason) {
    if (!ctx || !ctx->devmode) return;
    const BYTE* cur = ctx->devmode;
    DmResolutionFromItems(ctx);
    if (customSize(cur, fields(cur))) DmCustomSizeToItems(ctx);
    else DmSetSrcPaperItems(ctx, rds16(cur, kOffPaperSize));
    DmSetDstPaperItems(ctx, static_cast<int16_t>(ItemRawById(ctx, kItRdmOutPaperSize)));
    stateBytes(ctx);
    if (reason == 1 || reason == 3 || reason == 4) SetPdlCodeItem(ctx);
    ItemSetRawById(ctx, kItWdmUIStart, 0);
}

void DmItemsToPublic(DrvContext* ctx, int reason) {
    if (!ctx || !ctx->devmode) return;
    DmDerivedItemsUpdate(ctx, reason);
    DmDuplexFromItems(ctx);
    DmMediaTypeFromItem(ctx);
    DmCopyExtBlock(ctx);
}

}  // namespace vesk

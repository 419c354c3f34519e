// The list steps of settings files: what a full import puts into the lists
// and what a preset export takes from them into the items.
#include "core/devmode/dm_public.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/validation/free_size_slots.h"

namespace vesk {
namespace {

using namespace lists;

// Item 188 holds the user quality as 32 + its list slot (the DEVMODE merge
// reads it the same way).
constexpr uint32_t kFirstMacro = 32;
constexpr uint32_t kLastMacro = 39;

int paperOf(DrvContext* ctx, int id) { return static_cast<int16_t>(ItemRawById(ctx, id)); }

// The user quality's slot, or -1 when none is selected.
int qualitySlot(DrvContext* ctx) {
    const uint32_t macro = ItemRawById(ctx, kItRdmUserPrintMacro);
    if (ItemRawById(ctx, kItRdmUseUserMacro) != 1 || macro < kFirstMacro || macro > kLastMacro) return -1;
    return static_cast<int>(macro - kFirstMacro);
}

}  // namespace

int ImportListSteps(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    const int out = paperOf(ctx, kItRdmOutPaperSize);
    if (IsFreeSizePaper(out)) {
        const int slot = FreeSizeSlotFromPaper(out);
        SaveFreeSizeByIndex(ctx, slot);
        OptionsToCachedFreeSize(ctx, slot);
    }
    const int paper = paperOf(ctx, kItDmPaperSize);
    if (IsFreeSizePaper(paper)) {
        const int slot = FreeSizeSlotFromPaper(paper);
        OptionsToCachedFreeSize2(ctx, slot);
        CachedFreeSizeToOptions(ctx, slot);
        SaveFreeSizeByIndex(ctx, slot);
    }
    if (ItemRawById(ctx, kItRdmFuncSelectWaterMark)) {
        const uint32_t count = static_cast<uint32_t>(GetStampCount(ctx));
        if (ItemRawById(ctx, kItRdmWmID) >= count) ItemSetRawById(ctx, kItRdmWmID, count);
        SaveStampByIndex(ctx, ItemRawById(ctx, kItRdmWmID));
    }
    if (const int q = qualitySlot(ctx); q >= 0) {
        RealName own(ctx);
        SaveQualityByIndex(ctx, static_cast<uint32_t>(q));
    }
    return 1;
}

int ExportListSteps(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    const int paper = paperOf(ctx, kItDmPaperSize);
    const int out = paperOf(ctx, kItRdmOutPaperSize);
    if (IsFreeSizePaper(paper) || IsFreeSizePaper(out)) LoadFreeSizeTable(ctx);
    if (IsFreeSizePaper(paper)) CachedFreeSizeToOptions2(ctx, FreeSizeSlotFromPaper(paper));
    if (IsFreeSizePaper(out)) CachedFreeSizeToOptions(ctx, FreeSizeSlotFromPaper(out));
    if (ItemRawById(ctx, kItRdmFuncSelectWaterMark)) LoadStampByIndex(ctx, ItemRawById(ctx, kItRdmWmID));
    if (const int q = qualitySlot(ctx); q >= 0) {
        RealName own(ctx);
        LoadQualityByIndex(ctx, static_cast<uint32_t>(q));
    }
    DmDuplexFromItems(ctx);
    DmMediaTypeFromItem(ctx);
    return 1;
}

}  // namespace vesk

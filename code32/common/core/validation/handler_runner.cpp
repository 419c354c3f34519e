#include "core/item_store.h"
#include "core/validation/option_checks.h"
#include "core/validation/option_handlers.h"

namespace vesk {

int RunOptionChangeHandlers(DrvContext* ctx, uint32_t mode) {
    if (!ctx || !ctx->devmode || !ctx->items) return 0;
    int stored = 0;
    for (int id = kHandlerFirstId; id <= kHandlerLastId; ++id) {
        // Ids 1..962 sit at position id - 1 of the item table.
        if (id > ctx->items->count) break;
        DmItem* item = &ctx->items->items[id - 1];
        const uint32_t raw = ItemGetRaw(ctx, item);
        // The model checks (and repairs) what it can name; only an option
        // without a key reaches its handler.
        if (OptApplyValueChecked(static_cast<uint16_t>(id), raw, ctx) != kOptNoKey) continue;
        const OptHandlerRow* row = OptHandlerRowOf(id);
        if (row && row->handler)
            stored += row->handler(static_cast<uint16_t>(id), raw, item, row->parameter, static_cast<int>(mode), ctx);
    }
    return stored;
}

}  // namespace vesk

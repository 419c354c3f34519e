#include "core/item_store.h"
#include "core/validation/option_checks.h"
#include "core/validation/option_handlers.h"

namespace vesk {

int RunOptionChangeHandlers(DrvContext* ctx, uint32_t mode) {
    if (!ctx || !ctx->devmode || !ctx->items) return 0;
    int stored = 0;
    // The rows of the handler table, one per id of the walk from its first.
    const OptHandlerRow* rows = OptHandlerTable();
    const int rowCount = OptHandlerTableCount();
    for (int id = kHandlerFirstId; id <= kHandlerLastId; ++id) {
        // Ids 1..962 sit at position id - 1 of the item table.
        if (id > ctx->items->count) break;
        DmItem* item = &ctx->items->items[id - 1];
        // The model checks (and repairs) what it can name; only an option
        // without a key reaches its handler. The value is read only where
        // it is used; nothing is stored before that.
        int why = 0;
        if (DmItem* checked = OptCheckableItem(static_cast<uint16_t>(id), ctx, &why, item)) {
            OptApplyCheckableValue(checked, static_cast<uint16_t>(id), ItemGetRaw(ctx, item), ctx);
            continue;
        }
        if (why != kOptNoKey) continue;
        const OptHandlerRow* row = id - kHandlerFirstId < rowCount ? &rows[id - kHandlerFirstId] : nullptr;
        if (row && row->handler)
            stored += row->handler(static_cast<uint16_t>(id), ItemGetRaw(ctx, item), item, row->parameter,
                                   static_cast<int>(mode), ctx);
    }
    return stored;
}

}  // namespace vesk

#include "core/devmode/dm_model.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/model/query.h"
#include "core/validation/option_checks.h"
#include "core/validation/option_handlers.h"

namespace vesk {

int RunOptionChangeHandlers(DrvContext* ctx, uint32_t mode) {
    if (!ctx || !ctx->devmode || !ctx->items) return 0;
    int stored = 0;
    // The rows of the handler table, one per id of the walk from its first.
    const OptHandlerRow* rows = OptHandlerTable();
    const int rowCount = OptHandlerTableCount();
    // Neither the checks nor the handlers add or move items: the table and
    // its length are those the walk starts with.
    DmItem* const items = ctx->items->items;
    const int last = ctx->items->count < kHandlerLastId ? ctx->items->count : kHandlerLastId;
    auto visit = [&](int id) {
        // Ids 1..962 sit at position id - 1 of the item table.
        DmItem* item = &items[id - 1];
        // The model checks (and repairs) what it can name: the item the
        // check takes is the one at the id's position when it carries the
        // id, else the one the lookup finds; an option the model lacks is
        // left to nobody. Only an option without a key reaches its handler.
        // The value is read only where it is used.
        DmItem* found = item->id == id ? item : ItemFindById(ctx, id);
        if (found && found->key != 0) {
            const DmOptionQueries q(ctx, id);
            if (const int type = q.type()) OptApplyCheckableValueBy(found, q, type, ItemGetRaw(ctx, item), ctx);
            return;
        }
        if (id - kHandlerFirstId >= rowCount) return;
        const OptHandlerRow& row = rows[id - kHandlerFirstId];
        if (row.handler)
            stored += row.handler(static_cast<uint16_t>(id), ItemGetRaw(ctx, item), item, row.parameter,
                                  static_cast<int>(mode), ctx);
    };
    // Most ids have neither a key nor a handler: a fresh table walks the ids
    // found once to act (HandlerWalkActsOn), in the same order.
    if (const ItemLists* lists = ItemListsOf(ctx)) {
        // With the default queries and the image's kept answers, a keyed
        // item at its position whose id the model has no option for is
        // known to be left alone without reading the item (most keyed ids
        // of a model have none).
        const MdlImageKept* kept = &dmModel() == &DmDefaultModelQueries() ? MdlKeptIfMade(ctx->model) : nullptr;
        static_assert(kHandlerLastId <= kMdlKeptIdLast, "the kept answers cover every id of the walk");
        for (const ItemLists::Handled& h : lists->handled) {
            if (h.id > last) continue;
            if (kept && h.keyedHere && kept->byId[h.id].baseType == 0) continue;
            visit(h.id);
        }
    } else {
        for (int id = kHandlerFirstId; id <= last; ++id) visit(id);
    }
    return stored;
}

}  // namespace vesk

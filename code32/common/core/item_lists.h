// What hot walks of the item table need, found once. A context's table
// starts as a copy of the process's one image of the template's items, so
// the positions of the items kept somewhere, the steps of the DEVMODE
// mirror's copy and the ids the option-handler walk acts on are found once
// from that image; every context whose table
// is still that copy uses them instead of walking all items (more than a
// thousand, most of which no walk needs). A table edited in place (an alias,
// a descriptor changed for one write, a restored snapshot) may no longer
// match: whoever edits a context's items calls ItemTableEdited, and that
// context's walks go back to every item.
#pragma once
#include <cstdint>
#include <vector>

#include "core/context.h"
#include "core/devmode/dm_mirror_plan.h"
#include "core/item.h"

namespace vesk {

// The lists of one image of the item table.
struct ItemLists {
    std::vector<uint16_t> named;     // positions of the items with a value name
    std::vector<MirrorStep> mirror;  // the mirror's copy (PlanExtMirror)
    // The ids the option-handler walk acts on, each marked when the item at
    // its position carries it and has a key: the model alone checks such an
    // item, so an id the model has no option for needs no visit.
    struct Handled {
        uint16_t id;
        bool keyedHere;
        bool operator==(const Handled&) const = default;
    };
    std::vector<Handled> handled;
    // The first position of every key an item has, by key (ItemFindByKey
    // answers the first item in table order).
    struct Keyed {
        int16_t key;
        uint16_t pos;
        bool operator==(const Keyed&) const = default;
    };
    std::vector<Keyed> keyed;
};

// Fills `out` from `count` items; false when out of memory (`out` is then
// empty and must not be given to a table).
bool BuildItemLists(const DmItem* items, int count, ItemLists* out);

// The context's lists, or null when its table may have been edited.
const ItemLists* ItemListsOf(const DrvContext* ctx);

// The position of the first item with `key` in a table the lists describe,
// or -1 when no item has it.
int ItemListsKeyPos(const ItemLists& lists, int16_t key);

// The context's lists without the checking build's comparison of every
// list, for a caller that checks its own answer; null as ItemListsOf.
inline const ItemLists* ItemListsUnchecked(const DrvContext* ctx) {
    return ctx && ctx->items ? ctx->items->lists : nullptr;
}

// Stops a checking build whose lists no longer describe the table.
[[noreturn]] void ItemListsStale();

// Whether the option-handler walk may act on `id` of a table whose item
// `at` sits at the id's position: the model checks an item with a key, a
// built-in handler takes one without. An item that is not at its position
// counts, the walk finding it itself.
bool HandlerWalkActsOn(const DmItem& at, int id);

// Marks the context's table as edited: its lists no longer apply.
void ItemTableEdited(DrvContext* ctx);

// Calls f(DmItem&) for every item with a value name, or for every item of
// the table when the list does not apply; f still tests each item itself.
template <class F>
void ForNamedItems(DrvContext* ctx, F&& f) {
    DmItem* const items = ctx->items->items;
    if (const ItemLists* lists = ItemListsOf(ctx)) {
        for (uint16_t i : lists->named) f(items[i]);
        return;
    }
    const int count = ctx->items->count;
    for (int i = 0; i < count; ++i) f(items[i]);
}

}  // namespace vesk

// The items a hot walk visits, by position in the item table. A context's
// table starts as a copy of the process's one image of the template's items,
// so the positions are found once from that image and every context whose
// table is still that copy walks them instead of all items (more than a
// thousand, most of which no walk needs). A table edited in place (an alias,
// a descriptor changed for one write, a restored snapshot) may no longer
// match: whoever edits a context's items calls ItemTableEdited, and the walks
// of that context go back to visiting every item.
#pragma once
#include <cstdint>
#include <vector>

#include "core/item.h"

namespace vesk {

struct DrvContext;

enum class ItemList : uint8_t {
    Named,      // items kept somewhere (a printer-data value or INI key)
    ExtMirror,  // section-2 items within the mirrored first bytes
};

// Whether an item belongs to a list; the walks test the same again, live.
bool ItemInList(const DmItem& it, ItemList which);

// The lists of one image of the item table.
struct ItemLists {
    std::vector<uint16_t> named;
    std::vector<uint16_t> extMirror;
};

// Fills `out` from `count` items; false when out of memory (`out` is then
// empty and must not be given to a table).
bool BuildItemLists(const DmItem* items, int count, ItemLists* out);

// The positions of `which` for the context's table, or null when its table
// may have been edited (the caller then visits every item).
const std::vector<uint16_t>* ItemListOf(const DrvContext* ctx, ItemList which);

// Marks the context's table as edited: its lists no longer apply.
void ItemTableEdited(DrvContext* ctx);

// Calls f(DmItem&) for every item of the list, or for every item of the
// table when the list does not apply; f still tests each item itself.
template <class F>
void ForItemsOf(DrvContext* ctx, ItemList which, DmItemTable* table, F&& f) {
    DmItem* const items = table->items;
    if (const std::vector<uint16_t>* list = ItemListOf(ctx, which)) {
        for (uint16_t i : *list) f(items[i]);
        return;
    }
    const int count = table->count;
    for (int i = 0; i < count; ++i) f(items[i]);
}

}  // namespace vesk

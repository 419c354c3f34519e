#include "core/item_lists.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/context.h"
#include "core/devmode/dm_layout.h"

namespace vesk {

bool ItemInList(const DmItem& it, ItemList which) {
    switch (which) {
        case ItemList::Named:
            return it.valueName != nullptr;
        case ItemList::ExtMirror:
            return itemSection(it) == 2 && it.offset + itemSize(it) <= dm::kExtMirrorBytes;
    }
    return false;
}

bool BuildItemLists(const DmItem* items, int count, ItemLists* out) {
    try {
        out->named.clear();
        out->extMirror.clear();
        for (int i = 0; i < count; ++i) {
            if (ItemInList(items[i], ItemList::Named)) out->named.push_back(static_cast<uint16_t>(i));
            if (ItemInList(items[i], ItemList::ExtMirror)) out->extMirror.push_back(static_cast<uint16_t>(i));
        }
        return true;
    } catch (const std::bad_alloc&) {
        *out = ItemLists{};
        return false;
    }
}

namespace {

const std::vector<uint16_t>& pick(const ItemLists& l, ItemList which) {
    return which == ItemList::Named ? l.named : l.extMirror;
}

#ifndef NDEBUG
// A checking build compares the list with the table it claims to describe,
// so an edit made without ItemTableEdited fails where it is first walked.
void checkList(const DmItemTable& t, const std::vector<uint16_t>& list, ItemList which) {
    std::vector<uint16_t> now;
    for (int i = 0; i < t.count; ++i)
        if (ItemInList(t.items[i], which)) now.push_back(static_cast<uint16_t>(i));
    if (now != list) {
        std::fprintf(stderr, "item table edited without ItemTableEdited\n");
        std::abort();
    }
}
#endif

}  // namespace

const std::vector<uint16_t>* ItemListOf(const DrvContext* ctx, ItemList which) {
    if (!ctx || !ctx->items || !ctx->items->lists) return nullptr;
    const std::vector<uint16_t>& list = pick(*ctx->items->lists, which);
#ifndef NDEBUG
    checkList(*ctx->items, list, which);
#endif
    return &list;
}

void ItemTableEdited(DrvContext* ctx) {
    if (ctx && ctx->items) ctx->items->lists = nullptr;
}

}  // namespace vesk

#include "core/item_lists.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/context.h"
#include "core/validation/option_handlers.h"

namespace vesk {
namespace {

void build(const DmItem* items, int count, ItemLists* out) {
    out->named.clear();
    out->mirror.clear();
    for (int i = 0; i < count; ++i)
        if (items[i].valueName) out->named.push_back(static_cast<uint16_t>(i));
    PlanExtMirror(items, count, [&](MirrorStep s) { out->mirror.push_back(s); });
    out->handled.clear();
    for (int id = kHandlerFirstId; id <= kHandlerLastId && id <= count; ++id)
        if (HandlerWalkActsOn(items[id - 1], id))
            out->handled.push_back({static_cast<uint16_t>(id), items[id - 1].id == id && items[id - 1].key != 0});
    out->keyed.clear();
    for (int i = 0; i < count; ++i)
        if (items[i].key != 0) out->keyed.push_back({items[i].key, static_cast<uint16_t>(i)});
    // By key, and within a key by position, so that the first entry of a
    // key is its first item; the later ones are dropped.
    std::stable_sort(out->keyed.begin(), out->keyed.end(),
                     [](const ItemLists::Keyed& a, const ItemLists::Keyed& b) { return a.key < b.key; });
    out->keyed.erase(std::unique(out->keyed.begin(), out->keyed.end(),
                                 [](const ItemLists::Keyed& a, const ItemLists::Keyed& b) { return a.key == b.key; }),
                     out->keyed.end());
}


// A checking build compares the lists with the table they claim to
// describe, so an edit made without ItemTableEdited fails where the lists
// are first used after it.
void check(const DrvContext* ctx) {
#ifndef NDEBUG
    ItemLists now;
    build(ctx->items->items, ctx->items->count, &now);
    const ItemLists& kept = *ctx->items->lists;
    if (now.named != kept.named || now.mirror != kept.mirror || now.handled != kept.handled ||
        now.keyed != kept.keyed)
        ItemListsStale();
#else
    (void)ctx;
#endif
}

}  // namespace

bool BuildItemLists(const DmItem* items, int count, ItemLists* out) {
    try {
        build(items, count, out);
        return true;
    } catch (const std::bad_alloc&) {
        *out = ItemLists{};
        return false;
    }
}

const ItemLists* ItemListsOf(const DrvContext* ctx) {
    if (!ctx || !ctx->items || !ctx->items->lists) return nullptr;
    check(ctx);
    return ctx->items->lists;
}

void ItemListsStale() {
    std::fprintf(stderr, "item table edited without ItemTableEdited\n");
    std::abort();
}

int ItemListsKeyPos(const ItemLists& lists, int16_t key) {
    const auto it = std::lower_bound(lists.keyed.begin(), lists.keyed.end(), key,
                                     [](const ItemLists::Keyed& k, int16_t x) { return k.key < x; });
    return it != lists.keyed.end() && it->key == key ? it->pos : -1;
}

bool HandlerWalkActsOn(const DmItem& at, int id) {
    if (at.id != id || at.key != 0) return true;
    const OptHandlerRow* row = OptHandlerRowOf(id);
    return row && row->handler;
}

void ItemTableEdited(DrvContext* ctx) {
    if (ctx && ctx->items) ctx->items->lists = nullptr;
}

}  // namespace vesk

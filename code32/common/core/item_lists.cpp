#include "core/item_lists.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/context.h"

namespace vesk {
namespace {

void build(const DmItem* items, int count, ItemLists* out) {
    out->named.clear();
    out->mirror.clear();
    for (int i = 0; i < count; ++i)
        if (items[i].valueName) out->named.push_back(static_cast<uint16_t>(i));
    PlanExtMirror(items, count, [&](MirrorStep s) { out->mirror.push_back(s); });
}

bool sameSteps(const std::vector<MirrorStep>& a, const std::vector<MirrorStep>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].offset != b[i].offset || a[i].length != b[i].length || a[i].zero != b[i].zero) return false;
    return true;
}

// A checking build compares the lists with the table they claim to
// describe, so an edit made without ItemTableEdited fails where the lists
// are first used after it.
void check(const DrvContext* ctx) {
#ifndef NDEBUG
    ItemLists now;
    build(ctx->items->items, ctx->items->count, &now);
    if (now.named != ctx->items->lists->named || !sameSteps(now.mirror, ctx->items->lists->mirror)) {
        std::fprintf(stderr, "item table edited without ItemTableEdited\n");
        std::abort();
    }
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

const std::vector<uint16_t>* NamedItemsOf(const DrvContext* ctx) {
    if (!ctx || !ctx->items || !ctx->items->lists) return nullptr;
    check(ctx);
    return &ctx->items->lists->named;
}

const std::vector<MirrorStep>* MirrorPlanOf(const DrvContext* ctx) {
    if (!ctx || !ctx->items || !ctx->items->lists) return nullptr;
    check(ctx);
    return &ctx->items->lists->mirror;
}

void ItemTableEdited(DrvContext* ctx) {
    if (ctx && ctx->items) ctx->items->lists = nullptr;
}

}  // namespace vesk

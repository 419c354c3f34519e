#include "core/computed/cached_items.h"

#include "core/item_store.h"

namespace vesk {
namespace {

constexpr uint16_t kIds[kCachedItemCount] = {
#define VESK_CACHED_ID(name, id) id,
    VESK_CACHED_ITEMS(VESK_CACHED_ID)
#undef VESK_CACHED_ID
};

}  // namespace

int CachedItemId(CachedItem slot) { return slot < kCachedItemCount ? kIds[slot] : 0; }

uint32_t ItemCachedRaw(DrvContext* ctx, CachedItem slot) {
    if (!ctx || slot >= kCachedItemCount) return 0;
    if (!ctx->ws) return ItemRawById(ctx, kIds[slot]);
    DmItem*& d = ctx->ws->itemCache[slot];
    if (!d) return ItemRawById(ctx, kIds[slot], &d);
    return ItemGetRaw(ctx, d);
}

}  // namespace vesk

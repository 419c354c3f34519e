// The two context caches of a library: released contexts kept for a short
// time and handed to the next matching request. Cache 1 holds device-
// capability contexts, cache 2 the others; two slots each, each cache under
// its own lock.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr uint32_t kCacheMaxAgeMs = 500;

// Empties both caches without freeing (process attach).
void CtxCacheClear();
// Frees every cached context released more than 500 ms ago, or every cached
// context when `all` is non-zero (process detach passes 1).
void CtxCacheFlush(int all);
// A cached context that matches the request, taken out of its cache, or null.
DrvContext* CtxCacheLookup(HANDLE printer, uint16_t kindWord, uint32_t flags, uint32_t documentMode,
                           const PRINTER_INFO_2W* info);
// Offers a released context to cache 1 (`cache` 1) or 2. Returns the context
// the caller must free: the evicted one, the offered one when it may not be
// cached, or null.
DrvContext* CtxCacheRelease(DrvContext* ctx, int cache);
// Number of occupied slots of a cache (1 or 2).
int CtxCacheOccupied(int cache);

}  // namespace vesk

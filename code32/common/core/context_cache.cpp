#include "core/context_cache.h"

#include "core/item_store.h"
#include "core/locks.h"
#include "core/context.h"
#include "core/sysdeps.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr uint16_t kKindByte = 0xFF;
// Kind options that change what the context holds; a cached context serves
// only requests with the same ones. Only the administrator option does: it
// sets the DEVMODE's administrator flag at creation, so a context made with
// it would hand administrator-only settings to a plain caller, and a plain
// one would deny them to a caller that asked for them. The mutex-held option
// only tells how the model was loaded, which a cached context has done, so a
// request with it may take a plain cached context and the reverse.
constexpr uint16_t kStateOptions = kKindOptAdmin;

struct Slot {
    DrvContext* ctx = nullptr;
    uint32_t tick = 0;
};
struct Cache {
    ProcessLock& lock;
    Slot slots[2];
};
Cache& cache(int n) {
    static Cache caches[2] = {{CacheLock(1), {}}, {CacheLock(2), {}}};
    return caches[n == 1 ? 0 : 1];
}

// Milliseconds since `tick`, right across the wrap of the 32-bit counter.
uint32_t ageOf(uint32_t now, uint32_t tick) { return now - tick; }

bool sameName(const WCHAR* a, const WCHAR* b) {
    size_t i = 0;
    for (; i < kWsPrinterNameChars && a[i] && b[i]; ++i)
        if (a[i] != b[i]) return false;
    return i == kWsPrinterNameChars || a[i] == b[i];
}

bool matches(const DrvContext* c, HANDLE printer, uint16_t kindWord, uint32_t flags, uint32_t documentMode,
             const WCHAR* name) {
    const DrvWorkspace* ws = c->ws;
    if (!(kindWord & kKindOptAnyHandle) && c->printer != printer) return false;
    if (kindWord != 0 && !(kindWord & kKindOptReuse)) return false;
    // The cached context must be of the requested kind and hold the same
    // state options: a light context has no DEVMODE, and one made with the
    // mutex held or administrator rights assumed must not serve others.
    if (ws->kind != (kindWord & kKindByte)) return false;
    if ((ws->kindOptions & kStateOptions) != (kindWord & kStateOptions)) return false;
    if (ws->creationFlags != flags) return false;
    if (!sameName(ws->printerName, name)) return false;
    if (flags == kCreateMergeNoUi && documentMode == 2 && ws->documentMode != 2) return false;
    return true;
}

}  // namespace

void CtxCacheClear() {
    for (int n = 1; n <= 2; ++n) {
        Cache& c = cache(n);
        LockHold hold(c.lock);
        c.slots[0] = c.slots[1] = Slot{nullptr, 0};
    }
}

void CtxCacheFlush(int all) {
    uint32_t now = GetTicks();
    DrvContext* collected[4] = {};
    int n = 0;
    for (int k = 1; k <= 2; ++k) {
        Cache& c = cache(k);
        LockHold hold(c.lock);
        for (Slot& s : c.slots) {
            if (s.ctx && (all || ageOf(now, s.tick) > kCacheMaxAgeMs)) {
                collected[n++] = s.ctx;
                s = Slot{nullptr, 0};
            }
        }
    }
    for (int i = 0; i < n; ++i) CtxFree(collected[i], kReleaseFree);
}

DrvContext* CtxCacheLookup(HANDLE printer, uint16_t kindWord, uint32_t flags, uint32_t documentMode,
                           const PRINTER_INFO_2W* info) {
    CtxCacheFlush(0);
    WCHAR name[kWsPrinterNameChars] = {};
    const WCHAR* src = info ? info->pPrinterName : nullptr;
    PRINTER_INFO_2W* fetched = nullptr;
    if (!src) {
        fetched = PrnGetInfo2(printer);
        src = fetched ? fetched->pPrinterName : nullptr;
    }
    if (src) {
        size_t i = 0;
        for (; src[i] && i + 1 < kWsPrinterNameChars; ++i) name[i] = src[i];
        name[i] = 0;
    }
    PrnFreeInfo2(fetched);
    if (!name[0]) return nullptr;
    Cache& c = cache(flags == kCreateDeviceCaps ? 1 : 2);
    LockHold hold(c.lock);
    for (Slot& s : c.slots) {
        if (s.ctx && matches(s.ctx, printer, kindWord, flags, documentMode, name)) {
            DrvContext* hit = s.ctx;
            s = Slot{nullptr, 0};
            return hit;
        }
    }
    return nullptr;
}

DrvContext* CtxCacheRelease(DrvContext* ctx, int n) {
    if (!ctx) return nullptr;
    // A context in job-binding mode (bit 0 of the job-linker item) is never
    // kept; the other bits of the item do not bind it.
    if (ItemRawById(ctx, kItRdmJobLinker) & 1) return ctx;
    uint32_t now = GetTicks();
    Cache& c = cache(n);
    LockHold hold(c.lock);
    for (Slot& s : c.slots) {
        if (!s.ctx) {
            s = Slot{ctx, now};
            return nullptr;
        }
    }
    // Both slots taken: the one released longest ago goes (the first on a tie).
    Slot* oldest = &c.slots[0];
    if (ageOf(now, c.slots[1].tick) > ageOf(now, c.slots[0].tick)) oldest = &c.slots[1];
    DrvContext* evicted = oldest->ctx;
    *oldest = Slot{ctx, now};
    return evicted;
}

int CtxCacheOccupied(int n) {
    Cache& c = cache(n);
    LockHold hold(c.lock);
    return (c.slots[0].ctx ? 1 : 0) + (c.slots[1].ctx ? 1 : 0);
}

}  // namespace vesk

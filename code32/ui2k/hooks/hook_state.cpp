// The page hooks' per-context state, freed with the context.
#include "hooks/hook_state.h"

#include "core/sysdeps.h"

namespace vesk {
namespace {

void freeHookState(void* state) {
    auto* h = static_cast<HookState*>(state);
    if (!h) return;
    CsvStoreRelease(&h->address);
    MemFree(h->devInfoCapture);
    MemFree(h);
}

}  // namespace

HookState* HookStateOf(DrvContext* ctx, bool create) {
    if (!ctx || !ctx->ws) return nullptr;
    auto* h = static_cast<HookState*>(ctx->ws->uiHookState);
    if (h || !create) return h;
    h = static_cast<HookState*>(MemAllocZero(sizeof(HookState)));
    if (!h) return nullptr;
    h->address.position = -1;
    ctx->ws->uiHookState = h;
    ctx->ws->uiHookStateFree = &freeHookState;
    return h;
}

int DevInfoCaptureListSet(DrvContext* ctx, const DevInfoPair* pairs, int count) {
    HookState* h = HookStateOf(ctx, true);
    if (!h || count < 0 || (count && !pairs)) return 0;
    auto* copy = static_cast<DevInfoPair*>(MemAllocZero(sizeof(DevInfoPair) * (size_t(count) + 1)));
    if (!copy) return 0;
    for (int i = 0; i < count; ++i) copy[i] = pairs[i];
    MemFree(h->devInfoCapture);
    h->devInfoCapture = copy;
    return 1;
}

void DevInfoCaptureListFree(DrvContext* ctx) {
    HookState* h = HookStateOf(ctx, false);
    if (!h) return;
    MemFree(h->devInfoCapture);
    h->devInfoCapture = nullptr;
}

}  // namespace vesk

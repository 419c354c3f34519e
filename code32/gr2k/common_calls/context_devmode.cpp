#include "common_calls/context_devmode.h"

#include <win/devmode.h>

#include "common_calls/start_doc_steps.h"
#include "core/computed/computed.h"
#include "core/context_cache.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_validate.h"
#include "core/locks.h"
#include "core/validation/option_handlers.h"
#include "core/validation/public_validators.h"

namespace vesk {

HANDLE TsMutexCreateGr() { return TsMutexCreate(); }
void TsMutexWaitGr() { TsMutexWait(); }

void CtxCacheFlushGr(int all) { CtxCacheFlush(all); }
DrvContext* CtxCacheLookupGr(HANDLE printer, uint16_t kindWord, uint32_t flags, uint32_t documentMode,
                             const PRINTER_INFO_2W* info) {
    return CtxCacheLookup(printer, kindWord, flags, documentMode, info);
}

DrvContext* CtxCreateExGr(HANDLE printer, HANDLE driverQuery, uint16_t kindWord, uint32_t flags,
                          uint32_t documentMode, const PRINTER_INFO_2W* info) {
    return CtxCreateExUsing(printer, driverQuery, nullptr, kindWord, flags, documentMode, info,
                            SettingsSyncAtOpenGr);
}

DrvContext* CtxCreateGr(HANDLE printer, uint16_t kindWord, uint32_t flags) {
    return CtxCreateExGr(printer, printer, kindWord, flags, 0, nullptr);
}

void CtxReleaseExGr(DrvContext* ctx, uint16_t type) { CtxReleaseEx(ctx, type); }
void CtxReleaseGr(DrvContext* ctx) { CtxReleaseExGr(ctx, kReleaseCache2); }

BYTE* DmCreateDefaultGr(DrvContext* ctx, uint16_t kind) { return DmCreateDefault(ctx, kind); }
void DmSetDefaultsGr(DrvContext* ctx) { DmSetDefaults(ctx); }
void DmFieldNopGr(DrvContext* ctx, BYTE* devmode) { DmFieldNop(ctx, devmode); }

void DmSetSrcPaperItemsGr(DrvContext* ctx, int16_t paper) { DmSetSrcPaperItems(ctx, paper); }
void DmSetDstPaperItemsGr(DrvContext* ctx, int16_t paper) { DmSetDstPaperItems(ctx, paper); }
void DmItemsToPublicGr(DrvContext* ctx, int reason) { DmItemsToPublic(ctx, reason); }
void DmDerivedItemsUpdateGr(DrvContext* ctx, int reason) { DmDerivedItemsUpdate(ctx, reason); }
int ItemValueIsValidGr(DrvContext* ctx, const DmItem* item, int id, uint32_t raw) {
    return ItemValueIsValid(ctx, item, id, raw);
}
int ItemValueCheckGr(DrvContext* ctx, const DmItem* item, int id, uint32_t raw) {
    return ItemValueCheck(ctx, item, id, raw);
}
int DmCollateSupportedGr(DrvContext* ctx) { return DmCollateSupported(ctx); }
int RunOptionChangeHandlersGr(DrvContext* ctx, uint32_t mode) { return RunOptionChangeHandlers(ctx, mode); }
uint32_t ComputedItemValueGr(DrvContext* ctx, int id) { return ComputedItemValue(ctx, id); }
int CheckPaperSizeLimitsGr(DrvContext* ctx, int fromItems) { return CheckPaperSizeLimits(ctx, fromItems); }

void DmMergePublicFieldsGr(BYTE* target, const BYTE* in, DrvContext* ctx) {
    if (!ctx || !ctx->ws) return;
    // The merge works on the context's DEVMODE: the target stands in for it.
    BYTE* own = ctx->devmode;
    if (target) ctx->devmode = target;
    DmMergePublic(ctx, in, ctx->ws->mergeFlags);
    ctx->devmode = own;
}

// The common merge under the graphics profile: no capability summary, no
// provider user code and no job-control fetch. Of the private part it keeps
// the context's ten state-flag bytes that describe the context itself (call
// source, OS kind, batch install, print log, bidirectional, permission,
// server/client mode, property type, terminal server, administrator) and its
// front-function word, which it keeps whole: the word is a persisted 32-bit
// setting, and keeping only its low byte would take the rest from the job.
int DmApplyDevmodeFlagsGr(DrvContext* ctx, const DEVMODEW* devmode, uint32_t flags) {
    const BYTE* in = reinterpret_cast<const BYTE*>(devmode);
    size_t len = 0;
    if (in) len = static_cast<size_t>(dm::rd16(in, dm::kOffSize)) + dm::rd16(in, dm::kOffDriverExtra);
    return DmMergeDevmode(ctx, in, len, flags);
}

}  // namespace vesk

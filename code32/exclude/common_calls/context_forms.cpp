#include "common_calls/context_forms.h"

#include "core/batch_inst.h"
#include "core/bidi/bidi.h"
#include "core/devmode/dm_flags.h"
#include "core/item_ids.h"
#include "core/item_store.h"

namespace vesk {
namespace {
// Mode flags of the library's device query: never a wait window.
constexpr uint32_t kExcQueryFlags = 0x8;
}  // namespace

DrvContext* CtxCreateExExc(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord, uint32_t flags,
                           uint32_t documentMode, const PRINTER_INFO_2W* info) {
    return CtxCreateEx(printer, driverQuery, ignored, kindWord, flags, documentMode, info);
}

void CtxReleaseExExc(DrvContext* ctx, uint16_t type) { CtxReleaseEx(ctx, type); }

int BidiRefreshOnOpenExc(DrvContext* ctx, int query) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    // Printer data holds the saved state for a server connection or when the
    // settings file has none; else the file does.
    const bool fromData = DmGetRemoteFlag(ctx) == 1 || !BidiIniHasFlag(ctx);
    const bool saved = fromData ? (BidiGetFlag(ctx) & 1) != 0 : BidiIniGetFlag(ctx) != 0;
    if (saved) {
        if (BidiGateOn(ctx, kBidiGateQuery)) DmSetFlagE(ctx);
        else DmClearFlagE(ctx);
        return 1;
    }
    if (query == 1) return BidiQueryDeviceExc(ctx);
    DmClearFlagE(ctx);
    return 0;
}

HWND ReturnNullExc(DrvContext*, uint32_t) { return nullptr; }
void HookNoop2(HWND, DrvContext*) {}

int BidiQueryDeviceExc(DrvContext* ctx) {
    static constexpr BidiWaitOps kNoWindow{ReturnNullExc, HookNoop2};
    return BidiGetDeviceInfoWith(ctx, kExcQueryFlags, kNoWindow);
}

int DmApplyBidiTraysExc(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    if (GetBatchInstRst(ctx)) return 1;
    ItemSetRawById(ctx, kItRdmCoverInputTray, ItemRawById(ctx, kItRdmCoverDefTray));
    ItemSetRawById(ctx, kItRdmMPInputTray, ItemRawById(ctx, kItRdmMPDefTray));
    return 1;
}

}  // namespace vesk

// The query's entries: when to ask, where the results go, the extended mode.
#include "core/batch_inst.h"
#include "core/bidi/bidi.h"
#include "core/bidi/bidi_monitor.h"
#include "core/bridge/bridge.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/res/res.h"

namespace vesk {

const WCHAR kBidiGateQuery[] = u"bIsBIDISupportForVESK";
const WCHAR kBidiGateModel[] = u"bIsBIDISupportForVESKModel";

namespace {

// The bridge's connected state.
constexpr int kBridgeConnected = 1;

// The bidirectional settings file serves local printers only.
bool usesIni(DrvContext* ctx) { return DmGetRemoteFlag(ctx) != 1; }

void emptyVersions(DrvContext* ctx) {
    ItemSetRawById(ctx, kItRdmSystemVersion, 0);
    ItemSetRawById(ctx, kItRdmEmulationVersion, 0);
}

// The wait window when the caller asked for one.
HWND openWait(DrvContext* ctx, uint32_t flags) {
    return (flags & kBidiWithWindow) ? WaitDialogCreate(ctx, kBidiWaitText) : nullptr;
}
void closeWait(HWND window, DrvContext*) { WaitDialogDestroy(window); }
constexpr BidiWaitOps kWaitWindow{openWait, closeWait};

// The query core under the wait window.
int queryWithWindow(DrvContext* ctx, int full, uint32_t flags, const BidiWaitOps& ops = kWaitWindow) {
    HWND wait = ops.open(ctx, flags);
    const int r = BidiQueryCore(ctx, full, flags);
    ops.close(wait, ctx);
    return r;
}

}  // namespace

int BidiGateOn(DrvContext* ctx, const WCHAR* key) {
    if (!ctx || !ctx->ws || !key) return 0;
    const WCHAR* ini = GetIniFilePath(ctx);
    if (!isDrivePath(ini)) return 0;
    return IniGetInt(GetLangCode(ctx), key, 1, ini) == 1 ? 1 : 0;
}

int BidiSetStateFromGate(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 1;
    DmPutFlagE(ctx, BidiGateOn(ctx, kBidiGateQuery) ? 1 : 0);
    return 1;
}

int BidiRefreshOnOpen(DrvContext* ctx, HWND parent) {
    if (!ctx || !ctx->devmode || !BidiGateOn(ctx, kBidiGateQuery)) return 1;
    const bool stored = (usesIni(ctx) && BidiIniHasFlag(ctx)) ? BidiIniGetFlag(ctx) != 0 : BidiGetFlag(ctx) != 0;
    return stored ? BidiSetStateFromGate(ctx) : BidiGetDeviceInfo(ctx, parent);
}

int BidiGetDeviceInfo(DrvContext* ctx, HWND) { return BidiGetDeviceInfoEx(ctx, nullptr, kBidiWithWindow); }

int BidiGetDeviceInfoQuiet(DrvContext* ctx) { return BidiGetDeviceInfoEx(ctx, nullptr, kBidiQuiet); }

int BidiGetDeviceInfoEx(DrvContext* ctx, HWND, uint32_t flags) { return BidiGetDeviceInfoWith(ctx, flags, kWaitWindow); }

int BidiGetDeviceInfoWith(DrvContext* ctx, uint32_t flags, const BidiWaitOps& ops) {
    if (!ctx || !ctx->ws || !ctx->devmode || !ops.open || !ops.close) return 0;
    if ((IsFeatureOn(0) || IsFeatureOn(7)) && SrvCfgGetState(ctx) == kBridgeConnected) return 1;
    if (!BidiGateOn(ctx, kBidiGateQuery)) {
        DmPutFlagE(ctx, 0);
        return 1;
    }
    int result = 0;
    if (PrnIsBidiEnabled(ctx) && BidiMonitorIsAvailable(ctx, flags)) result = queryWithWindow(ctx, 1, flags, ops);
    if (result) {
        DmCopyExtBlock(ctx);
        BidiSetFlag(ctx, 1);
        DmPutFlagE(ctx, 1);
        if (BidiHasFlag(ctx)) BidiIniClearSection(ctx);
        else if (usesIni(ctx)) BidiIniExport(ctx);
    } else {
        DmPutFlagE(ctx, 0);
        emptyVersions(ctx);
    }
    return result;
}

int BidiQueryDeviceStatus(DrvContext* ctx, HWND) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    if (!BidiGateOn(ctx, kBidiGateQuery)) return 1;
    int result = 0;
    if (PrnIsBidiEnabled(ctx) && BidiMonitorIsAvailable(ctx, kBidiWithWindow))
        result = queryWithWindow(ctx, 0, kBidiWithWindow);
    if (!result) emptyVersions(ctx);
    return result;
}

int BidiMonitorIsAvailable(DrvContext* ctx, uint32_t flags) {
    BidiSession s(ctx, flags);
    return s.open() ? 1 : 0;
}

int BidiExInit(DrvContext* ctx) {
    if (!ctx) return 0;
    if (usesIni(ctx) && BidiIniHasExFlag(ctx)) return BidiIniSetExFlag(ctx, 1);
    return BidiSetExFlag(ctx, 1);
}

int BidiExIsEnabled(DrvContext* ctx) {
    if (!ctx) return 0;
    if (usesIni(ctx) && BidiIniHasExFlag(ctx)) return BidiIniGetExFlag(ctx);
    const int v = BidiGetExFlag(ctx);
    // A process that cannot write printer data cannot have turned it off.
    if (v == 0 && !BidiHasFlag(ctx)) return 1;
    return v;
}

int BidiExApplyTrayDefaults(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    if (BidiExIsEnabled(ctx) || GetBatchInstRst(ctx)) return 1;
    ItemSetRawById(ctx, kItRdmCoverInputTray, ItemRawById(ctx, kItRdmCoverDefTray));
    ItemSetRawById(ctx, kItRdmMPInputTray, ItemRawById(ctx, kItRdmMPDefTray));
    return 1;
}

int BidiShowQueryWarning(DrvContext* ctx, HWND window) { return MsgBoxOk(ctx, window, kBidiWarning); }

}  // namespace vesk

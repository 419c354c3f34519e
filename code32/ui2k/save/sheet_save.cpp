// The save step of sheets and of document requests without a sheet.
#include "save/sheet_save.h"

#include <win/devmode.h>

#include "core/caps/summary.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_public.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/os_version.h"
#include "core/persist/opt_persist.h"
#include "core/usercode/user_code.h"
#include "core/validation/public_validators.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/install/batch_install.h"
#include "core/install/install_printer.h"
#include "core/install/install_rename.h"
#include "sheets/sheet_session.h"

namespace vesk {
namespace {

using dm::addFields;
using dm::clearFields;
using dm::fields;
using dm::kOffCollate;
using dm::rd16;
using dm::wr16;

// The driver's collate setting: the low word of item 64.
int16_t driverCollate(DrvContext* ctx) { return (ItemRawById(ctx, kItRdmFuncSelectSort) & 0xFFFF) ? 1 : 0; }

// DM_COLLATE and dmCollate of `out` from the driver's setting, or removed
// when the device does not collate.
void collateFromDriver(DrvContext* ctx, BYTE* out, bool supported) {
    if (supported) {
        addFields(out, DM_COLLATE);
        wr16(out, kOffCollate, static_cast<uint16_t>(driverCollate(ctx)));
    } else {
        clearFields(out, DM_COLLATE);
        wr16(out, kOffCollate, 0);
    }
}

}  // namespace

uint32_t SheetKindOf(const DrvContext* ctx) { return ctx && ctx->ws ? ctx->ws->sheetKind : 0; }
void SheetSetKind(DrvContext* ctx, uint32_t kind) {
    if (ctx && ctx->ws) ctx->ws->sheetKind = kind;
}

int DmWriteOutDevmode(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 1;
    DrvWorkspace* ws = ctx->ws;
    const uint32_t mode = ws->documentMode;
    if (!(mode & (DM_UPDATE | DM_COPY))) return 1;
    if (mode & DM_COPY) CapsBuildSummary(ctx);
    ClearJcItemsIfOn(ctx, kJcSaveClearMask);

    const DmSizes& s = dmSizes();
    const bool supported = DmCollateSupported(ctx) != 0;
    // Only DM_COPY writes the caller's buffer: DM_UPDATE alone asks for the
    // context's own DEVMODE, also in a request without a sheet.
    if (mode & DM_COPY) {
        BYTE* out = static_cast<BYTE*>(ws->documentOutput);
        const BYTE* in = static_cast<const BYTE*>(ws->documentInput);
        if (!out) return 1;
        const size_t inLen = in ? DmClaimedLength(in) : 0;
        DmCombine(ctx->devmode, s.totalSize, in, inLen, out, s.totalSize);
        const bool inCollate = in && inLen >= kOffCollate + 2 && rd16(in, dm::kOffSize) >= kOffCollate + 2 &&
                               (fields(in) & DM_COLLATE);
        if (!supported || !inCollate || (OsIsBeforeNt5() && DmGetUserDefaultMode(ctx))) {
            collateFromDriver(ctx, out, supported);
        } else {
            addFields(out, DM_COLLATE);
            wr16(out, kOffCollate, rd16(in, kOffCollate));
        }
        return 1;
    }
    collateFromDriver(ctx, ctx->devmode, supported);
    return 1;
}

int SheetCommitDocument(DrvContext* ctx) {
    DmWriteOutDevmode(ctx);
    OptSaveUserClasses(ctx->printer, ctx);
    return 1;
}

int SheetSaveDocumentEx(DrvContext* ctx, int mode) {
    DmItemsToPublic(ctx, mode);
    return SheetCommitDocument(ctx);
}

int SheetSaveDocument(DrvContext* ctx) { return SheetSaveDocumentEx(ctx, kSaveOnDestroy); }

int SheetSaveDeviceEx(DrvContext* ctx, int mode) {
    SaveUserCodeFromProvider(ctx);
    DmItemsToPublic(ctx, mode);
    OptSaveDeviceClass(ctx->printer, ctx);
    return 1;
}

int SheetSaveDevice(DrvContext* ctx) { return SheetSaveDeviceEx(ctx, kSaveOnDestroy); }

int SheetSave(DrvContext* ctx) {
    if (SheetKindOf(ctx) & kSheetKindPrinter) {
        PresetRefreshCheck(ctx, 1);
        return SheetSaveDevice(ctx);
    }
    JcOpenIfOn(ctx);
    JcSetItemsIfOn(ctx, kJcSaveSetMask);
    JcGetItemsIfOn(ctx, kJcSaveGetMask);
    JcCloseIfOn(ctx);
    return SheetSaveDocumentEx(ctx, kSaveOnApply);
}

}  // namespace vesk

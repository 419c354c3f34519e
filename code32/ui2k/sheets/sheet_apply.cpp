// The sheet's apply: what the user set is saved, and the saved state
// becomes the session's new starting point.
#include <cstring>

#include "core/devmode/dm_flags.h"
#include "core/devmode_sizes.h"
#include "core/jobctl/jc_client.h"
#include "save/sheet_save.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {
constexpr uint32_t kJcApplyMask = 159;
}

int SheetApply(DrvContext* ctx) {
    SheetSession* s = SheetSessionOf(ctx);
    if (!s || !ctx->devmode) return 0;
    const BYTE opt40 = DmGetOpt40Flag(ctx);
    s->applied = 1;
    const int saved = SheetSave(ctx);
    CtxFreeFontTables(ctx);
    CtxSnapshotDevmode(ctx);
    // A cancel after this apply goes back to what was applied, not to the
    // state at init.
    if (s->snapshot) std::memcpy(s->snapshot, ctx->devmode, dmSizes().stateSize);
    JcFetchItemsIfOn(ctx, kJcApplyMask);
    DmPutOpt40Flag(ctx, opt40);
    if (s->comFunction) {
        if (s->kind & kSheetPrinter) {
            SheetPublishPrinter(ctx);
            s->comFunction(s->comHandle, CPSFUNC_SET_RESULT, 0, 1);
        } else if (s->callerMode & (DM_UPDATE | DM_COPY)) {
            s->comFunction(s->comHandle, CPSFUNC_SET_RESULT, 0, 1);
        }
    }
    return saved;
}

}  // namespace vesk

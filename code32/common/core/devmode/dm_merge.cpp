// The merge of a caller's DEVMODE into the context's: the caller's private
// part when it is this driver's, the public fields by their flags, and the
// items kept in step with both.
#include <cstring>

#include "core/caps/summary.h"
#include "core/context_access.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/pending_capabilities.h"
#include "core/devmode/dm_services.h"
#include "core/devmode/dm_validate.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/pending_capabilities.h"
#include "core/usercode/user_code.h"
#include "core/sysdeps.h"
#include "core/item_ids.h"
#include "core/library_profile.h"

namespace vesk {
using namespace dm;

namespace {
constexpr uint32_t kLoadClassFlags = 0x0C220004;
constexpr uint32_t kPostCheckFlags = 0x1D220004;
constexpr uint32_t kJobControlGroups = 159;

// State bytes that describe the context's own situation and survive a merge.
constexpr uint32_t kKeptFlagOffsets[] = {kOffCallSrc,  kOffOsKind,          kOffBatchInst,     kOffPrintLog,
                                         kOffBiDirect, kOffNoPermission,    kOffServerClientMode,
                                         kOffPropertyType, kOffTse,         kOffAdmin};

// The working copy keeps the caller's private part only when it is this
// driver's and of the same display language. "This driver's" is the whole
// acceptance test of a private part, machine id and driver type included,
// not only signature, size and version: a private part of another machine
// of the family has the same layout but holds another device's option
// values, which would pass into this context's items unchecked.
bool privatePartUsable(const DrvContext* ctx, const BYTE* work, const BYTE* cur) {
    const DmSizes& s = dmSizes();
    return DmIsCompatible(ctx, work, s.totalSize) && work[kOffLanguageId] == cur[kOffLanguageId];
}
}  // namespace

int DmMergeDevmode(DrvContext* ctx, const BYTE* in, size_t len, uint32_t flags) {
    if (!(flags & (kMergeModify | kMergeNoUi))) return 1;
    if (!ctx || !ctx->devmode || !ctx->ws) return 0;
    // The merge stores values only: an item found by its key stays the one
    // found until the merge ends.
    const ItemKeyScope keyScope;
    const DmSizes& s = dmSizes();
    BYTE* cur = ctx->devmode;
    ctx->ws->mergeFlags = flags;
    ItemSetRawById(ctx, kItWdmCtrlWorkPrompt, (flags & kMergePrompt) ? 1 : 0);

    BYTE* work = static_cast<BYTE*>(MemAllocZero(s.totalSize));
    if (!work) return 0;
    std::memcpy(work, cur, s.totalSize);
    bool callerPrivate = false;
    if (in) {
        DmCopyConvert(in, len, work, s.totalSize);
        // The strings of the public part end inside their fields.
        wr16(work, kOffDeviceName + kDeviceNameChars * 2 - 2, 0);
        wr16(work, kOffFormName + kFormNameChars * 2 - 2, 0);
        callerPrivate = privatePartUsable(ctx, work, cur);
        if (!callerPrivate) std::memcpy(work + s.publicSize, cur + s.publicSize, s.privateSize);
    }
    // The summary is always applied in this driver (a fixed predicate), to a
    // request of the caller's own private part only: the context's part,
    // put in for a caller's that was refused, asks nothing.
    const LibraryProfile& profile = CurrentProfile();
    if (callerPrivate && profile.mergeSummaryAndJobControl && ReturnTrue()) {
        DmApplyCapabilitySummary(ctx, work, &flags);
        if (flags & kMergeCapSummary) ctx->ws->mergeFlags = flags;
    }

    // The caller's private part, with the bytes that describe this context
    // kept. The front-function word is kept whole: it is a persisted 32-bit
    // setting, and only its low byte surviving would lose the rest.
    BYTE kept[sizeof(kKeptFlagOffsets) / sizeof(kKeptFlagOffsets[0])];
    for (size_t i = 0; i < sizeof(kept); ++i) kept[i] = cur[kKeptFlagOffsets[i]];
    const uint32_t frontFunc = rd32(cur, kOffFrontFunc);
    std::memcpy(cur + s.publicSize, work + s.publicSize, s.privateSize);
    for (size_t i = 0; i < sizeof(kept); ++i) cur[kKeptFlagOffsets[i]] = kept[i];
    wr32(cur, kOffFrontFunc, frontFunc);
    DmRepairSectionBases(cur);

    uint32_t textBitmap = 0;
    const bool tb = dmModel().optionValue(ctx, kItRdmQualityFuncTextBitmapSupport, &textBitmap) && textBitmap != 0;
    ItemSetRawById(ctx, kItRdmQualityFuncTextBitmapSupport, tb ? 1 : 0);

    DmMergePublic(ctx, work, flags);
    DmPutFlag(ctx, DmFlag::JlInstalled, profile.binderFlagFromRegistry && JobLinkerInstalled(ctx) ? 1 : 0);
    if (profile.mergeSummaryAndJobControl) {
        UpdateProviderUserCodeFlags(ctx);
        if (flags & kMergePrompt) JobControlFetchItems(ctx, kJobControlGroups);
    }
    if (!(flags & kMergeSettingsImport) && (flags & kLoadClassFlags)) OptionClassLoad(ctx, 1);
    LoadUserCodeOnMerge(ctx);
    DmSyncItems(ctx, work, flags);
    DmClearActionOptions(ctx, 0);
    DmCopyExtBlock(ctx);
    ItemSetRawById(ctx, kItWdmUIStart, 0);
    if (flags & kPostCheckFlags) DmApplyAllItemActions(ctx);
    if (flags & (kMergeCapSummary | kMergePrompt)) DmItemsToPublic(ctx, 2);
    else DmSetDstPaperItems(ctx, static_cast<int16_t>(ItemRawById(ctx, kItRdmOutPaperSize)));
    if (rds16(cur, kOffPaperSize) == DMPAPER_USER && ItemRawById(ctx, kItRdmHidden2Func19) != 0)
        addFields(cur, DM_PAPERSIZE);
    MemFree(work);
    return 1;
}

}  // namespace vesk

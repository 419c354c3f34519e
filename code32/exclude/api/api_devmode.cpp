#include "api/api_devmode.h"

#include <win/system.h>

#include <cstring>
#include <vector>

#include "api/api_handle.h"
#include "api/opt_values.h"
#include "common_calls/context_forms.h"
#include "common_calls/devmode_forms.h"
#include "core/computed/computed.h"
#include "core/admin.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/locale.h"
#include "core/model/eval.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/os_version.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"
#include "core/sysdeps.h"
#include "core/terminal_server.h"
#include "status/status_identity.h"

namespace vesk {
namespace {

// Item ids (DEVMODE items) this file reads or writes.
enum : int {
    kItCollate = 19, kItMachineId = 39, kItUiModeChange = 40, kItPresetNo = 41, kItDstResW = 42,
    kItDstResH = 43, kItDuplexSwitch = 61, kItSortSwitch = 64, kItMarginSwitch = 70,
    kItSimplexBind = 103, kItSimplexMargin = 104, kItShiftMarginY = 105, kItMarginEven = 107,
    kItPlaneFirst = 164, kItPlaneLast = 167, kItUseUserMacro = 185, kItUserMacro = 188,
    kItResBoth = 248, kItCfUnitSupport = 299, kItWorkPrompt = 885, kItCfUnitType = 10012,
    kItCfUnitType2 = 10063, kItDuplexSource = 10014,
};
constexpr uint32_t kMachineFullRes = 130;
constexpr uint32_t kChangeUiMode = 0x4000000u;
constexpr uint32_t kPresetNone = 255;
constexpr uint32_t kMacroQualityFirst = 32, kMacroQualityLast = 39;
constexpr uint32_t kRemergeFlags = 0x2220000Au;
// User code, owner name, job password, user ID, document name and stored
// password.
constexpr uint32_t kJcIdentityItems = 159;
// Public DEVMODE offsets.
constexpr size_t kDmFields = 72, kDmPaperLength = 80, kDmPaperWidth = 82;
constexpr uint32_t kDmFieldPaperSize = 0x2, kDmFieldsPaperDims = 0xc;

uint32_t raw(DrvContext* ctx, int id) { return ItemRawById(ctx, id); }
void setRaw(DrvContext* ctx, int id, uint32_t v) { ItemSetRawById(ctx, id, v); }

uint32_t le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void put32(BYTE* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}
uint16_t le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void put16(BYTE* p, uint16_t v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

// Option 105 as a Numeric option with its value block: the simplex
// binding then keeps its own values.
bool simplexMarginIsNumeric(DrvContext* ctx) {
    return MdlGetOptionType(ctx, kItShiftMarginY) == kMdlNumeric &&
           MdlGetOptionValues(ctx, kItShiftMarginY, nullptr) != 0;
}

// The resolution override of mode 4: a full-resolution machine whose
// current paper fails the size check, or that prints duplex through the
// finisher unit at the "both" resolution.
bool resolutionOverrideApplies(DrvContext* ctx) {
    if (raw(ctx, kItMachineId) != kMachineFullRes) return false;
    if (!CheckPaperSizeLimits(ctx, 1)) return true;
    const uint32_t unit = raw(ctx, kItCfUnitSupport) && raw(ctx, kItCfUnitType2) ? 160 : 32;
    return raw(ctx, kItDuplexSource) != 0 && raw(ctx, kItDuplexSwitch) != 0 && raw(ctx, kItCfUnitType) == unit &&
           raw(ctx, kItResBoth) == 4;
}

void refreshResolutionVariant(DrvContext* ctx) {
    DmResetTransientItems(ctx, kApiDmResolution);
    if (MdlGetOptionType(ctx, kItDstResW) == kMdlNumeric) {
        setRaw(ctx, kItWorkPrompt, 1);
        MdlApplyOptionActions(ctx, MdlFindOption(ctx, kItResBoth));
        setRaw(ctx, kItWorkPrompt, 0);
    }
    if (resolutionOverrideApplies(ctx)) {
        setRaw(ctx, kItDstResW, 600);
        setRaw(ctx, kItDstResH, 600);
        setRaw(ctx, kItResBoth, 3);
        DmItemsToPublic(ctx, 3);
    }
    DmRefreshPublicKeepFinishing(ctx);
}

void deviceQuery(DrvContext* ctx) {
    if (BidiQueryDeviceExc(ctx) == 1) DmApplyBidiTraysExc(ctx);
}

void refreshCurrent(DrvContext* ctx, HANDLE printer, int32_t mode) {
    DmSetDefaults(ctx);
    DmSetOsKind(ctx);
    DmResetTransientItems(ctx, mode);
    FontListsFree(ctx);
    SettingsSyncAtOpen(ctx);
    if (mode & kApiDmQuery) deviceQuery(ctx);
    OptLoadClasses(printer, 1, ctx);
    JcFillUserItems(ctx, kJcIdentityItems);
    SetPaperDefaultsFromCountry(ctx);
    DmRefreshPublicKeepFinishing(ctx);
}

// The defaults are built into a new buffer first; only a built one
// replaces the context's DEVMODE, so a failure keeps the old one.
bool refreshDefaults(DrvContext* ctx, HANDLE printer, int32_t mode) {
    FontListsFree(ctx);
    BYTE* fresh = DmCreateDefaultExc(ctx, 0);
    if (!fresh) return false;
    MemFree(ctx->devmode);
    ctx->devmode = fresh;
    SettingsSyncAtOpen(ctx);
    DmResetTransientItems(ctx, mode);
    if (mode & kApiDmQuery) deviceQuery(ctx);
    DmSetSimplexBindDefaults(ctx);
    if (raw(ctx, kItMarginSwitch) == 0) DmResetSimplexMargins(ctx);
    JcFillUserItems(ctx, kJcIdentityItems);
    DmPutTerminalServerFlag(ctx, TsQueryEnabled(printer) ? 1 : 0);
    DmPutAdminFlag(ctx, IsUserAdmin() ? 1 : 0);
    DmRefreshPublicKeepFinishing(ctx);
    return true;
}

}  // namespace

void DmSetSimplexBindDefaults(DrvContext* ctx) {
    if (!ctx || simplexMarginIsNumeric(ctx)) return;
    setRaw(ctx, kItSimplexBind, MdlGetOptionValue(ctx, kItSimplexBind));
    setRaw(ctx, kItSimplexMargin, MdlGetOptionValue(ctx, kItSimplexMargin));
}

void DmResetSimplexMargins(DrvContext* ctx) {
    if (!ctx) return;
    setRaw(ctx, kItSimplexBind, MdlGetOptionValue(ctx, kItSimplexBind));
    for (int id = kItSimplexMargin; id <= kItMarginEven; ++id) setRaw(ctx, id, 0);
}

int OsIsWin98OrMe() {
    OSVERSIONINFOW info;
    if (!OsGetVersion(&info)) return 0;
    return info.dwPlatformId == 1 && info.dwMinorVersion > 0 ? 1 : 0;
}

void DmSetOsKind(DrvContext* ctx) {
    if (!ctx) return;
    if (OsIsWin9x()) {
        if (OsIsWin98OrMe())
            DmSetOsKindWin98(ctx);
        else
            DmSetOsKindWin95(ctx);
        return;
    }
    DmPutOsKind(ctx, OsIsNt5OrLater() ? 2 : 1);
}

void DmResetTransientItems(DrvContext* ctx, int32_t mode) {
    setRaw(ctx, kItUiModeChange, 0);
    DmClearOpt40Flag(ctx);
    ChangeMaskClear(ctx, kChangeUiMode);
    if (mode != kApiDmResolution) setRaw(ctx, kItPresetNo, kPresetNone);
    const int32_t base = mode & ~kApiDmQuery;
    if (base == kApiDmCurrent) {
        setRaw(ctx, kItUseUserMacro, 0);
        setRaw(ctx, kItUserMacro, 0);
    } else if (base == kApiDmDefaults) {
        DmApplyUserMacroPlanes(ctx);
    }
    DmRefreshPaperAndFitScale(ctx, 1);
}

void DmApplyUserMacroPlanes(DrvContext* ctx) {
    const uint32_t macro = raw(ctx, kItUserMacro);
    if (raw(ctx, kItUseUserMacro) != 1 || macro < kMacroQualityFirst || macro > kMacroQualityLast) return;
    if (!DmSaveState(ctx)) return;
    LoadQualityByIndex(ctx, macro - kMacroQualityFirst);
    uint32_t planes[kItPlaneLast - kItPlaneFirst + 1];
    for (int id = kItPlaneFirst; id <= kItPlaneLast; ++id) planes[id - kItPlaneFirst] = raw(ctx, id);
    DmRestoreState(ctx, 1);
    ItemSetRawRun(ctx, kItPlaneFirst, planes, sizeof planes / sizeof planes[0]);
}

void DmRemergeOwnDevmode(DrvContext* ctx) {
    if (!ctx) return;
    const size_t size = dmSizes().totalSize;
    std::vector<BYTE> copy;
    if (ctx->devmode) copy.assign(ctx->devmode, ctx->devmode + size);
    bool keep = false;
    uint16_t length = 0, width = 0;
    if (!copy.empty() && (le32(&copy[kDmFields]) & kDmFieldsPaperDims) == kDmFieldsPaperDims) {
        length = le16(&copy[kDmPaperLength]);
        width = le16(&copy[kDmPaperWidth]);
        keep = length && width;
    }
    DmMergeDevmodeExc(ctx, copy.empty() ? nullptr : copy.data(), copy.size(), kRemergeFlags);
    if (!keep || !ctx->devmode) return;
    BYTE* dm = ctx->devmode;
    put32(dm + kDmFields, (le32(dm + kDmFields) | kDmFieldsPaperDims) & ~kDmFieldPaperSize);
    put16(dm + kDmPaperWidth, width);
    put16(dm + kDmPaperLength, length);
}

void DmRefreshPublicKeepFinishing(DrvContext* ctx) {
    if (!ctx) return;
    struct Kept {
        int switchOption, typeItem;
        bool hidden;
        uint32_t value;
    } kept[] = {{61, 102, false, 0}, {66, 136, false, 0}, {65, 134, false, 0}};
    auto hidden = [ctx](int option) {
        const uint32_t o = MdlFindOption(ctx, option);
        return o && MdlEvalOptionCond2(ctx, o, 0);
    };
    for (Kept& k : kept) {
        k.hidden = hidden(k.switchOption);
        if (k.hidden) k.value = raw(ctx, k.typeItem);
    }
    DmRemergeOwnDevmode(ctx);
    for (const Kept& k : kept)
        if (k.hidden && hidden(k.switchOption)) setRaw(ctx, k.typeItem, k.value);
    setRaw(ctx, kItCollate, raw(ctx, kItSortSwitch) ? 1 : 0);
}

}  // namespace vesk

using namespace vesk;

int32_t WINAPI VESKDrvGetDevmode(void* handle, int32_t mode, void* buffer) {
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx) return -1;
    const int32_t size = static_cast<int32_t>(dmSizes().totalSize);
    HANDLE printer = nullptr;
    if (!ApiOpenPrinter(ctx, &printer, nullptr)) return -1;
    bool ok = true;
    switch (mode) {
    case kApiDmCurrent:
    case kApiDmCurrent | kApiDmQuery: refreshCurrent(ctx, printer, mode); break;
    case kApiDmDefaults:
    case kApiDmDefaults | kApiDmQuery: ok = refreshDefaults(ctx, printer, mode); break;
    case kApiDmResolution: refreshResolutionVariant(ctx); break;
    default: ok = false;
    }
    if (ok && buffer && ctx->devmode) std::memcpy(buffer, ctx->devmode, static_cast<size_t>(size));
    ApiClosePrinter(ctx, printer);
    return ok ? size : -1;
}

// What happens around a status Set: the snapshot and condition record
// before it, the rule runs, the public DEVMODE refresh and the changed-items
// bitmap after it.
#include <cstring>

#include "api/api_devmode.h"
#include "api/api_handle.h"
#include "core/devmode/dm_public.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "status/status_engine.h"
#include "status/status_records.h"
#include "status/status_support.h"

namespace vesk {
namespace {

constexpr int kItScaleType = 90, kItScaleH = 92, kItScaleV = 93, kItNupKind = 94, kItNupType = 95,
              kItDuplexType = 102, kItUserMacro = 185, kItResW = 42, kItResBoth = 248;

// Runs of item 10 by method: {method, flag bit, option}.
struct MethodRun {
    uint32_t method, flag;
    int option;
};
constexpr MethodRun kMethodRuns[] = {
    {0, 0x1, 215}, {1, 0x1, 215}, {1, 0x2, 220}, {2, 0x1, 215}, {3, 0x1, 215},
    {3, 0x4, 221}, {3, 0x8, 217}, {3, 0x10, 219}, {5, 0x20, 218}, {7, 0x40, 875},
};

bool isIdentityText(int option) {
    switch (option) {
    case 215: case 220: case 221: case 217: case 219: case 218: case 875: return true;
    default: return false;
    }
}

// The set item marks itself only when the driver kept a value of another
// family than the one asked for.
bool selfMarked(DrvContext* ctx, uint32_t id, uint32_t asked) {
    if (id == 14) {
        const uint32_t t = StRaw(ctx, kItNupType);
        return (t == 1 && asked == 3) || (t == 3 && (asked == 1 || asked == 2));
    }
    if (id == 15) {
        const uint32_t t = StRaw(ctx, kItDuplexType);
        return (t == 18 && asked == 17) || (t == 17 && (asked == 18 || asked == 19)) ||
               (t == 21 && asked == 20) || (t == 20 && (asked == 21 || asked == 22));
    }
    return false;
}

enum class Diff { Same, Differs, TextDiffers };

Diff compareWithShadow(DrvContext* ctx, int option) {
    DmItem* item = ItemFindById(ctx, option);
    if (!item) return Diff::Same;
    if (typeIsAddress(itemTypeCode(*item))) {
        const BYTE* now = ItemGetRawAddress(ctx, item);
        const BYTE* before = ItemGetShadowStorage(ctx, item);
        if (!now || !before) return Diff::Same;
        const uint32_t width = itemSize(*item);
        if (typeIsWide(itemTypeCode(*item))) return std::memcmp(now, before, width) ? Diff::TextDiffers : Diff::Same;
        return std::strncmp(reinterpret_cast<const char*>(now), reinterpret_cast<const char*>(before), width)
                   ? Diff::TextDiffers
                   : Diff::Same;
    }
    return ItemRawById(ctx, option) != ItemShadowRawById(ctx, option) ? Diff::Differs : Diff::Same;
}

bool rawDiffers(DrvContext* ctx, int option) { return compareWithShadow(ctx, option) != Diff::Same; }

// Whether a changed related option `option` (entry j of item `id`) counts.
bool changeCounts(DrvContext* ctx, uint32_t id, int j, int option) {
    const Diff d = compareWithShadow(ctx, option);
    if (d == Diff::Same) return false;
    if (d == Diff::TextDiffers && isIdentityText(option)) return true;
    const StatusFuncOption* f = nullptr;
    const uint16_t sw = StatusFuncOptionFind(id, &f);
    if (f && sw != option) {
        if ((f->flags & kFuncFlagSwitchHidden) && (StOptionCond1(ctx, sw) || StOptionCond2(ctx, sw))) return false;
        if ((f->flags & kFuncFlagSwitchZero) && StRaw(ctx, sw) == 0 && (option == 141 || option == 137)) return false;
    }
    const uint32_t o = MdlFindBoundOption(static_cast<uint32_t>(option), ctx);
    if (!o || !ctx->ws->apiStatus) return true;
    if (MdlEvalOptionCond1(ctx, o, 0) == 1) return false;
    if (MdlEvalOptionCond2(ctx, o, 0) == 1 && ctx->ws->apiStatus->items[id - 1][j].hidden) return false;
    return true;
}

bool itemMarked(DrvContext* ctx, const DrvApiItem* item) {
    const uint32_t id = item->id;
    const uint32_t scaleType = StRaw(ctx, kItScaleType);
    const uint16_t resType = MdlGetOptionType(ctx, kItResW);
    if (id == 34 && !MdlFindOption(ctx, kItResW)) return false;
    for (int j = 0; j < kApiStatusEntries && item->related[j]; ++j) {
        const int option = item->related[j];
        if (id == 7 && (option == kItPaperLength || option == kItPaperWidth)) {
            const uint32_t fields = StRaw(ctx, kItFields);
            if (StRaw(ctx, kItPaperLength) && StRaw(ctx, kItPaperWidth) &&
                (fields & (kDmPaperLength | kDmPaperWidth)) == (kDmPaperLength | kDmPaperWidth) &&
                rawDiffers(ctx, option))
                return true;
            continue;
        }
        if (id == 11 && option == kItScaleV && scaleType <= 2) continue;
        if (id == 11 && option == kItScaleH && scaleType == 2) {
            if (rawDiffers(ctx, option)) return true;
            continue;
        }
        if (id == 34 && option == kItResBoth && (resType & kMdlPickOne)) continue;
        if (id == 34 && option == kItResW && resType == kMdlNumeric) continue;
        if (changeCounts(ctx, id, j, option)) return true;
    }
    return false;
}

}  // namespace

int StatusCheckRecordVersion(uint32_t, const BYTE* record, uint32_t rowVersion, int32_t mode) {
    if (!record) return 2;
    if (rowVersion >= RecU32(record, 0)) return 0;
    return mode == 2 ? 2 : 1;
}

int StatusCompareGetVersion(uint32_t rowVersion, uint32_t requested) {
    if (requested == 0 || requested == rowVersion) return 0;
    return requested < rowVersion ? 1 : 2;
}

void StatusArrayRefresh(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->ws->apiStatus) return;
    ApiStatusArray* a = ctx->ws->apiStatus;
    std::memset(a, 0, sizeof *a);
    for (uint32_t id = 1; id <= StatusItemCount; ++id) {
        const DrvApiItem* row = StatusRowById(id);
        if (!row || !row->supported) continue;
        for (int j = 0; j < kApiStatusEntries && row->related[j]; ++j) {
            const uint32_t o = MdlFindBoundOption(row->related[j], ctx);
            if (!o) continue;
            a->items[id - 1][j].disabled = MdlEvalOptionCond1(ctx, o, 0) == 1;
            a->items[id - 1][j].hidden = MdlEvalOptionCond2(ctx, o, 0) == 1;
        }
    }
}

void StatusBeforeSet(DrvContext* ctx, const DrvApiItem*, const BYTE*, BYTE*) {
    if (!ctx || !ctx->ws) return;
    CtxFreeFontTables(ctx);
    CtxSnapshotDevmode(ctx);
    StatusArrayRefresh(ctx);
}

void StatusAfterSet(DrvContext* ctx, const DrvApiItem* row, const BYTE* record, BYTE* bitmap) {
    if (!ctx || !ctx->ws || !ctx->ws->shadow || !row || !record) return;
    if (row->mainOption) StRunOptionActions(ctx, static_cast<int>(row->mainOption));
    const uint32_t v = RecU32(record, rec32::kA), f = RecU32(record, rec32::kB);
    switch (row->id) {
    case 10:
        for (const MethodRun& r : kMethodRuns)
            if (r.method == v && (f & r.flag)) StRunOptionActions(ctx, r.option);
        break;
    case 11:
        StRunOptionActions(ctx, kItScaleType);
        if (StRaw(ctx, kItScaleType) == 3) {
            StRunOptionActions(ctx, kItScaleV);
            StRunOptionActions(ctx, kItScaleH);
        } else if (StRaw(ctx, kItScaleType) == 1) {
            StRunOptionActions(ctx, kItScaleH);
        }
        break;
    case 14: StRunOptionActions(ctx, kItNupKind); StRunOptionActions(ctx, kItNupType); break;
    case 15: StRunOptionActions(ctx, kItDuplexType); break;
    case 20: StRunOptionActions(ctx, 136); break;
    case 21: StRunOptionActions(ctx, 134); break;
    case 35:
        for (int o = 165; o <= 167; ++o) StRunOptionActions(ctx, o);
        break;
    default: break;
    }
    const bool custom = StRaw(ctx, kItPaperSize) == 256;
    const uint32_t width = StRaw(ctx, kItPaperWidth), length = StRaw(ctx, kItPaperLength);
    DmItemsToPublic(ctx, 3);
    auto putCustom = [ctx](uint32_t w, uint32_t l) {
        StSetRaw(ctx, kItPaperSize, 256);
        StSetRaw(ctx, kItPaperWidth, w & 0xFFFF);
        StSetRaw(ctx, kItPaperLength, l & 0xFFFF);
        StSetRaw(ctx, kItFields, (StRaw(ctx, kItFields) | kDmPaperLength | kDmPaperWidth) & ~kDmPaperSize);
    };
    if (row->id == 7 && v == 256) putCustom(RecU32(record, rec32::kB), RecU32(record, rec32::kC));
    else if (custom && StRaw(ctx, kItPaperSize) == 256) putCustom(width, length);
    if (row->id == 35) StSetRaw(ctx, kItUserMacro, 1);
    DmRefreshPublicKeepFinishing(ctx);
    if (!bitmap) return;
    std::memset(bitmap, 0, kStatusBitmapBytes);
    for (uint32_t i = 1; i <= StatusItemCount; ++i) {
        const DrvApiItem* item = StatusRowById(i);
        if (!item || !item->supported) continue;
        const bool marked = i == row->id ? selfMarked(ctx, i, v) : itemMarked(ctx, item);
        if (marked) StatusBitSet(bitmap, i);
    }
}

}  // namespace vesk

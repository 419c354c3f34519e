// The request block: a few settings asked for by code, applied to a copy of
// the context's items and handed back in the caller's DEVMODE.
#include <cstring>

#include "core/caps/capability_codes.h"
#include "core/caps/summary.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/bidi/bidi.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/sysdeps.h"
#include "core/validation/option_checks.h"

namespace vesk {
namespace {

constexpr int kSummaryItems[kSummaryItemCount] = {
    kItRdmJobLinker,     kItRdmDstResolutionW, kItRdmOutPaperSize,  kItRdmOutputTrayID, kItRdmFuncSelectScale,
    kItRdmFuncSelectNup, kItRdmFuncSelectDuplex, kItRdmFuncSelectSort, kItRdmFuncSelectPunch,
    kItRdmFuncSelectStaple, kItRdmScaleType,  kItRdmScaleH,        kItRdmNUPPOSTKind,  kItRdmNUPType,
    kItRdmDuplexType,    kItRdmSortType,       kItRdmPunchType,     kItRdmStapleType,   kItRdmExtPrintArea};

constexpr uint32_t kOther = 0xFFFFFFFFu;  // "-1": a code the tables do not name
constexpr int kDeviceClassSelector = 2;

// A code to a value: `values[code - first]` for codes first..first+n-1.
uint32_t byCode(uint8_t code, uint8_t first, const uint32_t* values, size_t n) {
    return code >= first && static_cast<size_t>(code - first) < n ? values[code - first] : kOther;
}

// The request's settings, collecting the mask bits.
class Request {
public:
    Request(DrvContext* ctx, const BYTE* block) : ctx_(ctx), b_(block) {}
    uint32_t mask() const { return mask_; }

    void apply() {
        set(kItRdmJobLinker, 0);
        onOff(b_[kReqDuplex], kItRdmFuncSelectDuplex, kItRdmDuplexType, kDuplexTypes);
        if (b_[kReqCollate]) {
            onOff(b_[kReqCollate], kItRdmFuncSelectSort, kItRdmSortType, kSortTypes);
            ItemSetRawById(ctx_, kItDmCollate, ItemRawById(ctx_, kItRdmFuncSelectSort) ? 1 : 0);
        }
        onOff(b_[kReqPunch], kItRdmFuncSelectPunch, kItRdmPunchType, kPunchTypes);
        staple(b_[kReqStaple]);
        tray(b_[kReqTray]);
        if (uint8_t c = b_[kReqResolution]) set(kItRdmDstResolutionW, byCode(c, 1, kResolutions, 3));
        if (uint8_t c = b_[kReqPrintArea]) set(kItRdmExtPrintArea, byCode(c, 1, kPrintAreas, 2));
        scale();
        nup(b_[kReqNup]);
        if (uint8_t c = b_[kReqOutPaper]) set(kItRdmOutPaperSize, byCode(c, 1, kOutPapers, 18));
    }

private:
    static constexpr uint32_t kDuplexTypes[] = {1, 2, 3};
    static constexpr uint32_t kSortTypes[] = {1, 4, 6};
    static constexpr uint32_t kPunchTypes[] = {1, 2, 3};
    static constexpr uint32_t kStapleTypes[] = {34, 33, 50, 49, 50, 49, 65, 67, 66, 50, 49};  // codes 2..12
    static constexpr uint32_t kResolutions[] = {400, 600, 1200};
    static constexpr uint32_t kPrintAreas[] = {0, 1};
    static constexpr uint32_t kOutPapers[] = {8,   9,   11, 70, 12, 13, 88, 1,     5,
                                              43,  6,   3,  267, 268, 66, kOther, kOther, 269};  // codes 1..18
    static constexpr uint32_t kScales[] = {67, 70, 75, 80, 88, 100, 115};                     // 16385..16391
    static constexpr uint32_t kNupTypes[] = {33, 34, 37, 38};                                 // codes 4..7

    void set(int item, uint32_t value) { mask_ |= SummarySetItem(ctx_, item, value); }

    // 1 switches the function off; 2, 3 and 4 switch it on with a type; any
    // other code switches it on with an unknown type.
    void onOff(uint8_t code, int onItem, int typeItem, const uint32_t (&types)[3]) {
        if (code == 0) return;
        if (code == 1) return set(onItem, 0);
        set(onItem, 1);
        set(typeItem, byCode(code, 2, types, 3));
    }

    void staple(uint8_t code) {
        if (code == 0) return;
        if (code == 1) return set(kItRdmFuncSelectStaple, 0);
        set(kItRdmFuncSelectStaple, 1);
        set(kItRdmStapleType, byCode(code, 2, kStapleTypes, 11));
    }

    void tray(uint8_t code) {
        if (code == 0) return;
        uint32_t v = kOther;
        switch (code) {
        case 1: v = 0; break;
        case 2: v = 2; break;
        case 3: v = 13; break;
        case 4: v = 4; break;
        case 14: v = static_cast<uint32_t>(static_cast<int32_t>(CapsFindFirstSetEntry(ctx_)->otherCode)); break;
        case 15: v = static_cast<uint32_t>(static_cast<int32_t>(CapsFindFirstSetEntry(ctx_)->blankCode)); break;
        case 16: v = 14; break;
        case 17: v = 1; break;
        default:
            if (code >= 5 && code <= 13) v = code + 10u;
        }
        set(kItRdmOutputTrayID, v);
    }

    void scale() {
        // A little-endian u16 at an odd offset.
        const uint16_t s = static_cast<uint16_t>(b_[kReqScale] | (b_[kReqScale + 1] << 8));
        if (s == 0) return;
        set(kItRdmFuncSelectScale, 1);
        set(kItRdmScaleType, 1);
        set(kItRdmScaleH, s >= 16385 && s <= 16391 ? kScales[s - 16385] : s);
    }

    void nup(uint8_t code) {
        if (code == 0) return;
        if (code == 1) return set(kItRdmFuncSelectNup, 0);
        set(kItRdmFuncSelectNup, 1);
        if (code == 2 || code == 3) {
            set(kItRdmNUPPOSTKind, 1);
            set(kItRdmNUPType, code == 3 ? 2 : ItemRawById(ctx_, kItDmOrientation) == 1 ? 1 : 3);
        } else if (code >= 4 && code <= 7) {
            set(kItRdmNUPPOSTKind, 2);
            set(kItRdmNUPType, kNupTypes[code - 4]);
        } else {
            set(kItRdmNUPPOSTKind, kOther);
            set(kItRdmNUPType, kOther);
        }
    }

    DrvContext* ctx_;
    const BYTE* b_;
    uint32_t mask_ = 0;
};

// The request block inside a DEVMODE of the driver's total size, where the
// item table places rdmKwomMember; null without the item.
const BYTE* requestIn(DrvContext* ctx, const BYTE* devmode) {
    const DmItem* it = ItemFindById(ctx, kItRdmKwomMember);
    if (!devmode || !it || itemSection(*it) != 1 || it->offset + kSummaryBytes > dmSizes().totalSize) return nullptr;
    return devmode + it->offset;
}

}  // namespace

const int* SummaryItemIds() { return kSummaryItems; }

uint32_t SummarySetItem(DrvContext* ctx, int itemId, uint32_t value) {
    for (int i = 0; i < kSummaryItemCount; ++i)
        if (kSummaryItems[i] == itemId) {
            ItemSetRawById(ctx, itemId, value);
            return 1u << i;
        }
    return 0;
}

void SummaryApplyActions(DrvContext* ctx, uint32_t mask) {
    for (int i = 0; i < kSummaryItemCount; ++i)
        if (mask & (1u << i))
            if (const uint32_t option = MdlFindOption(ctx, kSummaryItems[i])) MdlApplyOptionActions(ctx, option);
}

bool SummaryRequestValid(DrvContext* ctx, const BYTE* devmode) {
    const BYTE* req = requestIn(ctx, devmode);
    return req && req[kReqValid] == 1;
}

int CapsApplySummary(DrvContext* ctx, BYTE* devmode, uint32_t* outMask) {
    if (outMask) *outMask = 0;
    if (!ctx || !ctx->devmode || !ctx->ws || !devmode) return 0;
    const BYTE* req = requestIn(ctx, devmode);
    if (!req) return 0;
    BYTE block[kSummaryBytes];
    std::memcpy(block, req, kSummaryBytes);
    if (block[kReqValid] != 1) return 1;
    ctx->ws->flags |= kWsClampNumeric;
    const DmSizes& s = dmSizes();
    switch (block[kReqMode]) {
    case kReqModeDefaults:
        DmSetDefaults(ctx);
        std::memcpy(devmode, ctx->devmode, s.totalSize);
        return 1;
    case kReqModeDevice:
        DmSetDefaults(ctx);
        OptLoadClasses(ctx->printer, kDeviceClassSelector, ctx);
        DmCopyExtBlock(ctx);
        std::memcpy(devmode, ctx->devmode, s.totalSize);
        [[fallthrough]];
    case kReqModeQuery:
        if (!BidiGetDeviceInfoQuiet(ctx)) return 0;
        std::memcpy(devmode, ctx->devmode, s.totalSize);
        return 1;
    default: break;
    }
    // The whole item store is saved, so the context is as it was afterwards.
    BYTE* saved = static_cast<BYTE*>(MemAllocZero(s.stateSize));
    if (!saved) return 0;
    std::memcpy(saved, ctx->devmode, s.stateSize);
    std::memcpy(ctx->devmode, devmode, s.totalSize);
    Request r(ctx, block);
    r.apply();
    if (outMask) *outMask = r.mask();
    SummaryApplyActions(ctx, r.mask());
    DmResolutionFromItems(ctx);
    DmDuplexFromItems(ctx);
    std::memcpy(devmode, ctx->devmode, s.totalSize);
    std::memcpy(ctx->devmode, saved, s.stateSize);
    MemFree(saved);
    return 1;
}

int DmApplyCapabilitySummary(DrvContext* ctx, BYTE* working, uint32_t* flags) {
    if (!SummaryRequestValid(ctx, working)) return 0;
    const int r = CapsApplySummary(ctx, working);
    if (flags && ctx && ctx->ws && (ctx->ws->flags & kWsClampNumeric)) *flags |= 0x40000000u;
    return r;
}

}  // namespace vesk

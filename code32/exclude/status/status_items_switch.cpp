// The status items with a function switch: scale, cover, marker paper,
// N-up, duplex, margins, sort, staple and punch.
#include <cstring>

#include "api/api_devmode.h"
#include "api/opt_values.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_validate.h"
#include "core/item_store.h"
#include "core/units.h"
#include "status/status_engine.h"
#include "status/status_handlers.h"
#include "status/status_records.h"
#include "status/status_support.h"

namespace vesk {
namespace {

constexpr int kItScaleType = 90, kItScaleH = 92, kItScaleV = 93, kItNupKind = 94, kItNupType = 95,
              kItDuplexSwitch = 61, kItDuplexType = 102, kItMarginSwitch = 70, kItBindSide = 103,
              kItSimplexMargin = 104, kItShiftMargin = 105, kItMarginOdd = 106, kItMarginEven = 107,
              kItCoverType = 141, kItCoverTray = 142, kItMarkType = 137, kItMarkTray = 138, kItSortType = 129;

struct Fields {
    uint32_t a, b, c, sw;
};
Fields fieldsOf(const BYTE* r) {
    return {RecU32(r, rec32::kA), RecU32(r, rec32::kB), RecU32(r, rec32::kC), RecU32(r, rec32::kSwitch)};
}

int switchOf(uint32_t id) { return StatusFuncOptionFind(id); }

bool checkCover(StatusCall& call, const Fields& f);
bool checkMark(StatusCall& call, const Fields& f);
bool tryNup(StatusCall& call, const Fields& f);

// The switched items: the option value A is stored in, the option of value
// B (0: none), whether switching on is tried on a DEVMODE copy first, and
// the item's own checks. Scale, duplex and margins have Set handlers of
// their own and use their row for value A only.
struct SwitchedItem {
    uint32_t id;
    int a;
    int b;
    bool trial;
    bool (*check)(StatusCall& call, const Fields& f);
};
constexpr SwitchedItem kSwitchedItems[] = {
    {11, kItScaleType, 0, false, nullptr},    {12, kItCoverType, kItCoverTray, false, checkCover},
    {13, kItMarkType, kItMarkTray, false, checkMark}, {14, kItNupType, 0, false, tryNup},
    {15, kItDuplexType, 0, false, nullptr},   {18, kItBindSide, 0, false, nullptr},
    {19, kItSortType, 0, false, nullptr},     {20, 136, 0, true, nullptr},
    {21, 134, 0, true, nullptr},
};

const SwitchedItem* switchedRow(uint32_t id) {
    for (const SwitchedItem& r : kSwitchedItems)
        if (r.id == id) return &r;
    return nullptr;
}

// The detail option of value A of a switched item.
int detailOf(uint32_t id) {
    const SwitchedItem* r = switchedRow(id);
    return r ? r->a : 0;
}

// Switch off: only the switch option changes.
bool switchOff(StatusCall& call, const Fields& f) {
    if (f.sw != 0) return false;
    StSetRaw(call.ctx, switchOf(call.id), 0);
    return true;
}

int32_t toDots(uint32_t tenthMm) { return DisplayToDots(kUnitTenthMm, static_cast<int32_t>(tenthMm), 1200); }
uint32_t toTenthMm(uint32_t dots) {
    return static_cast<uint32_t>(DotsToDisplay(kUnitTenthMm, static_cast<int32_t>(dots), 1200));
}

uint16_t nupKindOf(uint32_t type, uint16_t current) {
    if (type >= 1 && type <= 3) return 1;
    switch (type) {
    case 33: case 34: case 37: case 38: return 2;
    case 65: case 66: case 69: case 70: return 3;
    case 97: case 98: case 101: case 102: return 4;
    default: break;
    }
    if (type >= 32769 && type <= 32772) return 9;
    return current;
}

void putSwitchRecord(BYTE* r, uint32_t a, uint32_t b, uint32_t c, uint32_t sw) {
    std::memset(r + 4, 0, rec32::kSize - 4);
    RecPutU32(r, rec32::kA, a);
    RecPutU32(r, rec32::kB, b);
    RecPutU32(r, rec32::kC, c);
    RecPutU32(r, rec32::kSwitch, sw);
}

// A record of value A and two margins in 0.1 mm, the margins 0 while they
// are switched off.
int getWithMargins(StatusGetCall& call, int a, int first, int second, uint32_t sw) {
    DrvContext* ctx = call.ctx;
    if (call.record) {
        const bool on = StRaw(ctx, kItMarginSwitch) != 0;
        putSwitchRecord(call.record, StRaw(ctx, a), on ? toTenthMm(StRaw(ctx, first)) : 0,
                        on ? toTenthMm(StRaw(ctx, second)) : 0, sw);
    }
    return rec32::kSize;
}

// A cover sheet: a tray the cover type can take, and with a booklet duplex
// a cover type the duplex leaves selectable. The checks see the new tray;
// the copy puts everything back.
bool checkCover(StatusCall& call, const Fields& f) {
    DrvContext* ctx = call.ctx;
    BYTE* copy = DmCopyBuffer(ctx);
    if (!copy) return false;
    StSetRaw(ctx, kItCoverTray, f.b);
    bool ok = !(f.a == 3 && ItemValueCheck(ctx, ItemFindById(ctx, kItCoverType), kItCoverType, 3) == 5);
    if (ok && StRaw(ctx, kItDuplexSwitch) != 0) {
        const uint32_t t = StRaw(ctx, kItDuplexType);
        if (t >= 17 && t <= 19) {
            const uint16_t value = OptValueByPublicValue(call.handle, kItCoverType, static_cast<int>(f.a));
            ok = value != 0 && OptValueSelectable(call.handle, kItCoverType, value, 3) == 1;
        }
    }
    DmRestoreBuffer(ctx, copy, 1);
    return ok;
}

// Marker paper: a type the model offers now.
bool checkMark(StatusCall& call, const Fields& f) {
    const uint16_t value = OptValueByPublicValue(call.handle, kItMarkType, static_cast<int>(f.a));
    return value && OptValueSelectable(call.handle, kItMarkType, value, 3) == 1;
}

// N-up: the layout kind follows the type before the trial, and is put back
// when the trial fails.
bool tryNup(StatusCall& call, const Fields& f) {
    DrvContext* ctx = call.ctx;
    const uint32_t kind = StRaw(ctx, kItNupKind);
    StSetRaw(ctx, kItNupKind, nupKindOf(f.a, static_cast<uint16_t>(kind)));
    if (StatusTrySwitchOn(call.handle, ctx, call.id, switchOf(call.id), kItNupType, f.a)) return true;
    StSetRaw(ctx, kItNupKind, kind);
    return false;
}

}  // namespace

bool StatusTrySwitchOn(void* handle, DrvContext* ctx, uint32_t statusId, int sw, int detail, uint32_t value) {
    (void)handle;
    if (StRaw(ctx, sw) != 0) return true;
    BYTE* copy = DmCopyBuffer(ctx);
    if (!copy) return false;
    StSetRaw(ctx, sw, 1);
    StSetRaw(ctx, detail, value);
    if (statusId == 15) DmDuplexFromItems(ctx);
    StRunOptionActions(ctx, sw);
    DmDuplexFromItems(ctx);
    DmRemergeOwnDevmode(ctx);
    const bool pass = StRaw(ctx, sw) != 0 && StValueOk(ctx, detail, value);
    DmRestoreBuffer(ctx, copy, 1);
    return pass;
}

int StVerifySwitch(StatusCall& call) {
    const int sw = switchOf(call.id);
    if (!sw) return -1;
    if (RecU32(call.record, rec32::kSwitch) == 0) return 1;
    return StRaw(call.ctx, sw) != 0 ? 1 : -1;
}

int StVerifyCover(StatusCall& call) {
    const int sw = switchOf(call.id);
    if (!sw) return -1;
    const Fields f = fieldsOf(call.record);
    if (f.sw == 0) return 1;
    const int a = detailOf(call.id), b = call.id == 12 ? kItCoverTray : kItMarkTray;
    return StRaw(call.ctx, sw) != 0 && StRaw(call.ctx, a) == f.a && StRaw(call.ctx, b) == f.b ? 1 : -1;
}

int StGetCover(StatusGetCall& call) {
    if (call.record) {
        const int a = detailOf(call.id), b = call.id == 12 ? kItCoverTray : kItMarkTray;
        putSwitchRecord(call.record, StRaw(call.ctx, a), StRaw(call.ctx, b), 0, StRaw(call.ctx, switchOf(call.id)));
    }
    return rec32::kSize;
}

int StGetSwitchA(StatusGetCall& call) {
    if (call.record)
        putSwitchRecord(call.record, StRaw(call.ctx, detailOf(call.id)), 0, 0, StRaw(call.ctx, switchOf(call.id)));
    return rec32::kSize;
}

int StSetScale(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const Fields f = fieldsOf(call.record);
    if (switchOff(call, f)) return 1;
    if (!StValueOk(ctx, kItScaleType, f.a)) return -1;
    if ((f.a == 1 || f.a == 3) && !StValueOk(ctx, kItScaleH, f.b)) return -1;
    if (f.a == 3 && !StValueOk(ctx, kItScaleV, f.c)) return -1;
    StSetRaw(ctx, kItScaleType, f.a);
    if (f.a == 1 || f.a == 3) StSetRaw(ctx, kItScaleH, f.b);
    if (f.a == 3) StSetRaw(ctx, kItScaleV, f.c);
    StSetRaw(ctx, switchOf(call.id), f.sw);
    if (f.a == 2) DmRefreshPaperAndFitScale(call.handle, 1);
    return 1;
}

int StGetScale(StatusGetCall& call) {
    DrvContext* ctx = call.ctx;
    if (call.record) {
        if (StRaw(ctx, kItScaleType) == 2) DmRefreshPaperAndFitScale(call.handle, 1);
        putSwitchRecord(call.record, StRaw(ctx, kItScaleType), StRaw(ctx, kItScaleH), StRaw(ctx, kItScaleV),
                        StRaw(ctx, switchOf(call.id)));
    }
    return rec32::kSize;
}

int StSetDuplex(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const Fields f = fieldsOf(call.record);
    if (switchOff(call, f)) {
        DmDuplexFromItems(ctx);
        return 1;
    }
    if (!StValueOk(ctx, kItDuplexType, f.a)) return -1;
    if (!StatusTrySwitchOn(call.handle, ctx, call.id, kItDuplexSwitch, kItDuplexType, f.a)) return -1;
    const bool margins = DuplexTypeHasMargins(static_cast<int>(f.a)) == 1;
    const uint32_t odd = static_cast<uint32_t>(toDots(f.b)), even = static_cast<uint32_t>(toDots(f.c));
    if (margins && (!StValueOk(ctx, kItMarginOdd, odd) || !StValueOk(ctx, kItMarginEven, even))) return -1;
    StSetRaw(ctx, kItDuplexType, f.a);
    StSetRaw(ctx, kItDuplexSwitch, f.sw);
    DmDuplexFromItems(ctx);
    if (margins) {
        StSetRaw(ctx, kItMarginSwitch, 1);
        StSetRaw(ctx, kItMarginOdd, odd);
        StSetRaw(ctx, kItMarginEven, even);
    }
    return 1;
}

int StGetDuplex(StatusGetCall& call) {
    return getWithMargins(call, kItDuplexType, kItMarginOdd, kItMarginEven, StRaw(call.ctx, kItDuplexSwitch));
}

int StSetMargin(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const Fields f = fieldsOf(call.record);
    const uint32_t margin = static_cast<uint32_t>(toDots(f.b)), shift = static_cast<uint32_t>(toDots(f.c));
    if (!StValueOk(ctx, kItBindSide, f.a) || !StValueOk(ctx, kItSimplexMargin, margin) ||
        !StValueOk(ctx, kItShiftMargin, shift))
        return -1;
    StSetRaw(ctx, kItBindSide, f.a);
    StSetRaw(ctx, kItSimplexMargin, margin);
    StSetRaw(ctx, kItShiftMargin, shift);
    // The margins are on whatever the record's switch says.
    StSetRaw(ctx, kItMarginSwitch, 1);
    return 1;
}

int StGetMargin(StatusGetCall& call) { return getWithMargins(call, kItBindSide, kItSimplexMargin, kItShiftMargin, 0); }

int StSetSwitched(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const SwitchedItem* row = switchedRow(call.id);
    const int sw = switchOf(call.id);
    if (!row || !sw) return -1;
    const Fields f = fieldsOf(call.record);
    if (switchOff(call, f)) return 1;
    if (!StValueOk(ctx, row->a, f.a) || (row->b && !StValueOk(ctx, row->b, f.b))) return -1;
    if (row->check && !row->check(call, f)) return -1;
    if (row->trial && !StatusTrySwitchOn(call.handle, ctx, call.id, sw, row->a, f.a)) return -1;
    StSetRaw(ctx, row->a, f.a);
    if (row->b) StSetRaw(ctx, row->b, f.b);
    StSetRaw(ctx, sw, f.sw);
    return 1;
}

}  // namespace vesk

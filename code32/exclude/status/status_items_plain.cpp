// The status items of one value (and the paper, resolution and plane
// items): check the value, store it, compare it back, read it.
#include <cstring>

#include "api/opt_values.h"
#include "common_calls/devmode_forms.h"
#include "core/caps/device_caps.h"
#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_validate.h"
#include "core/item_helpers.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/persist/opt_persist.h"
#include "core/registry_values.h"
#include "status/status_handlers.h"
#include "status/status_records.h"
#include "status/status_support.h"

#include <win/spooler.h>

namespace vesk {
namespace {

constexpr int kItOutPaper = 50, kItResW = 42, kItResBoth = 248, kItWorkPrompt = 885, kItPlaneFirst = 164;
constexpr uint32_t kOutPaperSame = 1024;

uint32_t fieldBitOf(uint32_t statusId) {
    switch (statusId) {
    case 2: return kDmDefaultSource;
    case 5: return kDmColor;
    case 6: return kDmOrientation;
    case 9: return kDmCopies;
    default: return 0;
    }
}

int mainOf(const StatusCall& call) { return static_cast<int>(call.row->mainOption); }

// Clears the fields behind the version for a Get to fill.
void clearFields(BYTE* record, size_t size) { std::memset(record + 4, 0, size - 4); }

// The resolution mode of the model: 1 when option 42 is Numeric (option
// 248 carries the resolution), 0 when it is a list, -1 when neither serves.
int resolutionUsesBothItem(DrvContext* ctx) {
    if (!MdlFindOption(ctx, kItResW)) return -1;
    const uint16_t type = MdlGetOptionType(ctx, kItResW);
    if (type == kMdlNumeric) return StRaw(ctx, kItResW) ? 1 : -1;
    if (type & kMdlPickOne) return MdlGetValueCount(ctx, kItResW) > 0 ? 0 : -1;
    return -1;
}

bool customSizeInRange(DrvContext* ctx, uint32_t width, uint32_t length) {
    uint16_t lo[2] = {}, hi[2] = {};
    if (CapsGetExtent(ctx, lo, DC_MINEXTENT) == -1 || CapsGetExtent(ctx, hi, DC_MAXEXTENT) == -1) return false;
    const uint32_t w = width & 0xFFFF, l = length & 0xFFFF;
    return w >= lo[0] && w <= hi[0] && l >= lo[1] && l <= hi[1];
}

}  // namespace

void OptSaveAsActionValue(StatusCall& call, int id) {
    DrvContext* ctx = call.ctx;
    DmItem* item = ItemFindById(ctx, id);
    if (!item) return;
    // The print actions share one INI value: the descriptor is changed for
    // this write only.
    const DmItem kept = *item;
    ItemTableEdited(ctx);
    item->valueName = u"rdmAction";
    item->typeWord = (item->typeWord & 0xC000FFFFu) | (5u << 24);
    StSaveEntry(call, id);
    *item = kept;
}

int StVerifyAlways(StatusCall&) { return 1; }

int StSetPlain(StatusCall& call) {
    const uint32_t a = RecU32(call.record, rec32::kA);
    if (!StValueOk(call.ctx, mainOf(call), a)) return -1;
    StSetRaw(call.ctx, mainOf(call), a);
    if (const uint32_t bit = fieldBitOf(call.id)) StSetRaw(call.ctx, kItFields, StRaw(call.ctx, kItFields) | bit);
    return 1;
}

int StVerifyEqual(StatusCall& call) {
    return StRaw(call.ctx, mainOf(call)) == RecU32(call.record, rec32::kA) ? 1 : -1;
}

int StGetPlain(StatusGetCall& call) {
    if (call.record) {
        clearFields(call.record, rec32::kSize);
        RecPutU32(call.record, rec32::kA, StRaw(call.ctx, static_cast<int>(StatusRowById(call.id)->mainOption)));
    }
    return rec32::kSize;
}

int StSetAction(StatusCall& call) {
    if (call.id == 29 && RegIsFeatureInstalled(2, call.ctx) != 1) return -1;
    if (StSetPlain(call) != 1) return -1;
    OptSaveAsActionValue(call, mainOf(call));
    return 1;
}

int StSetPaper(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const uint32_t a = RecU32(call.record, rec32::kA), b = RecU32(call.record, rec32::kB),
                   c = RecU32(call.record, rec32::kC);
    if (!StValueOk(ctx, kItPaperSize, a)) return -1;
    if (a == 256 && !customSizeInRange(ctx, b, c)) return -1;
    StSetRaw(ctx, kItPaperSize, a);
    const uint32_t fields = StRaw(ctx, kItFields);
    if (a == 256) {
        StSetRaw(ctx, kItPaperWidth, b & 0xFFFF);
        StSetRaw(ctx, kItPaperLength, c & 0xFFFF);
        StSetRaw(ctx, kItFields, (fields | kDmPaperLength | kDmPaperWidth) & ~kDmPaperSize);
    } else {
        StSetRaw(ctx, kItFields, (fields & ~(kDmPaperLength | kDmPaperWidth)) | kDmPaperSize);
    }
    DmRefreshPaperAndFitScale(call.handle, 1);
    return 1;
}

int StVerifyPaper(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const uint32_t a = RecU32(call.record, rec32::kA);
    if (StRaw(ctx, kItPaperSize) != a) return -1;
    if (a == 256 && (StRaw(ctx, kItPaperWidth) != (RecU32(call.record, rec32::kB) & 0xFFFF) ||
                     StRaw(ctx, kItPaperLength) != (RecU32(call.record, rec32::kC) & 0xFFFF)))
        return -1;
    return 1;
}

int StGetPaper(StatusGetCall& call) {
    if (call.record) {
        clearFields(call.record, rec32::kSize);
        RecPutU32(call.record, rec32::kA, StRaw(call.ctx, kItPaperSize));
        RecPutU32(call.record, rec32::kB, StRaw(call.ctx, kItPaperWidth));
        RecPutU32(call.record, rec32::kC, StRaw(call.ctx, kItPaperLength));
    }
    return rec32::kSize;
}

int StSetOutPaper(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const uint32_t a = RecU32(call.record, rec32::kA);
    if (!StValueOk(ctx, kItOutPaper, a)) return -1;
    if (a != kOutPaperSame && ItemValueCheck(ctx, ItemFindById(ctx, kItOutPaper), kItOutPaper, a) != 1) return -1;
    StSetRaw(ctx, kItOutPaper, a);
    DmRefreshPaperAndFitScale(call.handle, 1);
    return 1;
}

int StSetResolution(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const uint32_t a = RecU32(call.record, rec32::kA);
    const int mode = resolutionUsesBothItem(ctx);
    if (mode == -1) return -1;
    if (mode == 1) {
        if (!StValueOk(ctx, kItResBoth, a)) return -1;
        StSetRaw(ctx, kItResBoth, a);
        StSetRaw(ctx, kItWorkPrompt, 1);
        StRunOptionActions(ctx, kItResBoth);
        StSetRaw(ctx, kItWorkPrompt, 0);
    } else {
        const ResolutionRow* row = ResTableFindById(a & 0xFFFF);
        if (!row || !StValueOk(ctx, kItResW, row->xDpi)) return -1;
        StSetRaw(ctx, kItResW, row->xDpi);
    }
    DmResolutionFromItems(ctx);
    return 1;
}

int StGetResolution(StatusGetCall& call) {
    DrvContext* ctx = call.ctx;
    const int mode = resolutionUsesBothItem(ctx);
    if (mode == -1) return -1;
    uint32_t a = 0;
    if (mode == 1) {
        a = StRaw(ctx, kItResBoth);
    } else {
        const uint32_t dpi = StRaw(ctx, kItResW);
        a = ResTableFindByXY(dpi, dpi);
        if (!a) return -1;
    }
    if (call.record) {
        clearFields(call.record, rec32::kSize);
        RecPutU32(call.record, rec32::kA, a);
    }
    return rec32::kSize;
}

int StSetPlanes(StatusCall& call) {
    uint32_t v[4];
    for (int i = 0; i < 4; ++i) v[i] = RecU32(call.record, rec32::kA + 4 * i);
    if (!v[0] && !v[1] && !v[2] && !v[3]) return -1;
    for (int i = 0; i < 4; ++i)
        if (!StValueOk(call.ctx, kItPlaneFirst + i, v[i])) return -1;
    for (int i = 0; i < 4; ++i) StSetRaw(call.ctx, kItPlaneFirst + i, v[i]);
    return 1;
}

int StVerifyPlanes(StatusCall& call) {
    for (int i = 0; i < 4; ++i)
        if (StRaw(call.ctx, kItPlaneFirst + i) != RecU32(call.record, rec32::kA + 4 * i)) return -1;
    return 1;
}

int StGetPlanes(StatusGetCall& call) {
    if (call.record) {
        clearFields(call.record, rec32::kSize);
        for (int i = 0; i < 4; ++i) RecPutU32(call.record, rec32::kA + 4 * i, StRaw(call.ctx, kItPlaneFirst + i));
    }
    return rec32::kSize;
}

}  // namespace vesk

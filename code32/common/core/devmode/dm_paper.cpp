// The paper items in dots: the source paper (items 44 to 49: length, width,
// printable length and width, X and Y offset) and the output paper (items 51
// to 56 in the same order), from a free-size slot, a custom size or the
// model's paper records.
//
// The margins of a paper are the two further numbers of its page record, or
// the record's X and Y when it gives none (both 0), and 0 without a record.
// The source's printable size is its size less one margin, the output's less
// twice each margin (or the record's rectangle for a model paper).
#include <algorithm>
#include <utility>

#include "core/devmode/dm_public.h"
#include "core/devmode/dm_public_util.h"
#include "core/item_store.h"
#include "core/units.h"

namespace vesk {
using namespace dm;
using namespace dmpub;

namespace {

constexpr int32_t kDpi = 1200;

struct Margins {
    int32_t x = 0, y = 0;
};

Margins marginsOf(const DmPaperArea& a) {
    if (a.margin1 || a.margin2) return {a.margin1, a.margin2};
    return {a.left, a.top};
}

bool areaOf(DrvContext* ctx, int32_t paperCode, DmPaperArea* a) {
    *a = {};
    return dmModel().paperArea(ctx, paperValueOf(ctx, paperCode), a) != 0;
}

// A free size clamped into the driver's custom-size limits (1200-dpi dots).
void clampCustom(DrvContext* ctx, int32_t* w, int32_t* l) {
    const DriverDesc& d = *ctx->desc;
    *w = std::clamp(*w, static_cast<int32_t>(d.customWidthMin), static_cast<int32_t>(d.customWidthMax));
    *l = std::clamp(*l, static_cast<int32_t>(d.customLengthMin), static_cast<int32_t>(d.customLengthMax));
}

void setSourceItems(DrvContext* ctx, int32_t wDots, int32_t lDots, Margins m) {
    ItemSetRawById(ctx, kItSrcWidth, static_cast<uint32_t>(wDots));
    ItemSetRawById(ctx, kItSrcLength, static_cast<uint32_t>(lDots));
    ItemSetRawById(ctx, kItSrcPrnWidth, static_cast<uint32_t>(wDots - m.x));
    ItemSetRawById(ctx, kItSrcPrnLength, static_cast<uint32_t>(lDots - m.y));
    ItemSetRawById(ctx, kItSrcX, static_cast<uint32_t>(m.x));
    ItemSetRawById(ctx, kItSrcY, static_cast<uint32_t>(m.y));
}

void setSourceCore(DrvContext* ctx, int32_t code, bool swap) {
    if (!ctx || !ctx->devmode || !ctx->desc) return;
    BYTE* cur = ctx->devmode;
    const int32_t r = static_cast<int32_t>(ItemRawById(ctx, kItDstResW));
    DmPaperArea area;
    int32_t w = 0, l = 0;
    if (freeSize(ctx, code, &w, &l)) {
        clampCustom(ctx, &w, &l);
        if (swap && isLandscape(cur)) std::swap(w, l);
        const Margins m = areaOf(ctx, code, &area) ? marginsOf(area) : Margins{};
        setSourceItems(ctx, ScaleUnits(w, kDpi, r), ScaleUnits(l, kDpi, r), m);
        put16(cur, kOffPaperWidth, DotsToDisplay(kUnitTenthMm, w, kDpi));
        put16(cur, kOffPaperLength, DotsToDisplay(kUnitTenthMm, l, kDpi));
        addFields(cur, DM_PAPERWIDTH | DM_PAPERLENGTH);
    } else if (modelPaper(ctx, code, &w, &l)) {
        const Margins m = areaOf(ctx, code, &area) ? marginsOf(area) : Margins{};
        setSourceItems(ctx, DisplayToDots(kUnitTenthMm, w, r), DisplayToDots(kUnitTenthMm, l, r), m);
        put16(cur, kOffPaperWidth, w);
        put16(cur, kOffPaperLength, l);
        clearFields(cur, DM_PAPERWIDTH | DM_PAPERLENGTH);
    } else {
        return;
    }
    addFields(cur, DM_PAPERSIZE);
}

void setOutputItems(DrvContext* ctx, int32_t wDots, int32_t lDots, int32_t prnW, int32_t prnL, Margins m) {
    ItemSetRawById(ctx, kItDstWidth, static_cast<uint32_t>(wDots));
    ItemSetRawById(ctx, kItDstLength, static_cast<uint32_t>(lDots));
    ItemSetRawById(ctx, kItDstPrnWidth, static_cast<uint32_t>(prnW));
    ItemSetRawById(ctx, kItDstPrnLength, static_cast<uint32_t>(prnL));
    ItemSetRawById(ctx, kItDstX, static_cast<uint32_t>(m.x));
    ItemSetRawById(ctx, kItDstY, static_cast<uint32_t>(m.y));
}

void setOutputCore(DrvContext* ctx, int32_t code, bool swap) {
    if (!ctx || !ctx->devmode || !ctx->desc) return;
    BYTE* cur = ctx->devmode;
    int32_t w = 0, l = 0;
    if (code == kPaperSameAsSource) {
        code = get16(cur, kOffPaperSize);
        if (freeSize(ctx, code, &w, &l)) {
            for (int k = 0; k < 6; ++k) ItemSetRawById(ctx, kItDstLength + k, ItemRawById(ctx, kItSrcLength + k));
            return;
        }
    }
    const int32_t rx = static_cast<int32_t>(ItemRawById(ctx, kItDstResW));
    const int32_t ry = static_cast<int32_t>(ItemRawById(ctx, kItDstResH));
    DmPaperArea area;
    const bool hasArea = areaOf(ctx, code, &area);
    const Margins m = hasArea ? marginsOf(area) : Margins{};
    if (freeSize(ctx, code, &w, &l)) {
        clampCustom(ctx, &w, &l);
        if (swap && isLandscape(cur)) std::swap(w, l);
        const int32_t wd = ScaleUnits(w, kDpi, rx), ld = ScaleUnits(l, kDpi, ry);
        setOutputItems(ctx, wd, ld, wd - 2 * m.x, ld - 2 * m.y, m);
    } else if (modelPaper(ctx, code, &w, &l)) {
        const int32_t wd = DisplayToDots(kUnitTenthMm, w, rx), ld = DisplayToDots(kUnitTenthMm, l, ry);
        if (hasArea) setOutputItems(ctx, wd, ld, area.right - area.left, area.bottom - area.top, m);
        else setOutputItems(ctx, wd, ld, wd, ld, m);
    }
}

}  // namespace

uint32_t dmpub::paperValueOf(DrvContext* ctx, int32_t paperCode) {
    return ItemMapToValue(ctx, ItemFindById(ctx, kItPaperSize), static_cast<uint32_t>(static_cast<uint16_t>(paperCode)));
}

bool dmpub::freeSize(DrvContext* ctx, int32_t paperCode, int32_t* w, int32_t* l) {
    return dmModel().freeSizePaper(ctx, paperCode, w, l) != 0;
}

bool dmpub::modelPaper(DrvContext* ctx, int32_t paperCode, int32_t* w, int32_t* l) {
    if (!dmModel().paperSize(ctx, paperValueOf(ctx, paperCode), w, l)) return false;
    if (isLandscape(ctx->devmode)) std::swap(*w, *l);
    return true;
}

void DmCustomSizeToItems(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    const BYTE* cur = ctx->devmode;
    const int32_t r = static_cast<int32_t>(ItemRawById(ctx, kItQuality));
    DmPaperArea area;
    const Margins m = areaOf(ctx, get16(cur, kOffPaperSize), &area) ? marginsOf(area) : Margins{};
    setSourceItems(ctx, DisplayToDots(kUnitTenthMm, get16(cur, kOffPaperWidth), r),
                   DisplayToDots(kUnitTenthMm, get16(cur, kOffPaperLength), r), m);
}

void DmSetSrcPaperItems(DrvContext* ctx, int32_t paperCode) { setSourceCore(ctx, paperCode, false); }
void DmSetSrcPaperItemsSwap(DrvContext* ctx, int32_t paperCode) { setSourceCore(ctx, paperCode, true); }
void DmSetDstPaperItems(DrvContext* ctx, int32_t paperCode) { setOutputCore(ctx, paperCode, false); }
void DmSetDstPaperItemsSwap(DrvContext* ctx, int32_t paperCode) { setOutputCore(ctx, paperCode, true); }

}  // namespace vesk

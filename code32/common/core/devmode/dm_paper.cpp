#include "core/devmode/dm_paper.h"

#include <cstdint>
#include <utility>

#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/model/query.h"
#include "core/units.h"
#include "core/item_ids.h"

namespace vesk {
using namespace dm;

namespace {

constexpr int kItSrcFirst = kItRdmSrcPaperLengthDot, kItDstFirst = kItRdmDstPaperLengthDot;
constexpr int16_t kOutPaperIsSource = 1024;
constexpr int32_t kDpi = 1200;
constexpr int16_t kUserSizePaper = 256;

// A paper in dots: size, printable size and the offsets of the printable
// area.
struct PaperDots {
    int32_t length = 0, width = 0, prnLength = 0, prnWidth = 0, x = 0, y = 0;
};

int32_t raw16(DrvContext* ctx, int id) { return static_cast<int16_t>(ItemRawById(ctx, id)); }

// Sizes worked out in 64 bits from numbers of the image, kept in 0..2^31-1.
int32_t atLeast0(int64_t v) { return v < 0 ? 0 : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }

void store(DrvContext* ctx, int first, const PaperDots& d) {
    const int32_t v[6] = {d.length, d.width, d.prnLength, d.prnWidth, d.x, d.y};
    for (int i = 0; i < 6; ++i) ItemSetRawById(ctx, first + i, static_cast<uint32_t>(v[i]));
}

// The model's value id of a paper code (by the value map of the paper
// item, item 8 unless another is named).
uint32_t valueOf(DrvContext* ctx, int16_t paper, int paperItem = kItDmPaperSize) {
    return ItemMapToValue(ctx, ItemFindById(ctx, paperItem), static_cast<uint32_t>(static_cast<uint16_t>(paper)));
}

// Margins of the printable area of a model paper at the current
// resolution: its left and top edge; 0 when the model has no area.
void margins(DrvContext* ctx, uint32_t valueId, int32_t* mx, int32_t* my) {
    RECTL rc{};
    *mx = *my = 0;
    if (MdlGetAreaRecordByKey(ctx, &rc, nullptr, valueId)) {
        *mx = atLeast0(rc.left);
        *my = atLeast0(rc.top);
    }
}

// A paper of a given size in dots with the margins taken off both sides.
// The model's area records place the printable area with equal margins on
// opposite edges (the sample's A4 at 600 dpi: 100 + 4760 + 100 across its
// 4961 dots), so the margin found at the left and top edges is taken off the
// right and bottom ones too; taking it off once would give a printable area
// that runs into the far margin.
PaperDots framed(int32_t length, int32_t width, int32_t mx, int32_t my) {
    PaperDots d;
    d.length = length;
    d.width = width;
    d.prnLength = atLeast0(int64_t{length} - 2 * int64_t{my});
    d.prnWidth = atLeast0(int64_t{width} - 2 * int64_t{mx});
    d.x = mx;
    d.y = my;
    return d;
}

// A paper of the model: its page size (0.1 mm, turned with the
// orientation) in dots of `rw` across and `rl` down, and its printable area
// at the current resolution. False when the model has no page size for it.
bool modelPaper(DrvContext* ctx, int16_t paper, int32_t rw, int32_t rl, PaperDots* d, int32_t pair[2],
                int paperItem = kItDmPaperSize) {
    // The value's record serves both the size and the area.
    const uint32_t record = MdlPageValueRecord(ctx, valueOf(ctx, paper, paperItem));
    // A value without a PageMMValue (a custom size) is not a paper of the
    // model's sizes.
    if (!MdlPageSizeOfRecord(ctx, record, pair) || (pair[0] == 0 && pair[1] == 0)) return false;
    const int32_t width = DisplayToDots(kUnitTenthMm, pair[0], rw);
    const int32_t length = DisplayToDots(kUnitTenthMm, pair[1], rl);
    RECTL rc{};
    if (MdlAreaOfRecord(ctx, record, &rc, nullptr)) {
        d->length = length;
        d->width = width;
        d->prnLength = atLeast0(int64_t{rc.bottom} - rc.top);
        d->prnWidth = atLeast0(int64_t{rc.right} - rc.left);
        d->x = atLeast0(rc.left);
        d->y = atLeast0(rc.top);
    } else {
        *d = framed(length, width, 0, 0);
    }
    return true;
}

int32_t clampTo(int32_t v, uint32_t lo, uint32_t hi) {
    if (v < static_cast<int32_t>(lo)) return static_cast<int32_t>(lo);
    if (v > static_cast<int32_t>(hi)) return static_cast<int32_t>(hi);
    return v;
}

bool freeSize(DrvContext* ctx, int16_t paper, int32_t* w, int32_t* l) {
    return dmModel().freeSizePaper(ctx, paper, w, l) != 0;
}

// A free size in landscape for the forms that turn it.
void turnFreeSize(const BYTE* dm, bool swap, int32_t* w, int32_t* l) {
    if (swap && rds16(dm, kOffOrientation) == DMORIENT_LANDSCAPE) std::swap(*w, *l);
}
void turnFreeSize(DrvContext* ctx, bool swap, int32_t* w, int32_t* l) { turnFreeSize(ctx->devmode, swap, w, l); }

// A public paper field of `dm`: through the item when it is the context's
// DEVMODE, else into the caller's buffer.
void putPublic(DrvContext* ctx, BYTE* dm, int id, uint32_t offset, int32_t v) {
    if (dm == ctx->devmode) ItemSetRawById(ctx, id, static_cast<uint32_t>(v));
    else wr16(dm, offset, static_cast<uint32_t>(v));
}

void setSource(DrvContext* ctx, int16_t paper, int paperItem, BYTE* dm, bool swap, const LibraryProfile& profile) {
    if (!ctx || !ctx->devmode || !ctx->desc) return;
    if (!dm) dm = ctx->devmode;
    swap = swap || profile.papersAlwaysTurnLandscape;
    const int32_t r = static_cast<int32_t>(ItemRawById(ctx, kItRdmDstResolutionW));
    int32_t w = 0, l = 0;
    if (freeSize(ctx, paper, &w, &l)) {
        const bool keep = profile.srcPaperKeepsPublicSize;
        const bool userSize = keep && paper == kUserSizePaper;
        // The user size of a library that keeps the public size is the
        // public DEVMODE's own length and width (0.1 mm), in dots.
        if (userSize) {
            w = DisplayToDots(kUnitTenthMm, rds16(dm, kOffPaperWidth), kDpi);
            l = DisplayToDots(kUnitTenthMm, rds16(dm, kOffPaperLength), kDpi);
        }
        const DriverDesc& desc = *ctx->desc;
        w = clampTo(w, desc.customWidthMin, desc.customWidthMax);
        l = clampTo(l, desc.customLengthMin, desc.customLengthMax);
        int32_t tw = w, tl = l;
        turnFreeSize(dm, swap, &tw, &tl);
        int32_t mx, my;
        margins(ctx, valueOf(ctx, paper, paperItem), &mx, &my);
        store(ctx, kItSrcFirst, framed(ScaleUnits(tl, kDpi, r), ScaleUnits(tw, kDpi, r), mx, my));
        if (!userSize) {
            // Turned sizes reach the public fields unless the library keeps
            // those in the slot's portrait order.
            const int32_t pw = keep ? w : tw, pl = keep ? l : tl;
            putPublic(ctx, dm, kItDmPaperWidth, kOffPaperWidth, DotsToDisplay(kUnitTenthMm, pw, kDpi));
            putPublic(ctx, dm, kItDmPaperLength, kOffPaperLength, DotsToDisplay(kUnitTenthMm, pl, kDpi));
        }
        addFields(dm, DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PAPERSIZE);
        return;
    }
    PaperDots d;
    int32_t pair[2];
    if (!modelPaper(ctx, paper, r, r, &d, pair, paperItem)) return;
    store(ctx, kItSrcFirst, d);
    putPublic(ctx, dm, kItDmPaperWidth, kOffPaperWidth, pair[0]);
    putPublic(ctx, dm, kItDmPaperLength, kOffPaperLength, pair[1]);
    clearFields(dm, DM_PAPERLENGTH | DM_PAPERWIDTH);
    addFields(dm, DM_PAPERSIZE);
}

void setOutput(DrvContext* ctx, int16_t paper, bool swap) {
    if (!ctx || !ctx->devmode) return;
    int32_t w = 0, l = 0;
    if (paper == kOutPaperIsSource) {
        paper = static_cast<int16_t>(raw16(ctx, kItDmPaperSize));
        if (freeSize(ctx, paper, &w, &l)) {
            for (int i = 0; i < 6; ++i) ItemSetRawById(ctx, kItDstFirst + i, ItemRawById(ctx, kItSrcFirst + i));
            return;
        }
    }
    const int32_t rw = static_cast<int32_t>(ItemRawById(ctx, kItRdmDstResolutionW));
    const int32_t rl = static_cast<int32_t>(ItemRawById(ctx, kItRdmDstResolutionH));
    if (freeSize(ctx, paper, &w, &l)) {
        // Taken as it is: the paper-size limits refuse one the device
        // cannot take.
        turnFreeSize(ctx, swap, &w, &l);
        int32_t mx, my;
        margins(ctx, valueOf(ctx, paper), &mx, &my);
        store(ctx, kItDstFirst, framed(ScaleUnits(l, kDpi, rl), ScaleUnits(w, kDpi, rw), mx, my));
        return;
    }
    PaperDots d;
    int32_t pair[2];
    if (modelPaper(ctx, paper, rw, rl, &d, pair)) store(ctx, kItDstFirst, d);
}

}  // namespace

void DmResolutionFromItems(DrvContext* ctx) {
    const uint32_t p = ItemRawById(ctx, kItRdmDstResolutionW);
    ItemSetRawById(ctx, kItRdmDstResolutionH, p);
    ItemSetRawById(ctx, kItDmPrintQuality, p);
    ItemSetRawById(ctx, kItDmYResolution, p);
}

void DmSetSrcPaperItemsCoreFor(DrvContext* ctx, int16_t paper, uint16_t paperItem, BYTE* devmode, int swap,
                               const LibraryProfile& profile) {
    setSource(ctx, paper, paperItem ? paperItem : static_cast<uint16_t>(kItDmPaperSize), devmode, swap != 0, profile);
}
void DmSetSrcPaperItemsCore(DrvContext* ctx, int16_t paper, uint16_t paperItem, BYTE* devmode, int swap) {
    DmSetSrcPaperItemsCoreFor(ctx, paper, paperItem, devmode, swap, CurrentProfile());
}
void DmSetSrcPaperItems(DrvContext* ctx, int16_t paper) { DmSetSrcPaperItemsCore(ctx, paper, kItDmPaperSize, nullptr, 0); }
void DmSetSrcPaperItemsSwap(DrvContext* ctx, int16_t paper) {
    DmSetSrcPaperItemsCore(ctx, paper, kItDmPaperSize, nullptr, 1);
}
void DmSetDstPaperItems(DrvContext* ctx, int16_t paper) {
    setOutput(ctx, paper, CurrentProfile().papersAlwaysTurnLandscape);
}
void DmSetDstPaperItemsSwap(DrvContext* ctx, int16_t paper) { setOutput(ctx, paper, true); }

void DmCustomSizeToItems(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    const int32_t r = raw16(ctx, kItDmPrintQuality);
    int32_t mx, my;
    margins(ctx, ItemValueById(ctx, kItDmPaperSize), &mx, &my);
    const int32_t width = DisplayToDots(kUnitTenthMm, raw16(ctx, kItDmPaperWidth), r);
    const int32_t length = DisplayToDots(kUnitTenthMm, raw16(ctx, kItDmPaperLength), r);
    store(ctx, kItSrcFirst, framed(length, width, mx, my));
}

}  // namespace vesk

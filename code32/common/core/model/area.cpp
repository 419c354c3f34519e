// Paper geometry of the paper option (option 8, PickPage): the PageMMValue
// pair of a value and its page records (printable areas by resolution and
// orientation).
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model/query.h"

namespace vesk {
namespace {

constexpr uint16_t kLandscape = 2;

// A PickPage value record: +12 and +16 the PageMMValue numbers, +20 the page
// records.
constexpr uint32_t kPageValueSize = 24;

// The PickPage value record of option 8 for `valueId`, 0 when none.
uint32_t pageValue(DrvContext* ctx, uint32_t valueId) {
    uint32_t o = MdlFindOption(ctx, kItDmPaperSize);
    if (!o) return 0;
    uint16_t type = 0;
    MdlImageView v = MdlViewOf(ctx);
    v.u16(o + kMdlOptType, &type);
    if (MdlBaseType(type) != kMdlPickPage) return 0;
    uint32_t rec = MdlFindValueRecord(ctx, kItDmPaperSize, valueId);
    return (rec && v.inside(rec, kPageValueSize)) ? rec : 0;
}

struct PageRecord {
    uint16_t resolution, orientation, condKey, condValue;
    int32_t x, y, width, height, further1, further2;
};

void readPage(const MdlImageView& v, uint32_t at, PageRecord* p) {
    v.u16(at + kMdlPageResolution, &p->resolution);
    v.u16(at + kMdlPageOrientation, &p->orientation);
    v.u16(at + kMdlPageCondKey, &p->condKey);
    v.u16(at + kMdlPageCondValue, &p->condValue);
    int32_t* f[6] = {&p->x, &p->y, &p->width, &p->height, &p->further1, &p->further2};
    for (uint32_t i = 0; i < 6; ++i) v.i32(at + kMdlPageNumbers + 4 * i, f[i]);
}

// Sums of numbers read from the image wrap instead of overflowing.
int32_t add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }

// No condition option, or the current value of the item with the condition
// option's key equals the condition value.
bool conditionHolds(DrvContext* ctx, const PageRecord& p) {
    if (p.condKey == 0) return true;
    DmItem* item = nullptr;
    uint32_t value = ItemValueByKey(ctx, static_cast<int16_t>(p.condKey), &item);
    return item && (value & 0xFFFF) == p.condValue;
}

}  // namespace

uint32_t MdlPageValueRecord(DrvContext* ctx, uint32_t valueId) { return pageValue(ctx, valueId); }

int MdlGetPageSizeOfValue(DrvContext* ctx, uint32_t valueId, int32_t outPair[2]) {
    return MdlPageSizeOfRecord(ctx, pageValue(ctx, valueId), outPair);
}

int MdlPageSizeOfRecord(DrvContext* ctx, uint32_t rec, int32_t outPair[2]) {
    if (!rec || !outPair) return 0;
    MdlImageView v = MdlViewOf(ctx);
    int32_t a = 0, b = 0;
    v.i32(rec + kMdlValSize1, &a);
    v.i32(rec + kMdlValSize2, &b);
    if (ItemRawById(ctx, kItDmOrientation) == kLandscape) {
        int32_t t = a;
        a = b;
        b = t;
    }
    outPair[0] = a;
    outPair[1] = b;
    return 1;
}

int MdlGetPageSize(DrvContext* ctx, int32_t outPair[2]) {
    return MdlGetPageSizeOfValue(ctx, ItemValueById(ctx, kItDmPaperSize), outPair);
}

int MdlGetAreaRecordByKey(DrvContext* ctx, RECTL* outRect, int32_t outPair[2], uint32_t valueId) {
    return MdlAreaOfRecord(ctx, pageValue(ctx, valueId), outRect, outPair);
}

int MdlAreaOfRecord(DrvContext* ctx, uint32_t rec, RECTL* outRect, int32_t outPair[2]) {
    if (!rec) return 0;
    MdlImageView v = MdlViewOf(ctx);
    uint32_t head = 0;
    if (!v.link(rec + kMdlValPages, kMdlImgPageSize, &head)) return 0;
    const uint32_t r = ItemValueById(ctx, kItRdmDstResolutionW) & 0xFFFF;
    const uint32_t o = ItemValueById(ctx, kItDmOrientation) & 0xFFFF;
    // Pass 1: resolution and orientation; pass 2: the resolution alone, the
    // area read turned.
    for (int pass = 0; pass < 2; ++pass) {
        MdlListWalk walk(v, head, kMdlImgPageSize);
        for (uint32_t at; walk.next(&at);) {
            PageRecord p{};
            readPage(v, at, &p);
            if (p.resolution != r || (pass == 0 && p.orientation != o) || !conditionHolds(ctx, p)) continue;
            RECTL rc;
            int32_t pair[2];
            if (pass == 0) {
                rc = {p.x, p.y, add(p.x, p.width), add(p.y, p.height)};
                pair[0] = p.further1;
                pair[1] = p.further2;
            } else {
                rc = {p.y, p.x, add(p.y, p.height), add(p.x, p.width)};
                pair[0] = p.further2;
                pair[1] = p.further1;
            }
            if (outRect) *outRect = rc;
            if (outPair) {
                outPair[0] = pair[0];
                outPair[1] = pair[1];
            }
            return 1;
        }
    }
    return 0;
}

int MdlGetAreaRecord(DrvContext* ctx, RECTL* outRect, int32_t outPair[2], uint32_t valueId) {
    return MdlGetAreaRecordByKey(ctx, outRect, outPair, valueId);
}

}  // namespace vesk

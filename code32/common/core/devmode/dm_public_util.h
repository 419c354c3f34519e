// Helpers shared by the public-field files: item ids, the model's answers
// for a field's item, and 16-bit field access.
#pragma once
#include <win/devmode.h>
#include <win/types.h>

#include "core/context.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/driver_desc.h"
#include "core/item_ids.h"

namespace vesk::dmpub {

// The duplex lock kept in step with the public duplex field (an item without
// a field name; the public fields are item n + 1 for field n).
constexpr int kItDuplexLock = 916;

inline const PublicDefaults& defs(DrvContext* ctx) { return ctx->desc->publicDefaults; }
inline int optType(DrvContext* ctx, int item) { return dmModel().optionType(ctx, item); }
// The public-field validator of the item's option accepts the value.
inline bool allowed(DrvContext* ctx, int item, int32_t v) { return dmModel().checkValue(ctx, item, v) == 1; }
inline bool inRange(DrvContext* ctx, int item, int32_t v) {
    int32_t lo = 0, hi = -1;
    return dmModel().optionRange(ctx, item, &lo, &hi) && v >= lo && v <= hi;
}

inline int32_t get16(const BYTE* dm, uint32_t off) { return dm::rds16(dm, off); }
inline void put16(BYTE* dm, uint32_t off, int32_t v) { dm::wr16(dm, off, static_cast<uint32_t>(v)); }

// The fields a caller's DEVMODE asks for: a user size (256) with its size
// code asks for its length and width instead. A 256 whose size code is not
// flagged asks for nothing: the caller did not ask for a paper, and taking
// the length and width it happens to carry would change the paper of a
// caller that only set, say, the orientation.
inline uint32_t requestedFields(const BYTE* in) {
    uint32_t f = dm::fields(in);
    if ((f & DM_PAPERSIZE) && get16(in, dm::kOffPaperSize) == DMPAPER_USER)
        f = (f & ~DM_PAPERSIZE) | DM_PAPERLENGTH | DM_PAPERWIDTH;
    return f;
}

inline bool isLandscape(const BYTE* dm) { return get16(dm, dm::kOffOrientation) == DMORIENT_LANDSCAPE; }

// A free-size paper: its slot's width and length in 1200-dpi dots.
inline bool freeSize(DrvContext* ctx, int32_t paperCode, int32_t* w, int32_t* l) {
    return dmModel().freeSizePaper(ctx, paperCode, w, l) != 0;
}
// Width and length of a model paper in 0.1 mm as the page-size query gives
// them (exchanged in landscape). False when the model has no such paper.
inline bool modelPaper(DrvContext* ctx, int32_t paperCode, int32_t* w, int32_t* l) {
    return dmModel().paperSize(ctx, paperCode, w, l) != 0;
}

}  // namespace vesk::dmpub

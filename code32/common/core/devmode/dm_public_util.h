// Helpers shared by the public-field files: item ids, the model's answers
// for a field's item, and 16-bit field access.
#pragma once
#include <win/devmode.h>
#include <win/types.h>

#include "core/context.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/driver_desc.h"

namespace vesk::dmpub {

// Item ids of the public fields (item n + 1 is public field n) and of the
// items kept in step with them.
constexpr int kItSpecVersion = 2, kItDriverVersion = 3, kItSize = 4, kItDriverExtra = 5, kItFields = 6,
              kItOrientation = 7, kItPaperSize = 8, kItPaperLength = 9, kItPaperWidth = 10, kItScale = 11,
              kItCopies = 12, kItSource = 13, kItQuality = 14, kItColor = 15, kItDuplex = 16, kItYRes = 17,
              kItTTOption = 18, kItFormName = 20, kItICMMethod = 27, kItICMIntent = 28, kItMediaType = 29,
              kItDither = 30;
constexpr int kItUiModeChange = 40, kItDstResW = 42, kItDstResH = 43, kItOutPaper = 50, kItDuplexOn = 61,
              kItStampOn = 63, kItSortOn = 64, kItDuplexType = 102, kItStampKind = 109, kItStampId = 120,
              kItUseUserMacro = 185, kItUserPrintMacro = 188, kItResBoth = 248, kItMediaTypeItem = 378,
              kItUiStart = 880, kItLogCodeUse = 10002, kItPdlCode = 10274, kItDuplexLock = 916;

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

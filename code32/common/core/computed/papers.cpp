// The output paper, the built-in paper lists of the finishers and which
// finisher is fitted.
#include "core/computed/cached_items.h"
#include "core/computed/computed.h"

namespace vesk {
namespace {

// Paper lists, ended by 0.
constexpr int16_t kListA[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93, 0};
constexpr int16_t kList737[] = {9, 11, 13, 5, 1, 6, 514, 513, 14, 7, 93, 0};
constexpr int16_t kListFin1000[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93, 0};
constexpr int16_t kListFinBF[] = {8, 9, 12, 1, 5, 3, 0};
constexpr int16_t kListType14[] = {8, 9, 12, 13, 1, 5, 3, 14, 517, 93, 7, 0};
constexpr int16_t kListType15[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 517, 93, 7, 0};
constexpr int16_t kListLong[] = {8, 12, 5, 3, 514, 513, 14, 517, 0};

constexpr uint16_t kOutPaperIsSource = 1024;

// Code 0 ends every list and is never a paper.
bool inList(const int16_t* list, int16_t paper) {
    if (paper == 0) return false;
    for (; *list; ++list)
        if (*list == paper) return true;
    return false;
}

}  // namespace

int16_t ItemCachedEffectiveOutPaper(DrvContext* ctx) {
    uint32_t out = ItemCachedOutPaperSize(ctx);
    if ((out & 0xFFFF) == kOutPaperIsSource) out = ItemCachedPaperSize(ctx);
    return static_cast<int16_t>(out);
}

bool PaperInFinListA(DrvContext* ctx, int16_t paper, bool ext) {
    if (inList(kListA, paper)) return true;
    if (!ext) return false;
    return paper == 11 || (paper == 6 && IsFin2000FamilyFitted(ctx));
}

bool PaperOutsideList737(int16_t paper) { return !inList(kList737, paper); }
bool PaperInFin1000List(int16_t paper) { return inList(kListFin1000, paper); }
bool PaperInFinBFList(int16_t paper) { return inList(kListFinBF, paper); }
bool PaperInOutOpt14List(int16_t paper) { return inList(kListType14, paper); }
bool PaperInOutOpt15List(int16_t paper) { return inList(kListType15, paper); }
bool PaperIsLong(int16_t paper) { return inList(kListLong, paper); }

bool IsFin2000FamilyFitted(DrvContext* ctx) {
    return ItemCachedOutputOptionTypeFin2000(ctx) || ItemCachedOutputOptionTypeFin2000NA(ctx) ||
           ItemCachedOutputOptionTypeFin2000EU(ctx) || ItemCachedOutputOptionTypeFin2000NE(ctx) ||
           ItemCachedOutputOptionTypeFin2000NoPunch(ctx);
}

bool IsFin3000FamilyFitted(DrvContext* ctx) {
    return ItemCachedOutputOptionTypeFin3000(ctx) || ItemCachedOutputOption2TypeFin3000NA2(ctx) ||
           ItemCachedOutputOption2TypeFin3000EU2(ctx) || ItemCachedOutputOption2TypeFin3000NA3(ctx) ||
           ItemCachedOutputOption2TypeFin3000NoPunch(ctx);
}

bool IsFin2000Or3000Fitted(DrvContext* ctx) { return IsFin2000FamilyFitted(ctx) || IsFin3000FamilyFitted(ctx); }

}  // namespace vesk

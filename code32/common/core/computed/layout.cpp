// Page layout as printed: the effective orientation and the edge the fitted
// finisher works on.
#include "core/computed/cached_items.h"
#include "core/computed/computed.h"

namespace vesk {
namespace {

constexpr uint32_t kPortrait = 1;
constexpr int kEdgeNone = 0, kEdgeEither = 3;

// The two feed edges, by the effective orientation: `first` is the edge for
// portrait, the other one for landscape.
int edge(bool landscape, int first) { return landscape ? 3 - first : first; }

int fin2000Or3000Edge(DrvContext* ctx, int16_t paper, bool l) {
    if (!PaperInFinListA(ctx, paper, true)) return kEdgeNone;
    const bool noPunch = ItemCachedOutputOptionTypeFin2000NoPunch(ctx) || ItemCachedOutputOption2TypeFin3000NoPunch(ctx);
    if (!noPunch && ItemCachedFuncSelectPunch(ctx)) {
        switch (ItemCachedPunchType(ctx)) {
        case 1:
        case 17:
        case 33:
        case 49: return edge(l, 1);
        case 2:
        case 3:
        case 18:
        case 19:
        case 34:
        case 35:
        case 50:
        case 51: return edge(l, 2);
        default: break;  // the staple decides
        }
    }
    if (!ItemCachedFuncSelectStaple(ctx)) return kEdgeEither;
    switch (ItemCachedStapleType(ctx)) {
    case 33:
    case 65: return edge(l, 1);
    case 34:
    case 66:
    case 67: return edge(l, 2);
    case 49:
    case 50: return kEdgeEither;
    default: return kEdgeNone;
    }
}

int fin1000Edge(DrvContext* ctx, int16_t paper, bool l) {
    if (!PaperInFin1000List(paper)) return kEdgeNone;
    if (!ItemCachedFuncSelectStaple(ctx)) return kEdgeEither;
    switch (ItemCachedStapleType(ctx)) {
    case 33: return edge(l, 1);
    case 34: return edge(l, 2);
    default: return kEdgeNone;
    }
}

int finBFEdge(DrvContext* ctx, int16_t paper, bool l) {
    if (!PaperInFinBFList(paper)) return kEdgeNone;
    if (!ItemCachedFuncSelectStaple(ctx)) return kEdgeEither;
    switch (ItemCachedStapleType(ctx)) {
    case 33:
    case 34:
    case 49:
    case 50: return kEdgeEither;
    case 65: return edge(l, 1);
    case 66:
    case 67: return edge(l, 2);
    case 68: return 1;
    default: return kEdgeNone;
    }
}

int type14Edge(DrvContext* ctx, int16_t paper, bool l) {
    if (!PaperInOutOpt14List(paper)) return kEdgeNone;
    if (!ItemCachedFuncSelectStaple(ctx)) return kEdgeEither;
    switch (ItemCachedStapleType(ctx)) {
    case 49: return edge(l, 1);
    case 50: return edge(l, 2);
    default: return kEdgeNone;
    }
}

int type15Edge(DrvContext* ctx, int16_t paper, bool l) {
    if (!PaperInOutOpt15List(paper)) return kEdgeNone;
    if (!ItemCachedFuncSelectStaple(ctx)) return kEdgeEither;
    switch (ItemCachedStapleType(ctx)) {
    case 49:
    case 50: return kEdgeEither;
    case 65: return edge(l, 1);
    case 66:
    case 67: return edge(l, 2);
    default: return kEdgeNone;
    }
}

}  // namespace

int IsEffectiveLandscape(DrvContext* ctx) {
    const bool portrait = ItemCachedOrientation(ctx) == kPortrait;
    const uint32_t nupType = ItemCachedNUPType(ctx) & 0xFFFF;
    if (ItemCachedFuncSelectNup(ctx) == 1 && nupType >= 1 && nupType <= 18) return portrait ? 1 : 0;
    if (ItemCachedSourceOptionTypeDuplex(ctx) == 1 && ItemCachedFuncSelectDuplex(ctx) == 1 &&
        ItemCachedDuplexType(ctx) >= 17)
        return portrait ? 1 : 0;
    return portrait ? 0 : 1;
}

int GetFinishEdge(DrvContext* ctx) {
    const int16_t paper = ItemCachedEffectiveOutPaper(ctx);
    const bool l = IsEffectiveLandscape(ctx) != 0;
    if (IsFin2000Or3000Fitted(ctx)) return fin2000Or3000Edge(ctx, paper, l);
    if (ItemCachedOutputOptionTypeFin1000(ctx)) return fin1000Edge(ctx, paper, l);
    if (ItemCachedOutputOptionTypeFinBF(ctx)) return finBFEdge(ctx, paper, l);
    if (ItemCachedOutputOptionType14(ctx)) return type14Edge(ctx, paper, l);
    if (ItemCachedOutputOptionType15(ctx)) return type15Edge(ctx, paper, l);
    return kEdgeNone;
}

}  // namespace vesk

// The computed items: one predicate per listed id and the dispatcher the
// condition evaluator asks.
#include "core/computed/predicates.h"

#include <array>

#include "core/computed/cached_items.h"
#include "core/computed/computed.h"

namespace vesk {
namespace {

constexpr uint8_t kMachineWithoutTurnedExecutive = 131;

// How the trays of dmDefaultSource hold the paper.
struct Held {
    bool up;
    bool turned;
};
Held held(DrvContext* ctx, int16_t paper) {
    const uint32_t f = TrayPaperOrientFlags(ctx, paper);
    return {(f & 1u) != 0, (f & 2u) != 0};
}
bool any(Held h) { return h.up || h.turned; }
// The position lies across the feed: held upright on a portrait page or
// turned on a landscape page.
bool across(Held h, bool landscape) { return (h.up && !landscape) || (h.turned && landscape); }
// The position lies along the feed.
bool along(Held h, bool landscape) { return (h.up && landscape) || (h.turned && !landscape); }

bool landscape(DrvContext* ctx) { return IsEffectiveLandscape(ctx) != 0; }
int16_t paperOf(DrvContext* ctx) { return ItemCachedEffectiveOutPaper(ctx); }
bool in(uint32_t v, uint32_t lo, uint32_t hi) { return v >= lo && v <= hi; }

// The punch types the fitted Fin2000/Fin3000 variant offers (first match).
bool punchTypeOffered(DrvContext* ctx, uint32_t t) {
    if (ItemCachedOutputOptionTypeFin2000(ctx) || ItemCachedOutputOptionTypeFin3000(ctx) ||
        ItemCachedOutputOption2TypeFin3000NA2(ctx) || ItemCachedOutputOption2TypeFin3000EU2(ctx))
        return in(t, 1, 3);
    if (ItemCachedOutputOptionTypeFin2000NA(ctx)) return in(t, 1, 3) || in(t, 17, 19);
    if (ItemCachedOutputOptionTypeFin2000EU(ctx)) return in(t, 1, 3) || in(t, 33, 35);
    if (ItemCachedOutputOptionTypeFin2000NE(ctx)) return in(t, 49, 51);
    if (ItemCachedOutputOption2TypeFin3000NA3(ctx)) return in(t, 17, 19);
    return false;
}

using Predicate = int (*)(DrvContext*);
struct Row {
    uint16_t id;
    Predicate fn;
};

int effectiveLandscape(DrvContext* ctx) { return IsEffectiveLandscape(ctx); }
int paperLimits(DrvContext* ctx) { return CheckPaperSizeLimits(ctx, 1); }

constexpr Row kRows[] = {
    {731, Cond731Fin2000Or3000Orient0}, {732, Cond732Fin2000Or3000Orient1}, {733, Cond733Fin2000Or3000Paper},
    {734, Cond734Fin2000Or3000Punch},   {735, Cond735Fin2000Or3000Staple},  {736, Cond736Fin2000Or3000PaperExt},
    {737, Cond737PaperOutsideList},     {747, Cond747OutOpt14Orient0},      {748, Cond748OutOpt14Orient1},
    {749, Cond749OutOpt14Paper},        {750, Cond750OutOpt14Staple},       {763, Cond763Fin1000Orient0},
    {764, Cond764Fin1000Orient1},       {765, Cond765Fin1000Paper},         {766, Cond766Fin1000Staple},
    {779, Cond779OutOpt15Orient0},      {780, Cond780OutOpt15Orient1},      {781, Cond781OutOpt15Paper},
    {782, Cond782OutOpt15Staple},       {795, Cond795FinBFLongOrient0},     {796, Cond796FinBFOrient1},
    {797, Cond797FinBFOrient0},         {798, Cond798FinBFLongA4Orient0},   {799, Cond799FinBFPaper},
    {800, Cond800FinBFStaple},          {827, effectiveLandscape},          {828, Cond828AutoTrayHasPaper},
    {829, Cond829Tray1HasPaper},        {830, Cond830Tray2HasPaper},        {831, Cond831Tray3HasPaper},
    {832, Cond832Tray4HasPaper},        {833, Cond833LctHasPaper},          {834, Cond834ManualTrayHasPaper},
    {835, IsFinishEdge1},               {836, IsFinishEdge2},               {843, paperLimits},
    {844, Cond844CoverTrayMatch},       {845, Cond845MPTrayMatch},
};

// One entry per computed id; ids without a predicate stay null.
constexpr std::array<Predicate, kComputedLast - kComputedFirst + 1> kTable = [] {
    std::array<Predicate, kComputedLast - kComputedFirst + 1> t{};
    for (const Row& r : kRows) t[r.id - kComputedFirst] = r.fn;
    return t;
}();

int trayMatch(DrvContext* ctx, uint32_t source) {
    uint32_t paper = 0, orient = 0;
    // A source that names no single tray has no paper to compare: false, as
    // the other tray tests answer for it.
    if (!TrayGetPaperOrient(ctx, static_cast<int16_t>(source), &paper, &orient)) return 0;
    return SourceTrayHoldsPaperNoAuto(ctx, static_cast<int16_t>(paper), orient);
}

}  // namespace

uint32_t ComputedItemValue(DrvContext* ctx, int id) {
    if (!ctx || id < kComputedFirst || id > kComputedLast) return 0;
    Predicate fn = kTable[static_cast<size_t>(id - kComputedFirst)];
    return (fn && fn(ctx)) ? 1u : 0u;
}

// ---- Fin2000 and Fin3000 families ----

int Cond731Fin2000Or3000Orient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return IsFin2000Or3000Fitted(ctx) && PaperInFinListA(ctx, p, true) && SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond732Fin2000Or3000Orient1(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return IsFin2000Or3000Fitted(ctx) && PaperInFinListA(ctx, p, true) && !PaperIsLong(p) &&
           SourceTrayHoldsPaper(ctx, p, 1);
}

int Cond733Fin2000Or3000Paper(DrvContext* ctx) { return PaperInFinListA(ctx, paperOf(ctx), false); }

int Cond734Fin2000Or3000Punch(DrvContext* ctx) {
    if (ItemCachedOutputOptionTypeFin2000NoPunch(ctx) || ItemCachedOutputOption2TypeFin3000NoPunch(ctx)) return 0;
    const int16_t p = paperOf(ctx);
    if (!IsFin2000Or3000Fitted(ctx) || !PaperInFinListA(ctx, p, true)) return 0;
    const Held h = held(ctx, p);
    if (!any(h)) return 0;
    const uint32_t t = ItemCachedPunchType(ctx);
    if (!punchTypeOffered(ctx, t)) return 0;
    const bool l = landscape(ctx);
    switch (t) {
    case 1:
    case 49: return across(h, l);
    case 2:
    case 3:
    case 50:
    case 51: return along(h, l);
    case 17:
    case 33:
        if (h.turned && l) return 1;
        return (h.up && !l) ? Cond737PaperOutsideList(ctx) : 0;
    case 18:
    case 19:
    case 34:
    case 35:
        if (h.turned && !l) return 1;
        return (h.up && l) ? Cond737PaperOutsideList(ctx) : 0;
    default: return 0;
    }
}

int Cond735Fin2000Or3000Staple(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    if (!IsFin2000Or3000Fitted(ctx) || !PaperInFinListA(ctx, p, false)) return 0;
    const Held h = held(ctx, p);
    if (!any(h)) return 0;
    const bool l = landscape(ctx);
    switch (ItemCachedStapleType(ctx)) {
    case 49:
    case 50: return 1;
    case 1:
    case 2:
    case 34:
    case 66:
    case 67: return along(h, l);
    case 17:
    case 18:
    case 33:
    case 65: return across(h, l);
    default: return 0;
    }
}

int Cond736Fin2000Or3000PaperExt(DrvContext* ctx) { return PaperInFinListA(ctx, paperOf(ctx), true); }

int Cond737PaperOutsideList(DrvContext* ctx) { return PaperOutsideList737(paperOf(ctx)); }

// ---- Output option type 14 ----

int Cond747OutOpt14Orient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionType14(ctx) && p != 7 && p != 13 && p != 93 && PaperInOutOpt14List(p) &&
           SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond748OutOpt14Orient1(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    const bool refused = ctx->desc && ctx->desc->machineId == kMachineWithoutTurnedExecutive && p == 7;
    return ItemCachedOutputOptionType14(ctx) && !refused && PaperInOutOpt14List(p) && !PaperIsLong(p) &&
           SourceTrayHoldsPaper(ctx, p, 1);
}

int Cond749OutOpt14Paper(DrvContext* ctx) { return PaperInOutOpt14List(paperOf(ctx)); }

int Cond750OutOpt14Staple(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    const uint32_t s = ItemCachedStapleType(ctx);
    if (!ItemCachedOutputOptionType14(ctx) || !PaperInOutOpt14List(p) || (s != 49 && s != 50)) return 0;
    Held h = held(ctx, p);
    if (p == 13) h.up = false;  // this paper is never stapled held upright
    if (!any(h)) return 0;
    return s == 49 ? across(h, landscape(ctx)) : along(h, landscape(ctx));
}

// ---- Fin1000 ----

int Cond763Fin1000Orient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionTypeFin1000(ctx) && PaperInFin1000List(p) && SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond764Fin1000Orient1(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionTypeFin1000(ctx) && PaperInFin1000List(p) && !PaperIsLong(p) &&
           SourceTrayHoldsPaper(ctx, p, 1);
}

int Cond765Fin1000Paper(DrvContext* ctx) { return PaperInFin1000List(paperOf(ctx)); }

int Cond766Fin1000Staple(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    const uint32_t s = ItemCachedStapleType(ctx);
    if (!ItemCachedOutputOptionTypeFin1000(ctx) || !PaperInFin1000List(p) || (s != 33 && s != 34)) return 0;
    const Held h = held(ctx, p);
    if (!any(h)) return 0;
    return s == 33 ? across(h, landscape(ctx)) : along(h, landscape(ctx));
}

// ---- Output option type 15 ----

int Cond779OutOpt15Orient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionType15(ctx) && PaperInOutOpt15List(p) && SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond780OutOpt15Orient1(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionType15(ctx) && PaperInOutOpt15List(p) && !PaperIsLong(p) &&
           SourceTrayHoldsPaper(ctx, p, 1);
}

int Cond781OutOpt15Paper(DrvContext* ctx) { return PaperInOutOpt15List(paperOf(ctx)); }

int Cond782OutOpt15Staple(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    if (!ItemCachedOutputOptionType15(ctx) || !PaperInOutOpt15List(p)) return 0;
    const Held h = held(ctx, p);
    if (!any(h)) return 0;
    switch (ItemCachedStapleType(ctx)) {
    case 49:
    case 50: return 1;
    case 65: return across(h, landscape(ctx));
    case 66:
    case 67: return along(h, landscape(ctx));
    default: return 0;
    }
}

// ---- FinBF ----

int Cond795FinBFLongOrient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionTypeFinBF(ctx) && p != 5 && PaperIsLong(p) && SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond796FinBFOrient1(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionTypeFinBF(ctx) && (p == 1 || p == 9 || p == 13) && SourceTrayHoldsPaper(ctx, p, 1);
}

int Cond797FinBFOrient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionTypeFinBF(ctx) && (p == 1 || p == 5 || p == 9) && SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond798FinBFLongA4Orient0(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return ItemCachedOutputOptionTypeFinBF(ctx) && p != 5 && (p == 9 || PaperIsLong(p)) &&
           SourceTrayHoldsPaper(ctx, p, 0);
}

int Cond799FinBFPaper(DrvContext* ctx) {
    const int16_t p = paperOf(ctx);
    return PaperInFinBFList(p) || (p == 13 && SourceTrayHoldsPaper(ctx, 13, 1));
}

int Cond800FinBFStaple(DrvContext* ctx) {
    if (!ItemCachedOutputOptionTypeFinBF(ctx)) return 0;
    switch (ItemCachedStapleType(ctx)) {
    case 49:
    case 50: return Cond795FinBFLongOrient0(ctx) || Cond796FinBFOrient1(ctx) || Cond797FinBFOrient0(ctx);
    case 65: {
        const bool l = landscape(ctx);
        return (Cond795FinBFLongOrient0(ctx) && !l) || (Cond796FinBFOrient1(ctx) && l);
    }
    case 66:
    case 67: {
        const bool l = landscape(ctx);
        return (Cond795FinBFLongOrient0(ctx) && l) || (Cond796FinBFOrient1(ctx) && !l);
    }
    case 68: return Cond798FinBFLongA4Orient0(ctx);
    default: return 0;
    }
}

// ---- Trays ----

int Cond828AutoTrayHasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 7, paperOf(ctx)); }
int Cond829Tray1HasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 1, paperOf(ctx)); }
int Cond830Tray2HasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 3, paperOf(ctx)); }
int Cond831Tray3HasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 2, paperOf(ctx)); }
int Cond832Tray4HasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 256, paperOf(ctx)); }
int Cond833LctHasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 11, paperOf(ctx)); }
int Cond834ManualTrayHasPaper(DrvContext* ctx) { return TrayHasPaper(ctx, 4, paperOf(ctx)); }

int IsFinishEdge1(DrvContext* ctx) { return GetFinishEdge(ctx) == 1; }
int IsFinishEdge2(DrvContext* ctx) { return GetFinishEdge(ctx) == 2; }

int Cond844CoverTrayMatch(DrvContext* ctx) { return trayMatch(ctx, ItemCachedCoverInputTray(ctx)); }
int Cond845MPTrayMatch(DrvContext* ctx) { return trayMatch(ctx, ItemCachedMPInputTray(ctx)); }

}  // namespace vesk

// The paper trays as the computed items see them: which trays a paper
// source names, and what paper each holds in which orientation.
#include <initializer_list>

#include "core/computed/cached_items.h"
#include "core/computed/computed.h"

namespace vesk {
namespace {

constexpr int kSourceTray1 = 1, kSourceTray3 = 2, kSourceTray2 = 3, kSourceManual = 4, kSourceAuto = 7,
              kSourceLct = 11, kSourceTray4 = 256;

struct Tray {
    CachedItem paper;
    CachedItem orient;
    CachedItem lock;
    bool hasLock;
};

constexpr Tray kTray1{kCachedTray1Paper, kCachedTrayOrient0, kCachedTrayLock0, true};
constexpr Tray kTray2{kCachedTray2Paper, kCachedTrayOrient1, kCachedTrayLock1, true};
constexpr Tray kTray3{kCachedTray3Paper, kCachedTrayOrient2, kCachedTrayLock2, true};
constexpr Tray kTray4{kCachedTray4Paper, kCachedTrayOrient3, kCachedTrayLock3, true};
constexpr Tray kLct{kCachedTray26PaperLCT1, kCachedTrayOrient25, kCachedTrayLock25, true};
constexpr Tray kManual{kCachedTray28PaperManual, kCachedTrayOrient27, kCachedTrayLock0, false};
constexpr Tray kMulti{kCachedTray29PaperMulti, kCachedTrayOrient28, kCachedTrayLock28, true};

// The trays of a source, at most six.
struct TraySet {
    const Tray* t[6];
    int n = 0;
    void add(const Tray& tray) { t[n++] = &tray; }
};

bool locked(DrvContext* ctx, const Tray& t) { return t.hasLock && ItemCachedRaw(ctx, t.lock) != 0; }

TraySet traysOf(DrvContext* ctx, int source) {
    TraySet s;
    switch (source) {
    case kSourceTray1: s.add(kTray1); break;
    case kSourceTray2: s.add(kTray2); break;
    case kSourceTray3: s.add(kTray3); break;
    case kSourceTray4: s.add(kTray4); break;
    case kSourceLct: s.add(kLct); break;
    case kSourceManual:
        if (ItemCachedSourceOptionTypeManual(ctx)) s.add(kManual);
        else if (ItemCachedSourceOptionTypeMulti(ctx)) s.add(kMulti);
        break;
    case kSourceAuto:
        // Every tray that is not locked; the manual tray never feeds on
        // its own.
        for (const Tray* t : {&kTray1, &kTray2, &kTray3, &kTray4})
            if (!locked(ctx, *t)) s.add(*t);
        if (ItemCachedSourceOptionTypeLCT1(ctx) && !locked(ctx, kLct)) s.add(kLct);
        if (ItemCachedSourceOptionTypeMulti(ctx) && !locked(ctx, kMulti)) s.add(kMulti);
        break;
    default: break;
    }
    return s;
}

bool holds(DrvContext* ctx, const Tray& t, int16_t p) {
    return static_cast<uint16_t>(ItemCachedRaw(ctx, t.paper)) == static_cast<uint16_t>(p);
}

int sourceOfDefault(DrvContext* ctx) { return static_cast<int16_t>(ItemCachedDefaultSource(ctx)); }

}  // namespace

int TrayHoldsPaper(DrvContext* ctx, int source, int16_t p, uint32_t o) {
    TraySet s = traysOf(ctx, source);
    for (int i = 0; i < s.n; ++i)
        if (holds(ctx, *s.t[i], p) && ItemCachedRaw(ctx, s.t[i]->orient) == o) return 1;
    return 0;
}

int SourceTrayHoldsPaper(DrvContext* ctx, int16_t p, uint32_t o) {
    return TrayHoldsPaper(ctx, sourceOfDefault(ctx), p, o);
}

int SourceTrayHoldsPaperNoAuto(DrvContext* ctx, int16_t p, uint32_t o) {
    int source = sourceOfDefault(ctx);
    return TrayHoldsPaper(ctx, source == kSourceAuto ? kSourceTray1 : source, p, o);
}

int TrayHasPaper(DrvContext* ctx, int source, int16_t p) {
    TraySet s = traysOf(ctx, source);
    for (int i = 0; i < s.n; ++i)
        if (holds(ctx, *s.t[i], p)) return 1;
    return 0;
}

uint32_t TrayPaperOrientFlags(DrvContext* ctx, int16_t p) {
    TraySet s = traysOf(ctx, sourceOfDefault(ctx));
    uint32_t flags = 0;
    for (int i = 0; i < s.n; ++i)
        if (holds(ctx, *s.t[i], p)) flags |= ItemCachedRaw(ctx, s.t[i]->orient) == 0 ? 1u : 2u;
    return flags;
}

int TrayGetPaperOrient(DrvContext* ctx, int source, uint32_t* outPaper, uint32_t* outOrient) {
    if (source == kSourceAuto) return 0;
    TraySet s = traysOf(ctx, source);
    if (s.n == 0) return 0;
    if (outPaper) *outPaper = ItemCachedRaw(ctx, s.t[0]->paper);
    if (outOrient) *outOrient = ItemCachedRaw(ctx, s.t[0]->orient);
    return 1;
}

}  // namespace vesk

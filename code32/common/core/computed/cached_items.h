// Getters of the items the computed-item predicates read. Each keeps the
// item's descriptor (never its value) in a slot of the context's workspace,
// found on the first call and read through on later ones; the descriptors
// live in the context's own item table, so a slot stays valid for the life
// of the context.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// X(getter name, item id), in slot order.
#define VESK_CACHED_ITEMS(X)                \
    X(PaperSize, 8)                         \
    X(OutPaperSize, 50)                     \
    X(Orientation, 7)                       \
    X(DefaultSource, 13)                    \
    X(CoverInputTray, 142)                  \
    X(MPInputTray, 138)                     \
    X(FuncSelectStaple, 66)                 \
    X(StapleType, 136)                      \
    X(FuncSelectPunch, 65)                  \
    X(PunchType, 134)                       \
    X(FuncSelectNupRaw, 59)                 \
    X(NUPType, 95)                          \
    X(SourceOptionTypeDuplex, 10014)        \
    X(FuncSelectDuplex, 61)                 \
    X(DuplexType, 102)                      \
    X(Tray1Paper, 10175)                    \
    X(Tray2Paper, 10176)                    \
    X(Tray3Paper, 10177)                    \
    X(Tray4Paper, 10178)                    \
    X(Tray26PaperLCT1, 10200)               \
    X(Tray28PaperManual, 10202)             \
    X(Tray29PaperMulti, 10203)              \
    X(TrayOrient0, 10143)                   \
    X(TrayOrient1, 10144)                   \
    X(TrayOrient2, 10145)                   \
    X(TrayOrient3, 10146)                   \
    X(TrayOrient25, 10168)                  \
    X(TrayOrient27, 10170)                  \
    X(TrayOrient28, 10171)                  \
    X(TrayLock0, 10239)                     \
    X(TrayLock1, 10240)                     \
    X(TrayLock2, 10241)                     \
    X(TrayLock3, 10242)                     \
    X(TrayLock25, 10264)                    \
    X(TrayLock28, 10267)                    \
    X(SourceOptionTypeLCT1, 10018)          \
    X(SourceOptionTypeManual, 10021)        \
    X(SourceOptionTypeMulti, 10022)         \
    X(OutputOptionTypeFin2000, 10058)       \
    X(OutputOptionTypeFin2000NA, 10074)     \
    X(OutputOptionTypeFin2000EU, 10075)     \
    X(OutputOptionTypeFin2000NE, 10076)     \
    X(OutputOptionTypeFin2000NoPunch, 10077) \
    X(OutputOptionTypeFin3000, 10050)       \
    X(OutputOption2TypeFin3000NA2, 10078)   \
    X(OutputOption2TypeFin3000EU2, 10079)   \
    X(OutputOption2TypeFin3000NA3, 10080)   \
    X(OutputOption2TypeFin3000NoPunch, 10081) \
    X(OutputOptionTypeFin1000, 10049)       \
    X(OutputOptionTypeFinBF, 10059)         \
    X(OutputOptionType14, 10060)            \
    X(OutputOptionType15, 10061)

enum CachedItem : uint32_t {
#define VESK_CACHED_SLOT(name, id) kCached##name,
    VESK_CACHED_ITEMS(VESK_CACHED_SLOT)
#undef VESK_CACHED_SLOT
    kCachedItemCount
};
static_assert(kCachedItemCount == kWsCachedItems, "the workspace keeps one slot per cached item");

// The item id of a slot.
int CachedItemId(CachedItem slot);
// The raw stored value of the slot's item (ItemGetRaw); 0 when the context
// has no such item.
uint32_t ItemCachedRaw(DrvContext* ctx, CachedItem slot);

#define VESK_CACHED_GETTER(name, id) \
    inline uint32_t ItemCached##name(DrvContext* ctx) { return ItemCachedRaw(ctx, kCached##name); }
VESK_CACHED_ITEMS(VESK_CACHED_GETTER)
#undef VESK_CACHED_GETTER

// rdmFuncSelectNup zero-extended from 16 bits.
inline uint32_t ItemCachedFuncSelectNup(DrvContext* ctx) { return ItemCachedFuncSelectNupRaw(ctx) & 0xFFFFu; }

}  // namespace vesk

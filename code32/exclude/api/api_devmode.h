// The DEVMODE of a versioned-API handle and the small routines that the
// handle's open and its status calls share with it.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Mode argument of VESKDrvGetDevmode; bit 0x10 adds the device query.
constexpr int32_t kApiDmCurrent = 1;
constexpr int32_t kApiDmDefaults = 2;
constexpr int32_t kApiDmResolution = 4;
constexpr int32_t kApiDmQuery = 0x10;

// Items 103 and 104 from the model's current selections of options 103 and
// 104, unless option 105 is a Numeric option with a value block.
void DmSetSimplexBindDefaults(DrvContext* ctx);
// Item 103 from the model's selection of option 103; items 104-107 := 0.
void DmResetSimplexMargins(DrvContext* ctx);
// 1 on the 9x family with a minor version above 0 (98 and Me).
int OsIsWin98OrMe();
// The OS-kind code of the private flags: 0 Windows 95, 3 Windows 98 and
// Me, 1 NT before 5.0, 2 Windows 2000 and later.
void DmSetOsKind(DrvContext* ctx);
// The transient items reset for a mode (4 keeps the preset and the user
// macro; 2 and 18 take the user macro's planes).
void DmResetTransientItems(DrvContext* ctx, int32_t mode);
// With the user macro on and a macro quality 32..39, items 164-167 come
// from that quality; everything else stays.
void DmApplyUserMacroPlanes(DrvContext* ctx);
// Remerges the context's own DEVMODE; a custom paper length and width
// survive with DM_PAPERSIZE cleared.
void DmRemergeOwnDevmode(DrvContext* ctx);
// The remerge, keeping the type items of hidden finishing switches; item
// 19 follows item 64.
void DmRefreshPublicKeepFinishing(DrvContext* ctx);

}  // namespace vesk

extern "C" {
// The handle's DEVMODE for mode 1 or 17 (current), 2 or 18 (defaults) or 4
// (resolution variant): its size, or -1. The buffer, when given, must hold
// the whole DEVMODE (the size query with a null buffer tells it): the call
// takes no capacity.
__attribute__((visibility("default"))) int32_t WINAPI VESKDrvGetDevmode(void* handle, int32_t mode, void* buffer);
}

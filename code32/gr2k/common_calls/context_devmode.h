// The graphics library's forms of the driver-context and DEVMODE functions.
// They run the common library's own functions: the differences of the
// graphics library (no messages, no resource libraries, no page table) are
// those of its library identity, which the common code already follows.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// A context for the printer of `kindWord` and `flags` (flags 0x10000, the
// graphics driver's, are kept as 0x20000000), or null.
DrvContext* CtxCreateGr(HANDLE printer, uint16_t kindWord, uint32_t flags);
// Gives the context back to its cache (or frees it).
void CtxReleaseGr(DrvContext* ctx);
// Merges a job's DEVMODE (or none) into the context by the merge flags;
// 1 done, 0 when it could not be done (the context is then unchanged).
int DmApplyDevmodeFlagsGr(DrvContext* ctx, const DEVMODEW* devmode, uint32_t flags);

}  // namespace vesk

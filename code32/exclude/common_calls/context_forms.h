// The option-constraint library's forms of the context and bidirectional
// routines. They run the common functions: what differs in this library (no
// page table per context, no installer hand-over, no windows) is its
// library profile, which the common code follows.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Creation flag of the contexts of an Exc handle.
constexpr uint32_t kCreateExc = 0x100000u;

DrvContext* CtxCreateExExc(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord, uint32_t flags,
                           uint32_t documentMode, const PRINTER_INFO_2W* info);
void CtxReleaseExExc(DrvContext* ctx, uint16_t type);

// The bidirectional state of a context an Exc handle opens: saved results
// when they are to be trusted (1), else with query 1 a device query (its
// result) and with query 0 the state cleared (0).
int BidiRefreshOnOpenExc(DrvContext* ctx, int query);
// The device query (mode flags 8) without a window: the two hooks below
// stand where the common query opens and closes its wait window.
int BidiQueryDeviceExc(DrvContext* ctx);
HWND ReturnNullExc(DrvContext* ctx, uint32_t flags);
void HookNoop2(HWND window, DrvContext* ctx);
// The device's default cover and bypass trays become the chosen ones,
// unless a batch installation bundle is named for the printer. 1, or 0
// without a DEVMODE.
int DmApplyBidiTraysExc(DrvContext* ctx);

}  // namespace vesk

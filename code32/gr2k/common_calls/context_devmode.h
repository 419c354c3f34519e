// The graphics library's forms of the driver-context and DEVMODE functions.
// Each is the common function under the graphics library's profile (no page
// table, no resource libraries, no messages, the job's public fields kept as
// given, landscape free sizes always turned); the forms below differ only in
// what they hand the common code.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The shared mutex of every process and session: a new handle, or null.
HANDLE TsMutexCreateGr();
void TsMutexWaitGr();

void CtxCacheFlushGr(int all);
DrvContext* CtxCacheLookupGr(HANDLE printer, uint16_t kindWord, uint32_t flags, uint32_t documentMode,
                             const PRINTER_INFO_2W* info);

// A context (flags 0x10000, the graphics driver's, are kept as 0x20000000);
// a kind-0 context takes its settings through SettingsSyncAtOpenGr. Null
// when the model cannot be read or memory is short.
DrvContext* CtxCreateExGr(HANDLE printer, HANDLE driverQuery, uint16_t kindWord, uint32_t flags,
                          uint32_t documentMode, const PRINTER_INFO_2W* info);
DrvContext* CtxCreateGr(HANDLE printer, uint16_t kindWord, uint32_t flags);
void CtxReleaseExGr(DrvContext* ctx, uint16_t type);
void CtxReleaseGr(DrvContext* ctx);

// The context's default DEVMODE for `kind` (null without memory or context).
BYTE* DmCreateDefaultGr(DrvContext* ctx, uint16_t kind);
void DmSetDefaultsGr(DrvContext* ctx);
// The field handler that does nothing (the form name's, and escape 122's).
void DmFieldNopGr(DrvContext* ctx, BYTE* devmode);

// The paper items of the source (44-49) and output paper (51-56).
void DmSetSrcPaperItemsGr(DrvContext* ctx, int16_t paper);
void DmSetDstPaperItemsGr(DrvContext* ctx, int16_t paper);
void DmItemsToPublicGr(DrvContext* ctx, int reason);
void DmDerivedItemsUpdateGr(DrvContext* ctx, int reason);
int ItemValueIsValidGr(DrvContext* ctx, const DmItem* item, int id, uint32_t raw);
int ItemValueCheckGr(DrvContext* ctx, const DmItem* item, int id, uint32_t raw);
int DmCollateSupportedGr(DrvContext* ctx);
int RunOptionChangeHandlersGr(DrvContext* ctx, uint32_t mode);
uint32_t ComputedItemValueGr(DrvContext* ctx, int id);
int CheckPaperSizeLimitsGr(DrvContext* ctx, int fromItems);

// The public fields `in` marks merged into `target`, a DEVMODE of the
// context's layout (the context's own when null).
void DmMergePublicFieldsGr(BYTE* target, const BYTE* in, DrvContext* ctx);
// Merges a job's DEVMODE (or none) into the context by the merge flags;
// 1 done, 0 when it could not be done (the context is then unchanged).
int DmApplyDevmodeFlagsGr(DrvContext* ctx, const DEVMODEW* devmode, uint32_t flags);

}  // namespace vesk

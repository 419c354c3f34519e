// The option-constraint library's forms of the DEVMODE state-flag and value
// routines. The library stores every OS-kind code (0 Windows 95, 3 Windows
// 98 and Me, 1 NT before 5.0, 2 Windows 2000 and later).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// A new DEVMODE buffer for the context, or null (no context, no memory). A
// default taken from the printer's DEVMODE keeps that DEVMODE's section 3
// and driver version text (option 905) when it carries them: only a whole
// buffer of the three sections that passes the acceptance test does; the
// spooler's usual DEVMODE ends with section 1, and then section 3 takes the
// driver's defaults, never zeros. Kind 3 and an unusable default build
// everything from the defaults.
BYTE* DmCreateDefaultExc(DrvContext* ctx, uint16_t kind);

// The private state flags' defaults, with the binder flag always 0.
void CtxInitSettingsExc(DrvContext* ctx);
// Merges a caller's DEVMODE (`len` bytes, or none) by the merge flags,
// without the capability summary, the binder flag's refresh, the provider's
// user-code flags and the job-control fetch. 1, or 0 when memory runs out.
int DmMergeDevmodeExc(DrvContext* ctx, const BYTE* in, size_t len, uint32_t flags);

void DmSetOsKindWin95(DrvContext* ctx);
void DmSetOsKindWin98(DrvContext* ctx);
// The terminal-server flag as DmPutTerminalServerFlag stored it.
BYTE DmGetTerminalServerFlag(DrvContext* ctx);

// Whether the option may hold `value`: 1 allowed (also when only its hidden
// condition holds), 0 not (also when its disabled condition holds), 2 no
// item or no key, 3 no model option.
int OptIsValueAllowedExc(uint16_t id, uint32_t value, DrvContext* ctx);

// The allowed resolutions, one 32-bit entry each (resolution table ids for
// option 42's values); the count, with a null array the count alone.
int CapsGetResolutionsExc(DrvContext* ctx, int32_t* out);

}  // namespace vesk

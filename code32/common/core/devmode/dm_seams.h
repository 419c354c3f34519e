// Steps of the DEVMODE code that other parts of the common library provide.
// Each answers "not done" until its part is built: nothing is loaded, run or
// written, and the DEVMODE code goes on as it does when the step fails.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// ---- Lists, persistence, user code and validation ----
// Loads quality-list entry `index` into the items. 0 when not loaded.
int LoadQualityByIndex(DrvContext* ctx, uint32_t index);
// Loads stamp `index` of the stamp list into the items. 0 when not loaded.
int LoadStampByIndex(DrvContext* ctx, uint32_t index);
// The font substitution table back to the driver's default table. 0 when
// not done.
int FontSubstTableResetDefaults(DrvContext* ctx);
// Writes the action word (items 224 to 239) to the per-printer settings INI
// under "rdmAction". 0 when not written.
int OptSaveActionWordToIni(DrvContext* ctx);
// The N-up kind of an N-up type (item 94's value for an item 95 value), with
// its flag in *outFlag; -1 when the table of kinds is not available.
int NupKindFromType(uint32_t type, int* outFlag);
// The user-code provider's flag bytes. 0 when not done.
int UpdateProviderUserCodeFlags(DrvContext* ctx);
// The user code of a merge. 0 when not loaded.
int LoadUserCodeOnMerge(DrvContext* ctx);

}  // namespace vesk

// The public DEVMODEW fields of the driver's DEVMODE: their defaults from the
// driver description, their validation against the model, the merge of a
// caller's public fields, and the items derived from them.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Merge flags the callers pass.
constexpr uint32_t kMergePrompt = 0x4;
constexpr uint32_t kMergeModify = 0x8;
constexpr uint32_t kMergeNoUi = 0x2000000;
constexpr uint32_t kMergeSettingsImport = 0x10000000;
constexpr uint32_t kMergeCapSummary = 0x40000000;

// Every public field of `dm` to its description default.
void DmResetPublic(DrvContext* ctx, BYTE* dm);
// The validation table applied to the context's DEVMODE, fields in order.
void DmValidatePublic(DrvContext* ctx);
// Reason 1 validates, 2 resets the items to their model defaults and reloads
// the printer's default DEVMODE before validating, anything else resets.
void DmPublicSetDefaults(DrvContext* ctx, int reason);

// Merges the public fields of `in` (a DEVMODE of the driver's sizes, already
// converted) into the context's DEVMODE by the incoming dmFields.
void DmMergePublic(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags);
// Items from the public fields after a merge.
void DmSyncItems(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags);

// The derived items (resolution, papers, UI state bytes, PDL code).
void DmDerivedItemsUpdate(DrvContext* ctx, int reason);
// Derived items, then dmDuplex and dmMediaType from their items, then the
// section-2 mirror.
void DmItemsToPublic(DrvContext* ctx, int reason);
void DmDuplexFromItems(DrvContext* ctx);
void DmResolutionToItems(DrvContext* ctx);

// Limits of dmScale and dmCopies: the model's numeric option, else the
// description's.
void DmScaleLimits(DrvContext* ctx, int32_t* lo, int32_t* hi);
void DmCopiesLimits(DrvContext* ctx, int32_t* lo, int32_t* hi);

}  // namespace vesk

// The public DEVMODEW fields of the driver's DEVMODE: their defaults from the
// driver description, their validation against the model, the merge of a
// caller's public fields, and the items derived from them.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/devmode/dm_paper.h"

namespace vesk {

// Merge flags the callers pass.
constexpr uint32_t kMergePrompt = 0x4;
constexpr uint32_t kMergeModify = 0x8;
constexpr uint32_t kMergeNoUi = 0x2000000;
constexpr uint32_t kMergeSettingsImport = 0x10000000;
constexpr uint32_t kMergeCapSummary = 0x40000000;

// ---- Defaults and validation (dm_public_fields.cpp) ----

// Every public field of `dm` to its description default.
void DmResetPublic(DrvContext* ctx, BYTE* dm);
// The validation table applied to the context's DEVMODE, fields in order.
void DmValidatePublic(DrvContext* ctx);
// Reason 1 validates, 2 resets the items to their model defaults and reloads
// the printer's default DEVMODE before validating, anything else resets.
void DmPublicSetDefaults(DrvContext* ctx, int reason);

// The per-field family: a validator for each field (public field index 0 to
// 33) and a default step; DmFieldNop stands where a field has nothing to do.
// Each works on `dm`, the context's DEVMODE.
using DmFieldStep = void (*)(DrvContext* ctx, BYTE* dm);
void DmFieldNop(DrvContext* ctx, BYTE* dm);
void DmValidateDeviceName(DrvContext* ctx, BYTE* dm);
void DmValidateSpecVersion(DrvContext* ctx, BYTE* dm);
void DmValidateDriverVersion(DrvContext* ctx, BYTE* dm);
void DmValidateSize(DrvContext* ctx, BYTE* dm);
void DmValidateDriverExtra(DrvContext* ctx, BYTE* dm);
void DmValidateFields(DrvContext* ctx, BYTE* dm);
void DmValidateOrientation(DrvContext* ctx, BYTE* dm);
void DmValidatePaperSize(DrvContext* ctx, BYTE* dm);
void DmValidatePaperLength(DrvContext* ctx, BYTE* dm);
void DmValidatePaperWidth(DrvContext* ctx, BYTE* dm);
void DmValidateScale(DrvContext* ctx, BYTE* dm);
void DmValidateCopies(DrvContext* ctx, BYTE* dm);
void DmValidateDefaultSource(DrvContext* ctx, BYTE* dm);
void DmValidatePrintQuality(DrvContext* ctx, BYTE* dm);
void DmValidateColor(DrvContext* ctx, BYTE* dm);
void DmValidateDuplex(DrvContext* ctx, BYTE* dm);
void DmValidateYResolution(DrvContext* ctx, BYTE* dm);
void DmValidateTTOption(DrvContext* ctx, BYTE* dm);
void DmValidateCollate(DrvContext* ctx, BYTE* dm);
void DmValidateFormName(DrvContext* ctx, BYTE* dm);
void DmValidateICMMethod(DrvContext* ctx, BYTE* dm);
void DmValidateICMIntent(DrvContext* ctx, BYTE* dm);
void DmValidateMediaType(DrvContext* ctx, BYTE* dm);
void DmValidateDitherType(DrvContext* ctx, BYTE* dm);

// 1 when the device collates.
int DmIsCollateSupported(DrvContext* ctx);
// Limits of dmScale and dmCopies: the model's numeric option, else the
// description's.
void DmScaleLimits(DrvContext* ctx, int32_t* lo, int32_t* hi);
void DmCopiesLimits(DrvContext* ctx, int32_t* lo, int32_t* hi);

// ---- Merge (dm_public_merge.cpp) ----

// Merges the public fields of `in` (a DEVMODE of the driver's sizes, already
// converted) into the context's DEVMODE by the incoming dmFields.
void DmMergePublic(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags);

// ---- Items from and to the public fields (dm_public_items.cpp) ----

// Items from the public fields after a merge (`in` is the working copy).
void DmSyncItems(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags);
// The derived items: resolution, source and output paper items, UI state
// bytes, the PDL code for reasons 1, 3 and 4; item 880 := 0.
void DmDerivedItemsUpdate(DrvContext* ctx, int reason);
// Derived items, then dmDuplex and dmMediaType from their items, then the
// section-2 mirror.
void DmItemsToPublic(DrvContext* ctx, int reason);
void DmDuplexFromItems(DrvContext* ctx);
void DmMediaTypeFromItem(DrvContext* ctx);
// Items 17, 42 and 43 from dmPrintQuality, and item 187 for it.
void DmResolutionToItems(DrvContext* ctx);

}  // namespace vesk

// Functions waiting for capabilities the common library does not have yet,
// listed by the capability each waits for. Each answers "not done" (nothing
// loaded, run or written) until its capability is built, and the caller goes
// on as it does when the step fails: a context that needs one of the
// context-creation steps is not created, and the DEVMODE code falls back to
// the driver description's defaults, as it does for a model without the
// option.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"

namespace vesk {

// ---- Settings files: the steps of the lists, job control and install ----
// A full import's list steps: the free sizes of items 50 and 8 into their
// cache slots, the selected stamp saved, the user quality saved. 0 not done.
int ImportListSteps(DrvContext* ctx);
// An export's list steps: the selected free sizes, stamp and quality into
// the items. 0 not done.
int ExportListSteps(DrvContext* ctx);
// The job-control refresh after a full import. 0 not done.
int JobControlRefresh(DrvContext* ctx);
// Deploys a rejected quality file again from its source. 0 not done.
int QualityRedeploy(DrvContext* ctx, const WCHAR* path);

// ---- Installer hand-over ----
// Applies the installer's hand-over for the printer. 1 done or nothing to do,
// 0 not done.
int HandoverApplyAtOpen(DrvContext* ctx);

// ---- Printer installation ----
// The printer's install type: answers 1 with type 0 (a plain install) until
// printer installation is built.
int PrinterInstallType(DrvContext* ctx, uint32_t* type);
// The install check (mode 1: the default check). 0 not done.
int InstallCheck(DrvContext* ctx, int mode);

// ---- Free sizes, quality lists and stamps ----
// A free-size paper code: its slot's width and length in 1200-dpi dots.
// 0 when the code is not a free-size paper.
int FreeSizePaper(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength);
// Loads quality-list entry `index` into the items. 0 when not loaded.
int LoadQualityByIndex(DrvContext* ctx, uint32_t index);
// Loads stamp `index` of the stamp list into the items. 0 when not loaded.
int LoadStampByIndex(DrvContext* ctx, uint32_t index);

// ---- Preset list ----
// The number of presets in the printer's preset list: 0 until the preset
// list is built.
int GetPresetCount(DrvContext* ctx);
// Tests only: the count GetPresetCount answers from now on; a negative
// count gives back the answer of 0.
void SetPresetCountForTests(int count);

// ---- Capability summary ----
// The capability summary of a DEVMODE being merged; may add merge flag
// 0x40000000 to *flags. 0 when nothing was applied.
int DmApplyCapabilitySummary(DrvContext* ctx, BYTE* working, uint32_t* flags);

// ---- User code ----
// The user-code provider's flag bytes. 0 when not done.
int UpdateProviderUserCodeFlags(DrvContext* ctx);
// The user code of a merge. 0 when not loaded.
int LoadUserCodeOnMerge(DrvContext* ctx);

// ---- Job control ----
// Job-control items of a group mask. 0 when not fetched.
int JobControlFetchItems(DrvContext* ctx, uint32_t groupMask);

}  // namespace vesk

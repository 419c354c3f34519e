// Functions waiting for capabilities the common library does not have yet,
// listed by the capability each waits for. Each answers "not done" (nothing
// loaded, run or written) until its capability is built, and the caller goes
// on as it does when the step fails: a context that needs one of the
// context-creation steps is not created, and the DEVMODE code falls back to
// the driver description's defaults, as it does for a model without the
// option.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include <cstddef>

#include "core/context.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"

namespace vesk {

// ---- Settings files: the install step ----
// Deploys a rejected quality file again from its source. 0 not done.
int QualityRedeploy(DrvContext* ctx, const WCHAR* path);

// ---- Printer installation ----
// The install sequence for install type `type`. 0 not done.
int InstallPrinter(HANDLE printer, BYTE* devmodeOut, int type);
// Deploys the default presets and quality files. 0 not done.
int InstallDeployPresetFiles(DrvContext* ctx, uint32_t flags);
// The per-user INI filled from the old low-integrity copy. 0 not done.
int LocalLowCorrect(HANDLE printer, const PRINTER_INFO_2W* info);
// State of the per-user INI's list paths: answers 1 (error) until built.
int GetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info);
// Corrects the per-user INI's list paths: answers 1 (error) until built.
int TsIniCorrectPaths(HANDLE printer, const PRINTER_INFO_2W* info);
// Copies the machine's presets and qualities for the user. 0 not done.
int InstallMigrateQuality(HANDLE printer);
// The per-user set-up after a settings-version check. 0 not done.
int InstallCheckRstVersion(HANDLE printer, int stateType);
// Copies the default bundle into the per-user INI: 0 success, 1 failure
// (answers 1 until built).
int InstallApplyDefaultRst(HANDLE printer, const PRINTER_INFO_2W* info);

}  // namespace vesk

// Functions of the hand-over and the setup-INI directories
// that the install sequence calls; each answers "not done" here until its
// capability is built.
#pragma once
#include <win/types.h>

#include <cstddef>
#include <cstdint>

#include "core/context.h"

namespace vesk {

// ---- Installer hand-over ----
// 1 when the hand-over file holds work for the printer.
int VeskIniHasWorkFor(const WCHAR* printerName);
// Runs the programs of the model description's "Expand File" section.
void RunExpandFiles(DrvContext* ctx);
// Applies the hand-over file's section of the printer. 1/0.
int InstApplyVeskIni(DrvContext* ctx);
// Applies the hand-over's default bundle. 1 applied, else 0.
int InstApplyDefaultRst(uint32_t importFlags, DrvContext* ctx, int isReinstall);

// ---- Setup INI: spool and work directories ----
// The work-directory instruction of the printer's section of the setup INI.
int ApplyWorkDirectorySetupIni(HANDLE printer, const WCHAR* printerName, DrvContext* ctx);
// The spool-directory instruction of `section` of `iniPath`.
int ApplySpoolDirectory(const WCHAR* iniPath, const WCHAR* section, DrvContext* ctx);

}  // namespace vesk

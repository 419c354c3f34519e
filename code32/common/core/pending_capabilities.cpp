// The stand-ins of pending_capabilities.h, in its order: each answers
// "not done" until its capability is built.
#include "core/pending_capabilities.h"

namespace vesk {

// Settings files: the install step.
int QualityRedeploy(DrvContext*, const WCHAR*) { return 0; }

// Printer installation.
int InstallPrinter(HANDLE, BYTE*, int) { return 0; }
int InstallDeployPresetFiles(DrvContext*, uint32_t) { return 0; }
int LocalLowCorrect(HANDLE, const PRINTER_INFO_2W*) { return 0; }
int GetTsIniState(HANDLE, const PRINTER_INFO_2W*) { return 1; }
int TsIniCorrectPaths(HANDLE, const PRINTER_INFO_2W*) { return 1; }
int InstallMigrateQuality(HANDLE) { return 0; }
int InstallCheckRstVersion(HANDLE, int) { return 0; }
int InstallApplyDefaultRst(HANDLE, const PRINTER_INFO_2W*) { return 1; }

}  // namespace vesk

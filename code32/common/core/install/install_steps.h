// Install types, the states of the per-user INI check and the steps the
// install check runs.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include <cstdint>

namespace vesk {

// Install types of InstallPrinter.
constexpr int kInstallNewDefault = 0;       // a new printer's driver default
constexpr int kInstallInitialise = 1;       // the printer-initialise event
constexpr int kInstallAddConnection = 2;    // the add-connection event
constexpr int kInstallSettingsChanged = 6;  // a changed settings version, from the per-user check
constexpr int kInstallConnectionCheck = 7;  // a connection's first install, from the install check

// Deployment flags of InstallDeployPresetFiles.
constexpr uint32_t kDeployKeepUserLists = 0x1000;  // re-deployment of an installed printer

// States of the per-user INI (GetTsIniState, TsIniCorrectPaths).
constexpr int kTsIniCorrected = 0;
constexpr int kTsIniError = 1;
constexpr int kTsIniToCorrect = 2;
constexpr int kTsIniNoList = 3;  // no per-user copy, no preset list, or a list cut short

// The default bundle copied into the user's INI: 1 on success, 0 on
// failure (InstallApplyDefaultRst answers the other way round).
int DefaultRstAppliedForUser(HANDLE printer, const PRINTER_INFO_2W* info);

}  // namespace vesk

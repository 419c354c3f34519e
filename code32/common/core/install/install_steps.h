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

// The per-user steps of the install check, also run by the upgrade and
// connection entry points in this order. `info` is the printer's
// PRINTER_INFO_2 or null (then fetched).

// Fills the per-user INI from the old low-integrity copy once per printer
// and language ("LocalLowCorrectDone"). 1, or 0 when a path or buffer fails.
int LocalLowCorrect(HANDLE printer, const PRINTER_INFO_2W* info);
// The per-user INI's list paths: kTsIniCorrected, kTsIniError,
// kTsIniToCorrect or kTsIniNoList.
int GetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info);
// Moves the per-user INI's preset and quality entries that point into the
// common directory to the per-user data directory, copying their sections.
// kTsIniCorrected, kTsIniNoList (an entry without path or name) or
// kTsIniError.
int TsIniCorrectPaths(HANDLE printer, const PRINTER_INFO_2W* info);
// Copies the common list's preset and quality files into the per-user data
// directory (newer or missing ones only). 1/0.
int InstallMigrateQuality(HANDLE printer);
// The user's set-up after a stamp check: a changed settings version (state
// types 1 and 3, or a differing "RstVersion") re-runs the install for the
// user, else the files are re-deployed. 1/0.
int InstallCheckRstVersion(HANDLE printer, int stateType);
// Copies "DefaultRst" and "BatchInstRst" with the batch bundle's lists from
// the common to the per-user INI: 0 on success, 1 on failure.
int InstallApplyDefaultRst(HANDLE printer, const PRINTER_INFO_2W* info);
// The same with the usual sense: 1 on success, 0 on failure.
int DefaultRstAppliedForUser(HANDLE printer, const PRINTER_INFO_2W* info);

}  // namespace vesk

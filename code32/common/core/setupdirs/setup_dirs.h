// Work (private) and spool directories an installer names per printer in
// the setup INI KW12D172.ini of the driver directory or in the hand-over
// file VESK.ini: each is checked, recorded in the registry or printer data,
// and its instruction deleted with the INI file's time stamps kept. The
// setup INI is applied first and VESK.ini second, so the latter wins.
// Also the Windows directory for the property sheets and the re-saving of a
// listed preset or quality file.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

inline constexpr const WCHAR* kSdWorkDirKey = u"VESKDirectory";
inline constexpr const WCHAR* kSdSpoolDirKey = u"SpoolDirectory";
inline constexpr const WCHAR* kSdSpoolAllKey = u"SpoolDirectoryAll";

// VESKDirectory of `section`: "*" or missing nothing, empty resets
// _VESKDirectory, an existing directory D gives _VESKDirectory = D\_vesk.
// 1 (0 when memory is short).
int ApplyWorkDirectory(const WCHAR* section, const WCHAR* iniPath);
// The same on the setup INI of the driver directory and on VESK.ini. 1
// (also when memory is short).
int ApplyWorkDirectorySetupIni(HANDLE printer, const WCHAR* printerName, DrvContext* ctx);
int ApplyWorkDirectoryVeskIni(HANDLE printer, DrvContext* ctx, const WCHAR* printerName);
// SpoolDirectory and SpoolDirectoryAll of `section`: an existing directory
// goes to the printer's data, or with "ON" to the registry. 1 (0 when memory
// is short).
int ApplySpoolDirectory(const WCHAR* iniPath, const WCHAR* section, DrvContext* ctx);
// A directory the instructions may name: it exists as a directory and has
// no wildcard. A trailing backslash is allowed.
int SdDirectoryExists(const WCHAR* path);
// GetSystemWindowsDirectoryW into `buffer` of `size` characters. 1, or 0
// when it does not fit.
int GetSystemWindowsDir(WCHAR* buffer, UINT size);
// The current option set exported into the file the quality (flags 16) or
// preset (flags 4) list names at `index`. 1/0.
int ResaveQualityFile(DrvContext* ctx, int index);
int ResavePresetFile(DrvContext* ctx, int index);

}  // namespace vesk

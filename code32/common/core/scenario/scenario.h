// Scenario export: beside a settings file the user saves, the printer's
// whole configuration as a default bundle with one file per preset and per
// quality, in a folder of its own below the private directory's "vesk"
// folder, and a list file (the saved file's name with extension "lst")
// naming the bundle and its files for the maker's installation tools.
#pragma once
#include <win/time.h>
#include <win/types.h>

#include <cstdint>

#include "core/context.h"

namespace vesk {

inline constexpr const WCHAR* kScenarioSection = u"ScenarioInstallData";
constexpr size_t kScenarioDigits = 6;
// Qualities beyond this have no index character.
constexpr int kScenarioMaxIndex = 36;

// The seconds since 1970 of `t` counted with months of 31 days, as an
// unsigned 32-bit number.
uint32_t ScenarioSecondCount(const SYSTEMTIME& t);
// Six base-36 digits ("0"-"9", "A"-"Z", most significant first) of the
// count modulo 36^6, into `out` of 7 characters.
void ScenarioDigitsOf(uint32_t count, WCHAR* out);
// The digits plus one, with carry ("Z" becomes "0" and carries).
void ScenarioDigitsIncrement(WCHAR* digits);
// "0"-"9" then "A"-"Z" for 0..35; 0 for any other index.
WCHAR ScenarioIndexChar(int index);

// Builds the bundle path for `savedFile` into `bundlePath` (kWsPathChars)
// and creates its directories. 1 when they were created (or were there).
int MakeBackupName(const WCHAR* savedFile, WCHAR* bundlePath, DrvContext* ctx);
// The same at the local time `t`.
int MakeBackupNameAt(const WCHAR* savedFile, WCHAR* bundlePath, DrvContext* ctx, const SYSTEMTIME& t);
// The header keys into section ScenarioInstallData of `file`. 1/0.
int ScenarioWriteHeader(const WCHAR* file, DrvContext* ctx);
// Writes the scenario of `savedFile` (the bundle of MakeBackupName already
// holds the exported option set). 1 on success, 0 when a step failed.
int ScenarioExport(const WCHAR* savedFile, const WCHAR* bundlePath, DrvContext* ctx);
// Removes the scenario of `savedFile`: its bundle directory (only when it
// lies directly in the private directory's "vesk" folder) and its list file.
// 1 when the list file was there.
int ScenarioRemove(const WCHAR* savedFile);
// Deletes every file in the directory of `path`, then the directory. 1 when
// the directory was removed.
int RemoveDirTree(const WCHAR* path);
// `savedFile` with its extension replaced by `ext` into `out` (kWsPathChars).
int ScenarioSiblingPath(const WCHAR* savedFile, const WCHAR* ext, WCHAR* out);

}  // namespace vesk

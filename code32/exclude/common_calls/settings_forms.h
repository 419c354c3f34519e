// The option-constraint library's forms of the settings-file and INI
// helpers. The common code follows the library's profile (no message box,
// the Windows 9x double-byte rule of section names).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The header check of a settings section; a rejection only answers 0.
int RstCheckHeaderExc(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode);
// The option set between the context and a settings file (flags of
// SettingsTransfer); under the stamp flag the ten watermark pattern items
// 894-903 join the context's stamp set for good. 1 done, 0 failed.
int SettingsTransferExc(DrvContext* ctx, const WCHAR* path, uint32_t flags);
// The import around it: a full import exchanges no job-control items and
// ends with the library's own merge (flags 0x10000008).
int SettingsImportExc(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx);
// The quality file of a "QualityList%d" key imported; option 867 (the set's
// name) is left as it is. 1 imported, else 0.
int LoadQualityExc(DrvContext* ctx, const WCHAR* key);
// Writes substitution pairs (128 bytes each) and their count without first
// deleting the entries of a previous, longer current table. 1 all written,
// 0 a write failed or no table.
int FontSubstTableWriteExc(HANDLE printer, const BYTE* pairs, uint32_t count, uint32_t flags);
// "[" and "]" of a section name become ","; on Windows 9x a double-byte
// character is stepped over whole.
WCHAR* IniSectionBracketsToCommasExc(WCHAR* name);
// 1 for a full path: any character, ":" and "\", or two leading "\";
// 0 otherwise and for null.
int PathIsDriveOrUnc(const WCHAR* path);

}  // namespace vesk

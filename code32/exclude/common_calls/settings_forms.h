// The option-constraint library's forms of the settings-file and INI
// helpers. The common code follows the library's profile (no message box,
// the Windows 9x double-byte rule of section names).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The header check of a settings section; a rejection only answers 0.
int RstCheckHeaderExc(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode);
// "[" and "]" of a section name become ","; on Windows 9x a double-byte
// character is stepped over whole.
WCHAR* IniSectionBracketsToCommasExc(WCHAR* name);
// 1 for a full path: any character, ":" and "\", or two leading "\";
// 0 otherwise and for null.
int PathIsDriveOrUnc(const WCHAR* path);

}  // namespace vesk

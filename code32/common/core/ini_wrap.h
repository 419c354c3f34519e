// Single INI values through the system's profile functions. Section names
// (at most 260 characters) are used with every '[' and ']' turned into ','
// so that a printer name may serve as a section name; every write is
// followed by a flush of the system's copy of the file.
#pragma once
#include <win/types.h>

namespace vesk {

// Turns every '[' and ']' of `name` into ',' in place; returns `name`.
WCHAR* IniSectionBracketsToCommas(WCHAR* name);
// GetPrivateProfileIntW with the cleaned section name; the default when the
// name cannot be handled (longer than 260 characters, or memory short).
UINT IniGetInt(const WCHAR* section, const WCHAR* key, int def, const WCHAR* file);
// GetPrivateProfileStringW with the cleaned section name; returns its
// character count. When the name cannot be handled the buffer is zeroed and
// the default copied (at most capacity - 1 characters). Capacity 0 writes
// nothing and answers 0.
DWORD IniGetString(const WCHAR* section, const WCHAR* key, const WCHAR* def, WCHAR* buffer, DWORD capacity,
                   const WCHAR* file);
// WritePrivateProfileStringW with the cleaned section name (a null value
// deletes the key), then the flush. The first write's result; 0 (nothing
// written) when the name cannot be handled.
int IniWriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file);
// IniWriteString that leaves the file's last-write time as it was.
int IniWriteStringKeepTime(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file);

}  // namespace vesk

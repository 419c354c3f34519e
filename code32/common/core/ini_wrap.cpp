#include "core/ini_wrap.h"

#include <win/codepage.h>
#include <win/files.h>
#include <win/profile.h>

#include "core/library_profile.h"
#include "core/os_version.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

// The cleaned copy of a section name in a block of kPathBufChars characters
// (freed with MemFree), or null when the name is too long or memory short.
// A null section stays null (no block is needed).
WCHAR* cleanSection(const WCHAR* section, bool* ok) {
    *ok = true;
    if (!section) return nullptr;
    auto* name = static_cast<WCHAR*>(MemAllocZero(kPathBufChars * sizeof(WCHAR)));
    if (!name || !WCopyWhole(name, kPathBufChars, section)) {
        MemFree(name);
        *ok = false;
        return nullptr;
    }
    return IniSectionBracketsToCommas(name);
}

DWORD copyDefault(const WCHAR* def, WCHAR* buffer, DWORD capacity) {
    for (DWORD i = 0; i < capacity; ++i) buffer[i] = 0;
    WCopyCut(buffer, capacity, def ? def : u"");
    return static_cast<DWORD>(WLen(buffer));
}

}  // namespace

WCHAR* IniSectionBracketsToCommas(WCHAR* name) {
    if (!name) return nullptr;
    const bool skipDbcs = CurrentProfile().dbcsSectionNames && OsIsWin9x();
    for (WCHAR* p = name; *p; ++p) {
        if (skipDbcs && IsDBCSLeadByte(static_cast<BYTE>(*p & 0xFF))) {
            if (!*++p) break;  // the character after a lead byte is not looked at
            continue;
        }
        if (*p == u'[' || *p == u']') *p = u',';
    }
    return name;
}

UINT IniGetInt(const WCHAR* section, const WCHAR* key, int def, const WCHAR* file) {
    bool ok = false;
    WCHAR* name = cleanSection(section, &ok);
    if (!ok) return static_cast<UINT>(def);
    UINT v = GetPrivateProfileIntW(name, key, def, file);
    MemFree(name);
    return v;
}

DWORD IniGetString(const WCHAR* section, const WCHAR* key, const WCHAR* def, WCHAR* buffer, DWORD capacity,
                   const WCHAR* file) {
    if (!buffer || capacity == 0) return 0;
    bool ok = false;
    WCHAR* name = cleanSection(section, &ok);
    if (!ok) return copyDefault(def, buffer, capacity);
    DWORD n = GetPrivateProfileStringW(name, key, def, buffer, capacity, file);
    MemFree(name);
    buffer[capacity - 1] = 0;
    return n;
}

int IniWriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file) {
    bool ok = false;
    WCHAR* name = cleanSection(section, &ok);
    if (!ok) return 0;
    BOOL written = WritePrivateProfileStringW(name, key, value, file);
    MemFree(name);
    // Flushes the system's cached copy of the file to disk.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
    return written ? 1 : 0;
}

int IniWriteStringKeepTime(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file) {
    FILETIME kept{};
    bool haveTime = false;
    HANDLE h = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        haveTime = GetFileTime(h, nullptr, nullptr, &kept) != FALSE;
        CloseHandle(h);
    }
    int result = IniWriteString(section, key, value, file);
    if (haveTime) {
        h = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            SetFileTime(h, nullptr, nullptr, &kept);
            CloseHandle(h);
        }
    }
    return result;
}

}  // namespace vesk

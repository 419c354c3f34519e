// Removing a scenario: its bundle directory and its list file.
#include <win/files.h>

#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/scenario/scenario.h"
#include "core/wstr.h"

namespace vesk {

namespace {

// The full path of `path` without "." and ".." steps, into `out`.
bool normalised(const WCHAR* path, WCHAR* out) {
    WCHAR* part = nullptr;
    const DWORD n = GetFullPathNameW(path, kWsPathChars, out, &part);
    return n > 0 && n < kWsPathChars;
}

// The directory part of `path` (without its last backslash) into `out`.
bool parentOf(const WCHAR* path, WCHAR* out) {
    if (!WCopyWhole(out, kWsPathChars, path)) return false;
    for (size_t i = WLen(out); i-- > 0;)
        if (out[i] == u'\\') {
            out[i] = 0;
            return i > 0;
        }
    return false;
}

// True when the bundle's directory lies directly in the private
// directory's "vesk" folder: the only place a scenario is written to.
bool inScenarioFolder(const WCHAR* bundle) {
    WCHAR full[kWsPathChars], dir[kWsPathChars], folder[kWsPathChars], expected[kWsPathChars];
    WCHAR priv[kWsPathChars] = {};
    if (!normalised(bundle, full) || !parentOf(full, dir) || !parentOf(dir, folder)) return false;
    for (const WCHAR* p = dir; *p; ++p)
        if (*p == u'*' || *p == u'?') return false;
    if (!GetPrivateDirPlain(priv, kWsPathChars) || !WAppendWhole(priv, kWsPathChars, u"\\vesk") ||
        !normalised(priv, expected))
        return false;
    return WEqualNoCase(folder, expected);
}

}  // namespace

int RemoveDirTree(const WCHAR* path) {
    WCHAR dir[kWsPathChars], pattern[kWsPathChars];
    if (!path || !parentOf(path, dir) || !WCopyWhole(pattern, kWsPathChars, dir) ||
        !WAppendWhole(pattern, kWsPathChars, u"\\*.*"))
        return 0;
    DeleteFilesByPattern(pattern);
    return RemoveDirectoryW(dir) ? 1 : 0;
}

int ScenarioRemove(const WCHAR* savedFile) {
    WCHAR list[kWsPathChars];
    if (!ScenarioSiblingPath(savedFile, u"lst", list) || !FileExists(list)) return 0;
    WCHAR bundle[kWsPathChars] = {};
    IniGetString(kScenarioSection, u"DefaultRst", u"", bundle, kWsPathChars, list);
    if (bundle[0] && inScenarioFolder(bundle)) RemoveDirTree(bundle);
    ForceDeleteFile(list);
    return 1;
}

}  // namespace vesk

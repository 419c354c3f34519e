#include "core/paths.h"
#include "core/library_profile.h"

#include <cstring>

#include <win/files.h>
#include <win/modules.h>
#include <win/process.h>
#include <win/security.h>
#include <win/system.h>

#include "core/languages.h"
#include "core/os_version.h"
#include "core/path_names.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/registry_values.h"
#include "core/sysdeps.h"
#include "core/terminal_server.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kVeskFolder[] = u"_vesk";
constexpr WCHAR kStandardDriverDir[] = u"\\spool\\drivers\\w32x86\\2\\";
constexpr WCHAR kInstIniName[] = u"KWINST.ini";
constexpr size_t kHelpDataChars = 130;  // 260 bytes

// Paths never exceed 260 characters, whatever the caller's capacity.
size_t limit(size_t capacity) { return capacity < kPathBufChars ? capacity : kPathBufChars; }

size_t finish(WCHAR* buffer, bool ok) {
    if (!ok) {
        buffer[0] = 0;
        return 0;
    }
    return WLen(buffer);
}

bool hasDrive(const WCHAR* s) { return s && s[0] && s[1] == u':'; }

// The text up to (without) its last backslash; false without one.
bool cutAtLastBackslash(WCHAR* path) {
    WCHAR* last = nullptr;
    for (WCHAR* p = path; *p; ++p)
        if (*p == u'\\') last = p;
    if (!last) return false;
    *last = 0;
    return true;
}

const DriverDesc* descOf(const DrvContext* ctx) {
    return ctx && ctx->desc ? ctx->desc : GetContextTemplate()->desc;
}

// A profile folder through the system's profile library, loaded by name for
// the call, with the thread's token (else the process's).
bool profileFromSystem(WCHAR* buffer, size_t capacity) {
    HMODULE lib = LoadLibraryW(u"UserEnv.dll");
    if (!lib) return false;
    bool ok = false;
    using GetProfileDir = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    auto fn = ProcAs<GetProfileDir>(GetProcAddress(lib, "GetUserProfileDirectoryW"));
    HANDLE token = nullptr;
    if (fn) {
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
            token = nullptr;
            if (GetLastError() == ERROR_NO_TOKEN && !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
                token = nullptr;
        }
        if (token) {
            DWORD size = static_cast<DWORD>(capacity);
            ok = fn(token, buffer, &size) && WLenMax(buffer, capacity) < capacity;
            CloseHandle(token);
        }
    }
    FreeLibrary(lib);
    return ok;
}

// The per-user directory without any fallback.
bool perUserDir(WCHAR* buffer, size_t cap) {
    WCHAR profile[kPathBufChars];
    if (!GetUserProfileDirNoFallback(profile, kPathBufChars)) return false;
    if (OsIsNt5OrLater())
        return WCopyWhole(buffer, cap, profile) && WAppendWhole(buffer, cap, u"\\") &&
               WAppendWhole(buffer, cap, kVeskFolder);
    // Older systems keep the users' folders below the system directory.
    const WCHAR* user = FileNamePart(profile);
    return GetSystemDir(buffer, cap) && WAppendWhole(buffer, cap, u"\\maren\\") &&
           WAppendWhole(buffer, cap, kVeskFolder) && WAppendWhole(buffer, cap, u"\\") &&
           WAppendWhole(buffer, cap, user);
}

// The string library's name in `out`: the model's name with the language
// letters before its dot. False when the name has no dot with two
// characters before it.
bool stringLibraryName(DrvContext* ctx, const WCHAR* resName, WCHAR* out, size_t cap) {
    if (!resName || !WCopyWhole(out, cap, resName)) return false;
    size_t len = WLen(out);
    size_t dot = len;
    for (size_t i = 0; i < len; ++i)
        if (out[i] == u'.') dot = i;
    if (dot == len || dot < 2) return false;
    const WCHAR* code = GetLangCode(ctx);
    out[dot - 2] = code[0];
    out[dot - 1] = code[1];
    return true;
}

// dest = dir + "\" + name, or empty.
WCHAR* buildIn(WCHAR* dest, size_t capacity, const WCHAR* name, size_t (*dir)(WCHAR*, size_t)) {
    if (!dest || !name || capacity == 0) return dest;
    size_t cap = limit(capacity);
    WCHAR d[kPathBufChars];
    size_t n = dir(d, kPathBufChars);
    bool ok = n > 0 && n < cap && WCopyWhole(dest, cap, d) && WAppendWhole(dest, cap, u"\\") &&
              WAppendWhole(dest, cap, name);
    finish(dest, ok);
    return dest;
}

// The private directory as a RegReadScope found it (GetPrivateDirPlain):
// the buffer's places after the look, for one capacity.
struct KeptPrivateDir {
    uint64_t state = 0;
    size_t capacity = 0;
    size_t length = 0;
    size_t written = 0;
    WCHAR places[kPathBufChars];
};
thread_local KeptPrivateDir t_keptPrivateDir;

size_t privatePlain(WCHAR* b, size_t c) { return GetPrivateDirPlain(b, c); }
size_t windowsDir(WCHAR* b, size_t c) { return GetWindowsDir(b, c); }
size_t systemDir(WCHAR* b, size_t c) { return GetSystemDir(b, c); }
size_t dataDir(WCHAR* b, size_t c) { return GetUserDataDirPlain(b, c); }

}  // namespace

size_t GetSystemDir(WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    size_t cap = limit(capacity);
    UINT n = GetSystemDirectoryW(buffer, static_cast<UINT>(cap));
    return finish(buffer, n > 0 && n < cap);
}

size_t GetWindowsDir(WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    size_t cap = limit(capacity);
    UINT n = GetWindowsDirectoryW(buffer, static_cast<UINT>(cap));
    return finish(buffer, n > 0 && n < cap);
}

size_t GetPrivateDirFromRegistry(WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    size_t cap = limit(capacity);
    if (RegReadHklmString(kRegDrvKey, kRegPrivateDirValue, buffer, cap) && buffer[0]) return WLen(buffer);
    // The default: "_vesk" at the root of the system drive ("C:\").
    WCHAR sys[kPathBufChars];
    if (GetSystemDir(sys, kPathBufChars) < 3) return finish(buffer, false);
    sys[3] = 0;
    return finish(buffer, WCopyWhole(buffer, cap, sys) && WAppendWhole(buffer, cap, kVeskFolder));
}

size_t GetPrivateDirFromRegistry2(WCHAR* buffer, size_t capacity) {
    return GetPrivateDirFromRegistry(buffer, capacity);
}

size_t GetPrivateDirPlain(WCHAR* buffer, size_t capacity) {
    // Inside one RegReadScope the registry's answer is kept, and the system's
    // version and folders stay as they are: the private directory found once
    // is the one every later look would find, so a creation that builds
    // several paths from it finds it once. The buffer is left as the look
    // leaves it, in all its places the look writes.
    const uint64_t state = RegReadScopeState();
    KeptPrivateDir& kept = t_keptPrivateDir;
    if (state && buffer && capacity && kept.state == state && kept.capacity == capacity) {
        std::memcpy(buffer, kept.places, kept.written * sizeof(WCHAR));
        return kept.length;
    }
    if (!OsIsNt5OrLater()) return GetSystemDir(buffer, capacity);
    const size_t n = GetPrivateDirFromRegistry(buffer, capacity);
    if (state && buffer && capacity) {
        // The registry read fills every place up to the path limit.
        kept.written = limit(capacity);
        std::memcpy(kept.places, buffer, kept.written * sizeof(WCHAR));
        kept.length = n;
        kept.capacity = capacity;
        kept.state = state;
    }
    return n;
}

size_t GetPrivateDir(WCHAR* buffer, size_t capacity, DrvContext*) { return GetPrivateDirPlain(buffer, capacity); }

size_t GetUserProfileDirImpl(WCHAR* buffer, size_t capacity, bool fallback) {
    if (!buffer || capacity == 0) return 0;
    size_t cap = limit(capacity);
    if (profileFromSystem(buffer, cap)) return WLen(buffer);
    if (fallback) return GetPrivateDirFromRegistry(buffer, cap);
    return finish(buffer, false);
}

size_t GetUserProfileDir(WCHAR* buffer, size_t capacity) { return GetUserProfileDirImpl(buffer, capacity, true); }

size_t GetUserProfileDirNoFallback(WCHAR* buffer, size_t capacity) {
    return GetUserProfileDirImpl(buffer, capacity, false);
}

size_t GetUserDataDirPlain(WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    return finish(buffer, perUserDir(buffer, limit(capacity)));
}

size_t GetUserDataDir(WCHAR* buffer, size_t capacity, DrvContext* ctx) {
    if (!buffer || capacity == 0) return 0;
    if (ctx && ctx->ws && hasDrive(ctx->ws->iniPath)) {
        size_t cap = limit(capacity);
        bool ok = WCopyWhole(buffer, cap, ctx->ws->iniPath) && cutAtLastBackslash(buffer);
        return finish(buffer, ok);
    }
    return GetUserDataDirPlain(buffer, capacity);
}

int GetLocalAppDataLowDir(WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    HMODULE shell = LoadLibraryW(u"shell32.dll");
    if (!shell) return 0;
    int ok = 0;
    using KnownFolder = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    using TaskFree = void(WINAPI*)(LPVOID);
    if (auto get = ProcAs<KnownFolder>(GetProcAddress(shell, "SHGetKnownFolderPath"))) {
        PWSTR path = nullptr;
        if (get(&FOLDERID_LocalAppDataLow, 0, nullptr, &path) >= 0 && path)
            ok = WCopyWhole(buffer, limit(capacity), path) ? 1 : 0;
        if (path) {
            HMODULE ole = LoadLibraryW(u"ole32.dll");
            if (auto release = ole ? ProcAs<TaskFree>(GetProcAddress(ole, "CoTaskMemFree")) : nullptr)
                release(path);
            if (ole) FreeLibrary(ole);
        }
    }
    FreeLibrary(shell);
    return ok;
}

WCHAR* GetDriverDirEx(HANDLE printer, WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return nullptr;
    size_t cap = limit(capacity);
    bool ok = false;
    if (BYTE* block = PrnGetDriverInfo(printer, 3)) {
        const auto* d3 = reinterpret_cast<const DRIVER_INFO_3W*>(block);
        if (d3->pDriverPath && WCopyWhole(buffer, cap, d3->pDriverPath)) {
            const WCHAR* name = FileNamePart(buffer);
            if (name != buffer) {
                buffer[name - buffer] = 0;
                ok = true;
            }
        }
        MemFree(block);
    }
    // The spooler's standard driver folder when the record cannot be read.
    if (!ok) ok = GetSystemDir(buffer, cap) && WAppendWhole(buffer, cap, kStandardDriverDir);
    finish(buffer, ok);
    return buffer;
}

const WCHAR* GetDriverDir(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"";
    return GetDriverDirEx(ctx->printer, ctx->ws->driverDir, kWsPathChars);
}

const WCHAR* GetIniFilePath(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"";
    WCHAR* out = ctx->ws->iniPath;
    const WCHAR* name = descOf(ctx)->settingsIniName;
    if (hasDrive(name)) {
        finish(out, WCopyWhole(out, kWsPathChars, name));
        return out;
    }
    WCHAR dir[kPathBufChars];
    bool found = false;
    // A printer on a terminal server keeps its settings per user, except
    // while it is being installed. The per-user directory is the folder of
    // the INI path the workspace already holds when that is a drive path
    // (a caller may have named it), else the user's own.
    if (TsIsEnabled(ctx->printer) && !(ctx->ws->creationFlags & kCreateInstallRunning))
        found = GetUserDataDir(dir, kPathBufChars, ctx) > 0;
    if (!found) found = GetPrivateDirPlain(dir, kPathBufChars) > 0;
    bool ok = found && name && WCopyWhole(out, kWsPathChars, dir) && WAppendWhole(out, kWsPathChars, u"\\") &&
              WAppendWhole(out, kWsPathChars, name);
    finish(out, ok);
    return out;
}

int GetIniFilePathEx(WCHAR* buffer, int which) {
    if (!buffer) return 0;
    WCHAR dir[kPathBufChars];
    size_t n = which == 1 ? GetUserDataDirPlain(dir, kPathBufChars) : GetPrivateDirPlain(dir, kPathBufChars);
    const WCHAR* name = descOf(nullptr)->settingsIniName;
    bool ok = n > 0 && name && WCopyWhole(buffer, kPathBufChars, dir) && WAppendWhole(buffer, kPathBufChars, u"\\") &&
              WAppendWhole(buffer, kPathBufChars, name);
    finish(buffer, ok);
    return ok ? 1 : 0;
}

WCHAR* GetSetupIniPathEx(HANDLE printer, WCHAR* buffer) {
    if (!buffer) return nullptr;
    const WCHAR* name = descOf(nullptr)->setupIniName;
    if (hasDrive(name)) {
        finish(buffer, WCopyWhole(buffer, kPathBufChars, name));
        return buffer;
    }
    GetDriverDirEx(printer, buffer, kPathBufChars);
    finish(buffer, buffer[0] && WAppendWhole(buffer, kPathBufChars, name));
    return buffer;
}

const WCHAR* GetSetupIniPath(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"";
    WCHAR* out = ctx->ws->setupIniPath;
    const WCHAR* name = descOf(ctx)->setupIniName;
    if (hasDrive(name)) {
        finish(out, WCopyWhole(out, kWsPathChars, name));
        return out;
    }
    const WCHAR* dir = GetDriverDir(ctx);
    finish(out, dir[0] && name && WCopyWhole(out, kWsPathChars, dir) && WAppendWhole(out, kWsPathChars, name));
    return out;
}

const WCHAR* GetInstIniPath(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"";
    WCHAR* out = ctx->ws->instIniPath;
    const WCHAR* dir = GetDriverDir(ctx);
    finish(out, dir[0] && WCopyWhole(out, kWsPathChars, dir) && WAppendWhole(out, kWsPathChars, kInstIniName));
    return out;
}

const WCHAR* GetResDllPath(DrvContext* ctx, const WCHAR* resName) {
    if (!ctx || !ctx->ws) return u"";
    WCHAR name[kPathBufChars];
    WCHAR* out = const_cast<WCHAR*>(GetDriverDir(ctx));
    bool ok = out[0] && stringLibraryName(ctx, resName, name, kPathBufChars) && WAppendWhole(out, kWsPathChars, name);
    finish(out, ok);
    return out;
}

const WCHAR* GetBmpDllPath(DrvContext* ctx, const WCHAR* resName) {
    if (!ctx || !ctx->ws) return u"";
    WCHAR* out = const_cast<WCHAR*>(GetDriverDir(ctx));
    // The rule writes eight places from the end: the name must be that long.
    bool ok = out[0] && resName && WLen(resName) >= 8 && WAppendWhole(out, kWsPathChars, resName);
    if (ok) {
        size_t len = WLen(out);
        out[len - 8] = u'C';
        out[len - 6] = u'X';
        out[len - 5] = u'X';
    }
    finish(out, ok);
    return out;
}

const WCHAR* GetHelpFilePath(DrvContext* ctx, const WCHAR* resName) {
    if (!ctx || !ctx->ws) return u"";
    WCHAR help[kHelpDataChars];
    if (PrnGetHelpFileName(ctx, help, sizeof help) && help[0]) {
        WCHAR* out = const_cast<WCHAR*>(GetDriverDir(ctx));
        finish(out, out[0] && WAppendWhole(out, kWsPathChars, help));
        return out;
    }
    WCHAR* out = const_cast<WCHAR*>(GetResDllPath(ctx, resName));
    size_t len = WLen(out);
    bool ok = len >= 3;
    if (ok) {
        out[len - 3] = u'h';
        out[len - 2] = u'l';
        out[len - 1] = u'p';
    }
    finish(out, ok);
    return out;
}

int ResDllIsJp(DrvContext* ctx, const WCHAR* resName) {
    const WCHAR* path = GetResDllPath(ctx, resName);
    size_t extLen = 0;
    const WCHAR* file = FileNamePart(path);
    const WCHAR* ext = FileExtension(path, &extLen);
    if (!file || ext == file || ext - 1 - file < 2) return 0;
    WCHAR a = ext[-3], b = ext[-2];
    return (a == u'J' || a == u'j') && (b == u'P' || b == u'p') ? 1 : 0;
}

const WCHAR* GetLangCode(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return u"us";
    WCopyCut(ctx->ws->languageCode, 3, GetLangCodeOfOption(ctx));
    return ctx->ws->languageCode;
}

namespace {
// The resource language into the workspace: from the driver's help file in
// help-file mode 1 when `byDriverHelp`, else from the printer's HelpFileName.
const WCHAR* resLangCode(DrvContext* ctx, bool byDriverHelp) {
    if (!ctx || !ctx->ws) return u"us";
    const WCHAR* code =
        byDriverHelp && ctx->ws->kind == 1 ? LangCodeFromDriverHelpFile(ctx) : LangCodeFromHelpData(ctx);
    WCopyCut(ctx->ws->languageCode, 3, code);
    return ctx->ws->languageCode;
}
}  // namespace

const WCHAR* GetResLangCode(DrvContext* ctx) { return resLangCode(ctx, CurrentProfile().resLangFromDriverHelp); }
const WCHAR* GetResLangCodeExc(DrvContext* ctx) { return resLangCode(ctx, false); }

const WCHAR* GetBatchInstallDoneKey() { return u"BatchInstallDone"; }

WCHAR* BuildPrivateDirPath(WCHAR* dest, size_t capacity, const WCHAR* name) {
    return buildIn(dest, capacity, name, privatePlain);
}

WCHAR* BuildWindowsDirPath(WCHAR* dest, size_t capacity, const WCHAR* name) {
    return buildIn(dest, capacity, name, windowsDir);
}

WCHAR* BuildSystemDirPath(WCHAR* dest, size_t capacity, const WCHAR* name) {
    return buildIn(dest, capacity, name, systemDir);
}

WCHAR* BuildDataDirPath(WCHAR* dest, size_t capacity, const WCHAR* name) {
    return buildIn(dest, capacity, name, dataDir);
}

WCHAR* BuildDriverFilePath(WCHAR* dest, size_t capacity, const WCHAR* name, HANDLE printer) {
    if (!dest || !name || capacity == 0) return dest;
    BYTE* block = PrnGetDriverInfo(printer, 3);
    if (!block) return dest;
    const auto* d3 = reinterpret_cast<const DRIVER_INFO_3W*>(block);
    size_t cap = limit(capacity);
    bool ok = false;
    if (d3->pDriverPath && WCopyWhole(dest, cap, d3->pDriverPath)) {
        const WCHAR* file = FileNamePart(dest);
        dest[file - dest] = 0;
        ok = file != dest && WAppendWhole(dest, cap, name);
    }
    MemFree(block);
    finish(dest, ok);
    return dest;
}

WCHAR* BuildSystemParentPath(WCHAR* dest, size_t capacity, const WCHAR* name) {
    if (!dest || !name || capacity == 0) return dest;
    size_t cap = limit(capacity);
    WCHAR dir[kPathBufChars];
    if (!GetSystemDir(dir, kPathBufChars)) {
        finish(dest, false);
        return dest;
    }
    size_t ups = 0;
    const WCHAR* rest = name;
    while (rest[0] == u'.' && rest[1] == u'.' && rest[2] == u'\\') {
        ++ups;
        rest += 3;
    }
    bool ok = ups > 0;
    for (size_t i = 0; ok && i < ups; ++i) ok = cutAtLastBackslash(dir);
    ok = ok && WCopyWhole(dest, cap, dir) && WAppendWhole(dest, cap, u"\\") && WAppendWhole(dest, cap, rest);
    finish(dest, ok);
    return dest;
}

}  // namespace vesk

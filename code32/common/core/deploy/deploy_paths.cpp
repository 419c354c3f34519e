// Paths of the deployment: the path macros of bundle entries, the bundle's
// name and the deployed copies' names.
#include "core/deploy/deploy.h"
#include "core/deploy/deploy_internal.h"

#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/model/model.h"
#include "core/os_version.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/sysdeps.h"
#include "core/terminal_server.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using deploy::hasDrive;

size_t limit(size_t capacity) { return capacity < kPathBufChars ? capacity : kPathBufChars; }

int fail(WCHAR* dest, size_t capacity) {
    if (dest && capacity) dest[0] = 0;
    return 0;
}

// The prefix (ASCII, any case) at the start of `s`: the rest, else null.
const WCHAR* afterPrefix(const WCHAR* s, const char* prefix) {
    for (; *prefix; ++prefix, ++s) {
        WCHAR c = *s;
        if (c >= u'A' && c <= u'Z') c = static_cast<WCHAR>(c - u'A' + u'a');
        if (c != static_cast<WCHAR>(*prefix)) return nullptr;
    }
    return s;
}

bool join(WCHAR* out, size_t cap, const WCHAR* a, const WCHAR* b, const WCHAR* c = nullptr) {
    out[0] = 0;
    return a && a[0] && WCopyWhole(out, cap, a) && WAppendWhole(out, cap, b) && (!c || WAppendWhole(out, cap, c));
}

bool systemDirAnd(WCHAR* out, size_t cap, const WCHAR* rest) {
    WCHAR dir[kPathBufChars];
    return GetSystemDir(dir, kPathBufChars) && join(out, cap, dir, u"\\", rest);
}

// The source's file name with `ext` (null: its own) after `dir` (null: the
// source's own directory) joined by a backslash unless it ends in one.
int withExtension(WCHAR* dest, size_t capacity, const WCHAR* dir, const WCHAR* source, const WCHAR* ext) {
    if (!dest || capacity == 0) return 0;
    if (!source || !source[0]) return fail(dest, capacity);
    const size_t cap = limit(capacity);
    WCHAR out[kPathBufChars] = {};
    const WCHAR* name = FileNamePart(source);
    bool ok = true;
    if (dir) {
        ok = dir[0] && WCopyWhole(out, kPathBufChars, dir);
        const size_t n = WLen(out);
        if (ok && out[n - 1] != u'\\') ok = WAppendWhole(out, kPathBufChars, u"\\");
    } else {
        const size_t n = static_cast<size_t>(name - source);
        ok = n < kPathBufChars;
        for (size_t i = 0; ok && i < n; ++i) out[i] = source[i];
    }
    size_t extLen = 0;
    const WCHAR* e = FileExtension(source, &extLen);
    const size_t stem = (e != name) ? static_cast<size_t>(e - name) - 1 : WLen(name);
    size_t at = WLen(out);
    ok = ok && at + stem < kPathBufChars;
    for (size_t i = 0; ok && i < stem; ++i) out[at++] = name[i];
    if (ok) out[at] = 0;
    if (ok && ext) ok = WAppendWhole(out, kPathBufChars, u".") && WAppendWhole(out, kPathBufChars, ext);
    else if (ok && e != name) ok = WAppendWhole(out, kPathBufChars, e - 1);
    if (!ok || !WCopyWhole(dest, cap, out)) return fail(dest, capacity);
    return 1;
}

}  // namespace

bool deploy::modelBundleName(DrvContext* ctx, WCHAR* out) {
    out[0] = 0;
    if (!ctx || !ctx->ws) return false;
    WCHAR* dataFile = MdlGetDataFilePath(ctx->printer);
    if (!dataFile) return false;
    IniGetString(GetLangCode(ctx), u"DefaultRst", u"", out, kWsPathChars, dataFile);
    MemFree(dataFile);
    return out[0] != 0;
}

int ExpandInstallPath(WCHAR* path, size_t size, int presetMode, DrvContext* ctx) {
    if (!path || size == 0) return 0;
    if (hasDrive(path)) return 1;
    const size_t cap = limit(size);
    WCHAR in[kPathBufChars];
    if (!WCopyWhole(in, kPathBufChars, path)) return fail(path, size);
    const bool preset = presetMode && OsIsNt5OrLater();
    const WCHAR* driverDir = (preset && ctx && ctx->ws) ? GetDriverDir(ctx) : u"";
    WCHAR out[kPathBufChars] = {};
    bool ok = false;
    if (const WCHAR* rest = afterPrefix(in, "%windir%")) {
        WCHAR dir[kPathBufChars];
        ok = preset ? join(out, kPathBufChars, driverDir, rest)
                    : GetWindowsDir(dir, kPathBufChars) && join(out, kPathBufChars, dir, u"\\", rest);
    } else if (const WCHAR* rest2 = afterPrefix(in, "%sysdir%")) {
        WCHAR dir[kPathBufChars];
        ok = preset ? GetPrivateDir(dir, kPathBufChars, ctx) && join(out, kPathBufChars, dir, u"\\", rest2)
                    : systemDirAnd(out, kPathBufChars, rest2);
    } else if (afterPrefix(in, "..\\")) {
        BuildSystemParentPath(out, kPathBufChars, in);
        ok = out[0] != 0;
    } else {
        const WCHAR* name = afterPrefix(in, ".\\");
        if (!name) name = in;
        ok = preset ? join(out, kPathBufChars, driverDir, name) : systemDirAnd(out, kPathBufChars, name);
    }
    if (!ok || !WCopyWhole(path, cap, out)) return fail(path, size);
    return 1;
}

int ExpandInstallPathChecked(WCHAR* path, size_t size, DrvContext* ctx) {
    if (!ExpandInstallPath(path, size, 1, ctx)) return 0;
    if (!HasExtension1to3(path)) return fail(path, size);
    return 1;
}

int ExpandInstallPathPlain(WCHAR* path, size_t size, DrvContext* ctx) { return ExpandInstallPath(path, size, 0, ctx); }

int MakeAbsoluteDriverPath(const WCHAR* name, WCHAR* dest, size_t capacity, DrvContext* ctx) {
    if (!dest || capacity == 0) return 0;
    const size_t cap = limit(capacity);
    if (!name || !name[0]) return fail(dest, capacity);
    if (hasDrive(name)) return WCopyWhole(dest, cap, name) ? 1 : fail(dest, capacity);
    if (!ctx || !ctx->ws) return fail(dest, capacity);
    WCHAR out[kPathBufChars];
    if (!join(out, kPathBufChars, GetDriverDir(ctx), name) || !WCopyWhole(dest, cap, out)) return fail(dest, capacity);
    return 1;
}

int IsBundleFile(const WCHAR* path) {
    if (!path || !HasExtension1to3(path)) return 0;
    size_t n = 0;
    const WCHAR* ext = FileExtension(path, &n);
    return n == 3 && WEqualNoCase(ext, u"rsb") && FileExists(path) ? 1 : 0;
}

int GetDefaultRstName(DrvContext* ctx, WCHAR* dest, size_t capacity) {
    if (!dest || capacity == 0) return 0;
    WCHAR name[kWsPathChars];
    if (!deploy::modelBundleName(ctx, name)) return fail(dest, capacity);
    return MakeAbsoluteDriverPath(name, dest, capacity, ctx);
}

int GetPrinterDefaultRst(DrvContext* ctx, WCHAR* dest, size_t capacity) {
    if (!dest || capacity == 0) return 0;
    if (!ctx || !ctx->ws) return fail(dest, capacity);
    const WCHAR* ini = GetIniFilePath(ctx);
    if (!hasDrive(ini)) return fail(dest, capacity);
    WCHAR name[kPathBufChars] = {};
    IniGetString(ctx->ws->printerName, u"DefaultRst", u"", name, kPathBufChars, ini);
    return MakeAbsoluteDriverPath(name, dest, capacity, ctx);
}

int MakeUserRsrPath(DrvContext* ctx, const WCHAR* source, WCHAR* dest, size_t capacity) {
    if (!dest || capacity == 0) return 0;
    if (!ctx || !ctx->ws) return fail(dest, capacity);
    WCHAR dir[kPathBufChars] = {};
    const bool perUser = !(ctx->ws->creationFlags & kCreateInstallRunning) && TsIsEnabled(ctx->printer);
    const size_t n = perUser ? GetUserDataDirPlain(dir, kPathBufChars) : GetPrivateDir(dir, kPathBufChars, ctx);
    if (!n) return fail(dest, capacity);
    return withExtension(dest, capacity, dir, source, u"rsr");
}

int MakePrivatePresetPathEx(const WCHAR* source, WCHAR* dest, size_t capacity, uint32_t flags) {
    if (!dest || capacity == 0) return 0;
    WCHAR dir[kPathBufChars] = {};
    // The directory and the name are joined by a backslash: neither source
    // of the private directory ends in one.
    if (!GetPrivateDirFromRegistry(dir, kPathBufChars)) return fail(dest, capacity);
    const WCHAR* ext = (flags & 0x10) ? u"rsq" : (flags & 4) ? u"rsd" : nullptr;
    return withExtension(dest, capacity, dir, source, ext);
}

int MakePrivatePresetPath(const WCHAR* source, WCHAR* dest, uint32_t flags) {
    return MakePrivatePresetPathEx(source, dest, kWsPathChars, flags);
}

int ChangeExtensionRsd(const WCHAR* source, WCHAR* dest, size_t capacity) {
    return withExtension(dest, capacity, nullptr, source, u"rsd");
}

int ChangeExtensionRsq(const WCHAR* source, WCHAR* dest, size_t capacity) {
    return withExtension(dest, capacity, nullptr, source, u"rsq");
}

}  // namespace vesk

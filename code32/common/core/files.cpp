#include "core/files.h"

#include <win/files.h>
#include <win/time.h>

#include "core/path_names.h"
#include "core/paths.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr int kCopyOnce = 1;

bool hasDrive(const WCHAR* s) { return s && s[0] && s[1] == u':'; }

// The copy rules' common part; `stale` says whether an existing target must
// be refreshed.
template <class Stale>
int copyByRule(const WCHAR* source, const WCHAR* target, int mode, Stale stale) {
    if (WEqualNoCase(source, target)) return 1;
    if (mode == kCopyOnce) {
        if (!FileExists(source)) return 0;
        if (FileExists(target)) return 1;
        return CopyFileNormal(source, target, FALSE);
    }
    if (!FileExists(source)) return 0;
    bool present = FileExists(target) != 0;
    if (present && !stale()) return 0;
    if (present) ForceDeleteFile(target);
    return CopyFileNormal(source, target, FALSE);
}

}  // namespace

int FileExists(const WCHAR* path) {
    if (!path) return 0;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(h);
    return 1;
}

int ForceDeleteFile(const WCHAR* path) {
    if (!path || !SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL)) return 0;
    return DeleteFileW(path) ? 1 : 0;
}

int DeleteFilesByPattern(const WCHAR* pattern) {
    if (!pattern) return 0;
    WCHAR dir[kPathBufChars];
    if (!WCopyWhole(dir, kPathBufChars, pattern)) return 0;
    dir[FileNamePart(dir) - dir] = 0;  // keeps the trailing backslash
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int any = 0;
    do {
        const WCHAR* n = fd.cFileName;
        if ((n[0] == u'.' && !n[1]) || (n[0] == u'.' && n[1] == u'.' && !n[2])) continue;
        WCHAR path[kPathBufChars];
        if (!WCopyWhole(path, kPathBufChars, dir) || !WAppendWhole(path, kPathBufChars, n)) continue;
        if (SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL) && DeleteFileW(path)) any = 1;
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return any;
}

int CopyFileNormal(const WCHAR* source, const WCHAR* target, BOOL failIfExists) {
    if (!source || !target) return 0;
    if (!CopyFileW(source, target, failIfExists)) return 0;
    if (!SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL)) return 0;
    return SetFileAttributesW(target, FILE_ATTRIBUTE_ARCHIVE) ? 1 : 0;
}

int ClearReadOnly(const WCHAR* path) {
    DWORD a = path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    return 1;
}

int CompareFileTimes(const WCHAR* first, const WCHAR* second, int mode) {
    if (!first || !second) return 0;
    HANDLE a = CreateFileW(first, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (a == INVALID_HANDLE_VALUE) return 0;
    HANDLE b = CreateFileW(second, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (b == INVALID_HANDLE_VALUE) {
        CloseHandle(a);
        return 0;
    }
    FILETIME ta{}, tb{};
    int result = 0;
    if (GetFileTime(a, nullptr, nullptr, &ta) && GetFileTime(b, nullptr, nullptr, &tb)) {
        LONG c = CompareFileTime(&ta, &tb);
        if (mode == 0) result = c == 0;
        else if (mode == 1) result = c <= 0;
    }
    CloseHandle(b);
    CloseHandle(a);
    return result;
}

int CreateDirectoryIfMissing(const WCHAR* path) {
    if (!path) return 0;
    if (CreateDirectoryW(path, nullptr)) return 1;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    // A file of that name is no directory to put files in.
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int32_t ReadFileCount(HANDLE file, void* buffer, DWORD count) {
    DWORD done = 0;
    if (!ReadFile(file, buffer, count, &done, nullptr)) return -1;
    return static_cast<int32_t>(count);
}

int32_t WriteFileCount(HANDLE file, const void* data, DWORD count) {
    DWORD done = 0;
    if (!WriteFile(file, data, count, &done, nullptr)) return -1;
    return static_cast<int32_t>(count);
}

int CopyDriverFileToSystemDir(const WCHAR* name, const WCHAR* sourceName, int mode, DrvContext* ctx) {
    if (!name || !ctx) return 0;
    WCHAR source[kPathBufChars] = {};
    WCHAR target[kPathBufChars] = {};
    BuildDriverFilePath(source, kPathBufChars, sourceName ? sourceName : name, ctx->printer);
    BuildSystemDirPath(target, kPathBufChars, name);
    if (!source[0] || !target[0]) return 0;
    return copyByRule(source, target, mode, [&] { return CompareFileTimes(source, target, 1) == 0; });
}

int CopyFileBetweenDirs(const WCHAR* name, const WCHAR* sourceDir, const WCHAR* targetDir, int mode) {
    if (!name || !name[0] || !sourceDir || !sourceDir[0] || !targetDir || !targetDir[0]) return 0;
    WCHAR source[kPathBufChars] = {};
    WCHAR target[kPathBufChars] = {};
    if (!WCopyWhole(source, kPathBufChars, sourceDir) || !WAppendWhole(source, kPathBufChars, name) ||
        !WCopyWhole(target, kPathBufChars, targetDir) || !WAppendWhole(target, kPathBufChars, name))
        return 0;
    return copyByRule(source, target, mode, [&] { return CompareFileTimes(source, target, 1) == 0; });
}

int CopyInstallFile(const WCHAR* target, const WCHAR* sourceName, int mode, DrvContext* ctx, int timeMode) {
    if (!target || !ctx) return 0;
    if (!hasDrive(target)) return CopyDriverFileToSystemDir(target, sourceName, mode, ctx);
    WCHAR source[kPathBufChars] = {};
    BuildDriverFilePath(source, kPathBufChars, sourceName ? sourceName : FileNamePart(target), ctx->printer);
    if (!source[0]) return 0;
    return copyByRule(source, target, mode, [&] { return CompareFileTimes(source, target, timeMode) == 0; });
}

int CopyInstallFile2(const WCHAR* target, const WCHAR* sourceName, int mode, DrvContext* ctx) {
    return CopyInstallFile(target, sourceName, mode, ctx, 0);
}

int CopyInstallFileAlias(const WCHAR* target, const WCHAR* sourceName, int mode, DrvContext* ctx, int timeMode) {
    return CopyInstallFile(target, sourceName, mode, ctx, timeMode);
}

int CopyFileIfChanged(const WCHAR* target, const WCHAR* source, int mode) {
    if (!hasDrive(target) || !hasDrive(source)) return 0;
    return copyByRule(source, target, mode, [&] { return CompareFileTimes(source, target, 0) == 0; });
}

}  // namespace vesk

// File tests and copies of the common library, and the copy rules the
// install steps use to deploy files of the driver set. Results: 1 done, 0
// not (never a message).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// 1 when the file can be opened for reading.
int FileExists(const WCHAR* path);
// Makes the file's attributes normal and deletes it: 1 only when deleted.
int ForceDeleteFile(const WCHAR* path);
// Deletes every file the pattern finds (its last component may hold
// wildcards). 1 when at least one was deleted.
int DeleteFilesByPattern(const WCHAR* pattern);
// CopyFileW, then the target's attributes normal and then archive; 1 only
// when all three succeed.
int CopyFileNormal(const WCHAR* source, const WCHAR* target, BOOL failIfExists);
// Clears FILE_ATTRIBUTE_READONLY when set; 1.
int ClearReadOnly(const WCHAR* path);
// Mode 0: 1 when both last-write times are equal; mode 1: 1 when the first
// file's time is not later than the second's; 0 when a file cannot be
// opened or for other modes.
int CompareFileTimes(const WCHAR* first, const WCHAR* second, int mode);
// 1 when the directory was created or a directory of that name exists (a
// file of that name does not count).
int CreateDirectoryIfMissing(const WCHAR* path);
// ReadFile / WriteFile of `count` bytes: `count` when the call succeeds, -1
// when it fails.
int32_t ReadFileCount(HANDLE file, void* buffer, DWORD count);
int32_t WriteFileCount(HANDLE file, const void* data, DWORD count);

// Copy rules. Mode 1 copies once: 0 when the source is missing, 1 when the
// target exists (left alone), else the copy's result. Any other mode
// refreshes: when the source exists and the target is missing or stale, the
// target is deleted and the source copied (the copy's result), else 0. A
// source and target naming the same file (letter case aside) answer 1 at once.
//
// Driver directory (source name, or `name`) to the system directory
// (`name`); stale = the source is later.
int CopyDriverFileToSystemDir(const WCHAR* name, const WCHAR* sourceName, int mode, DrvContext* ctx);
// `name` from one directory to another; stale = the source is later.
int CopyFileBetweenDirs(const WCHAR* name, const WCHAR* sourceDir, const WCHAR* targetDir, int mode);
// A target without a drive goes to the system directory (as above);
// otherwise the source is the driver directory and the source name (or the
// target's file name); stale = CompareFileTimes(source, target, timeMode) is 0.
int CopyInstallFile(const WCHAR* target, const WCHAR* sourceName, int mode, DrvContext* ctx, int timeMode);
int CopyInstallFile2(const WCHAR* target, const WCHAR* sourceName, int mode, DrvContext* ctx);
int CopyInstallFileAlias(const WCHAR* target, const WCHAR* sourceName, int mode, DrvContext* ctx, int timeMode);
// Both paths with a drive; stale = the last-write times differ.
int CopyFileIfChanged(const WCHAR* target, const WCHAR* source, int mode);

}  // namespace vesk

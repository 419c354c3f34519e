// The directories the driver's files lie in and the paths built from them.
// Paths are at most 260 characters; a path that would not fit is never cut:
// the result is empty (or 0) instead. Capacities count characters with the NUL.
//
// - private directory: shared by all users (driver-set INI files, deployed
//   copies). Windows 2000 and later: the registry value _VESKDirectory of
//   HKLM "SOFTWARE\MAREN\VeskDrv" when set, else "_vesk" on the system
//   drive; before that the system directory.
// - per-user directory: the user's profile directory and "\_vesk" (before
//   Windows 2000: system directory "\maren\_vesk\" and the user's folder name).
// - driver directory: the folder of the installed graphics library, with its
//   trailing backslash.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Directories: each returns the length written, 0 on failure.
size_t GetSystemDir(WCHAR* buffer, size_t capacity);
size_t GetWindowsDir(WCHAR* buffer, size_t capacity);
size_t GetPrivateDir(WCHAR* buffer, size_t capacity, DrvContext* ctx);
size_t GetPrivateDirPlain(WCHAR* buffer, size_t capacity);
// The Windows 2000 rule without the version test.
size_t GetPrivateDirFromRegistry(WCHAR* buffer, size_t capacity);
size_t GetPrivateDirFromRegistry2(WCHAR* buffer, size_t capacity);
// The user's profile directory (of the thread's token, else the process's);
// the first falls back to the private directory.
size_t GetUserProfileDir(WCHAR* buffer, size_t capacity);
size_t GetUserProfileDirNoFallback(WCHAR* buffer, size_t capacity);
size_t GetUserProfileDirImpl(WCHAR* buffer, size_t capacity, bool fallback);
// The per-user directory; with a context whose per-printer INI path is known
// and begins with a drive, that path's folder instead.
size_t GetUserDataDir(WCHAR* buffer, size_t capacity, DrvContext* ctx);
size_t GetUserDataDirPlain(WCHAR* buffer, size_t capacity);
// The low-integrity application-data folder. 1 when found and it fits.
int GetLocalAppDataLowDir(WCHAR* buffer, size_t capacity);
// The driver directory (with its trailing backslash), kept in the workspace;
// the spooler's standard folder when the driver record cannot be read.
const WCHAR* GetDriverDir(DrvContext* ctx);
WCHAR* GetDriverDirEx(HANDLE printer, WCHAR* buffer, size_t capacity);

// Files. The context forms keep their result in the workspace (recomputed at
// every call); an empty text when the path cannot be built.
const WCHAR* GetIniFilePath(DrvContext* ctx);
// The per-printer INI name in the per-user (which = 1) or the private
// directory, into `buffer` of 261 characters. 1 on success.
int GetIniFilePathEx(WCHAR* buffer, int which);
const WCHAR* GetSetupIniPath(DrvContext* ctx);
WCHAR* GetSetupIniPathEx(HANDLE printer, WCHAR* buffer);
const WCHAR* GetInstIniPath(DrvContext* ctx);
// Resource libraries: the model's UI resource library name `resName` (eight
// characters, a dot, an extension) in the driver directory, with the two
// letters before the dot replaced by the display language's code (string
// library), or the eighth character from the end 'C' and the sixth and fifth
// 'X' (bitmap library). Names too short for the rule give an empty path.
const WCHAR* GetResDllPath(DrvContext* ctx, const WCHAR* resName);
const WCHAR* GetBmpDllPath(DrvContext* ctx, const WCHAR* resName);
// The help file: the driver directory and the printer data "HelpFileName";
// when that is missing, the string library's path with the extension "hlp".
const WCHAR* GetHelpFilePath(DrvContext* ctx, const WCHAR* resName);
// 1 when the string library's language letters are "JP" (either case).
int ResDllIsJp(DrvContext* ctx, const WCHAR* resName);
// The code of option 177's value, kept in the workspace.
const WCHAR* GetLangCode(DrvContext* ctx);
// The printer's installed language: kind 1 from the installed driver's help
// file (where this library's profile says so), other kinds from the printer
// data "HelpFileName"; kept in the workspace. GetResLangCodeExc always takes
// "HelpFileName" (default "us").
const WCHAR* GetResLangCode(DrvContext* ctx);
const WCHAR* GetResLangCodeExc(DrvContext* ctx);
// The key name "BatchInstallDone".
const WCHAR* GetBatchInstallDoneKey();

// Path builders: the directory, a backslash and `name` into `dest` of
// `capacity` characters. A missing destination, name or capacity leaves
// `dest` untouched; a directory that cannot be read or a path that would not
// fit leaves it empty. Return `dest`.
WCHAR* BuildPrivateDirPath(WCHAR* dest, size_t capacity, const WCHAR* name);
WCHAR* BuildWindowsDirPath(WCHAR* dest, size_t capacity, const WCHAR* name);
WCHAR* BuildSystemDirPath(WCHAR* dest, size_t capacity, const WCHAR* name);
WCHAR* BuildDataDirPath(WCHAR* dest, size_t capacity, const WCHAR* name);
// The folder of the installed graphics library (with its backslash) and the
// name; untouched when the driver record cannot be read.
WCHAR* BuildDriverFilePath(WCHAR* dest, size_t capacity, const WCHAR* name, HANDLE printer);
// A name beginning with one or more "..\" (any case): each removes one
// trailing folder of the system directory; the rest follows a backslash.
// Empty without a prefix, with more prefixes than the system directory has
// backslashes, or when it would not fit.
WCHAR* BuildSystemParentPath(WCHAR* dest, size_t capacity, const WCHAR* name);

}  // namespace vesk

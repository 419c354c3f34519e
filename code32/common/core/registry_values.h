// The driver's machine-wide values under HKEY_LOCAL_MACHINE: its private and
// spool directories, the print log's place and size, whether the companion
// job-binding product is installed, and whether a custom set-up asks that the
// device settings be saved. Failures are silent: reads answer 0 and the
// caller keeps its default, writes answer 0.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr WCHAR kRegDrvKey[] = u"SOFTWARE\\MAREN\\VeskDrv";
constexpr WCHAR kRegPrivateDirValue[] = u"_VESKDirectory";
constexpr WCHAR kRegSpoolDirValue[] = u"SpoolDirectory";

// While one lives on a thread, a read of a value of HKEY_LOCAL_MACHINE that
// repeats one made earlier in the scope (the same key, name and size) gets
// what the first read got without asking the registry again: the reads of
// one operation (a context's creation reads the private directory for each
// of its files) see one state of the registry, and the next operation reads
// it anew. A write through RegWriteHklmValue forgets every kept answer.
// Scopes nest; the outermost one's end forgets.
class RegReadScope {
public:
    RegReadScope();
    ~RegReadScope();
    RegReadScope(const RegReadScope&) = delete;
    RegReadScope& operator=(const RegReadScope&) = delete;
};

// Names the registry state this thread's reads see: 0 outside any
// RegReadScope; inside one, a number that changes whenever the scope's kept
// answers are forgotten (its outermost start, a write through
// RegWriteHklmValue) and is never given twice on the thread. An answer made
// from HKLM reads and from facts of the system that stay as they are while
// the system runs (its version, its folders) may be kept under it for the
// rest of the scope, as the reads themselves are.
uint64_t RegReadScopeState();

// Reads a value of `subkey` into `buffer` of `bytes` bytes (zero-filled
// first). 1 on success, 0 when the key or value cannot be read or does not fit.
int RegReadHklmValue(const WCHAR* subkey, const WCHAR* name, void* buffer, DWORD bytes, DrvContext* ctx);
int RegReadHklmValue2(const WCHAR* subkey, const WCHAR* name, void* buffer, DWORD bytes);
// Writes a value, creating the key when missing. 1 on success.
int RegWriteHklmValue(const WCHAR* subkey, const WCHAR* name, const void* data, DWORD bytes, DWORD type,
                      DrvContext* ctx);
// Reads a string value into `dest` of `chars` characters, always terminated;
// a value that leaves no room for the terminator is refused (0, empty).
int RegReadHklmString(const WCHAR* subkey, const WCHAR* name, WCHAR* dest, size_t chars);

// A value of "SOFTWARE\MAREN\VeskDrv" into `buffer` of `bytes` bytes.
int RegGetDrvValue(const WCHAR* name, void* buffer, DWORD bytes);
// Writes a REG_SZ value of that key (an empty string, two bytes, clears it).
int RegSetDrvValue(const WCHAR* name, const void* data, DWORD bytes);
// Kind 2: 1 when the job-binding product's "INSTALL_COUNT" is non-zero.
// Every other kind answers 0 without reading the registry.
int RegIsFeatureInstalled(int kind, DrvContext* ctx);
// 1 when "SaveDeviceSetup" holds 1 in its first 16 bits (a REG_DWORD of 1).
int RegGetSaveDeviceSetup(DrvContext* ctx);
// Writes the print log's defaults where they are missing: the directory
// (Windows directory and "\temp\PrintLog") when missing or empty, the size
// limit 64 when missing. Never overwrites a value. 1 done, 0 memory short.
int RegEnsurePrintLogDefaults(DrvContext* ctx);
// The print-log defaults and, for a non-zero flag, the printer data
// "LogFileName": the graphics library's file name with the extension "log".
// 1 done; 0 when the file name cannot be found.
int PrnWriteLogFileName(int flag, DrvContext* ctx);

}  // namespace vesk

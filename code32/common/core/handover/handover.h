// The installer's hand-over file VESK.ini in the system directory: one
// section per printer with instructions an installer leaves for the driver
// (a default bundle, a user code, a user ID, an owner ID, directories). The
// install applies each once and deletes it; the marks it writes back
// (BatchInstallDone, DefaultRstName, DrvInstSet) record what was done.
// Before every mark the file's read-only attribute is cleared.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include <cstdint>

#include "core/context.h"

namespace vesk {

inline constexpr const WCHAR* kVeskIniName = u"VESK.ini";
// Keys of a printer's section.
inline constexpr const WCHAR* kHoDefaultRst = u"DefaultRst";
inline constexpr const WCHAR* kHoDefaultRstName = u"DefaultRstName";
inline constexpr const WCHAR* kHoSetUserCode = u"SetUserCode";
inline constexpr const WCHAR* kHoSetUserId = u"SetUserID";
inline constexpr const WCHAR* kHoSetOwnerId = u"SetOwnerID";
inline constexpr const WCHAR* kHoDrvInstSet = u"DrvInstSet";

// Limits of the identity instructions (ANSI characters).
constexpr size_t kHoUserCodeMax = 8;
constexpr size_t kHoUserIdMax = 8;
constexpr size_t kHoOwnerIdMax = 16;

// Modes of WriteUserCodeKeys.
constexpr int kUcKeysReset = 0;     // empty keys, then the items' code
constexpr int kUcKeysWithLast = 1;  // the items' code, also as the last code
constexpr int kUcKeysClear = 2;     // "UserCode" and "UserCodeFIX" 0 only

// Workspace flag: the install's hand-over changed the user code, or the
// install user-code flag is set (InstApplyVeskIni).
constexpr uint32_t kWsUserCodeChanged = 0x1;
inline bool HandoverUserCodeChanged(const DrvContext* ctx) {
    return ctx && ctx->ws && (ctx->ws->flags & kWsUserCodeChanged) != 0;
}

// The file's path (one per thread) (empty when it cannot be built).
const WCHAR* GetVeskIniPath(DrvContext* ctx);
// The same into `buffer` of at least 260 characters; 1 when it fits.
int GetVeskIniPathInto(WCHAR* buffer, size_t capacity);

// 1 when the file exists and the printer's section holds a non-empty
// DefaultRst, a SetUserCode other than "*" (empty counts), or a non-empty
// SetUserID or SetOwnerID.
int VeskIniHasWorkFor(const WCHAR* printerName);
// The opposite test for one section of a given file.
int VeskIniSectionIsEmpty(const WCHAR* iniPath, const WCHAR* section);
// Work for the printer, and the section of PRINTER_INFO_2's name is not
// empty as a whole.
int VeskIniHasAppSection(HANDLE printer);
// "DrvInstSet": set (read-only attribute cleared first) and test (true when
// the integer is neither 0 nor missing).
int SetDrvInstSet(const WCHAR* iniPath, const WCHAR* section, int value);
int GetDrvInstSet(const WCHAR* iniPath, const WCHAR* section);
// The section's DefaultRst made absolute in the driver directory, into
// `path` of 260 characters. 1 when there is one.
int GetVeskIniDefaultRst(WCHAR* path, DrvContext* ctx);

// The install's hand-over (after the default presets were deployed). 1 when
// the file exists and the section has no work or its bundle was deployed.
int InstApplyVeskIni(DrvContext* ctx);
// The section's bundle applied to the printer (only after InstApplyVeskIni
// succeeded). 1 when a bundle was applied, else 0.
int InstApplyDefaultRst(uint32_t importFlags, DrvContext* ctx, int isReinstall);
// SetUserCode of `section`: *changed says whether the user code changed.
// The key is deleted in every case. 1.
int ApplySetUserCode(const WCHAR* iniPath, const WCHAR* section, int* changed, DrvContext* ctx);
// SetUserID and SetOwnerID of `section`, each deleted once read. 1 when
// either was present.
int ApplySetUserIds(const WCHAR* iniPath, const WCHAR* section, DrvContext* ctx);
// The user-code keys of KW00C170.ini for `printerName` (modes above).
void WriteUserCodeKeys(const WCHAR* printerName, int mode, DrvContext* ctx);
// Runs the programs of section "Expand File" of the model description,
// hidden, each waited for. No result.
void RunExpandFiles(DrvContext* ctx);
// Context creation of kind 0: a section whose DrvInstSet is set pushes the
// job-control items saved in printer data, then DrvInstSet = 0. 1 done or
// nothing to do, 0 when the path cannot be built.
int HandoverApplyAtOpen(DrvContext* ctx);

}  // namespace vesk

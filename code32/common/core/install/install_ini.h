// Install-state keys of the per-printer INI: the batch-install flag, the
// install stamps and the small integer helpers they are written with.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The driver's version text recorded at every install.
inline constexpr const WCHAR* kDriverInstVersion = u"3.61";
// Characters of a stamp "%04d%02d%02d%02d%02d%02d" and its buffer.
constexpr size_t kStampChars = 14;
constexpr size_t kStampBufChars = 32;

// Writes `value` in decimal under `key`. 1/0.
int IniWriteIntKey(const WCHAR* iniPath, const WCHAR* section, int value, const WCHAR* key);
// True when the integer read with default 0x7FFF is neither 0x7FFF nor 0.
int IniGetFlag(const WCHAR* section, const WCHAR* key, const WCHAR* iniPath);

// "BatchInstallDone" = value in `section` of `iniPath`. 1/0.
int SetBatchInstallDoneIni(const WCHAR* iniPath, const WCHAR* section, int value);
// The same, and with `alsoPrinterData` the 4-byte REG_BINARY printer-data
// copy for the context's printer. 1 when every write succeeded.
int SetBatchInstallDone(const WCHAR* iniPath, const WCHAR* section, int value, int alsoPrinterData,
                        DrvContext* ctx);
// 1 when the printer data "BatchInstallDone" reads and is non-zero.
int PrnBatchInstallDone(HANDLE printer);

// The local time now as a 14-digit stamp into `buffer` (kStampBufChars).
void MakeInstallStamp(WCHAR* buffer);
// Under terminal services only (else 1, nothing written): in the printer's
// section of the common INI (target 0 and 2) or the per-user INI (target 1)
// "DrvInstTime" = now, target 2 also "DrvFirstInstTime", "DrvInstType" =
// stampType, "DrvInstVersion" = "3.61". 1/0.
int WriteInstallStamp(HANDLE printer, int stampType, int target);

// Stamp states.
enum InstallStampState : int {
    kStampUpToDate = 0,      // the user's set-up is current
    kStampNeverSetUp = 1,    // no per-user set-up yet
    kStampCommonNewer = 2,   // the machine's install is newer
    kStampAdminChanged = 3,  // newer, and an administrator changed the printer
};
// Compares the per-user "DrvInstTime" with the common "DrvFirstInstTime"
// and "DrvInstTime" on their first 14 characters. 1 with *state set, 0 when
// the INI paths or the printer's name cannot be had.
int GetInstallStampState(HANDLE printer, int* state, const PRINTER_INFO_2W* info);

// The printer's install type: "DrvInstType" of the printer's section of its
// per-printer INI. A printer whose INI holds no type counts as type 0 (a
// plain install: the stamp is written under terminal services only). 0 when
// the INI path cannot be had.
int PrinterInstallType(DrvContext* ctx, uint32_t* type);

}  // namespace vesk

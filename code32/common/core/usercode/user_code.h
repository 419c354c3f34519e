// The user code: the accounting code the device expects with each job, kept
// per printer in KW00C170.ini of the private directory (or, where the server
// side decides it, in printer data) and mirrored into rdmLogCodeUse,
// rdmLogCode and rdmDllLogCode. An outside provider library can supply the
// code; its switch is off in this driver.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The code from KW00C170.ini into the items and the fixed-flag byte
// (creating the file with empty values when it is missing). 1, or 0 when
// its work buffers cannot be had.
int LoadUserCodeFromIni(DrvContext* ctx);
// 0 for a remote printer (nothing read). A local printer whose printer data
// "ServerUse" is set takes the code from printer data (1), else the INI.
int LoadUserCodeForPrinter(DrvContext* ctx);
// The items back into the INI (skipped for a remote printer whose server
// supplies the code). 1, or 0 when buffers fail.
int SaveUserCodeToIni(DrvContext* ctx);
// Installation: brings the items and the INI into line (see the cases in
// user_code.cpp). 1, or 0 when buffers fail.
int SyncUserCodeAtInstall(DrvContext* ctx);

// The provider path; with the switch off each returns 1 at once.
int LoadUserCodeOnMerge(DrvContext* ctx);
int UpdateProviderUserCodeFlags(DrvContext* ctx);
int SaveUserCodeFromProvider(DrvContext* ctx);

// Tests only: runs the provider path as if the switch were on (the product
// never does). Returns the previous setting.
bool SetUserCodeProviderForTests(bool on);

}  // namespace vesk

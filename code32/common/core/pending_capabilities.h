// Functions waiting for capabilities the common library does not have yet,
// listed by the capability each waits for. Each answers "not done" (nothing
// loaded, run or written) until its capability is built, and the caller goes
// on as it does when the step fails: a context that needs one of the
// context-creation steps is not created, and the DEVMODE code falls back to
// the driver description's defaults, as it does for a model without the
// option.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"

namespace vesk {

// ---- Persisted settings ----
// Reads printer data value `name` of the printer through the remote
// configuration bridge `bridge` into `buffer` of `bytes` bytes. 0 when not
// read.
int BridgeReadPrinterData(DrvContext* ctx, HANDLE bridge, const WCHAR* name, BYTE* buffer, DWORD bytes);

// ---- Settings files: the install step ----
// Deploys a rejected quality file again from its source. 0 not done.
int QualityRedeploy(DrvContext* ctx, const WCHAR* path);

// ---- Installer hand-over ----
// Applies the installer's hand-over for the printer. 1 done or nothing to do,
// 0 not done.
int HandoverApplyAtOpen(DrvContext* ctx);

// ---- Remote configuration ----
// The server type the remote-configuration bridge reports for a printer
// (17: the printer is a client-side copy of a server's printer); 0 when no
// bridge answers.
uint32_t SrvCfgServerType(DrvContext* ctx, const WCHAR* printerName);
// The remote-configuration connection. 0 when not made.
int RemoteConfigConnect(DrvContext* ctx);
// The bridge's state: 0 not usable, 1 connected (it supplies the device
// information), 2 a download is needed. 0 until the bridge is built.
int SrvCfgGetState(DrvContext* ctx);


}  // namespace vesk

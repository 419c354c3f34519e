// The install check every entry point runs before it serves a printer: a
// connection's first install or re-deployment, then, under terminal
// services, the user's own set-up of the printer.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

namespace vesk {

// Mode value that asks for the connection check.
constexpr int kInstallCheckConnection = 1;

// 1 success, 0 failure. `info` is the printer's PRINTER_INFO_2 or null
// (then fetched and freed here).
int InstallCheck(HANDLE printer, int mode, const PRINTER_INFO_2W* info);
// InstallCheck(printer, 1, null).
int InstallCheckDefault(HANDLE printer);

}  // namespace vesk

// The install sequence a printer runs once per install event: a new
// printer's driver default (type 0), the printer-initialise event (1), a new
// connection (2), a changed settings version for the user (6) and a
// connection's first install from the install check (7).
#pragma once
#include <win/types.h>

namespace vesk {

// Runs the sequence for install type `type` (types 6 and 7 as type 2, with
// their differences). `devmodeOut` is null or a buffer of the DEVMODE's
// total size that receives the new default DEVMODE for type 0. 1 when the
// install context could be created (the steps' own failures do not stop
// the sequence), else 0.
int InstallPrinter(HANDLE printer, BYTE* devmodeOut, int type);

// The entry points hold the process-wide install-running flag around an
// install, so the contexts it creates use the machine-wide INI and
// directories; the previous setting comes back at the end of the scope.
struct InstallRunningScope {
    InstallRunningScope();
    ~InstallRunningScope();
    InstallRunningScope(const InstallRunningScope&) = delete;
    InstallRunningScope& operator=(const InstallRunningScope&) = delete;

private:
    bool before_;
};

}  // namespace vesk

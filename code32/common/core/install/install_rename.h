// What a printer's next opening does after an install or a rename: the
// preset list's revalidation once after a pack install or a device query,
// and the settings of a printer whose name changed.
#pragma once
#include "core/context.h"

namespace vesk {

// Without `force`, the DEVMODE's device-query flag or "PackInstallDone" = 1
// forces. A forced check of a printer whose "PresetRefresh" is 0
// revalidates the preset list without asking and sets "PresetRefresh" to
// "1". 1.
int PresetRefreshCheck(DrvContext* ctx, int force);

// A local printer whose stored "PrinterName" is missing or differs from its
// name was renamed: its bidirectional settings are copied to the new name,
// the bundle's presets installed, the lists repaired, the display language
// written again, the install stamped and the names stored. 1 when a rename
// was handled, else 0.
int HandlePrinterRename(DrvContext* ctx);

}  // namespace vesk

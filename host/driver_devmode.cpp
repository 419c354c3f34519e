// The driver's DEVMODE for a printer, as the printer-interface library
// answers an application that asks for it: a driver context of the printer
// (from the printer's model description and settings) and its DEVMODE. The
// host carries the drivers' common library for this, in a copy of its own as
// each of the driver's libraries does, until the printer-interface library
// answers the request itself.
#include "driver_devmode.h"

#include <winsim/spooler.h>

#include <cstring>

#include "core/context.h"
#include "core/context_cache.h"
#include "core/devmode_sizes.h"
#include "core/process.h"
#include "vds.h"

namespace vesk::host {

std::vector<uint8_t> PrinterJobDevmode(HANDLE printer, const std::u16string& name) {
    if (auto p = winsim::findPrinter(name); p && vds::hasDriverPrivatePart(p->devmode)) return p->devmode;
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, 0, kCreateInterface, 0, nullptr);
    std::vector<uint8_t> dm;
    if (ctx && ctx->devmode) dm.assign(ctx->devmode, ctx->devmode + dmSizes().totalSize);
    CtxReleaseEx(ctx, kReleaseFree);
    return dm;
}

void ReleaseDriverDevmodes() { processDetach(); }

}  // namespace vesk::host

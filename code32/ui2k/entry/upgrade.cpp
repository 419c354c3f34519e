// DrvUpgradePrinter: after the driver's files were replaced, the printer's
// device settings and identity values are written by the new driver.
#include <win/windows.h>

#include "core/install/install_check.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "entry/scoped.h"
#include "entry/ui_entry.h"

namespace vesk {

int UpgradeSaveSettings(HANDLE printer, DrvContext* ctx) {
    const int saved = OptSaveDeviceClass(printer, ctx);
    const int written = PrnWriteDriverFiles(printer, ctx);
    return saved && written ? 1 : 0;
}

}  // namespace vesk

VESK_UI_EXPORT BOOL WINAPI DrvUpgradePrinter(DWORD dwLevel, LPBYTE pDriverUpgradeInfo) {
    using namespace vesk;
    const auto* info = reinterpret_cast<const DRIVER_UPGRADE_INFO_1*>(pDriverUpgradeInfo);
    ScopedPrinter h;
    if (dwLevel == 1 && info) h.reset(OpenPrinterAs(info->pPrinterName, PRINTER_ALL_ACCESS));
    if (!h) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (InstallCheckDefault(h.get()) != 1) return FALSE;
    ScopedContext ctx(CtxCreate(h.get(), h.get(), nullptr, kCreateInterface));
    if (!ctx) return FALSE;
    return UpgradeSaveSettings(h.get(), ctx.get()) ? TRUE : FALSE;
}

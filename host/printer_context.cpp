#include "printer_context.h"

#include <iostream>
#include <vector>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/install/install_check.h"
#include "core/install/install_rename.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/process.h"

namespace vesk::host {

bool OpenPrinterAsUser(const std::u16string& name, HANDLE* printer) {
    PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer, &pd)) return true;
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    pd.DesiredAccess = PRINTER_ACCESS_USE;
    return OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer, &pd) != FALSE;
}

PrinterContext::PrinterContext(const std::u16string& name) {
    if (!OpenPrinterAsUser(name, &printer)) return;
    ctx = CtxCreateEx(printer, printer, nullptr, 0, kCreateInterface, 0, nullptr);
    // As the interface library's opening does: a renamed printer takes its
    // settings over to the new name and must then pass the install check.
    if (ctx && HandlePrinterRename(ctx)) {
        std::cerr << "vesk: '" << winsim::toUtf8(name) << "' was renamed; its settings were carried over\n";
        if (!InstallCheck(printer, kInstallCheckConnection, nullptr)) {
            CtxReleaseEx(ctx, kReleaseFree);
            ctx = nullptr;
        }
    }
}

PrinterContext::~PrinterContext() {
    CtxReleaseEx(ctx, kReleaseFree);
    if (printer) ClosePrinter(printer);
    processDetach();
}

std::unique_ptr<PrinterContext> OpenPrinterContext(const Args& args, const std::string& name, std::string* error) {
    if (!openMachine(args, error)) return nullptr;
    if (!winsim::findPrinter(winsim::fromUtf8(name))) return *error = "no printer named '" + name + "'", nullptr;
    auto pc = std::make_unique<PrinterContext>(winsim::fromUtf8(name));
    if (!pc->ctx || !pc->ctx->model) {
        *error = "cannot open the driver of '" + name + "' (is its model description installed?)";
        return nullptr;
    }
    return pc;
}

void TakePrinterDefault(DrvContext* ctx) {
    uint32_t keep[6];
    for (int i = 0; i < 6; ++i) keep[i] = ItemRawById(ctx, kItRdmFontTableNum + i);
    DmLoadPrinterDefault(ctx);
    for (int i = 0; i < 6; ++i) ItemSetRawById(ctx, kItRdmFontTableNum + i, keep[i]);
}

bool StorePrinterDefault(DrvContext* ctx, const std::string& name, std::string* error) {
    const size_t len = DmClaimedLength(ctx->devmode);
    std::vector<uint8_t> dm(ctx->devmode, ctx->devmode + len);
    if (DWORD e = winsim::setPrinterDevmode(winsim::fromUtf8(name), dm); e != ERROR_SUCCESS) {
        *error = "cannot set the DEVMODE of '" + name + "': " + winsim::spoolerErrorText(e);
        return false;
    }
    return true;
}

}  // namespace vesk::host

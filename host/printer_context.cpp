// A full context of a printer for the host's commands.
#include "printer_context.h"

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "core/process.h"

namespace vesk::host {

PrinterContext::PrinterContext(const std::u16string& name) {
    PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, &pd)) return;
    ctx = CtxCreateEx(printer, printer, nullptr, 0, kCreateInterface, 0, nullptr);
}

PrinterContext::~PrinterContext() {
    CtxReleaseEx(ctx, kReleaseFree);
    if (printer) ClosePrinter(printer);
    processDetach();
}

bool openPrinterContext(const Args& args, const std::string& name, PrinterContext*& out, std::string* error) {
    if (!openMachine(args, error)) return false;
    if (!winsim::findPrinter(winsim::fromUtf8(name))) return *error = "no printer named '" + name + "'", false;
    out = new PrinterContext(winsim::fromUtf8(name));
    if (!out->ctx || !out->ctx->model) {
        delete out;
        out = nullptr;
        return *error = "cannot open the driver of '" + name + "' (is its model description installed?)", false;
    }
    return true;
}

}  // namespace vesk::host

// A full driver context of a printer (its model and DEVMODE) from the
// drivers' common library that the host carries, for the commands that
// show what the driver sees.
#pragma once
#include <win/windows.h>

#include <memory>
#include <string>

#include "commands.h"
#include "core/context.h"

namespace vesk::host {

// Opens printer `name` as an application of the machine's user does: with
// the right to administer it where the user has that right, with the right
// to use it otherwise (printer data stays read-only then). False with the
// spooler's error when neither opens.
bool OpenPrinterAsUser(const std::u16string& name, HANDLE* printer);

struct PrinterContext {
    HANDLE printer = nullptr;
    DrvContext* ctx = nullptr;
    explicit PrinterContext(const std::u16string& name);
    ~PrinterContext();
    PrinterContext(const PrinterContext&) = delete;
    PrinterContext& operator=(const PrinterContext&) = delete;
};

// Opens the machine and a context of printer `name`; null with a message in
// *error when the printer is unknown or its driver gives no model.
std::unique_ptr<PrinterContext> OpenPrinterContext(const Args& args, const std::string& name, std::string* error);

// The printer's default DEVMODE over the context's, keeping the context's
// live font tables (the stored copy's handles mean nothing here).
void TakePrinterDefault(DrvContext* ctx);
// The context's DEVMODE as the printer's default; false with a message in
// *error.
bool StorePrinterDefault(DrvContext* ctx, const std::string& name, std::string* error);

}  // namespace vesk::host

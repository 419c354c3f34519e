// A full context of a printer of the machine (model and DEVMODE) for the
// commands that read the driver's state or its resource libraries.
#pragma once
#include <string>

#include "commands.h"
#include "core/context.h"

namespace vesk::host {

// The context, released with the object.
struct PrinterContext {
    HANDLE printer = nullptr;
    DrvContext* ctx = nullptr;
    explicit PrinterContext(const std::u16string& name);
    ~PrinterContext();
    PrinterContext(const PrinterContext&) = delete;
    PrinterContext& operator=(const PrinterContext&) = delete;
};

// Opens the machine and the printer's context; false with a message when
// there is no such printer or its driver cannot be opened.
bool openPrinterContext(const Args& args, const std::string& name, PrinterContext*& out, std::string* error);

}  // namespace vesk::host

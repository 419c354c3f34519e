// vesk ui dialog PRINTER PAGEID [--do ACTIONS] [--script FILE.vui] [--dump]
// [--png FILE] (the property sheets' commands are in ui_sheet_cmd.cpp):
// a page or dialog of the driver's page table, run through the printer's
// interface library (VeskUiRunPage) under the driver's own page procedure
// (a sheet page in a sheet of its own), driven by a UI script, dumped and
// pictured as a PNG file.
#include <iostream>
#include <memory>

#include <win/modules.h>
#include <win/windows.h>
#include <win/user.h>
#include <winsim/spooler.h>
#include <winsim/window.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/res/res.h"
#include "driver_devmode.h"
#include "printer_context.h"
#include "ui_run.h"

namespace vesk::host {
namespace {

// The interface library's entry that runs one page, and its answers besides
// the dialog's end id.
using RunPageFn = LONG(WINAPI*)(HWND, HANDLE, LPWSTR, DWORD, PDEVMODEW, PDEVMODEW, DWORD);
constexpr LONG kRunNoSession = -1, kRunNotAPage = -2;
constexpr size_t kOutputBytes = 4096;  // room for any DEVMODE of the driver

// The printer's interface library, held for the run.
struct InterfaceLibrary {
    HMODULE module = nullptr;
    InterfaceLibrary() = default;
    InterfaceLibrary(const InterfaceLibrary&) = delete;
    InterfaceLibrary& operator=(const InterfaceLibrary&) = delete;
    ~InterfaceLibrary() {
        if (module) FreeLibrary(module);
    }
};

RunPageFn loadRunPage(const std::u16string& printer, InterfaceLibrary& lib, std::string* error) {
    auto p = winsim::findPrinter(printer);
    auto d = p ? winsim::findDriver(p->driver) : std::nullopt;
    if (!d || d->configFile.empty())
        return *error = "the driver of '" + winsim::toUtf8(printer) + "' is not installed", nullptr;
    lib.module = LoadLibraryW(d->configFile.c_str());
    if (!lib.module) return *error = "cannot load " + winsim::toUtf8(d->configFile), nullptr;
    auto f = reinterpret_cast<RunPageFn>(reinterpret_cast<void (*)()>(GetProcAddress(lib.module, "VeskUiRunPage")));
    if (!f) *error = "the interface library of '" + winsim::toUtf8(printer) + "' has no VeskUiRunPage";
    return f;
}

std::string endName(INT_PTR result) {
    return result == IDOK ? "ok" : result == IDCANCEL ? "cancel" : "id " + std::to_string(result);
}

int usageError() {
    return fail("usage: vesk ui dialog PRINTER PAGEID [--do \"ACTIONS\"] [--script FILE.vui] [--dump] [--png FILE]");
}

int uiDialog(const Args& args) {
    UiRun run;
    std::string error;
    if (!ParseUiRun(args.words, run, &error)) return error.empty() ? usageError() : fail(error);
    const auto& positional = run.positional;
    if (positional.size() != 2) return usageError();
    char* end = nullptr;
    const long page = std::strtol(positional[1].c_str(), &end, 10);
    if (*end || page <= 0 || page > 0xFFFF) return fail("'" + positional[1] + "' is not a page id");

    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, positional[0], &error);
    if (!pc) return fail(error);
    HMODULE lib = ResGetStringDll(pc->ctx);
    if (!lib) return fail("the string library of '" + positional[0] + "' cannot be loaded");
    if (!FindResourceW(lib, MAKEINTRESOURCEW(page), RT_DIALOG))
        return fail("the string library of '" + positional[0] + "' has no dialog " + std::to_string(page));

    const std::u16string name = winsim::fromUtf8(positional[0]);
    InterfaceLibrary ui;
    const RunPageFn runPage = loadRunPage(name, ui, &error);
    if (!runPage) return fail(error);
    std::vector<uint8_t> in = PrinterJobDevmode(pc->printer, name);
    std::vector<uint8_t> out(kOutputBytes, 0);
    auto* dmIn = in.size() >= sizeof(DEVMODEW) ? reinterpret_cast<PDEVMODEW>(in.data()) : nullptr;

    INT_PTR result;
    bool ok;
    {
        UiSession session(run.steps);
        result = runPage(nullptr, pc->printer, const_cast<LPWSTR>(name.c_str()), DWORD(page), dmIn,
                         reinterpret_cast<PDEVMODEW>(out.data()), DWORD(out.size()));
        ok = session.Finish();
    }
    ReleaseDriverDevmodes();
    if (result == kRunNoSession) return fail("the driver cannot open a session for '" + positional[0] + "'");
    if (result == kRunNotAPage) return fail("dialog " + std::to_string(page) + " is not a page of the driver");
    if (result < 0)
        return fail("dialog " + std::to_string(page) + " cannot be made (error " + std::to_string(GetLastError()) + ")");
    std::cerr << "dialog " << page << " ended with " << endName(result) << "\n";
    return ok ? 0 : 1;
}

}  // namespace

int cmdUi(const Args& args) {
    if (!args.words.empty() && (args.words[0] == "document-properties" || args.words[0] == "printer-properties"))
        return uiSheet(args);
    if (args.words.empty() || args.words[0] != "dialog") return usageError();
    return uiDialog(args);
}

}  // namespace vesk::host

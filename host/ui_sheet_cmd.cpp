// vesk ui document-properties | printer-properties PRINTER [--do ACTIONS]
// [--script FILE.vui] [--dump] [--png FILE]: the printer's property sheets
// opened through its interface library as an application and the spooler
// open them (the document sheet as DocumentPropertiesW does with
// DM_IN_PROMPT, the printer sheet through PrinterProperties), driven by a
// UI script; the document sheet's DEVMODE is listed after OK, its public
// fields and the driver's private items it changed.
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include <win/compstui.h>
#include <win/modules.h>
#include <win/winddiui.h>
#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/devmode_sizes.h"
#include "devmode_items.h"
#include "driver_devmode.h"
#include "printer_context.h"
#include "ui_run.h"

namespace vesk::host {
namespace {

constexpr size_t kOutputBytes = 4096;  // room for any DEVMODE of the driver

using SheetFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
using CommonUiFn = LONG(WINAPI*)(HWND, PFNPROPSHEETUI, LPARAM, LPDWORD);

// An open printer and its interface library.
struct Interface {
    HANDLE printer = nullptr;
    HMODULE module = nullptr;
    std::u16string name;
    Interface() = default;
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;
    ~Interface() {
        if (module) FreeLibrary(module);
        if (printer) ClosePrinter(printer);
    }
};

// `administer`: the printer held as the spooler's printer folder holds it for
// the user, so that the printer sheet can save into the printer's data; an
// application's document sheet holds it for use only.
bool openInterface(const Args& args, const std::string& printer, bool administer, Interface& ui,
                   std::string* error) {
    if (!openMachine(args, error)) return false;
    ui.name = winsim::fromUtf8(printer);
    auto p = winsim::findPrinter(ui.name);
    if (!p) return *error = "no printer named '" + printer + "'", false;
    auto d = winsim::findDriver(p->driver);
    if (!d || d->configFile.empty()) return *error = "the driver of '" + printer + "' is not installed", false;
    if (administer ? !OpenPrinterAsUser(ui.name, &ui.printer)
                   : !OpenPrinterW(const_cast<LPWSTR>(ui.name.c_str()), &ui.printer, nullptr))
        return *error = "cannot open '" + printer + "' (error " + std::to_string(GetLastError()) + ")", false;
    ui.module = LoadLibraryW(d->configFile.c_str());
    if (!ui.module)
        return *error = "cannot load " + winsim::toUtf8(d->configFile) + " (error " + std::to_string(GetLastError()) +
                        ")",
               false;
    return true;
}

template <class F>
F entry(const Interface& ui, const char* name, std::string* error) {
    auto f = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(ui.module, name)));
    if (!f) *error = "the interface library of '" + winsim::toUtf8(ui.name) + "' has no " + name;
    return f;
}

std::string text(const WCHAR* w, size_t max) {
    std::u16string s;
    for (size_t i = 0; i < max && w[i]; ++i) s += w[i];
    return winsim::toUtf8(s);
}

// The public fields of a DEVMODE, one a line.
void listDevmode(const DEVMODEW& dm) {
    std::ostringstream o;
    o << "devmode " << dm.dmSize << "+" << dm.dmDriverExtra << " bytes, driver version 0x" << std::hex
      << dm.dmDriverVersion << ", fields 0x" << std::setw(8) << std::setfill('0') << dm.dmFields << std::dec << "\n";
    o << "  device \"" << text(dm.dmDeviceName, CCHDEVICENAME) << "\"\n";
    const struct {
        const char* name;
        int value;
    } fields[] = {{"orientation", dm.dmOrientation}, {"papersize", dm.dmPaperSize},   {"paperlength", dm.dmPaperLength},
                  {"paperwidth", dm.dmPaperWidth},   {"scale", dm.dmScale},           {"copies", dm.dmCopies},
                  {"source", dm.dmDefaultSource},    {"quality", dm.dmPrintQuality},  {"color", dm.dmColor},
                  {"duplex", dm.dmDuplex},           {"yresolution", dm.dmYResolution}, {"collate", dm.dmCollate}};
    for (const auto& f : fields) o << "  " << f.name << " " << f.value << "\n";
    o << "  form \"" << text(dm.dmFormName, CCHFORMNAME) << "\"\n";
    std::cout << o.str();
}

// The driver's private items the sheet changed, by the driver's item table:
// against the DEVMODE handed in, or the driver's defaults without one.
void listPrivateChanges(const Args& args, const std::string& printer, std::vector<uint8_t> before,
                        std::vector<uint8_t> after) {
    std::string error;
    auto pc = OpenPrinterContext(args, printer, &error);
    if (!pc) {
        std::cout << "  private items: not decoded (" << error << ")\n";
        return;
    }
    const size_t size = dmSizes().totalSize;
    const bool given = before.size() >= size;
    if (!given) before.assign(pc->ctx->devmode, pc->ctx->devmode + size);
    if (before.size() < size) before.resize(size, 0);
    if (after.size() < size) after.resize(size, 0);
    std::cout << "  private items changed from the " << (given ? "DEVMODE handed in" : "driver's defaults") << ":\n";
    PrintItemChanges(pc->ctx, before.data(), after.data(), true);
}

int usage() {
    return fail("usage: vesk ui document-properties|printer-properties PRINTER [--do \"ACTIONS\"] "
                "[--script FILE.vui] [--dump] [--png FILE]");
}

// The document sheet as DocumentPropertiesW runs it with DM_IN_PROMPT: the
// printer's DEVMODE in, the sheet through the common UI, the DEVMODE out.
int documentProperties(const Args& args, const UiRun& run) {
    Interface ui;
    std::string error;
    if (!openInterface(args, run.positional[0], false, ui, &error)) return fail(error);
    auto sheets = entry<SheetFn>(ui, "DrvDocumentPropertySheets", &error);
    if (!sheets) return fail(error);
    std::vector<uint8_t> in = PrinterJobDevmode(ui.printer, ui.name);
    std::vector<uint8_t> out(kOutputBytes, 0);
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = ui.printer;
    header.pszPrinterName = const_cast<LPWSTR>(ui.name.c_str());
    header.pdmIn = in.size() >= sizeof(DEVMODEW) ? reinterpret_cast<PDEVMODEW>(in.data()) : nullptr;
    header.pdmOut = reinterpret_cast<PDEVMODEW>(out.data());
    header.cbOut = DWORD(out.size());
    header.fMode = DM_IN_PROMPT | DM_OUT_BUFFER | (header.pdmIn ? DM_IN_BUFFER : 0);

    HMODULE common = LoadLibraryW(u"compstui.dll");
    auto run_ = common ? reinterpret_cast<CommonUiFn>(
                             reinterpret_cast<void (*)()>(GetProcAddress(common, "CommonPropertySheetUIW")))
                       : nullptr;
    if (!run_) {
        if (common) FreeLibrary(common);
        return fail("the common property sheet UI (compstui.dll) cannot be loaded");
    }
    LONG ran;
    DWORD result = 0;
    bool ok;
    {
        UiSession session(run.steps);
        ran = run_(nullptr, sheets, reinterpret_cast<LPARAM>(&header), &result);
        ok = session.Finish();
    }
    FreeLibrary(common);
    ReleaseDriverDevmodes();
    if (ran < 0) return fail("the document sheet of '" + run.positional[0] + "' cannot be shown");
    const bool byOk = ran == CPSUI_OK;
    std::cerr << "document properties ended with " << (byOk ? "IDOK" : "IDCANCEL") << " (result " << result << ")\n";
    if (byOk) {
        DEVMODEW dm{};
        std::memcpy(&dm, out.data(), sizeof dm);
        if (dm.dmSize == 0) {
            std::cout << "devmode: none written\n";
        } else {
            listDevmode(dm);
            listPrivateChanges(args, run.positional[0], in, out);
        }
    }
    return ok ? 0 : 1;
}

int printerProperties(const Args& args, const UiRun& run) {
    Interface ui;
    std::string error;
    if (!openInterface(args, run.positional[0], true, ui, &error)) return fail(error);
    auto properties = entry<PrinterPropertiesFn>(ui, "PrinterProperties", &error);
    if (!properties) return fail(error);
    BOOL answer;
    bool ok;
    {
        UiSession session(run.steps);
        answer = properties(nullptr, ui.printer);
        ok = session.Finish();
    }
    std::cerr << "printer properties answered " << (answer ? "TRUE" : "FALSE") << "\n";
    return ok ? 0 : 1;
}

}  // namespace

int uiSheet(const Args& args) {
    UiRun run;
    std::string error;
    if (!ParseUiRun(args.words, run, &error)) return error.empty() ? usage() : fail(error);
    if (run.positional.size() != 1) return usage();
    return args.words[0] == "document-properties" ? documentProperties(args, run) : printerProperties(args, run);
}

}  // namespace vesk::host

// vesk print FILE.vds [--printer NAME] [--out FILE]: plays a drawing script
// as a print job of a printer: the host is the application (the script), the
// spooler (the job and its spool file) and the graphics engine (the driver's
// function table, in vector or in banding mode as the driver's surface says).
#include <win/windows.h>
#include <winsim/engine.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "commands.h"
#include "driver_devmode.h"
#include "vds.h"

namespace fs = std::filesystem;
namespace eng = winsim::engine;

namespace vesk::host {
namespace {

struct PrintOptions {
    std::string script;
    std::string printer;
    std::string out;
};

bool parse(const std::vector<std::string>& words, PrintOptions& o, std::string* error) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= words.size()) return *error = w + " needs a value", false;
            into = words[++i];
            return true;
        };
        if (w == "--printer") {
            if (!value(o.printer)) return false;
        } else if (w == "--out") {
            if (!value(o.out)) return false;
        } else if (!w.empty() && w[0] == '-') {
            return *error = "print: unknown option '" + w + "'", false;
        } else if (o.script.empty()) {
            o.script = w;
        } else {
            return *error = "print takes one script", false;
        }
    }
    if (o.script.empty()) return *error = "print needs a script: vesk print FILE.vds [--printer NAME] [--out FILE]", false;
    return true;
}

// The printer the job goes to: --printer, else the script's, else the
// machine's only printer.
std::u16string choosePrinter(const std::string& option, const std::u16string& fromScript, std::string* error) {
    if (!option.empty()) return winsim::fromUtf8(option);
    if (!fromScript.empty()) return fromScript;
    auto printers = winsim::listPrinters();
    if (printers.size() == 1) return printers[0].name;
    *error = printers.empty() ? "the machine has no printer (add one with 'vesk printer add NAME')"
                              : "the machine has several printers: name one with --printer NAME";
    return {};
}

// The printer's graphics driver, loaded as the engine loads it.
struct Driver {
    HMODULE module = nullptr;
    eng::DriverTable table;
    ~Driver() {
        if (module) FreeLibrary(module);
    }
};

bool loadDriver(const std::u16string& printer, Driver& d, std::string* error) {
    auto p = winsim::findPrinter(printer);
    if (!p) return *error = "no printer named '" + winsim::toUtf8(printer) + "'", false;
    auto drv = winsim::findDriver(p->driver);
    if (!drv) return *error = "the driver of '" + winsim::toUtf8(printer) + "' is not installed", false;
    d.module = LoadLibraryW(drv->driverPath.c_str());
    if (!d.module)
        return *error = "cannot load " + winsim::toUtf8(drv->driverPath) + " (error " + std::to_string(GetLastError()) + ")",
               false;
    auto enable = reinterpret_cast<PFN_DrvEnableDriver>(
        reinterpret_cast<void (*)()>(GetProcAddress(d.module, "DrvEnableDriver")));
    if (!enable) return *error = winsim::toUtf8(drv->driverPath) + " has no DrvEnableDriver", false;
    std::string why;
    if (!eng::loadDriver(enable, d.table, &why)) return *error = "the driver refuses the engine: " + why, false;
    return true;
}

}  // namespace

int cmdPrint(const Args& args) {
    PrintOptions o;
    std::string error;
    if (!parse(args.words, o, &error)) return fail(error);
    if (!openMachine(args, &error)) return fail(error);

    std::ifstream in(o.script, std::ios::binary);
    if (!in) return fail("cannot open " + o.script);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    vds::Script script;
    std::vector<vds::Error> errors;
    if (!vds::read(text, script, &errors)) {
        for (const auto& e : errors) std::cerr << o.script << ":" << e.line << ": " << e.message << "\n";
        return fail(o.script + ": the script has errors");
    }
    std::u16string named;
    for (const auto& c : script.commands)
        if (c.kind == vds::Command::Printer) named = winsim::fromUtf8(c.text);
    const std::u16string printer = choosePrinter(o.printer, named, &error);
    if (printer.empty()) return fail(error);

    int rc = 0;
    DWORD jobId = 0;
    vds::PlayResult result;
    std::vector<std::string> log;
    {
        Driver driver;
        if (!loadDriver(printer, driver, &error)) return fail(error);
        const fs::path machine = winsim::machineRoot();
        vds::Host host;
        host.baseDir = fs::path(o.script).parent_path();
        host.useMachine = [&](const std::string& path, std::string* why) {
            std::error_code ec;
            if (fs::equivalent(host.baseDir / path, machine, ec)) return true;
            *why = "the machine is chosen with --machine or VESK_MACHINE";
            return false;
        };
        host.openPrinter = [&](const std::u16string&, std::string* why) -> HANDLE {
            HANDLE h = nullptr;
            PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ACCESS_USE};
            if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), &h, &pd)) {
                *why = "OpenPrinterW failed (error " + std::to_string(GetLastError()) + ")";
                return nullptr;
            }
            return h;
        };
        host.closePrinter = [](HANDLE h) { ClosePrinter(h); };
        host.defaultDevmode = [&](HANDLE h, const std::u16string&) { return PrinterJobDevmode(h, printer); };
        host.startJob = [&](HANDLE h, const std::u16string& document, const std::u16string&) -> DWORD {
            std::u16string doc = document, type = u"RAW";
            DOC_INFO_1W di{doc.empty() ? nullptr : doc.data(), nullptr, type.data()};
            jobId = StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&di));
            return jobId;
        };
        host.endJob = [](HANDLE h, DWORD) { EndDocPrinter(h); };
        host.log = [&](const std::string& line) { log.push_back(line); };
        result = vds::play(script, driver.table, host);
    }
    ReleaseDriverDevmodes();

    if (!result.ok) {
        for (const auto& line : log) std::cerr << "  " << line << "\n";
        rc = fail(o.script + ": " + result.error);
    }
    auto spool = jobId ? winsim::jobSpoolFile(jobId) : std::nullopt;
    std::error_code ec;
    const uintmax_t bytes = spool ? fs::file_size(*spool, ec) : 0;
    if (spool && !o.out.empty()) {
        fs::copy_file(*spool, o.out, fs::copy_options::overwrite_existing, ec);
        if (ec) return fail("cannot write " + o.out + ": " + ec.message());
    }
    if (rc == 0) {
        std::cout << "job " << jobId << " for '" << winsim::toUtf8(printer) << "': " << result.pages << " pages, "
                  << bytes << " bytes";
        if (spool) std::cout << " in " << (o.out.empty() ? spool->string() : o.out);
        std::cout << "\n";
        if (result.failedDraws)
            std::cout << result.failedDraws << " drawing operations could not be sent\n";
    }
    return rc;
}

}  // namespace vesk::host

// vesk print FILE.vds [--printer NAME] [--out FILE]: prints a drawing script
// as a job of a printer through the printer's graphics driver.
#include <win/windows.h>
#include <winsim/engine.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "commands.h"
#include "driver_devmode.h"
#include "model_check.h"
#include "print_job.h"
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
    Driver() = default;
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;
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

    PrintJobResult job;
    {
        Driver driver;
        if (!loadDriver(printer, driver, &error)) return fail(error);
        job = PrintScript(script, printer, driver.table, fs::path(o.script).parent_path());
    }
    ReleaseDriverDevmodes();
    if (!job.ok) {
        for (const auto& line : job.log) std::cerr << "  " << line << "\n";
        // A model description the driver cannot use shows only as a device
        // the driver could not make; the reader's own reasons say why.
        const std::string model = ModelDescriptionProblem(printer);
        return fail(o.script + ": " + job.error + (model.empty() ? "" : ": " + model));
    }
    auto spool = job.jobId ? winsim::jobSpoolFile(job.jobId) : std::nullopt;
    std::error_code ec;
    const uintmax_t bytes = spool ? fs::file_size(*spool, ec) : 0;
    if (spool && !o.out.empty()) {
        fs::copy_file(*spool, o.out, fs::copy_options::overwrite_existing, ec);
        if (ec) return fail("cannot write " + o.out + ": " + ec.message());
    }
    std::cout << "job " << job.jobId << " for '" << winsim::toUtf8(printer) << "': " << job.pages << " pages, "
              << bytes << " bytes";
    if (spool) std::cout << " in " << (o.out.empty() ? spool->string() : o.out);
    std::cout << "\n";
    if (job.failedDraws) std::cout << job.failedDraws << " drawing operations could not be sent\n";
    return 0;
}

}  // namespace vesk::host

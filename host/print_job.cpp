#include "print_job.h"

#include <win/windows.h>
#include <winsim/winsim.h>

#include "driver_devmode.h"

namespace fs = std::filesystem;

namespace vesk::host {

PrintJobResult PrintScript(const vds::Script& script, const std::u16string& printer,
                           const winsim::engine::DriverTable& driver, const fs::path& baseDir) {
    PrintJobResult out;
    const fs::path machine = winsim::machineRoot();
    vds::Host host;
    host.baseDir = baseDir;
    host.useMachine = [&](const std::string& path, std::string* why) {
        std::error_code ec;
        if (fs::equivalent(baseDir / path, machine, ec)) return true;
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
        out.jobId = StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&di));
        return out.jobId;
    };
    host.endJob = [](HANDLE h, DWORD) { EndDocPrinter(h); };
    host.log = [&](const std::string& line) { out.log.push_back(line); };
    const vds::PlayResult r = vds::play(script, driver, host);
    out.ok = r.ok;
    out.error = r.error;
    out.pages = r.pages;
    out.failedDraws = r.failedDraws;
    return out;
}

}  // namespace vesk::host

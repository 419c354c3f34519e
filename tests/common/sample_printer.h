// A printer of the driver whose data file is the sample model, added to the
// current machine; for the programs without a test fixture (benchmarks,
// fuzz targets).
#pragma once
#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <string>

namespace vesk::test {

// Named by the build, since a compiler cache may give the sources relative
// names.
inline std::filesystem::path sampleModelFile() {
    return std::filesystem::path(VESK_SOURCE_DIR) / "samples" / "model" / "VESKMFP1.VMD";
}

// Records the driver with the sample model in the driver directory, adds
// printer `name` and opens it into *printer. False when any step fails.
inline bool addSamplePrinter(const std::u16string& name, HANDLE* printer) {
    const std::u16string dir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";
    winsim::DriverRecord d;
    d.name = u"VESK Colour MFP";
    d.driverPath = dir + u"veskgr.dll";
    d.dataFile = dir + u"VESKMFP1.VMD";
    d.configFile = dir + u"veskui.dll";
    winsim::PrinterRecord p;
    p.name = name;
    p.driver = d.name;
    auto model = winsim::hostPath(d.dataFile);
    std::error_code ec;
    return winsim::addDriver(d) == ERROR_SUCCESS && winsim::addPrinter(p) == ERROR_SUCCESS && model &&
           std::filesystem::copy_file(sampleModelFile(), *model, std::filesystem::copy_options::overwrite_existing,
                                      ec) &&
           OpenPrinterW(const_cast<LPWSTR>(p.name.c_str()), printer, nullptr);
}

}  // namespace vesk::test

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

// The build names the source folder where it can; __FILE__ may be relative
// to the build folder.
inline std::filesystem::path sampleModelFile() {
#ifdef VESK_SOURCE_DIR
    const std::filesystem::path root = VESK_SOURCE_DIR;
#else
    const std::filesystem::path root = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
#endif
    return root / "samples" / "model" / "VESKMFP1.VMD";
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

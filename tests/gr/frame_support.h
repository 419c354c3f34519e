// A machine with the driver set installed (the three libraries, the maker's
// libraries and the sample model description) and one printer of it, for
// the tests of the device, its documents and its headers.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <string>

#include "core/context_cache.h"
#include "core/process.h"

namespace grtest {

inline const std::u16string kDriverDir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3";

class DriverMachine : public ::testing::Test {
protected:
    explicit DriverMachine(const winsim::MachineConfig& cfg = winsim::MachineConfig()) : machine_(cfg) {}

    void SetUp() override {
        winsim::DriverSetOptions set;
        set.libraryDir = VESK_LIB_DIR;
        set.modelFile = VESK_SAMPLE_MODEL;
        set.extraModules.emplace_back(u"KW00C150.dll", std::string(VESK_LIB_DIR) + "/libkw00c150.so");
        set.extraModules.emplace_back(u"KW12C123.DLL", std::string(VESK_LIB_DIR) + "/libkw12c123.so");
        std::string why;
        ASSERT_EQ(winsim::installDriverSet(set, &why), static_cast<DWORD>(ERROR_SUCCESS)) << why;
        winsim::PrinterRecord p;
        p.name = printerName_;
        p.driver = set.driverName;
        ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(printerName_.c_str()), &printer_, &pd));
        vesk::CtxCacheClear();
        // The driver's module handle, as its DllMain keeps it when loaded.
        vesk::processAttach(reinterpret_cast<HINSTANCE>(&kDriverDir));
    }
    void TearDown() override {
        vesk::processDetach();
        winsim::resetModuleKnobs();
        if (printer_) ClosePrinter(printer_);
    }

    winsim::TempMachine machine_;
    std::u16string printerName_ = u"VESK MFP C41";
    HANDLE printer_ = nullptr;
};

}  // namespace grtest

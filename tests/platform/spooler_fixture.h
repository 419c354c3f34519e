// A temporary machine with one installed driver and a local printer, for the
// spooler tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "platform/last_error.h"

namespace spooltest {

constexpr DWORD kRegSz = 1, kRegBinary = 3, kRegDword = 4;

inline const char16_t kPrinter[] = u"Office Colour";
inline const char16_t kDriver[] = u"VESK Colour MFP";

inline winsim::MachineConfig userConfig(bool admin) {
    winsim::MachineConfig c;
    c.userIsAdmin = admin;
    return c;
}

inline winsim::DriverRecord testDriver() {
    winsim::DriverRecord d;
    std::u16string dir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";
    d.name = kDriver;
    d.driverPath = dir + u"veskgr.dll";
    d.dataFile = dir + u"VESKMFP1.VMD";
    d.configFile = dir + u"veskui.dll";
    d.helpFile = dir + u"VSKHLPus.HLP";
    d.dependentFiles = {dir + u"veskexc.dll", dir + u"VESKMFP1.VMD"};
    return d;
}

// A DEVMODE-shaped blob: dmSize and dmDriverExtra at offsets 68 and 70.
inline std::vector<uint8_t> devmode(uint16_t size, uint16_t extra, uint8_t fill) {
    std::vector<uint8_t> b(size + extra, fill);
    b[68] = uint8_t(size), b[69] = uint8_t(size >> 8);
    b[70] = uint8_t(extra), b[71] = uint8_t(extra >> 8);
    return b;
}

class SpoolerTest : public ::testing::Test {
protected:
    explicit SpoolerTest(bool admin = true) : machine_(userConfig(admin)) {}
    void SetUp() override {
        // Driver and printer are set up as the administrator would.
        ASSERT_EQ(winsim::addDriver(testDriver()), ERROR_SUCCESS);
        winsim::PrinterRecord p;
        p.name = kPrinter;
        p.driver = kDriver;
        p.comment = u"second floor";
        ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
    }
    void TearDown() override {
        for (HANDLE h : open_) ClosePrinter(h);
        EXPECT_EQ(winsim::openPrinterHandles(), 0u);
    }
    // Opens a printer that the fixture closes at the end.
    HANDLE open(const char16_t* name, DWORD access) {
        PRINTER_DEFAULTSW d{nullptr, nullptr, access};
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(name), &h, &d)) return nullptr;
        open_.push_back(h);
        return h;
    }
    HANDLE openUse() { return open(kPrinter, PRINTER_ACCESS_USE); }
    HANDLE openAdmin() { return open(kPrinter, PRINTER_ALL_ACCESS); }

    winsim::TempMachine machine_;
    std::vector<HANDLE> open_;
};

// A buffer filled by the two-call protocol; empty when a call failed.
template <class Call>
std::vector<BYTE> twoCalls(Call call) {
    DWORD needed = 0;
    if (call(nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return {};
    std::vector<BYTE> buf(needed);
    DWORD again = 0;
    if (!call(buf.data(), needed, &again) || again != needed) return {};
    return buf;
}


}  // namespace spooltest

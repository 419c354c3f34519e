// A machine with the driver set installed (the three libraries, the maker's
// libraries and the sample model description) and one printer of it, for
// the tests of the device, its documents and its headers.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/context_support.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/process.h"
#include "driver_functions.h"
#include "pdev.h"
#include "print_job.h"
#include "vds.h"

namespace grtest {

// A job printed through the driver the test links, with its stream.
struct Printed {
    vesk::host::PrintJobResult job;
    std::vector<std::uint8_t> stream;
    std::string readError;
};

inline std::string readText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Plays a script's text as a job of `printer`; files it names are found in
// the samples' document folder.
inline Printed printScript(const std::string& text, const std::u16string& printer) {
    Printed out;
    vds::Script script;
    std::vector<vds::Error> errors;
    if (!vds::read(text, script, &errors)) {
        out.readError = errors.empty() ? "?" : std::to_string(errors[0].line) + ": " + errors[0].message;
        return out;
    }
    winsim::engine::DriverTable table;
    std::string why;
    if (!winsim::engine::loadDriver(DrvEnableDriver, table, &why)) {
        out.readError = why;
        return out;
    }
    out.job = vesk::host::PrintScript(script, printer, table, std::filesystem::path(VESK_SOURCE_DIR) / "samples/docs");
    if (auto spool = out.job.jobId ? winsim::jobSpoolFile(out.job.jobId) : std::nullopt) {
        const std::string bytes = readText(*spool);
        out.stream.assign(bytes.begin(), bytes.end());
    }
    return out;
}

using vesk::test::adoptFontPairs;
using vesk::test::adoptFontRecords;

// A text item set to ANSI `text`, zero-filled to its field.
inline void setItemText(vesk::DrvContext* ctx, int id, const char* text) {
    vesk::DmItem* it = vesk::ItemFindById(ctx, id);
    ASSERT_NE(it, nullptr);
    std::vector<BYTE> field(vesk::itemSize(*it), 0);
    std::memcpy(field.data(), text, std::min(field.size() - 1, std::strlen(text)));
    vesk::ItemSetRawBytes(ctx, it, field.data());
}

inline const std::u16string kDriverDir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3";

// A machine whose ANSI and OEM code page is 932 (Shift-JIS).
inline winsim::MachineConfig japaneseMachine() {
    winsim::MachineConfig c;
    c.ansiCodePage = 932;
    c.oemCodePage = 932;
    return c;
}

class DriverMachine : public ::testing::Test {
protected:
    explicit DriverMachine(const winsim::MachineConfig& cfg = winsim::MachineConfig()) : machine_(cfg) {}

    void SetUp() override {
        winsim::journalEnable(false);
        winsim::journalClear();
        printer_ = installPrinter(printerName_, u"VESK Colour MFP", VESK_SAMPLE_MODEL);
        ASSERT_NE(printer_, nullptr);
        vesk::CtxCacheClear();
        // The driver's module handle, as its DllMain keeps it when loaded:
        // the test program, which carries the driver's resources.
        vesk::processAttach(reinterpret_cast<HINSTANCE>(GetModuleHandleW(nullptr)));
    }

    // Installs the driver set as `driverName` with the model description
    // `model` and adds a printer `name` of it; its open handle, or null.
    HANDLE installPrinter(const std::u16string& name, const std::u16string& driverName, const std::filesystem::path& model) {
        winsim::DriverSetOptions set;
        set.driverName = driverName;
        set.libraryDir = VESK_LIB_DIR;
        set.modelFile = model;
        set.extraModules.emplace_back(u"KW00C150.dll", std::string(VESK_LIB_DIR) + "/libkw00c150.so");
        set.extraModules.emplace_back(u"KW12C123.DLL", std::string(VESK_LIB_DIR) + "/libkw12c123.so");
        std::string why;
        EXPECT_EQ(winsim::installDriverSet(set, &why), static_cast<DWORD>(ERROR_SUCCESS)) << why;
        winsim::PrinterRecord p;
        p.name = name;
        p.driver = set.driverName;
        EXPECT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h, &pd)) return nullptr;
        return h;
    }
    void TearDown() override {
        vesk::processDetach();
        winsim::resetModuleKnobs();
        if (printer_) ClosePrinter(printer_);
    }

    // The printer's default DEVMODE: the driver's own for the printer with
    // the given items set (raw values), as its property sheets would leave it.
    void setPrinterItems(const std::vector<std::pair<int, uint32_t>>& items) {
        vesk::DrvContext* c = vesk::CtxCreateEx(printer_, printer_, nullptr, 0, vesk::kCreateInterface, 0, nullptr);
        ASSERT_NE(c, nullptr);
        for (const auto& [id, value] : items) vesk::ItemSetRawById(c, id, value);
        std::vector<uint8_t> dm(c->devmode, c->devmode + vesk::dmSizes().totalSize);
        vesk::CtxReleaseEx(c, vesk::kReleaseFree);
        ASSERT_EQ(winsim::setPrinterDevmode(printerName_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    }

    // A spool job on the printer's handle, as the host starts one.
    DWORD startSpoolJob(const std::u16string& document) {
        std::u16string doc = document, type = u"RAW";
        DOC_INFO_1W di{doc.empty() ? nullptr : doc.data(), nullptr, type.data()};
        return StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&di));
    }
    std::vector<std::uint8_t> spoolBytes(DWORD job) {
        auto p = winsim::jobSpoolFile(job);
        if (!p) return {};
        const std::string b = readText(*p);
        return std::vector<std::uint8_t>(b.begin(), b.end());
    }

    winsim::TempMachine machine_;
    std::u16string printerName_ = u"VESK MFP C41";
    HANDLE printer_ = nullptr;
};

// A device of the driver the test links, made by the engine for the
// printer; the test calls the driver's functions on its surface itself.
struct EngineDevice {
    winsim::engine::DriverTable table;
    std::unique_ptr<winsim::engine::Session> session;
    std::string error;
    bool make(HANDLE printer, const std::vector<std::uint8_t>& devmode = {}) {
        if (!winsim::engine::loadDriver(DrvEnableDriver, table, &error)) return false;
        winsim::engine::SessionOptions o;
        o.devmode = devmode;
        o.hPrinter = printer;
        session = winsim::engine::Session::create(table, o, &error);
        return session != nullptr;
    }
    SURFOBJ* so() const { return session->surface(); }
    vesk::Pdev* pdev() const { return reinterpret_cast<vesk::Pdev*>(session->dhpdev()); }
};

}  // namespace grtest

// `vesk printer ...` run as a separate process on a temporary machine; this
// process then uses the printer through the Windows calls.
#include "spooler_fixture.h"

#include "run_vesk.h"

#include <fstream>

#ifdef VESK_BIN

namespace fs = std::filesystem;

namespace {

using vesktest::Outcome;
using vesktest::vesk;

class VeskPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        model_ = machine_.root().parent_path() / (machine_.root().filename().string() + "-VESKTEST.VMD");
        std::ofstream(model_) << "*% test model\n*FileVersion: \"3.61\"\n";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove(model_, ec);
    }
    Outcome run(std::vector<std::string> args) { return vesk(machine_.root(), args); }

    winsim::TempMachine machine_;
    fs::path model_;
};

}  // namespace

TEST_F(VeskPrinter, AddedPrinterOpensWithItsDriverAndData) {
    Outcome add = run({"printer", "add", "Office Colour", "--model", model_.string(), "--bidi", "--port", "IP_10.0.0.7"});
    ASSERT_EQ(add.status, 0) << add.out;
    ASSERT_EQ(run({"printer", "data", "Office Colour", "HelpFileName", "--set-sz", "VSKHLPus.HLP"}).status, 0);
    ASSERT_EQ(run({"printer", "data", "Office Colour", "Permission", "--set-dword", "0x11"}).status, 0);

    // This process opens what the other one made.
    ASSERT_TRUE(winsim::useMachine(machine_.root()));
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Office Colour"), &h, nullptr));
    auto info = spooltest::twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 2, b, n, need); });
    ASSERT_FALSE(info.empty());
    auto* pi = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
    EXPECT_EQ(std::u16string(pi->pDriverName), u"VESK Colour MFP");
    EXPECT_EQ(std::u16string(pi->pPortName), u"IP_10.0.0.7");
    EXPECT_TRUE(pi->Attributes & PRINTER_ATTRIBUTE_ENABLE_BIDI);

    auto drv = spooltest::twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(h, nullptr, 3, b, n, need); });
    ASSERT_FALSE(drv.empty());
    auto* d3 = reinterpret_cast<DRIVER_INFO_3W*>(drv.data());
    std::u16string dir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";
    EXPECT_EQ(std::u16string(d3->pDriverPath), dir + u"veskgr.dll");
    EXPECT_EQ(std::u16string(d3->pConfigFile), dir + u"veskui.dll");
    EXPECT_EQ(std::u16string(d3->pDataFile), dir + winsim::fromUtf8(model_.filename().string()));
    EXPECT_EQ(std::u16string(d3->pHelpFile), dir + u"VSKHLPus.HLP");
    // Every file of the driver exists on the machine; the model is a copy.
    for (const WCHAR* f : {d3->pDriverPath, d3->pConfigFile, d3->pDataFile, d3->pHelpFile}) {
        auto host = winsim::hostPath(std::u16string(f));
        ASSERT_TRUE(host);
        EXPECT_TRUE(fs::is_regular_file(*host)) << host->string();
    }
    std::ifstream copied(*winsim::hostPath(std::u16string(d3->pDataFile)));
    std::string first;
    std::getline(copied, first);
    EXPECT_EQ(first, "*% test model");

    // The libraries load by their Windows paths through the loader, as the
    // spooler loads them, each file mapping its own library.
    const std::u16string driver = d3->pDriverPath;
    for (const std::u16string& f : {driver, std::u16string(d3->pConfigFile), dir + u"VESKEXC.DLL"}) {
        HMODULE m = LoadLibraryW(f.c_str());
        ASSERT_NE(m, nullptr) << winsim::toUtf8(f) << " error " << GetLastError();
        EXPECT_EQ(GetProcAddress(m, "DrvEnableDriver") != nullptr, f == driver) << winsim::toUtf8(f);
        EXPECT_TRUE(FreeLibrary(m));
    }
    for (const char16_t* name : {u"veskgr.dll", u"veskui.dll", u"veskexc.dll"})
        EXPECT_TRUE(winsim::registeredModule(name)->is_absolute());

    BYTE buf[32];
    DWORD type = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(u"HelpFileName"), &type, buf, sizeof buf, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, spooltest::kRegSz);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf)), u"VSKHLPus.HLP");
    ASSERT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(u"Permission"), &type, buf, 4, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(buf[0], 0x11);
    EXPECT_TRUE(ClosePrinter(h));

    // What the command shows, decoded by type.
    Outcome show = run({"printer", "show", "office colour"});
    ASSERT_EQ(show.status, 0) << show.out;
    EXPECT_NE(show.out.find("HelpFileName = REG_SZ, 26 bytes: \"VSKHLPus.HLP\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("Permission = REG_DWORD, 4 bytes: 17 (0x11)"), std::string::npos) << show.out;
    EXPECT_EQ(show.out.find("(missing)"), std::string::npos) << show.out;
    Outcome list = run({"printer", "list"});
    EXPECT_NE(list.out.find("Office Colour\tVESK Colour MFP\tIP_10.0.0.7"), std::string::npos) << list.out;
}

TEST_F(VeskPrinter, BadInputFailsClearlyAndChangesNothing) {
    fs::path driverDir = machine_.root() / "C" / "WINDOWS" / "system32" / "spool" / "DRIVERS" / "W32X86" / "3";
    Outcome missing = run({"printer", "add", "P", "--model", (machine_.root() / "nope.vmd").string()});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.out.find("missing driver file"), std::string::npos) << missing.out;
    EXPECT_TRUE(fs::is_empty(driverDir));

    Outcome longName = run({"printer", "add", std::string(260, 'x'), "--model", model_.string()});
    EXPECT_NE(longName.status, 0);
    EXPECT_NE(longName.out.find("not a valid printer name"), std::string::npos) << longName.out;
    EXPECT_TRUE(fs::is_empty(driverDir));

    // Without --model the sample model description is installed.
    Outcome sample = run({"printer", "add", "S", "--driver-name", "X"});
    ASSERT_EQ(sample.status, 0) << sample.out;
    EXPECT_TRUE(fs::exists(driverDir / "VESKMFP1.VMD"));
    ASSERT_EQ(run({"printer", "remove", "S"}).status, 0);

    ASSERT_EQ(run({"printer", "add", "P", "--model", model_.string()}).status, 0);
    Outcome twice = run({"printer", "add", "p", "--model", model_.string()});
    EXPECT_NE(twice.status, 0);
    EXPECT_NE(twice.out.find("exists"), std::string::npos) << twice.out;

    EXPECT_NE(run({"printer", "show", "Nobody"}).status, 0);
    EXPECT_NE(run({"printer", "data", "P", "Nothing"}).status, 0);
    EXPECT_NE(run({"printer", "data", "P", "X", "--set-dword", "abc"}).status, 0);
    EXPECT_NE(run({"printer", "frobnicate"}).status, 0);
    EXPECT_NE(run({"printer", "add", "Q", "--bogus"}).status, 0);

    ASSERT_EQ(run({"printer", "remove", "P"}).status, 0);
    EXPECT_NE(run({"printer", "remove", "P"}).status, 0);
    Outcome list = run({"printer", "list"});
    EXPECT_NE(list.out.find("no printers"), std::string::npos) << list.out;
}

#endif  // VESK_BIN

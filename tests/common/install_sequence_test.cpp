// The install sequence of a local printer and of a connection, and what
// stops it and what does not.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/install_support.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode_sizes.h"
#include "core/install/install_printer.h"
#include "core/install/install_steps.h"

namespace vesk::test {
namespace {

class InstallSequence : public InstallMachine {
protected:
    int install(HANDLE h, int type) {
        InstallRunningScope running;
        return InstallPrinter(h, nullptr, type);
    }
    std::u16string zordb(const char16_t* key) {
        return get(u"C:\\WINDOWS\\zordb.ini", key, u"VESK MFP1 Colour");
    }
};

TEST_F(InstallSequence, ALocalPrinterIsSetUpForTheDriver) {
    ASSERT_EQ(install(printer_, kInstallInitialise), 1);
    EXPECT_FALSE(InstallRunning());
    // The batch install: the setup INI's lists and batch keys.
    EXPECT_EQ(get(common_, u"RstVersion", u"us"), u"200");
    EXPECT_EQ(get(common_, u"bIsBIDISupportForVESK", u"us"), u"1");
    EXPECT_EQ(get(common_, u"FreeSizeCount", u"us"), u"10");
    EXPECT_EQ(get(common_, u"wdmFreeSizeWidth", u"FreeSize9us"), u"9921");
    EXPECT_EQ(get(common_, u"StampCount", u"us"), u"3");
    EXPECT_EQ(get(common_, u"rdmWmKind", u"Stamp0us"), u"1");
    EXPECT_EQ(get(setup_, u"BatchInstallDone", u"BatchInstallDone"), u"1");
    // Identity values and the device state in printer data.
    EXPECT_EQ(data(u"PrinterName"), name_ + u'\0');
    EXPECT_EQ(data(u"DriverName"), std::u16string(u"VESK Colour MFP") + u'\0');
    EXPECT_NE(data(u"HelpFileName"), u"(missing)");
    EXPECT_NE(data(u"SPLUserModePrinterDriver"), u"(missing)");
    auto bidi = winsim::printerData(name_, u"BidiFlag");
    ASSERT_TRUE(bidi);
    EXPECT_EQ(bidi->data, (std::vector<uint8_t>{0, 0, 0, 0}));
    // The private directory: hidden, the administrators' and open to all.
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vesk"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(ownedByAdministrators(u"C:\\_vesk"));
    EXPECT_EQ(everyoneAce(u"C:\\_vesk").second, static_cast<DWORD>(FILE_ALL_ACCESS));
    // Only a connection records the driver version at install.
    EXPECT_EQ(get(common_, u"DrvInstVersion"), u"(none)");

    // The steps after the deployment run only when it succeeded.
    const bool deployed = deploymentSucceeds();
    EXPECT_EQ(get(common_, u"MergeKey") == u"Software\\MAREN\\VeskMerge", deployed);
    EXPECT_EQ(get(common_, u"DrvDefJobMergePath") == u"C:\\_vesk\\merge", deployed);
    EXPECT_EQ(zordb(u"ResDll") != u"(none)", deployed);
    const auto jc = jobControlCalls();
    EXPECT_EQ(std::count(jc.begin(), jc.end(), "JcPrinterA Office [2]") > 0, deployed);
    // The driver's items are stored in a connection of their own; the
    // identity items are sent again only for a printer connection.
    EXPECT_EQ(std::count(jc.begin(), jc.end(), "JcSetItem code 256") > 0, deployed);
    for (const char* identity : {"JcSetItem code 2", "JcSetItem code 5", "JcSetItem code 8"})
        EXPECT_EQ(std::count(jc.begin(), jc.end(), identity), 0) << identity;
}

TEST_F(InstallSequence, AConnectionOpensAJobControlSessionAndRecordsTheVersion) {
    winsim::PrinterRecord p;
    p.name = u"\\\\server\\Office";
    p.server = u"\\\\server";
    p.driver = u"VESK Colour MFP";
    ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(p.name.c_str()), &h, &pd));
    EXPECT_EQ(install(h, kInstallAddConnection), 1);
    const bool deployed = deploymentSucceeds();
    EXPECT_EQ(get(common_, u"DrvInstVersion", p.name) == u"3.61", deployed);
    // Open, the identity items sent again (mask 158), closed.
    const auto jc = jobControlCalls();
    const std::vector<std::string> session{"JcOpen \\\\server\\Office", "JcSetItem code 2", "JcSetItem code 3",
                                           "JcSetItem code 4",            "JcSetItem code 5", "JcSetItem code 8",
                                           "JcClose"};
    EXPECT_EQ(std::search(jc.begin(), jc.end(), session.begin(), session.end()) != jc.end(), deployed);
    // A connection is no new printer: no identity values, no model database.
    EXPECT_FALSE(winsim::printerData(p.name, u"PrinterName"));
    EXPECT_EQ(zordb(u"ResDll"), u"(none)");
    ClosePrinter(h);
}

TEST_F(InstallSequence, OnlyTheContextStopsTheSequence) {
    winsim::failCall("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, SIZE_MAX);
    EXPECT_EQ(install(printer_, kInstallInitialise), 0);
    winsim::clearFaults();
    EXPECT_EQ(data(u"PrinterName"), u"(missing)");

    // Without a setup INI the batch install and the list repair fail; the
    // steps after them still run.
    std::filesystem::remove(*winsim::hostPath(setup_));
    EXPECT_EQ(install(printer_, kInstallInitialise), 1);
    EXPECT_EQ(get(common_, u"RstVersion", u"us"), u"(none)");
    EXPECT_EQ(data(u"PrinterName"), name_ + u'\0');
    EXPECT_TRUE(winsim::printerData(name_, u"BidiFlag"));
    EXPECT_TRUE(winsim::printerData(name_, u"SPLUserModePrinterDriver"));
}

TEST_F(InstallSequence, TheNewDefaultFillsTheCallersDevmode) {
    std::vector<BYTE> dm(dmSizes().totalSize, 0xEE);
    {
        InstallRunningScope running;
        ASSERT_EQ(InstallPrinter(printer_, dm.data(), kInstallNewDefault), 1);
    }
    // A DEVMODE of the driver: its public size and the private part behind it.
    EXPECT_EQ(dm[dm::kOffSize] | dm[dm::kOffSize + 1] << 8, 220);
    EXPECT_EQ(dm[dm::kOffDriverExtra] | dm[dm::kOffDriverExtra + 1] << 8, static_cast<int>(dmSizes().totalSize) - 220);
}

}  // namespace
}  // namespace vesk::test

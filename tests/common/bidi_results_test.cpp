// Where the query's results go: printer data when it can be written, else
// the bidirectional settings file, moved into printer data by the next
// context with that right; the flags, the refresh at open and the extended
// mode.
#include <gtest/gtest.h>

#include <winsim/spooler.h>

#include <functional>

#include "common/bidi_support.h"
#include "core/bidi/bidi.h"
#include "core/devmode/dm_flags.h"
#include "core/dirs.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/persist/opt_persist.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class BidiResults : public BidiPrinter {
protected:
    // A handle of a user who may only use the printer.
    HANDLE userHandle() {
        winsim::config().userIsAdmin = false;
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ACCESS_USE};
        HANDLE h = nullptr;
        EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name_.c_str()), &h, &pd));
        handles_.push_back(h);
        return h;
    }
    void TearDown() override {
        contexts_.clear();
        for (HANDLE h : handles_) ClosePrinter(h);
        winsim::config().userIsAdmin = true;
        BidiPrinter::TearDown();
    }
    std::string iniValue(const char16_t* key) {
        WCHAR v[64] = {};
        IniGetString(name_.c_str(), key, u"(missing)", v, 64, bidiIni().c_str());
        return winsim::toUtf8(v);
    }
    void setBinary(const char16_t* value, std::vector<uint8_t> b) {
        ASSERT_EQ(winsim::setPrinterData(name_, value, REG_BINARY, b), static_cast<DWORD>(ERROR_SUCCESS));
    }
    size_t opensDuring(const std::function<void()>& f) {
        winsim::journalEnable(true);
        winsim::journalClear();
        f();
        winsim::journalEnable(false);
        return winsim::journalCount("BidiOpen");
    }
    std::vector<HANDLE> handles_;
};

TEST_F(BidiResults, WithoutWriteAccessTheResultsWaitInTheSettingsFile) {
    setBinary(u"BidiFlag", {0, 0, 0, 0});
    DrvContext* user = open(userHandle());
    ASSERT_NE(user, nullptr);
    ASSERT_EQ(BidiGetDeviceInfoQuiet(user), 1);
    EXPECT_EQ(DmGetFlagE(user), 1);
    EXPECT_EQ(winsim::printerData(name_, u"BidiFlag")->data, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_FALSE(winsim::printerData(name_, u"Duplex"));
    EXPECT_EQ(iniValue(u"BidiFlag"), "1");
    EXPECT_EQ(iniValue(u"BidiExFlag"), "1");
    EXPECT_EQ(iniValue(u"rdmSourceOptionTypeDuplex"), "1");
    EXPECT_EQ(iniValue(u"rdmPrinterMemory"), "512");
    EXPECT_NE(iniValue(u"RstVersion"), "(missing)") << "the header keys go with the set";
    EXPECT_EQ(BidiExIsEnabled(user), 1);

    // The next context that may write printer data takes them over.
    winsim::config().userIsAdmin = true;
    DrvContext* admin = open();
    ASSERT_NE(admin, nullptr);
    auto duplex = winsim::printerData(name_, u"Duplex");
    ASSERT_TRUE(duplex);
    EXPECT_EQ(duplex->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(winsim::printerData(name_, u"RAM")->data, (std::vector<uint8_t>{0x00, 0x02}));
    EXPECT_EQ(iniValue(u"BidiFlag"), "(missing)") << "the section is gone";
    EXPECT_EQ(ItemRawById(admin, 10175), 9u);
    EXPECT_EQ(winsim::printerData(name_, u"Tray1Paper")->data, (std::vector<uint8_t>{9, 0}));
}

TEST_F(BidiResults, SettingsFileIsMadeWithTheDriversDescriptor) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    write(u"C:\\ref.txt", "x");
    ASSERT_EQ(ApplyEveryoneDacl(u"C:\\ref.txt", kSecNoEntries), 1);
    const auto want = fileSecurity(u"C:\\ref.txt", DACL_SECURITY_INFORMATION);
    ASSERT_FALSE(want.empty());
    WCHAR path[kWsPathChars] = {};
    ASSERT_EQ(BidiIniCreate(c, path), 1);
    EXPECT_EQ(std::u16string(path), bidiIni());
    EXPECT_EQ(read(path), "\r\n");
    EXPECT_EQ(fileSecurity(path, DACL_SECURITY_INFORMATION), want);
    write(path, "[Other]\r\nBidiFlag=1\r\n");
    ASSERT_EQ(BidiIniCreate(c, path), 1);
    EXPECT_EQ(read(path), "[Other]\r\nBidiFlag=1\r\n") << "an existing file keeps its text";
    EXPECT_EQ(fileSecurity(path, DACL_SECURITY_INFORMATION), want);
}

TEST_F(BidiResults, FlagsInPrinterDataAndTheSettingsFile) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BidiGetFlag(c), 0);
    EXPECT_EQ(BidiHasFlag(c), 0) << "nothing to write back yet";
    ASSERT_EQ(BidiSetFlag(c, 1), 1);
    EXPECT_EQ(winsim::printerData(name_, u"BidiFlag")->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(BidiGetFlag(c), 1);
    EXPECT_EQ(BidiHasFlag(c), 1);
    setBinary(u"BidiExFlag", {2, 0, 0, 0});
    EXPECT_EQ(BidiGetExFlag(c), 0) << "bit 0 only";

    EXPECT_EQ(BidiIniHasFlag(c), 0);
    EXPECT_EQ(BidiIniGetFlag(c), 0);
    ASSERT_EQ(BidiIniSetFlag(c, 0), 1);
    EXPECT_EQ(BidiIniHasFlag(c), 1) << "a key of 0 exists";
    EXPECT_EQ(iniValue(u"BidiFlag"), "0");
    ASSERT_EQ(BidiIniSetExFlag(c, 5), 1);
    EXPECT_EQ(iniValue(u"BidiExFlag"), "1");
    EXPECT_EQ(BidiIniGetExFlag(c), 1);
    ASSERT_EQ(BidiIniClearSection(c), 1);
    EXPECT_EQ(BidiIniHasExFlag(c), 0);
}

TEST_F(BidiResults, ExportAndImportOfTheDeviceItems) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmPrinterMemory, 300);
    ItemSetRawById(c, 10020, 1);
    ItemSetRawById(c, 129, 1);  // a document setting stays out
    ASSERT_EQ(BidiIniExport(c), 1);
    EXPECT_EQ(iniValue(u"rdmPrinterMemory"), "300");
    EXPECT_EQ(iniValue(u"BidiFlag"), "1");
    EXPECT_EQ(iniValue(u"BidiExFlag"), "1");
    EXPECT_EQ(iniValue(ItemGetName(c, 129)), "(missing)");
    ItemSetRawById(c, kItRdmPrinterMemory, 0);
    ItemSetRawById(c, 10020, 0);
    ASSERT_EQ(BidiIniImport(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmPrinterMemory), 300u);
    EXPECT_EQ(ItemRawById(c, 10020), 1u);
}

TEST_F(BidiResults, RefreshAtOpenUsesStoredResults) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // Nothing stored: a query.
    EXPECT_EQ(opensDuring([&] { EXPECT_EQ(BidiRefreshOnOpen(c, nullptr), 1); }), 2u);
    // Printer data says the results are there: the state byte from the gate.
    DmPutFlagE(c, 0);
    EXPECT_EQ(opensDuring([&] { EXPECT_EQ(BidiRefreshOnOpen(c, nullptr), 1); }), 0u);
    EXPECT_EQ(DmGetFlagE(c), 1);
    // The settings file comes first for a local printer: 0 there asks again.
    ASSERT_EQ(BidiIniSetFlag(c, 0), 1);
    EXPECT_EQ(opensDuring([&] { BidiRefreshOnOpen(c, nullptr); }), 2u);
    ASSERT_EQ(BidiIniSetFlag(c, 0), 1);
    DmSetRemoteFlag(c);
    EXPECT_EQ(opensDuring([&] { BidiRefreshOnOpen(c, nullptr); }), 0u) << "a connection reads printer data";
}

TEST_F(BidiResults, ExtendedMode) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmCoverDefTray, 3);
    ItemSetRawById(c, kItRdmMPDefTray, 4);
    setBinary(u"BidiFlag", {1, 0, 0, 0});
    EXPECT_EQ(BidiExIsEnabled(c), 0);
    ASSERT_EQ(BidiExApplyTrayDefaults(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmCoverInputTray), 3u);
    EXPECT_EQ(ItemRawById(c, kItRdmMPInputTray), 4u);

    ASSERT_EQ(BidiExInit(c), 1);
    EXPECT_EQ(winsim::printerData(name_, u"BidiExFlag")->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(BidiExIsEnabled(c), 1);
    ItemSetRawById(c, kItRdmCoverDefTray, 5);
    BidiExApplyTrayDefaults(c);
    EXPECT_EQ(ItemRawById(c, kItRdmCoverInputTray), 3u) << "on: the trays stay";

    // A settings-file key wins for a local printer, and BidiExInit writes it.
    ASSERT_EQ(BidiIniSetExFlag(c, 0), 1);
    EXPECT_EQ(BidiExIsEnabled(c), 0);
    setBinary(u"BidiExFlag", {0, 0, 0, 0});
    ASSERT_EQ(BidiExInit(c), 1);
    EXPECT_EQ(iniValue(u"BidiExFlag"), "1");
    EXPECT_EQ(winsim::printerData(name_, u"BidiExFlag")->data, (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace

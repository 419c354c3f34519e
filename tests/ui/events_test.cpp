// Document events, printer events and the upgrade: results, the access
// fall-backs, the spooler identity switch and the work each event does.
#include "ui/ui_support.h"

#include "core/ini_wrap.h"
#include "core/paths.h"

namespace vesk::test {
namespace {

using Events = UiPrinter;

TEST_F(Events, DocumentEventsAnswerOnlyWhatTheyHandle) {
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, DOCUMENTEVENT_CREATEDCPRE, 0, nullptr, 0, nullptr), 1);
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, DOCUMENTEVENT_CREATEDCPOST, 0, nullptr, 0, nullptr), 1);
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, DOCUMENTEVENT_STARTDOC, 0, nullptr, 0, nullptr), 1);
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, DOCUMENTEVENT_STARTPAGE, 0, nullptr, 0, nullptr), 1);
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, DOCUMENTEVENT_ENDDOC, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, DOCUMENTEVENT_ESCAPE, 0, nullptr, 0, nullptr), 0);
}

TEST_F(Events, TheUpgradeTakesLevelOneOnly) {
    DRIVER_UPGRADE_INFO_1 info{name(), nullptr};
    SetLastError(0);
    EXPECT_FALSE(DrvUpgradePrinter(2, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(DrvUpgradePrinter(1, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DRIVER_UPGRADE_INFO_1 nobody{const_cast<LPWSTR>(u"No such printer"), nullptr};
    SetLastError(0);
    EXPECT_FALSE(DrvUpgradePrinter(1, reinterpret_cast<LPBYTE>(&nobody)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Events, TheUpgradeWritesTheIdentityEvenWhenTheSettingsFail) {
    DRIVER_UPGRADE_INFO_1 info{name(), nullptr};
    EXPECT_TRUE(DrvUpgradePrinter(1, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_NE(data(u"SPLUserModePrinterDriver"), u"(missing)");
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
    // Every printer-data write fails: both steps still run.
    winsim::journalClear();
    winsim::failCall("SetPrinterDataW", 1, ERROR_ACCESS_DENIED, SIZE_MAX);
    EXPECT_FALSE(DrvUpgradePrinter(1, reinterpret_cast<LPBYTE>(&info)));
    winsim::clearFaults();
    EXPECT_EQ(calls("SetPrinterDataW", "SPLUserModePrinterDriver"), 1u);
    EXPECT_GT(calls("SetPrinterDataW"), 1u) << "the device settings were written first";
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
}

TEST_F(Events, UnknownEventsSucceedWithoutWork) {
    winsim::journalClear();
    EXPECT_TRUE(DrvPrinterEvent(name(), PRINTER_EVENT_ATTRIBUTES_CHANGED, 0, 0));
    EXPECT_TRUE(DrvPrinterEvent(name(), 99, 0, 0));
    EXPECT_EQ(calls("OpenPrinterW"), 0u);
}

TEST_F(Events, DeletingAConnectionSucceedsWithoutAnyAccess) {
    winsim::journalClear();
    winsim::failCall("OpenPrinterW", 1, ERROR_ACCESS_DENIED, 2);
    EXPECT_TRUE(DrvPrinterEvent(name(), PRINTER_EVENT_DELETE_CONNECTION, 0, 0));
    winsim::clearFaults();
    EXPECT_EQ(calls("OpenPrinterW"), 3u) << "all access, server access, then use";
    EXPECT_TRUE(DrvPrinterEvent(name(), PRINTER_EVENT_DELETE, 0, 0));
    EXPECT_TRUE(DrvPrinterEvent(const_cast<LPWSTR>(u"No such printer"), PRINTER_EVENT_DELETE, 0, 0));
    EXPECT_FALSE(DrvPrinterEvent(const_cast<LPWSTR>(u"No such printer"), PRINTER_EVENT_CACHE_REFRESH, 0, 0));
}

TEST_F(Events, ADeletedConnectionForgetsItsInstall) {
    WCHAR ini[kWsPathChars] = {};
    ASSERT_TRUE(GetIniFilePathEx(ini, 0));
    ASSERT_TRUE(IniWriteString(name(), u"BatchInstallDone", u"1", ini));
    ASSERT_TRUE(IniWriteString(name(), u"DrvInstVersion", u"3.61", ini));
    EXPECT_TRUE(DrvPrinterEvent(name(), PRINTER_EVENT_DELETE_CONNECTION, 0, 0));
    EXPECT_EQ(IniGetInt(name(), u"BatchInstallDone", 7, ini), 0u);
    WCHAR version[16] = {};
    IniGetString(name(), u"DrvInstVersion", u"(none)", version, 16, ini);
    EXPECT_EQ(std::u16string(version), u"");
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
}

TEST_F(Events, TheSpoolerIdentityIsRestoredOnlyWithARealToken) {
    for (INT event : {PRINTER_EVENT_ADD_CONNECTION, PRINTER_EVENT_DELETE_CONNECTION, PRINTER_EVENT_INITIALIZE}) {
        SCOPED_TRACE(event);
        winsim::journalClear();
        DrvPrinterEvent(name(), event, 0, 0);
        EXPECT_EQ(calls("RevertToPrinterSelf"), 1u);
        EXPECT_EQ(calls("ImpersonatePrinterClient"), 1u);
        // A failed switch hands out no token: nothing to restore.
        winsim::journalClear();
        winsim::failCall("RevertToPrinterSelf", 1, ERROR_ACCESS_DENIED);
        DrvPrinterEvent(name(), event, 0, 0);
        winsim::clearFaults();
        EXPECT_EQ(calls("RevertToPrinterSelf"), 1u);
        EXPECT_EQ(calls("ImpersonatePrinterClient"), 0u);
        EXPECT_EQ(InstallMarkDepth(), 0);
        EXPECT_EQ(winsim::openPrinterHandles(), 1u);
    }
}

TEST_F(Events, InitialisingANewPrinterInstallsItUnderTheMutex) {
    winsim::journalClear();
    EXPECT_TRUE(DrvPrinterEvent(name(), PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_EQ(calls("WaitForSingleObject"), calls("ReleaseMutex"));
    EXPECT_GE(calls("ReleaseMutex"), 1u);
    EXPECT_EQ(InstallMarkDepth(), 0);
    // A printer marked installed has nothing to do.
    ASSERT_EQ(winsim::setPrinterData(name_, u"BatchInstallDone", REG_BINARY, {1, 0, 0, 0}),
              static_cast<DWORD>(ERROR_SUCCESS));
    winsim::journalClear();
    EXPECT_TRUE(DrvPrinterEvent(name(), PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_EQ(calls("ReleaseMutex"), 0u);
}

TEST_F(Events, AddingAConnectionStopsAtItsFailedInstall) {
    winsim::journalClear();
    EXPECT_FALSE(DrvPrinterEvent(name(), PRINTER_EVENT_ADD_CONNECTION, 0, 0));
    EXPECT_EQ(InstallMarkDepth(), 0);
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
    EXPECT_FALSE(DrvPrinterEvent(const_cast<LPWSTR>(u"No such printer"), PRINTER_EVENT_ADD_CONNECTION, 0, 0));
    EXPECT_FALSE(DrvPrinterEvent(const_cast<LPWSTR>(u"No such printer"), PRINTER_EVENT_INITIALIZE, 0, 0));
}

}  // namespace
}  // namespace vesk::test

// Printer facts kept by a context, and the identity values the driver
// writes to printer data, with their exact bytes.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <fstream>

#include "common/services_support.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class PrinterIdentity : public PrinterMachine {
protected:
    std::vector<uint8_t> raw(const char16_t* value) {
        auto v = winsim::printerData(name_, value);
        return v ? v->data : std::vector<uint8_t>{};
    }
    uint32_t type(const char16_t* value) {
        auto v = winsim::printerData(name_, value);
        return v ? v->type : 0;
    }
    void setupIni(const std::string& text) {
        std::ofstream(*winsim::hostPath(kDriverDir + u"KW12D172.ini"), std::ios::binary) << text;
    }
};

std::vector<uint8_t> utf16(const std::u16string& s, bool nul) {
    std::vector<uint8_t> b;
    for (char16_t c : s) b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8));
    if (nul) b.push_back(0), b.push_back(0);
    return b;
}

}  // namespace

TEST_F(PrinterIdentity, FactsAreFetchedOnceAndKept) {
    DrvContext* c = context();
    EXPECT_EQ(std::u16string(PrnGetPrinterName(c)), name_);
    EXPECT_EQ(std::u16string(PrnGetDriverName(c)), u"VESK Colour MFP");
    EXPECT_EQ(PrnIsRemote(c), 0);
    EXPECT_EQ(PrnIsBidiEnabled(c), static_cast<uint32_t>(PRINTER_ATTRIBUTE_ENABLE_BIDI));
    EXPECT_EQ(PrnTestAttribute(c, PRINTER_ATTRIBUTE_SHARED), 0u);
    // A later record does not refresh what is known.
    PRINTER_INFO_2W other = printerInfo(u"Renamed", 0);
    other.pServerName = const_cast<LPWSTR>(u"\\\\SRV");
    PrnCacheInfo2(c, &other);
    EXPECT_EQ(std::u16string(PrnGetPrinterName(c)), name_);
    EXPECT_EQ(PrnIsRemote(c), 0);
    EXPECT_EQ(PrnIsBidiEnabled(c), static_cast<uint32_t>(PRINTER_ATTRIBUTE_ENABLE_BIDI));
    // By handle, uncached.
    winsim::setPrinterAttributes(name_, 0);
    DrvContext* fresh = context();
    EXPECT_EQ(PrnIsBidiEnabled(fresh), 0u);
    EXPECT_EQ(PrnIsRemoteByHandle(printer_), 0);
    WCHAR b[8] = u"old";
    PrnCopyPrinterName(printer_, b, 8);  // "Office [2]" needs 11
    EXPECT_EQ(std::u16string(b), u"old");
    WCHAR n[16];
    PrnCopyPrinterName(printer_, n, 16);
    EXPECT_EQ(std::u16string(n), name_);
    WCHAR d[65] = {};
    EXPECT_EQ(std::u16string(PrnCopyDriverName(printer_, d, 65)), u"VESK Colour MFP");
    EXPECT_EQ(PrnInfoIsRemote(&other), 1);
    EXPECT_EQ(PrnInfoIsRemote(nullptr), 0);
    WCHAR* dup = PrnDupPrinterName(printer_);
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(std::u16string(dup), name_);
    MemFree(dup);
    EXPECT_EQ(PrnDupPrinterName(nullptr), nullptr);
    EXPECT_EQ(PrnGetInfo2(reinterpret_cast<HANDLE>(0x1234)), nullptr);
    // A cached context is found again by the name the handle alone gives.
    startClock(5000);
    DrvContext* reusable = CtxCreateEx(printer_, printer_, nullptr, kLightReusable, 0, 0, nullptr);
    ASSERT_NE(reusable, nullptr);
    reusable->ws->presetFlag = 1;  // a mark a new context would not have
    CtxRelease(reusable);
    DrvContext* again = CtxCreateEx(printer_, printer_, nullptr, kLightReusable, 0, 0, nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ws->presetFlag, 1u);
    CtxReleaseEx(again, kReleaseFree);
}

TEST_F(PrinterIdentity, AnUnreadablePrinterCountsAsLocalAndNamesStayEmpty) {
    HANDLE bogus = reinterpret_cast<HANDLE>(0x4321);
    DrvContext* c = CtxCreateEx(bogus, bogus, nullptr, 4, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    contexts_.emplace_back(c);
    EXPECT_EQ(std::u16string(PrnGetPrinterName(c)), u"");
    EXPECT_EQ(PrnIsRemote(c), 0);
    EXPECT_EQ(c->ws->serverConnection, 2u);
    // The driver description's fallback name (empty in ours).
    EXPECT_EQ(std::u16string(PrnGetDriverName(c)), std::u16string(c->desc->emptyText1));
    EXPECT_EQ(PrnTestAttribute(c, 0xFFFFFFFF), 0u);
    // The two calls fail cleanly when the record grows between them.
    size_t base = winsim::liveGlobalBlocks();
    winsim::failCall("GetPrinterW", 2, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(PrnGetInfo(printer_, 2), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    winsim::failCall("GetPrinterDriverW", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(PrnGetDriverInfo(printer_, 3), nullptr);
}

TEST_F(PrinterIdentity, RemoteConnection) {
    winsim::PrinterRecord p;
    p.name = u"Remote";
    p.server = u"\\\\SRV";
    p.driver = u"VESK Colour MFP";
    ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"\\\\SRV\\Remote"), &h, nullptr));
    DrvContext* c = CtxCreateEx(h, h, nullptr, 4, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(PrnIsRemote(c), 1);
    EXPECT_EQ(PrnIsRemoteByHandle(h), 1);
    PRINTER_INFO_2W* info = PrnGetInfo2(h);
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 0);  // connections never count as renamed
    PrnFreeInfo2(info);
    CtxReleaseEx(c, kReleaseFree);
    ClosePrinter(h);
}

TEST_F(PrinterIdentity, IdentityValuesWithTheirExactBytes) {
    setupIni("[DriversFileName]\r\nDriverEDFileName=KW12E100.dll\r\n");
    DrvContext* c = context();
    EXPECT_EQ(PrnWriteDriverFiles(printer_, c), 1);
    EXPECT_EQ(raw(u"SPLUserModePrinterDriver"), utf16(u"KW12C123.DLL", false));  // 24 bytes, no NUL
    EXPECT_EQ(type(u"SPLUserModePrinterDriver"), static_cast<uint32_t>(REG_SZ));
    EXPECT_EQ(raw(u"DriverIniFileName"), utf16(u"KW12D170.ini", false));
    EXPECT_EQ(raw(u"DriverGRFileName"), utf16(u"veskgr.dll", true));
    EXPECT_EQ(raw(u"DriverEDFileName"), utf16(u"KW12E100.dll", true));
    EXPECT_EQ(PrnStoreHelpFileName(c), 1);
    EXPECT_EQ(raw(u"HelpFileName"), utf16(u"VSKHLPfr.HLP", true));
    EXPECT_EQ(PrnStorePrinterName(printer_), 1);
    EXPECT_EQ(raw(u"PrinterName"), utf16(name_, true));
    EXPECT_EQ(PrnStoreDriverName(printer_), 1);
    EXPECT_EQ(raw(u"DriverName"), utf16(u"VESK Colour MFP", true));
    DWORD permission = 0x11;
    EXPECT_EQ(PrnSetPermission(printer_, &permission, 4), 1);
    EXPECT_EQ(type(u"Permission"), static_cast<uint32_t>(REG_DWORD));
    EXPECT_EQ(raw(u"Permission"), (std::vector<uint8_t>{0x11, 0, 0, 0}));

    // The setup INI's name is cut to 25 characters; without the section the
    // value is the NUL alone.
    setupIni("[DriversFileName]\r\nDriverEDFileName=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\r\n");
    EXPECT_EQ(PrnStoreEdFileName(c), 1);
    EXPECT_EQ(raw(u"DriverEDFileName"), utf16(u"ABCDEFGHIJKLMNOPQRSTUVWXY", true));
    setupIni("[Other]\r\nx=1\r\n");
    EXPECT_EQ(PrnStoreEdFileName(c), 1);
    EXPECT_EQ(raw(u"DriverEDFileName"), (std::vector<uint8_t>{0, 0}));
}

TEST_F(PrinterIdentity, WriteResultCountsTheFirstTwoValuesOnly) {
    DrvContext* c = context();
    winsim::failCall("SetPrinterDataW", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(PrnWriteDriverFiles(printer_, c), 0);
    EXPECT_EQ(data(u"DriverIniFileName"), u"KW12D170.ini");  // the others still written
    winsim::failCall("SetPrinterDataW", 3, ERROR_ACCESS_DENIED);
    EXPECT_EQ(PrnWriteDriverFiles(printer_, c), 1);

    // A driver path without a backslash: no graphics library name.
    auto d = *winsim::findDriver(u"VESK Colour MFP");
    d.driverPath = u"veskgr.dll";
    winsim::addDriver(d);
    winsim::deletePrinterData(name_, u"DriverGRFileName");
    EXPECT_EQ(PrnStoreGrFileName(c), 0);
    EXPECT_EQ(data(u"DriverGRFileName"), u"(missing)");
}

TEST_F(PrinterIdentity, RenamedLocalPrinter) {
    DrvContext* c = context();
    PRINTER_INFO_2W* info = PrnGetInfo2(printer_);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(PrnIsLocalRenamed(c, nullptr), 0);
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 1);  // no stored name yet
    setData(u"PrinterName", u"OFFICE [2]");
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 0);  // letter case aside, the same
    setData(u"PrinterName", u"Old office");
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 1);
    setData(u"ClientName", u"\\\\CLIENT");
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 0);  // a client-side printer
    PrnFreeInfo2(info);
    // The name stored before the change becomes the context's name.
    EXPECT_EQ(PrnLoadStoredPrinterName(printer_, nullptr, c), 1);
    EXPECT_EQ(std::u16string(c->ws->printerName), u"Old office");
}

TEST_F(PrinterIdentity, DataWrappersGuardTheirInput) {
    BYTE buf[16];
    winsim::journalEnable(true);
    EXPECT_EQ(PrnGetData(printer_, nullptr, 16, u"X"), 0);
    EXPECT_EQ(PrnGetData(printer_, buf, 0, u"X"), 0);
    EXPECT_EQ(PrnGetData(printer_, buf, 16, nullptr), 0);
    EXPECT_EQ(PrnSetDataBinary(printer_, nullptr, 4, u"X"), 0);
    EXPECT_EQ(PrnSetDataString(printer_, buf, 0, u"X"), 0);
    EXPECT_EQ(PrnSetDataTyped(printer_, buf, 4, REG_DWORD, nullptr), 0);
    EXPECT_EQ(winsim::journalCount("GetPrinterDataW") + winsim::journalCount("SetPrinterDataW"), 0u);
    winsim::journalEnable(false);

    // A short value leaves no stale bytes behind it.
    std::fill(std::begin(buf), std::end(buf), 0xEE);
    setData(u"HelpFileName", u"ab");
    ASSERT_EQ(PrnGetData(printer_, buf, 16, u"HelpFileName"), 1);
    EXPECT_EQ(buf[6], 0);
    EXPECT_EQ(buf[15], 0);

    // A string that fills the buffer without room for its NUL is refused.
    ASSERT_EQ(winsim::setPrinterData(name_, u"PrinterName", REG_SZ, utf16(std::u16string(261, u'n'), false)),
              static_cast<DWORD>(ERROR_SUCCESS));
    WCHAR name[kWsPrinterNameChars];
    EXPECT_EQ(PrnGetStoredPrinterName(printer_, name), 0);
    EXPECT_EQ(name[0], 0);
    WCHAR help[8];
    setData(u"HelpFileName", u"VSKHLPus.HLP");
    EXPECT_EQ(PrnGetHelpFileNameByHandle(help, sizeof help, printer_), 0);  // too long for 8 characters
    WCHAR wide[16];
    EXPECT_EQ(PrnGetHelpFileNameByHandle(wide, sizeof wide, printer_), 1);
    EXPECT_EQ(std::u16string(wide), u"VSKHLPus.HLP");

    DWORD v = 0;
    EXPECT_EQ(PrnGetAdminChange(printer_, &v), 0);
    ASSERT_EQ(winsim::setPrinterData(name_, u"AdminChange", REG_DWORD, {0, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(PrnGetAdminChange(printer_, &v), 0);
    ASSERT_EQ(winsim::setPrinterData(name_, u"AdminChange", REG_DWORD, {5, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(PrnGetAdminChange(printer_, &v), 1);
    EXPECT_EQ(v, 5u);
}

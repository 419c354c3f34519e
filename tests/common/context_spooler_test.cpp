// Contexts of a printer of the stand-in spooler: the printer's facts come
// from its level-2 information when the caller gives none.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <string>

#include "common/context_support.h"
#include "core/context_cache.h"
#include "core/printer_info.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class SpoolerContext : public ::testing::Test {
protected:
    void SetUp() override {
        winsim::DriverRecord d;
        d.name = u"VESK Colour MFP";
        d.driverPath = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\veskgr.dll";
        d.dataFile = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\VESKMFP1.VMD";
        d.configFile = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\veskui.dll";
        ASSERT_EQ(winsim::addDriver(d), ERROR_SUCCESS);
        winsim::PrinterRecord p;
        p.name = u"Office Colour";
        p.driver = d.name;
        p.attributes = 0x800;
        ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Office Colour"), &printer_, nullptr));
        startClock(5000);
        CtxCacheClear();
    }
    void TearDown() override {
        CtxCacheFlush(1);
        ClosePrinter(printer_);
    }
    winsim::TempMachine machine_;
    HANDLE printer_ = nullptr;
};

}  // namespace

TEST_F(SpoolerContext, FactsComeFromTheSpoolerWhenNotGiven) {
    size_t base = winsim::liveGlobalBlocks();
    DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, kLightReusable, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::u16string(c->ws->printerName), u"Office Colour");
    EXPECT_EQ(c->ws->attributes & 0x800, 0x800u);
    EXPECT_EQ(c->ws->serverConnection, 2u);
    CtxRelease(c);
    // The lookup finds the name through the printer handle alone.
    DrvContext* again = CtxCreateEx(printer_, printer_, nullptr, kLightReusable, 0, 0, nullptr);
    EXPECT_EQ(again, c);
    CtxReleaseEx(again, kReleaseFree);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST_F(SpoolerContext, PrinterNameCopy) {
    WCHAR* name = PrnDupPrinterName(printer_);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::u16string(name), u"Office Colour");
    MemFree(name);
    EXPECT_EQ(PrnDupPrinterName(nullptr), nullptr);
    EXPECT_EQ(PrnGetInfo2(reinterpret_cast<HANDLE>(0x1234)), nullptr);
}

TEST_F(SpoolerContext, AnUnknownHandleStillGivesALightContextButNoCacheHit) {
    HANDLE bogus = reinterpret_cast<HANDLE>(0x4321);
    DrvContext* c = CtxCreateEx(bogus, bogus, nullptr, kLightReusable, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ws->printerName[0], 0);
    CtxRelease(c);
    DrvContext* d = CtxCreateEx(bogus, bogus, nullptr, kLightReusable, 0, 0, nullptr);
    EXPECT_NE(d, nullptr);
    CtxReleaseEx(d, kReleaseFree);
    CtxCacheFlush(1);
}

// A context's DEVMODE built for a printer of the stand-in spooler: the
// printer's default DEVMODE when it is this driver's, else the defaults; the
// result merged with a caller's DEVMODE passes the driver's own acceptance.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <cstring>

#include "common/devmode_support.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/item_store.h"
#include "core/seams.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class DevmodeCreate : public ::testing::Test {
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
        ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Office Colour"), &printer_, nullptr));
        PRINTER_INFO_2W pi = printerInfo(u"Office Colour");
        ctx_.reset(CtxCreateEx(printer_, printer_, nullptr, 4, 0, 0, &pi));
        ASSERT_TRUE(ctx_);
    }
    void TearDown() override {
        ctx_.reset();
        ClosePrinter(printer_);
    }
    // Builds for the context and returns the buffer (owned by the test).
    std::vector<BYTE> build(uint16_t kind) {
        BYTE* b = DmCreateDefault(ctx_.get(), kind);
        EXPECT_NE(b, nullptr);
        std::vector<BYTE> v = b ? copyOf(b, 3808) : std::vector<BYTE>{};
        MemFree(b);
        return v;
    }
    winsim::TempMachine machine_;
    HANDLE printer_ = nullptr;
    ContextPtr ctx_;
};

}  // namespace

TEST_F(DevmodeCreate, WithoutASpoolerDefaultTheDefaultsAreBuilt) {
    std::vector<BYTE> b = build(0);
    ASSERT_EQ(b.size(), 3808u);
    EXPECT_EQ(DmIsOwnDevmode(ctx_.get(), b.data(), 1260), 1);
    EXPECT_EQ(s16(b.data(), 78), 9);
    EXPECT_EQ(ctx_->devmode, nullptr) << "the context's own pointer is put back";
}

TEST_F(DevmodeCreate, OwnSpoolerDefaultIsKeptAndAForeignOneIgnored) {
    std::vector<BYTE> mine = build(0);
    dm::wr16(mine.data(), 76, 2);
    mine[1250] = 7;
    ASSERT_EQ(winsim::setPrinterDevmode(u"Office Colour", copyOf(mine.data(), 1260)), ERROR_SUCCESS);
    std::vector<BYTE> b = build(0);
    EXPECT_EQ(std::memcmp(b.data(), mine.data(), 1260), 0);
    b = build(3);  // full defaults, then the spooler's section 1
    EXPECT_EQ(s16(b.data(), 76), 2);

    std::vector<BYTE> foreign = copyOf(mine.data(), 1260);
    foreign[372] = 0x11;  // another machine
    ASSERT_EQ(winsim::setPrinterDevmode(u"Office Colour", foreign), ERROR_SUCCESS);
    b = build(0);
    EXPECT_EQ(s16(b.data(), 76), 1);
    EXPECT_EQ(b[1250], 0) << "nothing of the refused DEVMODE stays behind";
    EXPECT_EQ(DmIsOwnDevmode(ctx_.get(), b.data(), 1260), 1);

    std::vector<BYTE> small(148 + 1048, 0);
    dm::wr16(small.data(), 68, 148);
    dm::wr16(small.data(), 70, 1048);
    ASSERT_EQ(winsim::setPrinterDevmode(u"Office Colour", small), ERROR_SUCCESS);
    b = build(1);
    EXPECT_EQ(DmIsOwnDevmode(ctx_.get(), b.data(), 1260), 1);
}

TEST_F(DevmodeCreate, BuiltMergedAndWrittenBackItPassesItsOwnTest) {
    const size_t blocks = winsim::liveGlobalBlocks();
    ctx_->devmode = DmCreateDefault(ctx_.get(), 0);
    ASSERT_NE(ctx_->devmode, nullptr);
    std::vector<BYTE> caller = copyOf(ctx_->devmode, 1260);
    dm::wr16(caller.data(), 86, 4);
    dm::setFields(caller.data(), DM_COPIES);
    ASSERT_EQ(DmMergeDevmode(ctx_.get(), caller.data(), caller.size(), 0x2000008), 1);
    EXPECT_EQ(s16(ctx_->devmode, 86), 4);
    std::vector<BYTE> out = copyOf(ctx_->devmode, 1260);
    EXPECT_EQ(DmIsOwnDevmode(ctx_.get(), out.data(), out.size()), 1);
    MemFree(ctx_->devmode);
    ctx_->devmode = nullptr;
    EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
}

TEST_F(DevmodeCreate, SpoolerHoldsADefaultDevmode) {
    EXPECT_EQ(PrnHasInfo2Data(printer_), 0);
    std::vector<BYTE> mine = build(0);
    ASSERT_EQ(winsim::setPrinterDevmode(u"Office Colour", copyOf(mine.data(), 1260)), ERROR_SUCCESS);
    EXPECT_EQ(PrnHasInfo2Data(printer_), 1);
    EXPECT_EQ(PrnHasInfo2Data(nullptr), 0);
}

TEST_F(DevmodeCreate, ResetWithReloadTakesThePrintersDefaultAgain) {
    FakeModel model;
    model.types = {{7, 1}, {12, 8}};
    model.ranges = {{12, {1, 99}}};
    model.values = {{12, 3}};
    ModelScope scope(model);
    std::vector<BYTE> stored = build(0);
    dm::wr16(stored.data(), 76, DMORIENT_LANDSCAPE);
    dm::wr16(stored.data(), 86, 5);
    ASSERT_EQ(winsim::setPrinterDevmode(u"Office Colour", copyOf(stored.data(), 1260)), ERROR_SUCCESS);
    ctx_->devmode = static_cast<BYTE*>(MemAllocZero(3808));
    ASSERT_NE(ctx_->devmode, nullptr);
    DmSetDefaults(ctx_.get());
    EXPECT_EQ(s16(ctx_->devmode, 76), 1);
    DmPublicSetDefaults(ctx_.get(), 2);
    EXPECT_EQ(s16(ctx_->devmode, 76), DMORIENT_LANDSCAPE) << "the printer's default again";
    EXPECT_EQ(s16(ctx_->devmode, 86), 5) << "within the model's range, kept";
    DmPublicSetDefaults(ctx_.get(), 0);
    EXPECT_EQ(s16(ctx_->devmode, 76), 1) << "reason 0 resets to the description";
    EXPECT_EQ(s16(ctx_->devmode, 86), 1);
    MemFree(ctx_->devmode);
    ctx_->devmode = nullptr;
}

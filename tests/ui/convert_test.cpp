// DrvConvertDevMode: the output buffer's size, the install branches with
// the installing mark, and the print server's DEVMODE at an install.
#include "ui/ui_support.h"

#include "core/devmode/dm_layout.h"
#include "entry/scoped.h"

namespace vesk::test {
namespace {

class Convert : public UiPrinter {
protected:
    // An installed printer: the install flag and a default DEVMODE.
    void markDone() {
        ASSERT_EQ(winsim::setPrinterData(name_, u"BatchInstallDone", REG_BINARY, {1, 0, 0, 0}),
                  static_cast<DWORD>(ERROR_SUCCESS));
        ASSERT_EQ(winsim::setPrinterDevmode(name_, driverDevmode().content()), static_cast<DWORD>(ERROR_SUCCESS));
    }
};

TEST_F(Convert, ASmallOutputBufferGetsTheNeededSizeAndNothingCopied) {
    for (DWORD mode : {DWORD{CDM_DRIVER_DEFAULT}, DWORD{CDM_CONVERT}}) {
        SCOPED_TRACE(mode);
        GuardedBuffer in = driverDevmode();
        // An output DEVMODE of the public part alone, in a buffer of that size.
        GuardedBuffer out(220, 0);
        out.put16(dm::kOffSize, 220);
        out.put16(dm::kOffSpecVersion, 0x401);
        LONG size = 220;
        SetLastError(0);
        EXPECT_FALSE(DrvConvertDevMode(name(), in.dm(), out.dm(), &size, mode));
        EXPECT_EQ(size, 1260);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_TRUE(out.canaryIntact());
        EXPECT_EQ(InstallMarkDepth(), 0);
    }
    LONG size = -1;
    EXPECT_FALSE(DrvConvertDevMode(name(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT));
    EXPECT_FALSE(DrvConvertDevMode(name(), nullptr, nullptr, nullptr, CDM_DRIVER_DEFAULT));
}

TEST_F(Convert, DriverDefaultsOfAnInstalledPrinterAreTheDriversDevmode) {
    markDone();
    GuardedBuffer out(kUiDm);
    LONG size = 1260;
    EXPECT_TRUE(DrvConvertDevMode(name(), nullptr, out.dm(), &size, CDM_DRIVER_DEFAULT));
    EXPECT_EQ(size, 1260);
    EXPECT_EQ(out.u16(dm::kOffSize), 220);
    EXPECT_EQ(std::memcmp(out.data() + dm::kOffSignature, "priv", 4), 0);
    EXPECT_TRUE(out.canaryIntact());
    EXPECT_EQ(InstallMarkDepth(), 0);
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
}

TEST_F(Convert, ANewPrinterWaitsForItsInstall) {
    // The request runs the install sequence first, then answers the
    // driver's defaults; it leaves nothing marked or open.
    GuardedBuffer out(kUiDm);
    LONG size = 1260;
    EXPECT_TRUE(DrvConvertDevMode(name(), nullptr, out.dm(), &size, CDM_DRIVER_DEFAULT));
    EXPECT_EQ(size, 1260);
    EXPECT_EQ(std::memcmp(out.data() + dm::kOffSignature, "priv", 4), 0);
    EXPECT_TRUE(out.canaryIntact());
    EXPECT_EQ(InstallMarkDepth(), 0);
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
    // The install ran: it recorded the print log's file name.
    WCHAR value[] = u"LogFileName";
    BYTE log[64] = {};
    DWORD type = 0, got = 0;
    EXPECT_EQ(GetPrinterDataW(printer_, value, &type, log, sizeof log, &got), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(Convert, AnOlderReleasesDevmodeIsRedeployedWithTheCurrentVersion) {
    GuardedBuffer in = driverDevmode();
    const uint32_t ours = in.u32(dm::kOffPrivateVersion);
    in.put32(dm::kOffPrivateVersion, (ours & 0xFFFF) | ((((ours >> 16) - 1) & 0xFFFF) << 16));
    GuardedBuffer out = driverDevmode();
    LONG size = 1260;
    EXPECT_TRUE(DrvConvertDevMode(name(), in.dm(), out.dm(), &size, CDM_CONVERT));
    EXPECT_EQ(out.u32(dm::kOffPrivateVersion), ours);
    EXPECT_TRUE(out.canaryIntact());
    EXPECT_EQ(InstallMarkDepth(), 0);
    // Another driver's DEVMODE runs the install sequence, which answers
    // the current version too.
    in.put32(dm::kOffPrivateVersion, ours ^ 0x1);
    out.put32(dm::kOffPrivateVersion, 0);
    size = 1260;
    EXPECT_TRUE(DrvConvertDevMode(name(), in.dm(), out.dm(), &size, CDM_CONVERT));
    EXPECT_EQ(out.u32(dm::kOffPrivateVersion), ours);
    EXPECT_TRUE(out.canaryIntact());
    EXPECT_EQ(InstallMarkDepth(), 0);
    // Other modes answer by the conversion alone.
    size = 1260;
    EXPECT_TRUE(DrvConvertDevMode(name(), in.dm(), out.dm(), &size, CDM_CONVERT351));
}

TEST_F(Convert, TheInstallingMarkNestsAndMarksNewContexts) {
    {
        InstallMark a, b;
        a.set();
        b.set();
        a.set();  // once per owner
        EXPECT_EQ(InstallMarkDepth(), 2);
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 4, 0, 0, nullptr);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->ws->creationFlags & kCreateInstallRunning);
        CtxReleaseEx(c, kReleaseFree);
        a.clear();
        EXPECT_EQ(InstallMarkDepth(), 1) << "one install still runs";
    }
    EXPECT_EQ(InstallMarkDepth(), 0);
    DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 4, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->ws->creationFlags & kCreateInstallRunning);
    CtxReleaseEx(c, kReleaseFree);
}

TEST_F(Convert, OnlyAServerDevmodeOfThisDriverIsTaken) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    GuardedBuffer server = driverDevmode();
    const uint32_t ours = server.u32(dm::kOffPrivateVersion);
    server.put16(dm::kOffCopies, 7);
    GuardedBuffer out(kUiDm);
    LONG size = 0;
    // Another low word: another driver's layout; the defaults stay.
    server.put32(dm::kOffPrivateVersion, ours + 1);
    EXPECT_EQ(TakeServerDevmode(c, name(), server.data(), kUiDm, out.dm(), &size), 0);
    EXPECT_TRUE(out.untouched());
    EXPECT_EQ(TakeServerDevmode(c, name(), server.data(), 200, out.dm(), &size), 0);
    EXPECT_TRUE(out.untouched());
    // A newer release's is taken as it is.
    server.put32(dm::kOffPrivateVersion, ours + 0x10000);
    EXPECT_EQ(TakeServerDevmode(c, name(), server.data(), kUiDm, out.dm(), &size), 1);
    EXPECT_EQ(out.u16(dm::kOffCopies), 7);
    EXPECT_EQ(size, 1260);
    EXPECT_TRUE(out.canaryIntact());
}

}  // namespace
}  // namespace vesk::test
